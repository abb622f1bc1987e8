#include "store/language.h"

#include <wchar.h>

#include "store/paths.h"
#include "state.h"
#include "resources/resource.h"
#include "store/ini.h"

static const wchar_t kLanguagesFolder[] = L"Languages\\";
static const wchar_t kLanguageIni[] = L"Languages\\Language.ini";
static const wchar_t kFallbackLibrary[] = L"English.dll";
static const int kLangNameChars = 260;  // g_App.LangFile
static const int kSectionNameMax = 255;

int IsLanguageFileName(const wchar_t* name) {
  if (!name) return 0;
  size_t n = wcslen(name);
  // "x.dll" at least; the value must fit [General] Language with its terminator.
  if (n < 5 || n >= (size_t)kLangNameChars) return 0;
  if (_wcsicmp(name + n - 4, L".dll")) return 0;
  if (name[0] == L'.' || name[0] == L' ') return 0;
  for (size_t i = 0; i < n; ++i) {
    wchar_t c = name[i];
    if (c < 32 || wcschr(L"\\/:*?\"<>|", c)) return 0;
  }
  return 1;
}

int IsLanguageVersionAccepted(const wchar_t* text) {
  if (!text || wcslen(text) != 4 || text[1] != L'.') return 0;
  static const int digits[] = {0, 2, 3};
  for (int i : digits)
    if (text[i] < L'0' || text[i] > L'9') return 0;
  int version = (text[0] - L'0') * 100 + (text[2] - L'0') * 10 + (text[3] - L'0');
  return version >= 421;
}

HMODULE LoadLanguageDll(const wchar_t* file) {
  if (!IsLanguageFileName(file)) return nullptr;
  wchar_t rel[kLangNameChars + 16];
  wsprintfW(rel, L"%s%s", kLanguagesFolder, file);
  wchar_t path[kProgramPathChars];
  if (!BuildProgramFilePath(rel, path, kProgramPathChars)) return nullptr;
  HMODULE module = LoadLibraryW(path);
  if (!module) return nullptr;
  wchar_t version[1024];
  if (LoadStringW(module, IDS_LANG_VERSION, version, 1024) <= 0) version[0] = 0;
  if (!IsLanguageVersionAccepted(version)) {
    FreeLibrary(module);
    return nullptr;
  }
  return module;
}

// Language.ini as UTF-16 text (heap; HeapFree), or NULL.
static wchar_t* ReadLanguageIni() {
  wchar_t path[kProgramPathChars];
  if (!BuildProgramFilePath(kLanguageIni, path, kProgramPathChars)) return nullptr;
  wchar_t* text = nullptr;
  if (!ReadSettingsFile(path, &text, 0)) return nullptr;
  return text;
}

// Section of Language.ini whose [name] is the library name less ".dll".
static const wchar_t* FindLanguageSection(wchar_t** text, const wchar_t* file) {
  wchar_t name[kLangNameChars];
  lstrcpynW(name, file, kLangNameChars);
  wchar_t* dot = wcsrchr(name, L'.');
  if (dot) *dot = 0;
  // FindIniSection formats the name as a pattern; a name with '%' is taken
  // as it is by matching the header text ourselves.
  wchar_t header[kLangNameChars + 4];
  wsprintfW(header, L"[%s]", name);
  const wchar_t* at = FindIniText(*text, header, 0);
  if (!at) {
    if (!ConvertAnsiSettings(text)) return nullptr;
    at = FindIniText(*text, header, 0);
  }
  return at ? at + wcslen(header) : nullptr;
}

LANGID SelectResourceLanguage() {
  if (!wcscmp(g_App.LangFile, kBuiltinLanguage)) {
    g_App.LangId = kBuiltinResourceLanguage;
    return g_App.LangId;
  }
  g_App.LangId = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
  wchar_t* text = ReadLanguageIni();
  if (!text) return g_App.LangId;
  const wchar_t* section = FindLanguageSection(&text, g_App.LangFile);
  UINT primary = 0, sub = 0;
  if (section && ReadIniInt(section, L"ResourceLangID", &primary, INI_HEX) &&
      ReadIniInt(section, L"ResourceSubLangID", &sub, INI_HEX))
    g_App.LangId = (LANGID)(((sub & 0x3F) << 10) | (primary & 0x3FF));
  HeapFree(GetProcessHeap(), 0, text);
  return g_App.LangId;
}

// Name of the next section header at or after p ("[" not followed by "\");
// 0 at the end or for a name too long to be a library's.
static const wchar_t* NextSectionName(const wchar_t* p, wchar_t* name) {
  for (; *p; ++p) {
    if (*p != L'[' || p[1] == L'\\') continue;
    const wchar_t* end = p + 1;
    while (*end && *end != L']' && *end != L'\r' && *end != L'\n') ++end;
    if (*end != L']') continue;
    if (end - (p + 1) > kSectionNameMax) return nullptr;
    size_t n = end - (p + 1);
    wmemcpy(name, p + 1, n);
    name[n] = 0;
    return end + 1;
  }
  return nullptr;
}

// Library named for the user's LANGID in Language.ini, loaded; NULL if none.
static HMODULE LoadLibraryForUserLanguage(LANGID user, wchar_t* file) {
  wchar_t* text = ReadLanguageIni();
  if (!text) return nullptr;
  wchar_t name[kSectionNameMax + 1];
  const wchar_t* p = text;
  int matched = 0;
  while (!matched && (p = NextSectionName(p, name))) {
    for (int i = 1; i < 100; ++i) {
      wchar_t key[8];
      wsprintfW(key, L"LID%02d", i);
      UINT lid;
      if (!ReadIniInt(p, key, &lid, INI_HEX)) break;
      if (lid == user) {
        matched = 1;
        break;
      }
    }
  }
  HeapFree(GetProcessHeap(), 0, text);
  if (!matched || wcslen(name) + 4 >= (size_t)kLangNameChars) return nullptr;
  wsprintfW(file, L"%s.dll", name);
  return LoadLanguageDll(file);
}

void ChooseDefaultLanguage() {
  LANGID user = GetUserDefaultLangID();
  if (user == MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN)) {
    lstrcpynW(g_App.LangFile, kBuiltinLanguage, kLangNameChars);
  } else {
    wchar_t file[kLangNameChars];
    HMODULE module = LoadLibraryForUserLanguage(user, file);
    if (!module) {
      lstrcpynW(file, kFallbackLibrary, kLangNameChars);
      module = LoadLanguageDll(file);
    }
    if (module) {
      g_App.LangModule = module;
      lstrcpynW(g_App.LangFile, file, kLangNameChars);
    } else {
      // Name what is in use, so that a name that failed is not kept.
      lstrcpynW(g_App.LangFile, kBuiltinLanguage, kLangNameChars);
    }
  }
  SelectResourceLanguage();
}

void FreeLanguageLibrary() {
  if (g_App.LangModule) FreeLibrary(g_App.LangModule);
  g_App.LangModule = nullptr;
}

void SetLanguage(const wchar_t* name) {
  if (name) {
    if (!wcscmp(name, g_App.LangFile)) return;
    lstrcpynW(g_App.LangFile, name, kLangNameChars);
  }
  FreeLanguageLibrary();
  if (!wcscmp(g_App.LangFile, kBuiltinLanguage)) {
    SelectResourceLanguage();
    return;
  }
  g_App.LangModule = LoadLanguageDll(g_App.LangFile);
  if (g_App.LangModule) {
    SelectResourceLanguage();
    return;
  }
  ChooseDefaultLanguage();
  // The replacement is written at the next save.
  InterlockedOr(&g_App.RunState, RS_TRACK_CHANGES);
  MarkSettingsChanged();
}
