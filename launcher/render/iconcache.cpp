#include "render/iconcache.h"

#include <string.h>

#include "core/iteminfo.h"
#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "render/icons.h"
#include "resources/resource.h"
#include "store/items.h"

IconCacheSeams g_IconCacheSeams = {::WriteFile};

static const char kMagic[7] = {'V', 'N', 'I', 'C', 'O', 'N', 0};
const DWORD kHeaderBytes = 12;
const DWORD kWriteChunk = 1u << 20;

static DWORD g_LastGeneration;

static int HasOverlay(const ButtonInfo* b) { return b->OverlayIcon && b->OverlayIcon[0]; }
static int ImagesOf(const ButtonInfo* b) { return HasOverlay(b) ? 4 : 2; }

// Icon slots by number: 0, 1 the icons of the view modes, 2, 3 their overlays.
static HICON* SlotOf(ButtonInfo* b, int slot) { return slot < 2 ? &b->Icon[slot] : &b->Overlay[slot - 2].Icon; }

// The slot of the button's n-th image in the file.
static int FileSlot(const ButtonInfo* b, int n) {
  static const int kWithOverlay[4] = {0, 2, 1, 3};
  return HasOverlay(b) ? kWithOverlay[n & 3] : n;
}

// The cache image a slot waits for, null when it has none or the images
// it was read from are gone.
static const BYTE* CachedImageOf(const ButtonInfo* b, int slot, DWORD* length) {
  const CachedIconImages& im = g_App.Store.IconImages;
  DWORD at = b->CachedIcon[slot];
  if (!at || !im.Data || b->CachedIconSet != im.Generation || at < kHeaderBytes + 8 + 4 || at > im.Size) return nullptr;
  DWORD n;
  memcpy(&n, im.Data + at - 4, 4);
  if (!n || n > im.Size - at) return nullptr;
  *length = n;
  return im.Data + at;
}

void MakeCachedIcons(ButtonInfo* b, int mode) {
  if (!b) return;
  int failed = 0;
  for (int slot = 0; slot < 4; slot++) {
    if (!b->CachedIcon[slot] || (mode >= 0 && (slot & 1) != mode)) continue;
    HICON* icon = SlotOf(b, slot);
    if (!*icon) {
      DWORD length = 0;
      const BYTE* image = CachedImageOf(b, slot, &length);
      *icon = image ? IconFromImage(image, length) : nullptr;
      failed |= !*icon;
    }
    b->CachedIcon[slot] = 0;
  }
  // An image the system would not take: the icons come from their source.
  if (failed) GetItemIcon(b);
}

static int ContainerCount() { return g_App.Store.PageCount + g_App.Store.SubMenuCount; }
static int ContainerList(int n) {
  return n < g_App.Store.PageCount ? n : (LIST_SUBMENU | (n - g_App.Store.PageCount));
}

static int CachePath(wchar_t* out, size_t chars, const wchar_t* suffix) {
  const wchar_t* folder = g_App.DataFolderPath;
  if (!folder[0] || wcslen(folder) + 1 + wcslen(kIconCacheName) + wcslen(suffix) >= chars) return 0;
  wcscpy(out, folder);
  wcscat(out, L"\\");
  wcscat(out, kIconCacheName);
  wcscat(out, suffix);
  return 1;
}

// ---------------------------------------------------------------------------
// Writing

struct ByteBuffer {
  HANDLE Heap;
  BYTE* Data;
  SIZE_T Len;
  SIZE_T Cap;
};

static int Reserve(ByteBuffer* b, SIZE_T more) {
  if (b->Len + more <= b->Cap) return 1;
  SIZE_T cap = b->Cap ? b->Cap : 1 << 16;
  while (cap < b->Len + more) {
    if (cap > ((SIZE_T)-1) / 2) return 0;
    cap *= 2;
  }
  void* p = b->Data ? HeapReAlloc(b->Heap, 0, b->Data, cap) : HeapAlloc(b->Heap, 0, cap);
  if (!p) return 0;
  b->Data = (BYTE*)p;
  b->Cap = cap;
  return 1;
}

static int Append(ByteBuffer* b, const void* data, SIZE_T n) {
  if (!Reserve(b, n)) return 0;
  memcpy(b->Data + b->Len, data, n);
  b->Len += n;
  return 1;
}

static void PutInt(BYTE* at, int value) { memcpy(at, &value, 4); }

// Every block into the buffer; 0 when memory ran out.
static int CollectImages(ByteBuffer* out, int rebuild) {
  int containers = ContainerCount();
  BYTE header[kHeaderBytes] = {};
  memcpy(header, kMagic, sizeof kMagic);
  PutInt(header + 8, containers);
  if (!Append(out, header, sizeof header)) return 0;
  for (int c = 0; c < containers; c++) {
    int count = 0;
    ButtonInfo** table = ListTable(ContainerList(c), &count);
    SIZE_T blockAt = out->Len;
    BYTE blockHeader[8] = {};
    if (!Append(out, blockHeader, 8)) return 0;
    int images = 0;
    for (int i = 0; table && i < count; i++) {
      ButtonInfo* b = table[i];
      if (rebuild && !(b->Type & ITEM_KEEP_ICONS)) {
        for (int k = 0; k < 2; k++) {
          if (b->Icon[k]) DestroyIcon(b->Icon[k]);
          if (b->Overlay[k].Icon) DestroyIcon(b->Overlay[k].Icon);
          b->Icon[k] = b->Overlay[k].Icon = nullptr;
        }
        DropCachedIcons(b);
      }
      for (int slot = 0; slot < 4; slot++) {
        DWORD length;
        // Images of a cache no longer held: the icons are made now or anew.
        if (b->CachedIcon[slot] && !CachedImageOf(b, slot, &length)) {
          MakeCachedIcons(b, -1);
          break;
        }
      }
      if (!b->Icon[0] && !b->CachedIcon[0]) GetItemIcon(b);
      for (int n = 0; n < ImagesOf(b); n++) {
        int slot = FileSlot(b, n);
        HICON icon = *SlotOf(b, slot);
        DWORD length = 0;
        // An icon not made yet goes back as the image it was read from.
        const BYTE* cached = icon ? nullptr : CachedImageOf(b, slot, &length);
        if (cached) {
          if (!Append(out, &length, 4) || !Append(out, cached, length)) return 0;
          images++;
          continue;
        }
        BYTE* image = nullptr;
        int made = SerializeIcon(icon, out->Heap, &image, &length);
        if (made < 0) return 0;
        // No icon: an empty image, read back as none.
        int ok = Append(out, &length, 4) && (!length || Append(out, image, length));
        if (image) HeapFree(out->Heap, 0, image);
        if (!ok) return 0;
        images++;
      }
    }
    SIZE_T size = out->Len - blockAt;
    if (size > 0x7FFFFFFF) return 0;
    PutInt(out->Data + blockAt, (int)size);
    PutInt(out->Data + blockAt + 4, images);
  }
  return 1;
}

// The bytes into a new file beside the cache, which then replaces it; a file
// that could not be written whole is removed.
static int WriteCacheFile(const BYTE* data, SIZE_T size) {
  wchar_t path[MAX_PATH + 16], tmp[MAX_PATH + 16];
  if (!CachePath(path, ARRAYSIZE(path), L"") || !CachePath(tmp, ARRAYSIZE(tmp), L".tmp")) return 0;
  HANDLE f = CreateFileW(tmp, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  int ok = 1;
  for (SIZE_T at = 0; ok && at < size;) {
    DWORD n = size - at > kWriteChunk ? kWriteChunk : (DWORD)(size - at), wrote = 0;
    ok = g_IconCacheSeams.WriteFile(f, data + at, n, &wrote, nullptr) && wrote == n;
    at += n;
  }
  ok = ok && FlushFileBuffers(f);
  ok = CloseHandle(f) && ok;
  ok = ok && MoveFileExW(tmp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(tmp);
  return ok;
}

int SaveIconCache(int rebuild) {
  ByteBuffer buffer = {};
  buffer.Heap = HeapCreate(HEAP_NO_SERIALIZE, 0, 0);
  int ok = 0;
  // About the size of the file read last: no copying while the buffer grows.
  if (buffer.Heap && g_App.Store.IconImages.Data) Reserve(&buffer, g_App.Store.IconImages.Size);
  if (buffer.Heap && CollectImages(&buffer, rebuild)) {
    ok = WriteCacheFile(buffer.Data, buffer.Len);
  } else {
    ShowMessage(IDS_ERR_MEMORY, MB_ICONSTOP);
  }
  if (buffer.Heap) HeapDestroy(buffer.Heap);
  return ok;
}

// ---------------------------------------------------------------------------
// Reading

static int ReadInt(const BYTE* at) {
  int v;
  memcpy(&v, at, 4);
  return v;
}

// Checks that every image of every button lies where the file says and
// fits the store. With a generation, also hands the images to the buttons:
// their icons are dropped and made from the images on first use.
static int LocateImages(const BYTE* data, DWORD size, DWORD generation) {
  if (size < kHeaderBytes || memcmp(data, kMagic, sizeof kMagic)) return 0;
  int containers = ContainerCount();
  if (ReadInt(data + 8) != containers) return 0;
  DWORD pos = kHeaderBytes;
  for (int c = 0; c < containers; c++) {
    if (size - pos < 8) return 0;
    int count = 0;
    ButtonInfo** table = ListTable(ContainerList(c), &count);
    int expected = 0;
    for (int i = 0; table && i < count; i++) expected += ImagesOf(table[i]);
    int blockSize = ReadInt(data + pos), images = ReadInt(data + pos + 4);
    if (blockSize < 8 || (DWORD)blockSize > size - pos || images != expected) return 0;
    DWORD end = pos + (DWORD)blockSize, at = pos + 8;
    for (int i = 0; table && i < count; i++) {
      ButtonInfo* b = table[i];
      if (generation) {
        DropCachedIcons(b);
        b->CachedIconSet = generation;
      }
      for (int k = 0; k < ImagesOf(b); k++) {
        if (end - at < 4) return 0;
        DWORD length = (DWORD)ReadInt(data + at);
        at += 4;
        if (length > end - at || (length && !CheckIconImage(data + at, length, 1))) return 0;
        if (generation) {
          int slot = FileSlot(b, k);
          HICON* icon = SlotOf(b, slot);
          if (*icon) DestroyIcon(*icon);
          *icon = nullptr;
          b->CachedIcon[slot] = length ? at : 0;
        }
        at += length;
      }
    }
    if (at != end) return 0;
    pos = end;
  }
  return pos == size;
}

int LoadIconCache() {
  wchar_t path[MAX_PATH + 16];
  if (!CachePath(path, ARRAYSIZE(path), L"")) return 0;
  HANDLE heap = GetProcessHeap();
  BYTE* data;
  DWORD size = ReadWholeFile(path, heap, &data);
  if (!size) return 0;
  // The whole file is checked before any button is touched.
  if (!LocateImages(data, size, 0)) {
    HeapFree(heap, 0, data);
    return 0;
  }
  if (!++g_LastGeneration) ++g_LastGeneration;
  LocateImages(data, size, g_LastGeneration);
  CachedIconImages& im = g_App.Store.IconImages;
  if (im.Data) HeapFree(heap, 0, im.Data);
  im.Data = data;
  im.Size = size;
  im.Generation = g_LastGeneration;
  return 1;
}
