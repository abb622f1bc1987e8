// A level's DPI and font, its grid, size and position on the anchor's
// monitor, adopting a finished build, re-showing, and the view of the open
// levels for tests.
#include <shellscalingapi.h>

#include "core/winhelpers.h"
#include "render/draw.h"
#include "render/layout.h"
#include "state.h"
#include "submenu/layout.h"
#include "submenu/submenu.h"
#include "submenu/tree.h"

static int SystemDpi() {
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

// DPI of the anchor's monitor and the font made for it (window thread).
void PrepareLevelFont(OpenMenu* m) {
  HMONITOR mon = MonitorFromPoint(POINT{m->Anchor.left, m->Anchor.top}, MONITOR_DEFAULTTONEAREST);
  int dpi = GetWindowDpi(nullptr, mon);
  if (dpi < 96) dpi = SystemDpi();
  m->Dpi = dpi;
  SubMenuTree& t = g_SmTree;
  for (int i = 0; i < t.FontCount; ++i)
    if (t.Fonts[i].Dpi == dpi) {
      if (!t.Fonts[i].Font.Font && i == 0) break;
      m->Font = &t.Fonts[i];
      return;
    }
  if (t.FontCount >= kSmFontSlots) {
    m->Font = &t.Fonts[0];
    return;
  }
  SubMenuFontEntry& e = t.Fonts[t.FontCount];
  e.Dpi = dpi;
  e.Font = t.Fonts[0].Font;
  e.Font.Font = CreateFontForDpi(&e.Font, dpi);
  e.Owned = 1;
  m->Font = &e;
  t.FontCount++;
}

void SubMenuMetrics(int dpi, SmMetrics* out) {
  const SkinSettings& k = g_App.Skin;
  auto width = [&](int slot, int edge) {
    const SkinSlot& s = k.Slots[slot];
    int v = s.Offset[edge] > 0 ? s.Offset[edge] : (edge == EDGE_RIGHT ? s.SourceWidth : s.SourceHeight);
    return ScaleForDpi(v, dpi);
  };
  out->Frame = RECT{width(SLOT_SUBMENUFRAME + 0, EDGE_RIGHT), width(SLOT_SUBMENUFRAME + 1, EDGE_BOTTOM),
                    width(SLOT_SUBMENUFRAME + 2, EDGE_RIGHT), width(SLOT_SUBMENUFRAME + 3, EDGE_BOTTOM)};
  out->Shadow = RECT{ScaleForDpi(k.SubMenuShadow.left, dpi), ScaleForDpi(k.SubMenuShadow.top, dpi),
                     ScaleForDpi(k.SubMenuShadow.right, dpi), ScaleForDpi(k.SubMenuShadow.bottom, dpi)};
  out->ScrollGap = ScaleForDpi(k.ScrollButtonInterval, dpi);
  out->ScrollWidth = ScaleForDpi(k.ScrollButtonWidth, dpi);
  out->ScrollHeight = ScaleForDpi(k.ScrollButtonHeight, dpi);
}

static RECT WorkAreaOf(POINT p) {
  MONITORINFO mi = {sizeof mi};
  RECT w = {0, 0, 1023, 767};
  if (GetMonitorInfoW(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &mi))
    w = RECT{mi.rcWork.left, mi.rcWork.top, mi.rcWork.right - 1, mi.rcWork.bottom - 1};
  return w;
}

static SmGrid GridOf(const OpenMenu* m, const SmMetrics& mt, const RECT& work) {
  SmGridInput in = {};
  in.Work = work;
  in.M = mt;
  in.ItemWidth = m->ItemWidth;
  in.ItemHeight = m->ItemHeight;
  in.Count = m->ItemCount;
  if (m->Bits & SMO_FULL) {
    in.OptRows = g_SmTree.Options.Rows;
    in.OptColumns = g_SmTree.Options.Columns;
    in.OptItemWidth = ScaleForDpi(g_SmTree.Options.ItemWidth, m->Dpi);
  } else {
    in.OptColumns = g_SmTree.Options.Columns;
  }
  return ComputeSubMenuGrid(in);
}

void LayoutSubMenuItems(OpenMenu* m) {
  SmMetrics mt;
  SubMenuMetrics(m->Dpi, &mt);
  SmGrid g = {};
  g.Rows = m->Rows;
  g.Columns = m->Columns;
  g.ItemWidth = m->ItemWidth;
  g.ItemHeight = m->ItemHeight;
  g.ScrollBits = m->State & (SMS_VSCROLL | SMS_HSCROLL);
  for (int i = 0; i < m->ItemCount; ++i) m->Items[i]->Rect = RECT{0, 0, -1, -1};
  int x0 = mt.Frame.left + (g.ScrollBits == SMS_HSCROLL ? mt.ScrollGap + mt.ScrollWidth : 0);
  int y0 = mt.Frame.top + (g.ScrollBits == SMS_VSCROLL ? mt.ScrollGap + mt.ScrollHeight : 0);
  for (int c = 0, i = m->FirstVisible; c < g.Columns; ++c)
    for (int r = 0; r < g.Rows && i < m->ItemCount; ++r, ++i) {
      int x = x0 + c * g.ItemWidth, y = y0 + r * g.ItemHeight;
      m->Items[i]->Rect = RECT{x, y, x + g.ItemWidth - 1, y + g.ItemHeight - 1};
    }
}

static void RestoreSelection(OpenMenu* m) {
  if (m->State & SMS_CURSOR_FIRST) {
    m->Hover = 0;
    InterlockedAnd(&m->State, ~SMS_CURSOR_FIRST);
  } else if (m->CursorName) {
    for (int i = 0; i < m->ItemCount; ++i)
      if (m->Items[i]->Name && CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, m->Items[i]->Name, -1,
                                              m->CursorName, -1) == CSTR_EQUAL) {
        m->Hover = i;
        break;
      }
    SmFree(g_SmTree.Heap, m->CursorName);
    m->CursorName = nullptr;
  }
  m->FirstVisible = ClampFirstVisible(m->FirstVisible, m->ItemCount, m->Rows, m->Columns);
  if (m->Hover >= 0 && (m->Hover < m->FirstVisible || m->Hover >= m->FirstVisible + m->Rows * m->Columns))
    m->Hover = m->FirstVisible;
}

void SizeAndPlaceSubMenu(OpenMenu* m) {
  SmMetrics mt;
  SubMenuMetrics(m->Dpi, &mt);
  RECT work = WorkAreaOf(POINT{m->Anchor.left, m->Anchor.top});
  SmGrid g = GridOf(m, mt, work);
  m->Rows = g.Rows;
  m->Columns = g.Columns;
  m->ItemWidth = g.ItemWidth;
  m->ItemHeight = g.ItemHeight;
  InterlockedAnd(&m->State, ~(SMS_VSCROLL | SMS_HSCROLL));
  InterlockedOr(&m->State, g.ScrollBits);
  m->Scroll[0] = g.Scroll[0];
  m->Scroll[1] = g.Scroll[1];
  m->ScrollState[0] = m->ScrollState[1] = g.ScrollBits ? 0 : 3;
  if (m->Level > 0 && m->Level - 1 < g_SmTree.Count) {
    LONG left = g_SmTree.Stack[m->Level - 1]->State & SMS_LEFTWARDS;
    InterlockedAnd(&m->State, ~SMS_LEFTWARDS);
    InterlockedOr(&m->State, left);
  }
  RestoreSelection(m);
  if (g.ScrollBits && m->FirstVisible == 0) m->ScrollState[0] = -1;  // nothing above the first item
  LayoutSubMenuItems(m);
  SmPlaceInput in = {m->Level, (m->State & SMS_LEFTWARDS) != 0, m->Anchor, SIZE{g.Width, g.Height}, work, mt};
  int left = 0;
  POINT p = ComputeSubMenuPosition(in, &left);
  InterlockedAnd(&m->State, ~SMS_LEFTWARDS);
  if (left) InterlockedOr(&m->State, SMS_LEFTWARDS);
  SetWindowPos(m->Window, HWND_TOPMOST, p.x, p.y, g.Width, g.Height, SWP_NOACTIVATE);
}

void AdoptBuiltItems(OpenMenu* m) {
  SmHeap* heap = OwnersOf(m)->Heap;
  FreeSmItemArray(heap, m->Items, m->ItemCount);
  m->Items = m->Built;
  m->ItemCount = m->BuiltCount;
  m->EntryCount = m->BuiltEntries;
  m->ItemWidth = m->BuiltWidth;
  m->ItemHeight = m->BuiltHeight;
  m->Built = nullptr;
  m->BuiltCount = 0;
  if (!m->Items) return;
  SizeAndPlaceSubMenu(m);
  InvalidateRect(m->Window, nullptr, FALSE);
  ShowWindow(m->Window, SW_SHOWNOACTIVATE);
  InterlockedOr(&m->State, SMS_SHOWN);
  if (m->Level == 0) BringToForeground(m->Window, 0);
  UpdateWindow(m->Window);
}

int ShowSubMenuWindow(int level, int keep) {
  if (level < 0 || level >= g_SmTree.Count) return 0;
  OpenMenu* m = g_SmTree.Stack[level];
  if (!m->Window || SubMenuBuilderRunning(m) || (g_SmTree.State & SMTS_CLOSING)) return 0;
  // The items changed under an open child menu: build it again with the
  // same window.
  if (!keep && m->Kind >= 1 && m->Kind <= 10000) {
    if (level + 1 < g_SmTree.Count) CloseSubMenus(level + 1, 0);
    m->FirstVisible = 0;
    m->Hover = m->Pressed = m->OpenChild = -1;
    return StartSubMenuBuilder(m);
  }
  SizeAndPlaceSubMenu(m);
  InvalidateRect(m->Window, nullptr, FALSE);
  return 0;
}

std::vector<SmLevelView> SnapshotSubMenus() {
  std::vector<SmLevelView> out;
  for (int i = 0; i < g_SmTree.Count; ++i) {
    const OpenMenu* m = g_SmTree.Stack[i];
    SmLevelView v;
    v.Kind = m->Kind;
    v.Window = m->Window;
    v.Rows = m->Rows;
    v.Columns = m->Columns;
    v.FirstVisible = m->FirstVisible;
    v.Hover = m->Hover;
    v.Building = m->Built != nullptr || (m->Builder && WaitForSingleObject(m->Builder, 0) != WAIT_OBJECT_0);
    v.State = m->State;
    GetWindowRect(m->Window, &v.Rect);
    for (int k = 0; k < m->ItemCount; ++k) {
      v.Names.push_back(m->Items[k]->Name ? m->Items[k]->Name : L"");
      v.ItemRects.push_back(m->Items[k]->Rect);
    }
    out.push_back(v);
  }
  return out;
}

int SubMenuBuilderRunning(OpenMenu* m) {
  if (!m->Builder) return 0;
  if (WaitForSingleObject(m->Builder, 0) != WAIT_OBJECT_0) return 1;
  CloseHandle(m->Builder);
  m->Builder = nullptr;
  return 0;
}

int RunningSubMenuBuilders() { return (int)g_SmBuilders; }
