#include "core/switches.h"

#include <wchar.h>
#include <stdlib.h>

static int IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

static wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? (wchar_t)(c + 32) : c; }

const wchar_t* FindSwitch(const wchar_t* cmdline, const wchar_t* sw) {
  if (!cmdline || !sw || !*sw) return nullptr;
  size_t n = wcslen(sw);
  for (const wchar_t* p = cmdline; *p; ++p) {
    size_t i = 0;
    while (i < n && p[i] && FoldAscii(p[i]) == FoldAscii(sw[i])) ++i;
    if (i == n && !IsAsciiLetter(p[n])) return p + n;
  }
  return nullptr;
}

// Decimal number as wcstol reads it (blanks and sign accepted, 0 without
// digits), saturated to int.
static int ReadNumber(const wchar_t* p, const wchar_t** end) {
  wchar_t* stop;
  long v = wcstol(p, &stop, 10);
  if (end) *end = stop;
  if (v > 0x7FFFFFFFL) v = 0x7FFFFFFFL;
  if (v < -0x7FFFFFFFL - 1) v = -0x7FFFFFFFL - 1;
  return (int)v;
}

// "a:b" right after a switch; 1 when the colon is there.
static int ReadPair(const wchar_t* p, int* a, int* b) {
  const wchar_t* end;
  *a = ReadNumber(p, &end);
  if (*end != L':') return 0;
  *b = ReadNumber(end + 1, nullptr);
  return 1;
}

void ParseStartOptions(const wchar_t* cmdline, StartOptions* out) {
  StartOptions o = {};
  const wchar_t* p;
  if ((p = FindSwitch(cmdline, L"/d"))) o.Delay = ReadNumber(p, nullptr);
  o.RebuildIcons = FindSwitch(cmdline, L"/r") != nullptr;
  o.AtMouse = FindSwitch(cmdline, L"/m") != nullptr;
  if ((p = FindSwitch(cmdline, L"/s"))) {
    o.HasX = 1;
    o.HasPoint = ReadPair(p, &o.X, &o.Y);
  }
  if ((p = FindSwitch(cmdline, L"/p"))) {
    o.HasPage = 1;
    o.Page = ReadNumber(p, nullptr);
  }
  o.Pin = FindSwitch(cmdline, L"/l") != nullptr;
  o.AutoHide = FindSwitch(cmdline, L"/a") != nullptr;
  o.VnAdmin = FindSwitch(cmdline, L"/vnadmin") != nullptr;
  // The administrator helper decides about hooks; /n is then not looked at.
  if (!o.VnAdmin) o.NoHooks = FindSwitch(cmdline, L"/n") != nullptr;
  o.HooksOff = FindSwitch(cmdline, L"/nh") != nullptr;
  if ((p = FindSwitch(cmdline, L"/b"))) {
    int c, r;
    if (ReadPair(p, &c, &r) && c >= 1 && c <= 100 && r >= 1 && r <= 100) {
      o.HasButtons = 1;
      o.Columns = c;
      o.Rows = r;
    }
  }
  *out = o;
}

void BuildForwardRequest(const StartOptions* o, ForwardRequest* out) {
  int mode = SHOW_LAST_POSITION;
  int page = kKeepCurrentPage;
  int x = 0, y = 0;
  if (o->AtMouse) mode = SHOW_AT_CURSOR;
  if (o->HasX) x = o->X;
  if (o->HasPoint) {
    y = o->Y;
    mode = SHOW_AT_POINT;
  }
  if (o->HasPage && o->Page > 0) page = o->Page - 1;
  if (o->AutoHide) mode |= SHOW_AUTOHIDE;
  mode |= SHOW_FROM_OUTSIDE;
  out->PinFirst = o->Pin;
  out->ShowWParam = (WPARAM)(((DWORD)(page & 0xFFFF) << 16) | (DWORD)(mode & 0xFFFF));
  out->ShowLParam = (LPARAM)(DWORD)(((DWORD)(y & 0xFFFF) << 16) | (DWORD)(x & 0xFFFF));
}

void BuildStartShow(const StartOptions* o, DWORD dispPosition, StartShow* out) {
  StartShow s = {};
  s.Mode = SHOW_LAST_POSITION;
  s.Page = -1;
  if (o->AtMouse) {
    s.Mode = (dispPosition & 1) ? SHOW_CORNER_AT_CURSOR : SHOW_AT_CURSOR;
    s.Show = 1;
  }
  if (o->HasX) s.X = o->X;
  if (o->HasPoint) {
    s.Y = o->Y;
    s.Mode = SHOW_AT_POINT;
    s.Show = 1;
  }
  if (o->HasPage && o->Page > 0) s.Page = o->Page - 1;
  if (o->Pin) s.Show = 1;
  if (o->AutoHide) {
    s.Mode |= SHOW_AUTOHIDE;
    s.Show = 1;
  }
  if (o->NoHooks) s.Show = 1;
  *out = s;
}
