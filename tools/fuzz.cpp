// fuzz: feeds the readers of outside data mutated copies of the project's own
// files (bit flips, cuts, inserted and repeated blocks, huge numbers), all in
// one process, and stops at the first crash, hang or runaway allocation with
// the input saved. Inputs kept in the corpus folder (one sub-folder per
// reader) run first, as they are.
//   fuzz [/only:reader] [/inputs:N] [/seed:N] [/seconds:S] [/limit:ms]
//        [/corpus:folder] [/out:folder]
// Seeds come from the fixtures and Skins folders beside the program.
#include <windows.h>
#include <psapi.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <zlib.h>

#include <string>
#include <vector>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "package/decrypt.h"
#include "package/deflate64.h"
#include "package/pipeline.h"
#include "package/stream.h"
#include "package/zipread.h"
#include "render/iconcache.h"
#include "render/image.h"
#include "render/skinxml.h"
#include "render/skinzip.h"
#include "store/designfile.h"
#include "store/items.h"
#include "store/lists.h"
#include "store/settings.h"

typedef std::vector<BYTE> Bytes;

// ---------------------------------------------------------------------------
// The input being run, for the crash and hang reports

struct Current {
  const char* Reader;
  const Bytes* Input;
  volatile LONG Serial;  // raised as each input starts
  wchar_t OutFolder[MAX_PATH];
};
static Current g_Now;

static void SaveInput(const char* kind) {
  if (!g_Now.Input || !g_Now.Reader) return;
  CreateDirectoryW(g_Now.OutFolder, nullptr);
  wchar_t path[MAX_PATH + 64];
  swprintf(path, MAX_PATH + 64, L"%ls\\%hs-%hs-%ld.bin", g_Now.OutFolder, g_Now.Reader, kind, g_Now.Serial);
  HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD done;
    WriteFile(f, g_Now.Input->data(), (DWORD)g_Now.Input->size(), &done, nullptr);
    CloseHandle(f);
  }
  printf("fuzz: %s in reader %s, input %ld saved as %ls\n", kind, g_Now.Reader, g_Now.Serial, path);
  fflush(stdout);
}

static LONG WINAPI OnCrash(EXCEPTION_POINTERS* e) {
  printf("fuzz: exception 0x%08lX at %p\n", e->ExceptionRecord->ExceptionCode, e->ExceptionRecord->ExceptionAddress);
  SaveInput("crash");
  TerminateProcess(GetCurrentProcess(), 2);
  return EXCEPTION_EXECUTE_HANDLER;
}

static void OnAbort(int) {
  SaveInput("abort");
  TerminateProcess(GetCurrentProcess(), 2);
}

static DWORD g_LimitMs = 5000;

// An input that runs longer than the limit is a hang.
static DWORD WINAPI Watchdog(void*) {
  LONG seen = -1;
  DWORD since = GetTickCount();
  for (;;) {
    Sleep(50);
    LONG now = g_Now.Serial;
    if (now != seen) {
      seen = now;
      since = GetTickCount();
    } else if (g_Now.Input && GetTickCount() - since > g_LimitMs) {
      SaveInput("hang");
      TerminateProcess(GetCurrentProcess(), 3);
    }
  }
}

// No input may leave the process with more than this committed.
static const SIZE_T kMemoryCap = (SIZE_T)1536 << 20;

static SIZE_T Committed() {
  PROCESS_MEMORY_COUNTERS c = {};
  c.cb = sizeof c;
  return GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c) ? c.PeakPagefileUsage : 0;
}

// ---------------------------------------------------------------------------
// Files

static bool ReadFileBytes(const wchar_t* path, Bytes* out) {
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(f, &size) && size.QuadPart < (64 << 20);
  if (ok) {
    out->resize((size_t)size.QuadPart);
    DWORD done = 0;
    ok = out->empty() || (ReadFile(f, out->data(), (DWORD)out->size(), &done, nullptr) && done == out->size());
  }
  CloseHandle(f);
  return ok;
}

static bool WriteFileBytes(const wchar_t* path, const Bytes& data) {
  HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  bool ok = data.empty() || (WriteFile(f, data.data(), (DWORD)data.size(), &done, nullptr) && done == data.size());
  CloseHandle(f);
  return ok;
}

// Every file below folder whose name ends in one of the endings (";"-separated).
static void Collect(const std::wstring& folder, const wchar_t* endings, std::vector<std::wstring>* out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = folder + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Collect(path, endings, out);
      continue;
    }
    std::wstring list = endings;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(L';', start);
      if (end == std::wstring::npos) end = list.size();
      std::wstring ending = list.substr(start, end - start);
      if (!ending.empty() && name.size() >= ending.size() &&
          !_wcsicmp(name.c_str() + name.size() - ending.size(), ending.c_str())) {
        out->push_back(path);
        break;
      }
      start = end + 1;
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

static void EmptyFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + fd.cFileName).c_str());
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

// ---------------------------------------------------------------------------
// Mutations

struct Rng {
  UINT64 State;
  UINT64 Next() {
    State ^= State >> 12;
    State ^= State << 25;
    State ^= State >> 27;
    return State * 2685821657736338717ull;
  }
  size_t Below(size_t n) { return n ? (size_t)(Next() % n) : 0; }
};

static const UINT kInteresting[] = {0,          1,          0x7F,       0x80,       0xFF,      0x100,
                                    0x7FFF,     0x8000,     0xFFFF,     0x10000,    0x7FFFFFFF, 0x80000000,
                                    0xFFFFFFFE, 0xFFFFFFFF, 0x3FFFFFFF, 0x40000000};
static const wchar_t* const kHugeTexts[] = {L"4294967295", L"-2147483648", L"2147483647", L"99999999999999999999",
                                            L"-1", L"0x7FFFFFFF", L"%s%s%n", L"[", L"]", L"=", L"\r\n[General]\r\n"};

static void Mutate(Bytes* b, const std::vector<Bytes>& seeds, Rng& r) {
  int ops = 1 + (int)r.Below(4);
  for (int i = 0; i < ops; i++) {
    size_t n = b->size();
    switch (r.Below(9)) {
      case 0:  // a flipped bit
        if (n) (*b)[r.Below(n)] ^= (BYTE)(1u << r.Below(8));
        break;
      case 1:  // an interesting byte
        if (n) (*b)[r.Below(n)] = (BYTE)kInteresting[r.Below(ARRAYSIZE(kInteresting))];
        break;
      case 2: {  // a 16- or 32-bit field made huge (or zero)
        size_t w = r.Below(2) ? 4 : 2;
        if (n >= w) {
          UINT v = kInteresting[r.Below(ARRAYSIZE(kInteresting))];
          memcpy(b->data() + r.Below(n - w + 1), &v, w);
        }
        break;
      }
      case 3:  // cut off
        b->resize(r.Below(n + 1));
        break;
      case 4: {  // random bytes inserted
        size_t at = r.Below(n + 1), len = 1 + r.Below(64);
        Bytes add(len);
        for (BYTE& c : add) c = (BYTE)r.Next();
        b->insert(b->begin() + at, add.begin(), add.end());
        break;
      }
      case 5: {  // a block repeated, perhaps many times
        if (!n) break;
        size_t from = r.Below(n), len = 1 + r.Below(n - from < 256 ? n - from : 256);
        size_t times = r.Below(4) ? 1 : 1 + r.Below(200);
        Bytes block(b->begin() + from, b->begin() + from + len);
        size_t at = r.Below(n + 1);
        for (size_t t = 0; t < times && b->size() < (4u << 20); t++) b->insert(b->begin() + at, block.begin(), block.end());
        break;
      }
      case 6: {  // a block taken out
        if (!n) break;
        size_t from = r.Below(n), len = 1 + r.Below(n - from);
        b->erase(b->begin() + from, b->begin() + from + len);
        break;
      }
      case 7: {  // a number or delimiter spelt in UTF-16 at an even offset
        const wchar_t* t = kHugeTexts[r.Below(ARRAYSIZE(kHugeTexts))];
        size_t at = r.Below(n / 2 + 1) * 2;
        const BYTE* p = reinterpret_cast<const BYTE*>(t);
        b->insert(b->begin() + at, p, p + wcslen(t) * 2);
        break;
      }
      default: {  // the tail of another seed spliced on
        const Bytes& other = seeds[r.Below(seeds.size())];
        if (other.empty()) break;
        size_t cut = r.Below(n + 1), from = r.Below(other.size());
        b->resize(cut);
        b->insert(b->end(), other.begin() + from, other.end());
        break;
      }
    }
  }
  if (b->size() > (4u << 20)) b->resize(4u << 20);
}

// ---------------------------------------------------------------------------
// Readers

static std::wstring g_ProgramFolder, g_DataFolder;

static int SilentMessage(HWND, int, const wchar_t*, const wchar_t*, UINT) { return IDOK; }

// Vantrel.ini as the launcher reads it at start-up.
static int RunSettings(const Bytes& in) {
  std::wstring path = g_DataFolder + L"\\Vantrel.ini";
  if (!WriteFileBytes(path.c_str(), in)) return -1;
  int ok = ReadSettings();
  ClearItemStore();
  EmptyFolder(g_DataFolder);
  return ok;
}

// Design.ini and the skin design files, over a store of three pages.
static void PrepareDesign(std::vector<Bytes>*) {
  ClearItemStore();
  ItemStore& st = g_App.Store;
  st.Pages = static_cast<PageInfo*>(StoreAlloc(3 * sizeof(PageInfo)));
  st.PageButtons = static_cast<ButtonInfo***>(StoreAlloc(3 * sizeof(ButtonInfo**)));
  if (st.Pages && st.PageButtons) st.PageCount = 3;
}

static int RunDesign(const Bytes& in) {
  std::wstring path = g_DataFolder + L"\\Design.ini";
  if (!WriteFileBytes(path.c_str(), in)) return -1;
  int ok = ReadDesign(path.c_str(), 1);
  DeleteFileW(path.c_str());
  return ok;
}

// Stands in for the skin's images: a small one for every slot, so that the
// reader gets past the images to the rest of the file.
static int FakeSlotImage(SkinSlot* slot) {
  // Shared by name as the real loader does, which the reader relies on.
  if (BorrowSlotImage((int)(slot - g_App.Skin.Slots))) return 1;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 12;
  bi.bmiHeader.biHeight = -12;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  if (!b || !dc) {
    if (b) DeleteObject(b);
    if (dc) DeleteDC(dc);
    return 0;
  }
  SelectObject(dc, b);
  slot->Dc = dc;
  slot->Bitmap = b;
  slot->ImageWidth = slot->ImageHeight = 12;
  return 1;
}

static int RunSkinXml(const Bytes& in) {
  // As the skin reader hands it over: UTF-16 with two zero bytes behind,
  // an odd last byte belonging to no character.
  std::vector<wchar_t> text(in.size() / 2 + 1, 0);
  memcpy(text.data(), in.data(), in.size() / 2 * 2);
  int ok = LoadSkinXmlText(text.data(), 1);
  FreeSlotBitmaps();
  g_App.Skin = SkinSettings{};
  return ok;
}

// A zipped skin: skin.xml found, then the members a skin names unpacked.
static int RunSkinZip(const Bytes& in) {
  BYTE* data = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, in.size() + 1));
  if (!data) return -1;
  if (!in.empty()) memcpy(data, in.data(), in.size());
  OpenSkinArchive(data, (DWORD)in.size());
  int found = 0;
  ZipLocalHeader h;
  if (FindZipEntry(L"skin.xml", &h, 1)) {
    found = 1;
    for (const wchar_t* name : {L"skin.xml", L"tab.png", L"button.png", L"background.png", L"close.png"}) {
      if (!FindZipEntry(name, &h, 0)) continue;
      BYTE* member = nullptr;
      if (ExtractZipEntry(&h, &member)) HeapFree(GetProcessHeap(), 0, member);
    }
  }
  CloseSkinArchive();
  return found;
}

typedef int (*DecodeFn)(const BYTE*, DWORD, HDC*, HBITMAP*, int*, int*);

static int RunDecoder(DecodeFn decode, const Bytes& in) {
  // Both image kinds: the alpha skin's premultiplied DIBs and device bitmaps.
  static int alternate;
  g_App.Skin.TransparencyMode = (alternate++ & 1) ? SKINMODE_ALPHA : SKINMODE_NONE;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  int w = 0, h = 0;
  int ok = decode(in.data(), (DWORD)in.size(), &dc, &bitmap, &w, &h);
  if (ok) {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  g_App.Skin.TransparencyMode = SKINMODE_NONE;
  return ok;
}
static int RunPng(const Bytes& in) { return RunDecoder(DecodePng, in); }
static int RunJpeg(const Bytes& in) { return RunDecoder(DecodeJpeg, in); }
static int RunBmp(const Bytes& in) { return RunDecoder(DecodeBmp, in); }

// Chunk CRCs made right again, so that mutated chunks reach the decoder
// instead of all failing at the checksum.
static void RepairPngCrcs(Bytes* in) {
  Bytes& b = *in;
  size_t at = 8;
  while (at + 12 <= b.size()) {
    UINT length = (UINT)b[at] << 24 | (UINT)b[at + 1] << 16 | (UINT)b[at + 2] << 8 | b[at + 3];
    if (length > b.size() - at - 12) break;
    uLong crc = crc32(0, b.data() + at + 4, length + 4);
    BYTE* c = b.data() + at + 8 + length;
    c[0] = (BYTE)(crc >> 24);
    c[1] = (BYTE)(crc >> 16);
    c[2] = (BYTE)(crc >> 8);
    c[3] = (BYTE)crc;
    at += 12 + length;
  }
}

// VnIcons.bin over the buttons of a settings fixture: the cache they write
// is the seed; each input is read back and its images made into icons.
static void PrepareIconCache(std::vector<Bytes>* seeds) {
  Bytes settings;
  std::wstring from = g_ProgramFolder + L"\\fixtures\\settings\\roundtrip\\Vantrel.ini";
  if (!ReadFileBytes(from.c_str(), &settings) || !WriteFileBytes((g_DataFolder + L"\\Vantrel.ini").c_str(), settings))
    return;
  ReadSettings();
  Bytes cache;
  if (SaveIconCache(1) && ReadFileBytes((g_DataFolder + L"\\VnIcons.bin").c_str(), &cache)) seeds->push_back(cache);
}

static int RunIconCache(const Bytes& in) {
  if (!WriteFileBytes((g_DataFolder + L"\\VnIcons.bin").c_str(), in)) return -1;
  int ok = LoadIconCache();
  ItemStore& st = g_App.Store;
  for (int p = 0; ok && p < st.PageCount; p++)
    for (int i = 0; i < st.Pages[p].Count; i++) MakeCachedIcons(st.PageButtons[p][i], -1);
  return ok;
}

// The package's archive, entry by entry as the extraction worker goes:
// password check (the fixtures' password), method, judgement.
static int RunPackage(const Bytes& in) {
  std::wstring path = g_DataFolder + L"\\archive.zip", target = g_DataFolder + L"\\entry.out";
  if (!WriteFileBytes(path.c_str(), in)) return -1;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  g_Sfx.ExtractAbortCode = ABORT_NONE;
  g_Sfx.LastErrorString = 0;
  MakeCrcTable();
  AttachArchive(file);
  int entries = 0;
  static uint8_t window[1024];
  static uint8_t buffer[kWorkBufferBytes];
  static ZipEntry entry;
  int64_t opened = OpenZipArchive(ArchiveSize());
  while (opened && FindNextLocalHeader(&entry, window)) {
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        CheckZipPassword((entry.flags & ZIPFLAG_ENCRYPTED) ? "Tr0ub4dor&3" : nullptr, &entry)) {
      HANDLE out = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (out != INVALID_HANDLE_VALUE) {
        entries += ExtractEntry(&entry, out, buffer) == ENTRY_OK;
        CloseHandle(out);
      }
    }
    g_Sfx.DecryptOn = false;
    g_Sfx.AesDataLength = 0;
    if (entry.storedSize > (uint64_t)(INT64_MAX - entry.dataPosition) ||
        !ArchiveSeek(entry.dataPosition + (int64_t)entry.storedSize))
      break;
  }
  FreeFixedTables();
  DetachArchive();
  CloseHandle(file);
  DeleteFileW(target.c_str());
  DeleteFileW(path.c_str());
  return entries > 0;
}

struct Reader {
  const char* Name;
  const wchar_t* Folders;  // ";"-separated, below the program folder
  const wchar_t* Endings;
  void (*Prepare)(std::vector<Bytes>* seeds);  // may add seeds of its own making
  int (*Run)(const Bytes& in);
  void (*Repair)(Bytes* in);  // keeps what a mutation broke but the reader checks first
};

static const Reader kReaders[] = {
    {"settings", L"fixtures\\settings;fixtures\\design", L".ini", nullptr, RunSettings, nullptr},
    {"design", L"fixtures\\design", L".vsd;.ini", PrepareDesign, RunDesign, nullptr},
    {"iconcache", L"", L".bin", PrepareIconCache, RunIconCache, nullptr},
    {"skinxml", L"fixtures\\skins;fixtures\\skinsel;Skins", L"skin.xml", nullptr, RunSkinXml, nullptr},
    {"skinzip", L"fixtures\\skinzip;fixtures\\skins;Skins", L".zip", nullptr, RunSkinZip, nullptr},
    {"png", L"fixtures\\image;fixtures\\skins;Skins", L".png", nullptr, RunPng, RepairPngCrcs},
    {"jpeg", L"fixtures\\image", L".jpg", nullptr, RunJpeg, nullptr},
    {"bmp", L"fixtures\\image", L".bmp", nullptr, RunBmp, nullptr},
    {"package", L"fixtures\\package", L".zip", nullptr, RunPackage, nullptr},
};

// ---------------------------------------------------------------------------

struct Options {
  const char* Only = nullptr;
  long Inputs = 10000;
  UINT64 Seed = 1;
  double Seconds = 600;
  std::wstring Corpus;
};

static double NowMs() {
  static LARGE_INTEGER f;
  if (!f.QuadPart) QueryPerformanceFrequency(&f);
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart * 1000.0 / f.QuadPart;
}

// Runs one input under the watch; false when it left too much memory behind.
static bool RunOne(const Reader& r, const Bytes& in, int* result) {
  g_Now.Input = &in;
  InterlockedIncrement(&g_Now.Serial);
  *result = r.Run(in);
  g_Now.Input = nullptr;
  if (Committed() > kMemoryCap) {
    g_Now.Input = &in;
    SaveInput("memory");
    return false;
  }
  return true;
}

static int Fuzz(const Reader& r, const Options& o) {
  g_Now.Reader = r.Name;
  std::vector<Bytes> seeds;
  std::vector<std::wstring> files;
  std::wstring folders = r.Folders;
  for (size_t start = 0; start <= folders.size();) {
    size_t end = folders.find(L';', start);
    if (end == std::wstring::npos) end = folders.size();
    if (end > start) Collect(g_ProgramFolder + L"\\" + folders.substr(start, end - start), r.Endings, &files);
    start = end + 1;
  }
  for (const std::wstring& f : files) {
    Bytes b;
    if (ReadFileBytes(f.c_str(), &b) && b.size() <= (4u << 20)) seeds.push_back(b);
  }
  if (r.Prepare) r.Prepare(&seeds);
  if (seeds.empty()) {
    printf("fuzz: %s has no seed files\n", r.Name);
    return 1;
  }

  // Inputs kept from earlier faults, as they are.
  std::vector<std::wstring> kept;
  if (!o.Corpus.empty()) Collect(o.Corpus + L"\\" + std::wstring(r.Name, r.Name + strlen(r.Name)), L".bin", &kept);
  int result;
  for (const std::wstring& f : kept) {
    Bytes b;
    if (!ReadFileBytes(f.c_str(), &b)) continue;
    if (!RunOne(r, b, &result)) return 1;
  }

  Rng rng = {o.Seed * 0x9E3779B97F4A7C15ull + 1};
  for (const char* p = r.Name; *p; p++) rng.State = (rng.State ^ (BYTE)*p) * 1099511628211ull;
  if (!rng.State) rng.State = 1;
  long counts[2] = {0, 0};
  double start = NowMs(), slowest = 0;
  long done = 0;
  for (; done < o.Inputs; done++) {
    if (NowMs() - start > o.Seconds * 1000) break;
    Bytes in = seeds[rng.Below(seeds.size())];
    Mutate(&in, seeds, rng);
    if (r.Repair && rng.Below(4)) r.Repair(&in);
    double t = NowMs();
    if (!RunOne(r, in, &result)) return 1;
    t = NowMs() - t;
    if (t > slowest) slowest = t;
    counts[result > 0 ? 1 : 0]++;
  }
  printf("fuzz: %-8s %6ld inputs from %3zu seeds (+%zu kept): %ld read, %ld refused; slowest %.1f ms, %.1f s%s\n",
         r.Name, done, seeds.size(), kept.size(), counts[1], counts[0], slowest, (NowMs() - start) / 1000,
         done < o.Inputs ? " (time bound reached)" : "");
  fflush(stdout);
  return 0;
}

int wmain(int argc, wchar_t** argv) {
  Options o;
  static char only[64];
  for (int i = 1; i < argc; i++) {
    const wchar_t* a = argv[i];
    if (!_wcsnicmp(a, L"/only:", 6)) {
      snprintf(only, sizeof only, "%ls", a + 6);
      o.Only = only;
    } else if (!_wcsnicmp(a, L"/inputs:", 8)) {
      o.Inputs = wcstol(a + 8, nullptr, 10);
    } else if (!_wcsnicmp(a, L"/seed:", 6)) {
      o.Seed = wcstoull(a + 6, nullptr, 10);
    } else if (!_wcsnicmp(a, L"/seconds:", 9)) {
      o.Seconds = wcstod(a + 9, nullptr);
    } else if (!_wcsnicmp(a, L"/limit:", 7)) {
      g_LimitMs = wcstoul(a + 7, nullptr, 10);
    } else if (!_wcsnicmp(a, L"/corpus:", 8)) {
      o.Corpus = a + 8;
    } else if (!_wcsnicmp(a, L"/out:", 5)) {
      lstrcpynW(g_Now.OutFolder, a + 5, MAX_PATH);
    } else {
      printf("usage: fuzz [/only:reader] [/inputs:N] [/seed:N] [/seconds:S] [/limit:ms] [/corpus:folder] [/out:folder]\n");
      return 1;
    }
  }
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  *wcsrchr(self, L'\\') = 0;
  g_ProgramFolder = self;
  if (!g_Now.OutFolder[0]) swprintf(g_Now.OutFolder, MAX_PATH, L"%ls\\fuzz-found", self);

  wchar_t temp[MAX_PATH], data[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  swprintf(data, MAX_PATH, L"%lsvnfuzz-%lu", temp, GetCurrentProcessId());
  CreateDirectoryW(data, nullptr);
  g_DataFolder = data;
  lstrcpynW(g_App.DataFolderPath, data, ARRAYSIZE(g_App.DataFolderPath));
  g_App.Instance = GetModuleHandleW(nullptr);
  g_DialogSeams.MessageBoxFn = SilentMessage;
  g_SkinXmlSeams.LoadSlotImage = FakeSlotImage;

  SetUnhandledExceptionFilter(OnCrash);
  signal(SIGABRT, OnAbort);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));

  int rc = 0, ran = 0;
  for (const Reader& r : kReaders) {
    if (o.Only && _stricmp(o.Only, r.Name)) continue;
    ran++;
    rc |= Fuzz(r, o);
  }
  ClearItemStore();
  EmptyFolder(g_DataFolder);
  RemoveDirectoryW(data);
  if (!ran) {
    printf("fuzz: no reader named %s\n", o.Only ? o.Only : "");
    return 1;
  }
  return rc;
}
