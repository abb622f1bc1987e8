// Drawing of a level: background and frame pieces (skin images or the
// classic look), item faces, icons, texts and cascade arrows, and the
// scroll buttons.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "render/draw.h"
#include "render/image.h"
#include "render/skin.h"
#include "state.h"
#include "submenu/layout.h"
#include "submenu/tree.h"

void LoadSubMenuString(int id, wchar_t* buf, int count) {
  if (g_App.LangModule && LoadStringW(g_App.LangModule, id, buf, count) > 0) return;
  if (LoadStringW(g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr), id, buf, count) <= 0) buf[0] = 0;
}

static void Fill(HDC dc, RECT r, COLORREF c) {
  // Inclusive rectangles: filling adds one.
  r.right += 1;
  r.bottom += 1;
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

static COLORREF BackColor() { return HasSkin() ? g_App.Skin.BackColor : GetSysColor(COLOR_MENU); }

static void DrawClassicSubMenuPiece(HDC dc, int slot, RECT r) {
  if (slot == SLOT_SUBMENU) {
    Fill(dc, r, BackColor());
    return;
  }
  Fill(dc, r, GetSysColor(COLOR_BTNSHADOW));
  switch (slot - SLOT_SUBMENUFRAME) {
    case 0: r.left += 1; break;
    case 1: r.left += 1; r.top += 1; r.right -= 1; break;
    case 2: r.right -= 1; break;
    case 3: r.left += 1; r.right -= 1; r.bottom -= 1; break;
  }
  if (r.right >= r.left && r.bottom >= r.top) Fill(dc, r, BackColor());
}

static void DrawPiece(HDC dc, int slot, RECT r, int dpi) {
  SkinSlot& s = g_App.Skin.Slots[slot];
  s.Target = r;
  if (r.right < r.left || r.bottom < r.top) return;
  if (HasSkin() && s.Dc) DrawSkinSlot(dc, &s, CurrentSkinMode() == SKINMODE_ALPHA, dpi);
  else DrawClassicSubMenuPiece(dc, slot, r);
}

static void DrawSubMenuBackground(HDC dc, RECT r, int dpi) {
  if (CurrentSkinMode() == SKINMODE_CLIPPING) Fill(dc, r, g_App.Skin.ClipColor);
  SmMetrics m;
  SubMenuMetrics(dpi, &m);
  RECT back = {r.left + m.Frame.left, r.top + m.Frame.top, r.right - m.Frame.right, r.bottom - m.Frame.bottom};
  DrawPiece(dc, SLOT_SUBMENU, back, dpi);
  DrawPiece(dc, SLOT_SUBMENUFRAME + 0,
            RECT{r.left, r.top + m.Frame.top, r.left + m.Frame.left - 1, r.bottom - m.Frame.bottom}, dpi);
  DrawPiece(dc, SLOT_SUBMENUFRAME + 2,
            RECT{r.right - m.Frame.right + 1, r.top + m.Frame.top, r.right, r.bottom - m.Frame.bottom}, dpi);
  DrawPiece(dc, SLOT_SUBMENUFRAME + 1, RECT{r.left, r.top, r.right, r.top + m.Frame.top - 1}, dpi);
  DrawPiece(dc, SLOT_SUBMENUFRAME + 3, RECT{r.left, r.bottom - m.Frame.bottom + 1, r.right, r.bottom}, dpi);
}

// The system image list is one per process and size: asked once.
static HIMAGELIST SystemImageList(int large) {
  static HIMAGELIST lists[2];
  if (!lists[large]) {
    SHFILEINFOW info = {};
    lists[large] = (HIMAGELIST)SHGetFileInfoW(L"C:\\", 0, &info, sizeof info,
                                              SHGFI_SYSICONINDEX | (large ? 0 : SHGFI_SMALLICON));
  }
  return lists[large];
}

static int IsPlaceholder(const SmItem* it) { return (it->Attributes & SMA_PLACEHOLDER) != 0; }

static void DrawSmItem(HDC dc, const OpenMenu* m, const SmItem* it, int current) {
  const SkinSettings& k = g_App.Skin;
  int dpi = m->Dpi;
  RECT r = it->Rect;
  Fill(dc, r, current ? GetSysColor(COLOR_HIGHLIGHT) : BackColor());
  const DesignColors* t = g_App.SkinText.TextColors;
  const DesignColors& design = IsPlaceholder(it) ? t[SKT_ITEM_DISABLED] : current ? t[SKT_ITEM_SELECTED] : t[SKT_ITEM_NORMAL];
  int icon = ScaleForDpi(m->IconSize ? m->IconSize : 16, dpi);
  int ml = ScaleForDpi(k.ItemMargin.left, dpi), mt = ScaleForDpi(k.ItemMargin.top, dpi);
  int mr = ScaleForDpi(k.ItemMargin.right, dpi), mb = ScaleForDpi(k.ItemMargin.bottom, dpi);
  RECT text = {r.left + ScaleForDpi(k.ItemInterval, dpi) + ml + icon, r.top + mt, r.right - mr + 1, r.bottom - mb + 1};
  int arrow = ScaleForDpi(15, dpi);
  if (it->Cascades) text.right -= arrow;
  if (it->Name) {
    HGDIOBJ old = m->Font && m->Font->Font.Font ? SelectObject(dc, m->Font->Font.Font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, design.TextClr1);
    DrawTextW(dc, it->Name, -1, &text, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    if (old) SelectObject(dc, old);
  }
  if (it->Cascades) DrawArrow(dc, RECT{r.right - arrow + 1, r.top, r.right, r.bottom}, ARROW_RIGHT, 7, 4,
                              design.TextClr1, dpi, 0);
  int x = r.left + ml;
  int y = r.top + mt + (r.bottom - r.top + 1 - mt - mb - icon + 1) / 2;
  if (it->Icon) {
    DrawIconImage(dc, it->Icon, x, y, icon, nullptr, dpi, 0);
  } else if (it->ImageIndex >= 0) {
    HIMAGELIST list = SystemImageList((m->Bits & SMO_LARGE_ICONS) != 0);
    HICON h = list ? ImageList_GetIcon(list, it->ImageIndex, ILD_NORMAL) : nullptr;
    if (h) {
      DrawIconImage(dc, h, x, y, icon, nullptr, dpi, 0);
      DestroyIcon(h);
    }
  }
}

static void DrawScrollButton(HDC dc, const OpenMenu* m, int which) {
  RECT r = m->Scroll[which];
  int state = m->ScrollState[which] < 0 ? 3 : m->ScrollState[which];
  int vertical = (m->State & SMS_VSCROLL) != 0;
  const DesignColors* t = g_App.SkinText.TextColors;
  Fill(dc, r, BackColor());
  if (state == 1 || state == 2) {
    HBRUSH frame = CreateSolidBrush(GetSysColor(state == 1 ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW));
    RECT fr = {r.left, r.top, r.right + 1, r.bottom + 1};
    FrameRect(dc, &fr, frame);
    DeleteObject(frame);
  }
  if (state == 2) OffsetRect(&r, 1, 1);
  int dir = vertical ? (which ? ARROW_DOWN : ARROW_UP) : (which ? ARROW_RIGHT : ARROW_LEFT);
  DrawArrow(dc, r, dir, 7, 4, state == 3 ? t[SKT_ITEM_DISABLED].TextClr1 : t[SKT_ITEM_NORMAL].TextClr1, m->Dpi, 0);
}

void RedrawSubMenu(HDC dc, OpenMenu* m) {
  RECT c;
  GetClientRect(m->Window, &c);
  c.right -= 1;
  c.bottom -= 1;
  DrawSubMenuBackground(dc, c, m->Dpi);
  int last = m->FirstVisible + m->Rows * m->Columns;
  for (int i = m->FirstVisible; i < m->ItemCount && i < last; ++i) DrawSmItem(dc, m, m->Items[i], i == m->Hover);
  if (m->State & (SMS_VSCROLL | SMS_HSCROLL)) {
    DrawScrollButton(dc, m, 0);
    DrawScrollButton(dc, m, 1);
  }
}
