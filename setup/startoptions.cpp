#include "setup/startoptions.h"

#include <stdio.h>
#include <wchar.h>

static const wchar_t* FindSwitch(const wchar_t* text, wchar_t letter) {
  for (const wchar_t* p = text; *p; ++p)
    if (p[0] == L'/' && (p[1] | 0x20) == letter) return p + 2;
  return nullptr;
}

// Decimal digits at p (an optional sign when signedOk); 0 when there are none.
static int ReadNumber(const wchar_t* p, int signedOk, int* out) {
  int sign = 1;
  if (signedOk && (*p == L'-' || *p == L'+')) sign = *p++ == L'-' ? -1 : 1;
  if (*p < L'0' || *p > L'9') return 0;
  long long v = 0;
  while (*p >= L'0' && *p <= L'9') {
    v = v * 10 + (*p++ - L'0');
    if (v > 1000000000) return 0;
  }
  *out = (int)(v * sign);
  return 1;
}

static int InRange(const wchar_t* p, int low, int high, int fallback) {
  int v;
  return p && ReadNumber(p, 0, &v) && v >= low && v <= high ? v : fallback;
}

void ParseStartOptions(const wchar_t* text, StartOptions* out) {
  StartOptions o = {};
  const wchar_t* p = FindSwitch(text, L'p');
  o.PageOn = p != nullptr;
  o.Page = InRange(p, 1, 100, 1);
  p = FindSwitch(text, L'b');
  o.ButtonsOn = p != nullptr;
  o.Columns = InRange(p, 1, 100, 7);
  const wchar_t* colon = p ? wcschr(p, L':') : nullptr;
  o.Rows = InRange(colon ? colon + 1 : nullptr, 1, 100, 3);
  o.Pinned = FindSwitch(text, L'l') != nullptr;
  p = FindSwitch(text, L's');
  if (p) {
    o.Show = SHOW_AT_POSITION;
    if (!ReadNumber(p, 1, &o.X)) o.X = 0;
    colon = wcschr(p, L':');
    if (!colon || !ReadNumber(colon + 1, 1, &o.Y)) o.Y = 0;
  } else {
    o.Show = FindSwitch(text, L'm') ? SHOW_AROUND_CURSOR : SHOW_DEFAULT;
  }
  o.NonResident = FindSwitch(text, L'n') != nullptr;
  p = FindSwitch(text, L'd');
  o.DelayOn = p != nullptr;
  o.Delay = InRange(p, 1, 30000, 1000);
  *out = o;
}

void BuildStartOptions(const StartOptions& o, wchar_t* out) {
  wchar_t text[kStartOptionChars] = L"";
  size_t n = 0;
  auto add = [&](const wchar_t* format, int a, int b) {
    if (n < kStartOptionChars) n += swprintf(text + n, kStartOptionChars - n, format, a, b);
  };
  if (o.PageOn && o.Page >= 1 && o.Page <= 100) add(L" /p%d", o.Page, 0);
  if (o.ButtonsOn && o.Columns >= 1 && o.Columns <= 100 && o.Rows >= 1 && o.Rows <= 100)
    add(L" /b%d:%d", o.Columns, o.Rows);
  if (o.Pinned) add(L" /l", 0, 0);
  if (o.Show == SHOW_AT_POSITION) add(L" /s%d:%d", o.X, o.Y);
  else if (o.Show == SHOW_AROUND_CURSOR) add(L" /m", 0, 0);
  if (o.NonResident) add(L" /n", 0, 0);
  if (o.DelayOn && o.Delay >= 1 && o.Delay <= 30000) add(L" /d%d", o.Delay, 0);
  wcscpy(out, text);
}
