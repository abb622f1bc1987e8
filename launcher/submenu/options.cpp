#include "submenu/options.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <stdlib.h>

#include "state.h"

static int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// The number right after a switch, or fallback when the switch is absent.
static int SwitchNumber(const wchar_t* text, const wchar_t* name, int fallback, const wchar_t** at) {
  const wchar_t* p = text ? StrStrIW(text, name) : nullptr;
  if (at) *at = p;
  if (!p) return fallback;
  return (int)wcstol(p + lstrlenW(name), nullptr, 10);
}

static int HasSwitch(const wchar_t* text, const wchar_t* name) { return text && StrStrIW(text, name) != nullptr; }

// The letters after a switch, up to a blank, a '/' or the end.
static const wchar_t* SwitchLetters(const wchar_t* text, const wchar_t* name) {
  const wchar_t* p = text ? StrStrIW(text, name) : nullptr;
  return p ? p + lstrlenW(name) : nullptr;
}

static int EndsLetters(wchar_t c) { return c == 0 || c == L' ' || c == L'/'; }

void ParseSubMenuOptions(const wchar_t* text, const SubMenuDefaults& d, UINT bits, SubMenuOptions* o,
                         POINT* position) {
  *o = SubMenuOptions{};
  o->Text = text && *text ? text : nullptr;
  text = o->Text;
  o->CountLimit = Clamp(SwitchNumber(text, L"/max", d.CountLimit, nullptr), 0, 10000);
  o->ItemWidth = Clamp(SwitchNumber(text, L"/w", d.ItemWidth, nullptr), 0, 1000);
  o->Rows = Clamp(SwitchNumber(text, L"/r", d.Rows, nullptr), 0, 100);
  int c = SwitchNumber(text, L"/c", d.Columns, nullptr);
  o->Columns = Clamp(c ? c : d.Columns, 1, 100);
  o->IconSize = Clamp(SwitchNumber(text, L"/is", d.IconSize, nullptr), 16, 256);
  if (HasSwitch(text, L"/il") || (d.DispOption & DISP_LARGE_MENU_ICONS)) bits |= SMO_LARGE_ICONS;
  if (HasSwitch(text, L"/in")) bits |= SMO_NO_ICONS;
  o->Tooltips = HasSwitch(text, L"/t") || (d.DispOption & DISP_MENU_TIPS);
  o->ScrollLines = Clamp(d.ScrollLines, 1, 100);
  if (position && text) {
    const wchar_t* at = nullptr;
    int x = SwitchNumber(text, L"/p", 0, &at);
    const wchar_t* colon = at ? wcschr(at, L':') : nullptr;
    if (colon) *position = POINT{x, (int)wcstol(colon + 1, nullptr, 10)};
  }
  if (HasSwitch(text, L"/h")) bits |= SMO_HIDDEN;
  // A substring search: "/is", "/il" and "/in" also count as "/i".
  if (HasSwitch(text, L"/i")) bits |= SMO_IN_CHILDREN;
  if (const wchar_t* p = SwitchLetters(text, L"/f"))
    for (; !EndsLetters(*p); ++p) {
      if (*p == L'd') bits |= SMO_FOLDERS_TOO;
      else if (*p == L'i') bits |= SMO_EXCLUDE;
    }
  bits |= SMO_BY_NAME;
  if (const wchar_t* p = SwitchLetters(text, L"/s"))
    for (; !EndsLetters(*p); ++p) {
      if (*p == L'n') {  // sorting off, and the list ends here
        bits &= ~SMO_SORT_MASK;
        break;
      }
      switch (*p) {
        case L'a': bits |= SMO_BY_ACCESS; break;
        case L'c': bits |= SMO_BY_CREATION; break;
        case L'd': bits |= SMO_MIXED; break;
        case L'e': bits |= SMO_BY_EXT; break;
        case L'r': bits |= SMO_REVERSE; break;
        case L's': bits |= SMO_BY_SIZE; break;
        case L'u': bits |= SMO_BY_WRITE; break;
        default: break;
      }
    }
  if (bits & SMO_KEY_MASK) bits &= ~SMO_BY_NAME;
  o->Bits = bits;
}

SubMenuDefaults CurrentSubMenuDefaults() {
  const SettingsState& s = g_App.Settings;
  return SubMenuDefaults{s.SubMenu.CountLimit, s.SubMenu.ItemWidth, s.SubMenu.Rows,        s.SubMenu.Columns,
                         s.SubMenu.IconSize,   s.SubMenu.ScrollLines, s.DispOption};
}

static int SameChar(wchar_t a, wchar_t b) {
  return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, &a, 1, &b, 1) == CSTR_EQUAL;
}

int MatchNamePattern(const wchar_t* pattern, const wchar_t* name) {
  const wchar_t* star = nullptr;  // pattern position after the last '*'
  const wchar_t* resume = nullptr;
  const wchar_t* p = pattern;
  const wchar_t* n = name;
  for (;;) {
    if (EndsLetters(*p) && !*n) return 1;
    if (*p == L'*') {
      while (*p == L'*') ++p;
      star = p;
      resume = n;
      continue;
    }
    if (*n && !EndsLetters(*p) && (*p == L'?' || SameChar(*p, *n))) {
      ++p;
      ++n;
      continue;
    }
    if (!star || !*resume) return 0;
    p = star;
    n = ++resume;
  }
}

int OptionTextHasPatterns(const wchar_t* text) {
  for (const wchar_t* p = text; p && *p;) {
    if (*p == L' ') {
      ++p;
    } else if (*p == L'/') {
      while (*p && *p != L' ') ++p;
    } else {
      return 1;
    }
  }
  return 0;
}

int MatchOptionText(const wchar_t* text, const wchar_t* name, UINT bits, int isFolder) {
  if (!name || !*name || !text || !(bits & SMO_FULL) || (isFolder && !(bits & SMO_FOLDERS_TOO))) return 1;
  int show = 1;
  for (const wchar_t* p = text; *p;) {
    if (*p == L' ') {
      ++p;
      continue;
    }
    if (*p == L'/') {
      while (*p && *p != L' ') ++p;
      continue;
    }
    if (MatchNamePattern(p, name)) {
      show = 1;
      break;
    }
    show = 0;
    while (!EndsLetters(*p)) ++p;
  }
  return (bits & SMO_EXCLUDE) ? !show : show;
}

int MatchOptionPatterns(LPCITEMIDLIST pidl, const wchar_t* name, const wchar_t* text, UINT bits, int isFolder) {
  if (!name || !*name || !text || !(bits & SMO_FULL) || (isFolder && !(bits & SMO_FOLDERS_TOO))) return 1;
  wchar_t path[MAX_PATH];
  if (pidl && SHGetPathFromIDListW(pidl, path) && path[0]) return MatchOptionText(text, PathFindFileNameW(path), bits, isFolder);
  return MatchOptionText(text, name, bits, isFolder);
}
