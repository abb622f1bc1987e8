#include "render/iconcache.h"

#include <string.h>

#include "core/iteminfo.h"
#include "core/state.h"
#include "dialogs/dialoghelpers.h"
#include "render/icons.h"
#include "resources/resource.h"
#include "store/items.h"

IconCacheSeams g_IconCacheSeams = {::WriteFile};

static const char kMagic[7] = {'V', 'N', 'I', 'C', 'O', 'N', 0};
const DWORD kHeaderBytes = 12;
const DWORD kWriteChunk = 1u << 20;

static int HasOverlay(const ButtonInfo* b) { return b->OverlayIcon && b->OverlayIcon[0]; }
static int ImagesOf(const ButtonInfo* b) { return HasOverlay(b) ? 4 : 2; }

// The button's icon slots in file order.
static HICON* Slot(ButtonInfo* b, int n) {
  if (!HasOverlay(b)) return n == 0 ? &b->Icon[0] : &b->Icon[1];
  switch (n) {
    case 0: return &b->Icon[0];
    case 1: return &b->Overlay[0].Icon;
    case 2: return &b->Icon[1];
    default: return &b->Overlay[1].Icon;
  }
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
      }
      if (!b->Icon[0]) GetItemIcon(b);
      for (int n = 0; n < ImagesOf(b); n++) {
        BYTE* image = nullptr;
        DWORD length = 0;
        int made = SerializeIcon(*Slot(b, n), out->Heap, &image, &length);
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

struct CachedImage {
  ButtonInfo* Button;
  int Slot;
  DWORD Offset;
  DWORD Length;
  HICON Icon;
};

static int ReadInt(const BYTE* at) {
  int v;
  memcpy(&v, at, 4);
  return v;
}

// Where every image of every button lies; 0 when the file does not match
// the store or any size in it disagrees with the file.
static int LocateImages(const BYTE* data, DWORD size, CachedImage* out) {
  if (size < kHeaderBytes || memcmp(data, kMagic, sizeof kMagic)) return 0;
  int containers = ContainerCount();
  if (ReadInt(data + 8) != containers) return 0;
  DWORD pos = kHeaderBytes;
  int n = 0;
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
      for (int k = 0; k < ImagesOf(table[i]); k++) {
        if (end - at < 4) return 0;
        DWORD length = (DWORD)ReadInt(data + at);
        at += 4;
        if (length > end - at || (length && !CheckIconImage(data + at, length, 1))) return 0;
        out[n++] = CachedImage{table[i], k, at, length, nullptr};
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
  SIZE_T slots = 0;
  for (int c = 0; c < ContainerCount(); c++) {
    int count = 0;
    ButtonInfo** table = ListTable(ContainerList(c), &count);
    for (int i = 0; table && i < count; i++) slots += ImagesOf(table[i]);
  }
  CachedImage* images = (CachedImage*)HeapAlloc(heap, HEAP_ZERO_MEMORY, (slots ? slots : 1) * sizeof(CachedImage));
  int ok = images && LocateImages(data, size, images);
  for (SIZE_T i = 0; ok && i < slots; i++) {
    if (!images[i].Length) continue;
    images[i].Icon = IconFromImage(data + images[i].Offset, images[i].Length);
    ok = images[i].Icon != nullptr;
  }
  for (SIZE_T i = 0; images && i < slots; i++) {
    HICON* slot = ok ? Slot(images[i].Button, images[i].Slot) : nullptr;
    if (slot) {
      if (*slot) DestroyIcon(*slot);
      *slot = images[i].Icon;
    } else if (images[i].Icon) {
      DestroyIcon(images[i].Icon);
    }
  }
  if (images) HeapFree(heap, 0, images);
  HeapFree(heap, 0, data);
  return ok;
}
