// Drawing of a level: background and frame pieces, item faces and the
// scroll buttons (skin images or the classic look), icons, texts and
// cascade arrows.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "render/draw.h"
#include "render/image.h"
#include "render/skin.h"
#include "state.h"
#include "submenu/layout.h"
#include "submenu/tree.h"

// Item drawing flags.
enum : UINT {
  SMD_CURRENT = 0x1,
  SMD_SELECTED = 0x2,
  SMD_ICON_ONLY = 0x4,
  SMD_FULL = 0x8,  // the background is already drawn
  SMD_NO_ARROW = 0x10,
  SMD_FACE_ONLY = 0x20,
};

// Skin slots of the items (normal, selected, multi-selected), the scroll
// buttons by state and their arrows.
const int kSmFaceSlot = 33, kSmScrollSlot = 36, kSmArrowSlot = 40;

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

static int SlotHasImage(int slot) { return HasSkin() && g_App.Skin.Slots[slot].Dc != nullptr; }

// Draws the level's background piece where rect lies, so that a face or
// button drawn alone sits on what the full paint would have shown.
static void DrawBackgroundUnder(HDC dc, RECT rect, RECT client, int dpi) {
  int saved = SaveDC(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
  SmMetrics m;
  SubMenuMetrics(dpi, &m);
  RECT back = {client.left + m.Frame.left, client.top + m.Frame.top, client.right - m.Frame.right,
               client.bottom - m.Frame.bottom};
  DrawPiece(dc, SLOT_SUBMENU, back, dpi);
  RestoreDC(dc, saved);
}

static void DrawSkinPieceAt(HDC dc, int slot, RECT r, int dpi) {
  SkinSlot& s = g_App.Skin.Slots[slot];
  s.Target = r;
  DrawSkinSlot(dc, &s, 1, dpi);
}

// Skinned face: normal or selected image, the multi-selection image over it.
static void DrawSubMenuItemFace(HDC dc, RECT r, RECT clip, UINT flags, int dpi) {
  if (!(flags & SMD_FULL)) DrawBackgroundUnder(dc, r, clip, dpi);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, clip.left, clip.top, clip.right + 1, clip.bottom + 1);
  DrawSkinPieceAt(dc, (flags & SMD_CURRENT) ? kSmFaceSlot + 1 : kSmFaceSlot, r, dpi);
  if ((flags & SMD_SELECTED) && SlotHasImage(kSmFaceSlot + 2)) DrawSkinPieceAt(dc, kSmFaceSlot + 2, r, dpi);
  RestoreDC(dc, saved);
}

static void DrawClassicItemFace(HDC dc, RECT r, UINT flags, int dpi) {
  Fill(dc, r, (flags & SMD_CURRENT) ? GetSysColor(COLOR_HIGHLIGHT) : BackColor());
  if (!(flags & SMD_SELECTED)) return;
  int width = dpi / 96 < 1 ? 1 : dpi / 96;
  HPEN pen = CreatePen(PS_INSIDEFRAME, width, GetSysColor(COLOR_3DDKSHADOW));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, r.left, r.top + 1, r.right + 1, r.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

static int IsSelectedItem(const OpenMenu* m, int index) {
  for (int i = 0; m->Selection && i < m->SelectionCount; ++i)
    if (m->Selection[i] == index) return 1;
  return 0;
}

static void DrawSmItem(HDC dc, const OpenMenu* m, const SmItem* it, UINT flags, RECT clip) {
  const SkinSettings& k = g_App.Skin;
  int dpi = m->Dpi;
  RECT r = it->Rect;
  if (!(flags & SMD_ICON_ONLY)) {
    if (SlotHasImage(kSmFaceSlot)) DrawSubMenuItemFace(dc, r, clip, flags, dpi);
    else DrawClassicItemFace(dc, r, flags, dpi);
  }
  if (flags & SMD_FACE_ONLY) return;
  int current = (flags & SMD_CURRENT) != 0;
  const DesignColors* t = g_App.SkinText.TextColors;
  const DesignColors& design = IsPlaceholder(it) ? t[SKT_ITEM_DISABLED] : current ? t[SKT_ITEM_SELECTED] : t[SKT_ITEM_NORMAL];
  int icon = ScaleForDpi(m->IconSize ? m->IconSize : 16, dpi);
  int ml = ScaleForDpi(k.ItemMargin.left, dpi), mt = ScaleForDpi(k.ItemMargin.top, dpi);
  int mr = ScaleForDpi(k.ItemMargin.right, dpi), mb = ScaleForDpi(k.ItemMargin.bottom, dpi);
  RECT text = {r.left + ScaleForDpi(k.ItemInterval, dpi) + ml + icon, r.top + mt, r.right - mr + 1, r.bottom - mb + 1};
  int arrow = ScaleForDpi(15, dpi);
  int cascades = it->Cascades && !(flags & SMD_NO_ARROW);
  if (cascades) text.right -= arrow;
  if (it->Name && !(flags & SMD_ICON_ONLY)) {
    HGDIOBJ old = m->Font && m->Font->Font.Font ? SelectObject(dc, m->Font->Font.Font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, design.TextClr1);
    DrawTextW(dc, it->Name, -1, &text, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    if (old) SelectObject(dc, old);
  }
  if (cascades && !(flags & SMD_ICON_ONLY))
    DrawArrow(dc, RECT{r.right - arrow + 1, r.top, r.right, r.bottom}, ARROW_RIGHT, 7, 4, design.TextClr1, dpi, 0);
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

// Skinned button: the state's image, then the arrow image centred on it.
static void DrawSubMenuScrollButton(HDC dc, RECT r, RECT clip, int buttonSlot, int arrowSlot, int withBackground,
                                    int dpi) {
  if (withBackground) DrawBackgroundUnder(dc, r, clip, dpi);
  DrawSkinPieceAt(dc, buttonSlot, r, dpi);
  SkinSlot& a = g_App.Skin.Slots[arrowSlot];
  if (!a.Dc) return;
  int aw = dpi > 96 ? a.SourceWidth * dpi / 96 : a.SourceWidth;
  int ah = dpi > 96 ? a.SourceHeight * dpi / 96 : a.SourceHeight;
  int left = r.left + (r.right - r.left - aw + 1) / 2 + 1;
  int top = r.top + (r.bottom - r.top - ah + 1) / 2 + 1;
  DrawSkinPieceAt(dc, arrowSlot, RECT{left, top, left + aw - 1, top + ah - 1}, dpi);
}

static void DrawClassicScrollButton(HDC dc, RECT r, int state, int direction, int dpi) {
  const DesignColors* t = g_App.SkinText.TextColors;
  COLORREF fill = BackColor();
  Fill(dc, r, fill);
  if (state == 1 || state == 2) {
    COLORREF line = HasSkin() ? t[SKT_ITEM_NORMAL].TextClr1
                              : GetSysColor(state == 1 ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
    HBRUSH frame = CreateSolidBrush(line);
    RECT fr = {r.left, r.top, r.right + 1, r.bottom + 1};
    FrameRect(dc, &fr, frame);
    DeleteObject(frame);
  }
  if (state == 2) OffsetRect(&r, 1, 1);
  DrawArrow(dc, r, direction, 7, 4, state == 3 ? t[SKT_ITEM_DISABLED].TextClr1 : t[SKT_ITEM_NORMAL].TextClr1, dpi, 0);
}

static void DrawSmScrollButton(HDC dc, const OpenMenu* m, int which, int withBackground, RECT clip) {
  RECT r = m->Scroll[which];
  int state = m->ScrollState[which] < 0 ? 3 : m->ScrollState[which];
  if (state > 3) state = 3;
  int vertical = (m->State & SMS_VSCROLL) != 0;
  // Arrow images: up, down, left, right, four states each.
  int code = vertical ? (which ? 1 : 0) : (which ? 3 : 2);
  if (SlotHasImage(kSmScrollSlot + state)) {
    int arrow = kSmArrowSlot + 4 * code + state;
    if (!g_App.Skin.Slots[arrow].Dc) arrow = kSmArrowSlot + 4 * code;
    DrawSubMenuScrollButton(dc, r, clip, kSmScrollSlot + state, arrow, withBackground, m->Dpi);
    return;
  }
  static const int kDirections[4] = {ARROW_UP, ARROW_DOWN, ARROW_LEFT, ARROW_RIGHT};
  DrawClassicScrollButton(dc, r, state, kDirections[code], m->Dpi);
}

void PaintSubMenu(HDC dc, OpenMenu* m, RECT c) {
  if (!dc || !m) return;
  DrawSubMenuBackground(dc, c, m->Dpi);
  int last = m->FirstVisible + m->Rows * m->Columns;
  for (int i = m->FirstVisible; i < m->ItemCount && i < last; ++i) {
    UINT flags = SMD_FULL;
    if (i == m->Hover) flags |= SMD_CURRENT;
    if (IsSelectedItem(m, i)) flags |= SMD_SELECTED;
    DrawSmItem(dc, m, m->Items[i], flags, c);
  }
  if (m->State & (SMS_VSCROLL | SMS_HSCROLL)) {
    DrawSmScrollButton(dc, m, 0, 0, c);
    DrawSmScrollButton(dc, m, 1, 0, c);
  }
}

void RedrawSubMenu(HDC dc, OpenMenu* m) {
  RECT c;
  GetClientRect(m->Window, &c);
  c.right -= 1;
  c.bottom -= 1;
  PaintSubMenu(dc, m, c);
}
