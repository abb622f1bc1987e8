#include "core/tiptext.h"

#include <stdio.h>

#include "dialogs/dialoghelpers.h"
#include "render/hittest.h"
#include "render/layout.h"
#include "render/paint.h"
#include "render/skin.h"
#include "resources/resource.h"
#include "state.h"
#include "store/items.h"

// DispOption bits of the tooltips.
enum : UINT {
  DISP_TIPS = 0x10,
  DISP_TAB_TIPS = 0x20,
};

static const int kSystemSlots[4] = {SLOT_CLOSEBUTTON, SLOT_PINBUTTON, SLOT_MODEBUTTON, SLOT_SEARCHBUTTON};
static const int kTabTools = 100;

TipSource ChooseTipSource(UINT_PTR id, UINT dispOption, const TipCursor* c) {
  TipSource none = {TIP_NONE, -1}, hide = {TIP_HIDE, -1};
  if (!(dispOption & DISP_TIPS)) return none;
  if (id >= TOOLID_CLOSEBUTTON && id <= TOOLID_SEARCHBUTTON) {
    int slot = kSystemSlots[id - TOOLID_CLOSEBUTTON];
    return c->SystemSlot == slot ? TipSource{TIP_SYSTEM_BUTTON, slot} : hide;
  }
  if (id >= TOOLID_TAB && id < TOOLID_TAB + kTabTools) {
    if (!(dispOption & DISP_TAB_TIPS)) return none;
    return c->Tab >= 0 ? TipSource{TIP_TAB, c->Tab} : hide;
  }
  // The button area's own tool lies behind the cells; it can only be found
  // between them, or over a cell added after it.
  if (id == TOOLID_BUTTONAREA || id >= TOOLID_CELL)
    return c->Cell >= 0 && c->CellHasButton ? TipSource{TIP_BUTTON, c->Cell} : hide;
  return none;
}

static ButtonInfo* CellButton(int cell) {
  const ItemStore& s = g_App.Store;
  if (!s.Grid || cell < 0 || cell >= s.GridCells) return nullptr;
  return s.Grid[cell].Button;
}

static void ReadCursor(TipCursor* c) {
  *c = TipCursor{-1, -1, -1, 0};
  HWND w = g_App.MainWnd;
  POINT pt;
  if (!w || !GetCursorPos(&pt)) return;
  POINT client = pt;
  ScreenToClient(w, &client);
  for (int slot : kSystemSlots)
    if (HitTestSkinPart(slot, client.x, client.y)) {
      c->SystemSlot = slot;
      break;
    }
  c->Tab = GetItemFromPoint(&pt, HIT_TABS, 1);
  if (c->Tab < 0) c->Cell = GetItemFromPoint(&pt, HIT_BUTTONS, 1);
  c->CellHasButton = CellButton(c->Cell) != nullptr;
}

static int SystemButtonString(int slot) {
  switch (slot) {
    case SLOT_CLOSEBUTTON: return IDS_TIP_CLOSE;
    case SLOT_PINBUTTON: return IDS_TIP_PIN;
    case SLOT_MODEBUTTON: return IDS_TIP_VIEWMODE;
    default: return IDS_TIP_SEARCH;
  }
}

void AnswerToolTipText(NMTTDISPINFOW* r) {
  r->szText[0] = 0;
  r->lpszText = r->szText;
  r->hinst = nullptr;
  TipCursor cursor;
  ReadCursor(&cursor);
  TipSource from = ChooseTipSource(r->hdr.idFrom, g_App.Settings.DispOption, &cursor);
  switch (from.Kind) {
    case TIP_HIDE:
      SendMessageW(r->hdr.hwndFrom, TTM_POP, 0, 0);
      return;
    case TIP_SYSTEM_BUTTON: {
      int id = SystemButtonString(from.Index);
      const int chars = ARRAYSIZE(r->szText);
      if (id != IDS_TIP_VIEWMODE) {
        LoadStoreString(id, r->szText, chars);
        return;
      }
      wchar_t format[ARRAYSIZE(r->szText)];
      // A language library's text is used only with the one number it takes.
      if (!LoadStoreString(id, format, chars) || GetFormatConversion(format) != 'd') return;
      // The other view mode, the one a click goes to.
      int other = (g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 2;
      if (swprintf(r->szText, chars, format, other) < 0) r->szText[0] = 0;
      return;
    }
    case TIP_TAB:
      if (from.Index < g_App.Store.PageCount && g_App.Store.Pages[from.Index].Name)
        r->lpszText = g_App.Store.Pages[from.Index].Name;
      return;
    case TIP_BUTTON: {
      // The control copies the text before the button could change.
      ButtonInfo* b = CellButton(from.Index);
      if (b) b = ShownButton(b);
      if (b && b->Tip) r->lpszText = b->Tip;
      return;
    }
    default:
      return;
  }
}
