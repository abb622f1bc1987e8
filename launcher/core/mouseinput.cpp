#include "core/mouseinput.h"

#include <commctrl.h>
#include <ole2.h>
#include <windowsx.h>

#include "core/commands.h"
#include "core/input.h"
#include "core/mainwnd.h"
#include "core/menucmd.h"
#include "core/showhide.h"
#include "state.h"
#include "core/hookctl.h"
#include "core/ticker.h"
#include "core/tray.h"
#include "store/grid.h"
#include "store/items.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store/positions.h"

static const UINT kDefaultPressHoldB = 1000;

// Option1: switch pages when the cursor rests on a tab.
static const UINT OPT1_PAGE_ON_HOVER = 0x2;
// Type bit: the button can be dragged out as a file.
static const int kSlotClose = 9, kSlotPin = 12, kSlotMode = 16, kSlotSearch = 20;
static const int kWheelBlockTicks = 3;
// How far the cursor may stray from where a cursor key left it before the
// hover follows the mouse again.
static const int kKeyHoverSlack = 9;

// Draw states of a cell.
enum { CELL_NORMAL = 0, CELL_HOVER = 1, CELL_PRESSED = 2 };

void ResetInputState() {
  InputState& in = g_App.Input;
  in = InputState();
  in.PressCell = -1;
  in.PressIndex = -1;
  in.TabPressed = -1;
  in.LastMenuItem = -1;
  in.PageHoverTab = -1;
  g_App.Store.PressedCell = -1;
}

// Release codes: other button held first, then exactly one modifier.
static int ReleaseCode(UINT buttons, UINT mods, UINT heldA, int codeA, UINT heldB, int codeB, int shiftCode) {
  if (heldA && (buttons & heldA)) return codeA;
  if (heldB && (buttons & heldB)) return codeB;
  if (mods == MOD_SHIFT_BIT) return shiftCode;
  if (mods == MOD_CTRL_BIT) return shiftCode + 1;
  if (mods == MOD_ALT_BIT) return shiftCode + 2;
  return -1;
}

int ComputeClickCode(UINT message, WPARAM wParam, UINT mods, UINT buttons, int overButton) {
  switch (message) {
    case WM_LBUTTONDBLCLK:
      return overButton ? -1 : 0;
    case kSubMenuDoubleClick:
      return 0;
    case WM_XBUTTONDOWN:
      return HIWORD(wParam) == XBUTTON1 ? 2 : HIWORD(wParam) == XBUTTON2 ? 3 : -1;
    case WM_MOUSEWHEEL: {
      short delta = (short)HIWORD(wParam);
      if (!delta) return -1;
      int back = delta < 0;
      if (buttons & MB_RIGHT_BIT) return 6 + back;
      if (buttons & MB_MIDDLE_BIT) return 8 + back;
      return 4 + back;
    }
    case WM_MOUSEHWHEEL:
      if ((DWORD)wParam == 0xFF880000u) return 10;
      if ((DWORD)wParam == 0x00780000u) return 11;
      return -1;
    case WM_LBUTTONUP:
      return ReleaseCode(buttons, mods, MB_RIGHT_BIT, 12, 0, 0, 13);
    case WM_RBUTTONUP:
      return ReleaseCode(buttons, mods, MB_LEFT_BIT, 16, 0, 0, 17);
    case WM_MBUTTONUP: {
      int code = ReleaseCode(buttons, mods, MB_LEFT_BIT, 20, MB_RIGHT_BIT, 21, 22);
      return code >= 0 ? code : 1;
    }
    default:
      return -1;
  }
}

int GetClickCode(UINT message, WPARAM wParam, int overButton) {
  return ComputeClickCode(message, wParam, GetModifierState(), GetMouseButtonState(), overButton);
}

static ButtonInfo* CellButton(int cell) {
  ItemStore& s = g_App.Store;
  if (cell < 0 || cell >= s.GridCells || !s.Grid) return nullptr;
  return s.Grid[cell].Button;
}

static const int* ClickRow(int row) {
  const ClickActionTable& t = g_App.Settings.Mouse;
  switch (row) {
    case CA_BUTTON: return t.Button;
    case CA_CAPTION: return t.Caption;
    case CA_TRAY: return t.TrayIcon;
    case CA_MENU: return t.Menu;
    default: return nullptr;
  }
}

static void Launch(ButtonInfo* b, int flags) {
  if (b && g_InputOutlets.LaunchItem) g_InputOutlets.LaunchItem(b, flags, nullptr);
}

int DispatchClickAction(int row, int code, int cell, int flags) {
  if (code < 0 || code >= kClickCodes) return 0;
  if (code >= 2 && code <= 11) flags |= CF_REPEAT;
  ItemStore& s = g_App.Store;
  InputState& in = g_App.Input;
  ButtonInfo* b = cell >= 0 && !in.RearrangeDrag ? CellButton(cell) : nullptr;
  if (b) {
    UINT type = ItemTypeOf(b->Type);
    if (type == 5 && code == 0) {
      Launch(b, 1);
      return 1;
    }
    if (type == IT_RECYCLEBIN && code == g_App.Settings.EmptyTrash - 1) {
      OnMenuCommand(CMD_EMPTY_RECYCLEBIN, cell, flags);
      return 1;
    }
    if ((b->Type & IT_POWER) && code == g_App.Settings.ForceShutdown - 1) {
      Launch(b, 1);
      return 1;
    }
  }
  const int* table = ClickRow(row);
  if (!table) return 0;
  int command = table[code] - 1;
  if (command < 0) return 0;
  if (command == LC_FIRST_PAGE && s.CurrentPage == 0) command = LC_LAST_PAGE;
  else if (command == LC_LAST_PAGE && s.CurrentPage == s.PageCount - 1) command = LC_FIRST_PAGE;
  if (in.RearrangeDrag && command > LC_PAGE10) return 0;
  int r = PerformLauncherCommand(command, flags);
  if (r && (code == 6 || code == 7)) in.Gesture |= GS_SKIP_RUP;
  if (r && (code == 8 || code == 9)) in.Gesture |= GS_SKIP_MUP;
  return r;
}

int IsDragDistance(POINT a, POINT b) {
  int dx = a.x - b.x, dy = a.y - b.y;
  return dx >= kDragStartPixels || -dx >= kDragStartPixels || dy >= kDragStartPixels || -dy >= kDragStartPixels;
}

int ClassifyDragStart(int rightPress, int onButton, int canDragOut, UINT mods, UINT dragOption) {
  UINT low = dragOption & 0xFFFF, high = dragOption >> 16;
  // Ctrl may come on top: it turns the move into a copy.
  if (!rightPress && onButton && (mods == low || mods == (low | MOD_CTRL_BIT)) && !(mods & high)) return 1;
  if ((rightPress || ((mods & high) == high && !(mods & low))) && canDragOut) return 2;
  return 0;
}

DWORD DecideDropEffect(int accept, DWORD wanted) { return accept ? wanted : DROPEFFECT_NONE; }

// --- pressing buttons -------------------------------------------------------------------

static void DrawCell(int cell, int state) {
  if (cell >= 0 && g_StoreOutlets.DrawButton) g_StoreOutlets.DrawButton(cell, state);
}

// The highlight moves from the cell it is on now, so the new cell is
// stored only after the drawing has seen the old one.
static void SetHover(int cell) {
  if (g_InputOutlets.SetHoverButton) g_InputOutlets.SetHoverButton(cell);
  g_App.Store.HoverCell = cell;
}

void StartPress(int cell, UINT kind) {
  ItemStore& s = g_App.Store;
  InputState& in = g_App.Input;
  if (cell < 0 || cell >= s.GridCells) return;
  SetHover(cell);
  ButtonInfo* b = CellButton(cell);
  in.Press = kind | (UINT)(cell & 0xFFFF);
  in.PressCell = cell;
  in.PressList = b ? b->List : s.CurrentPage;
  in.PressIndex = b ? b->Index : -1;
  s.PressedCell = cell;
  DrawCell(cell, CELL_PRESSED);
  GetCursorPos(&in.PressPoint);
  if (b && (kind == PRESS_LEFT || kind == PRESS_KEY) && g_App.MainWnd) {
    // A file without the key reads 0; a 0 ms hold would turn every click
    // into press-and-hold, so it gets the usual time instead.
    UINT hold = g_App.Settings.PressHoldB > 0 ? (UINT)g_App.Settings.PressHoldB : kDefaultPressHoldB;
    SetTimer(g_App.MainWnd, TIMER_PRESSHOLD, hold, nullptr);
  }
}

static void ClearPress() {
  InputState& in = g_App.Input;
  int cell = in.PressCell;
  in.Press = 0;
  in.PressCell = -1;
  in.PressIndex = -1;
  g_App.Store.PressedCell = -1;
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, TIMER_PRESSHOLD);
  DrawCell(cell, cell == g_App.Store.HoverCell ? CELL_HOVER : CELL_NORMAL);
}

void CancelPress() {
  if (g_App.Input.Press & PRESS_KINDS) ClearPress();
}

void ReleasePress(int cell) {
  ItemStore& s = g_App.Store;
  InputState& in = g_App.Input;
  UINT kind = in.Press & PRESS_KINDS;
  if (!kind) return;
  int pressCell = in.PressCell, list = in.PressList, index = in.PressIndex;
  ClearPress();
  if (kind == PRESS_RIGHT || index < 0) return;
  // Fetched again: the store may have changed since the press.
  ButtonInfo* b = GetItem(list, index);
  if (!b) return;
  ButtonInfo* there = CellButton(cell);
  if (cell == pressCell || list == s.CurrentPage || (there && (there->Type & ITEM_LOCKED)))
    Launch(b, kind == PRESS_LEFT ? 0x80 : 0);
}

void OnPressHoldTimer() {
  InputState& in = g_App.Input;
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, TIMER_PRESSHOLD);
  UINT kind = in.Press & PRESS_KINDS;
  if (!kind) return;
  DispatchClickAction(CA_BUTTON, 0, in.PressCell, kind == PRESS_LEFT ? CF_MOUSE : 0);
  CancelPress();
}

// --- tabs --------------------------------------------------------------------------------

static int TabUnderCursor() {
  return g_InputOutlets.GetItemFromPoint ? g_InputOutlets.GetItemFromPoint(nullptr, 1, 1) : -1;
}
static int CellUnderCursor() {
  return g_InputOutlets.GetItemFromPoint ? g_InputOutlets.GetItemFromPoint(nullptr, 2, 1) : -1;
}

static void SwitchToHoveredTab(int tab) {
  if (tab >= 0 && tab != g_App.Store.CurrentPage) {
    if ((g_App.Wnd.Flags & WSF_SUBMENU_OPEN) && g_InputOutlets.CloseSubMenus) g_InputOutlets.CloseSubMenus(0, 0);
    SelectPage(tab, 1);
  }
}

void OnPageDelayTimer() {
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, TIMER_PAGEDELAY);
  int tab = TabUnderCursor();
  if (tab >= 0 && tab == g_App.Input.PageHoverTab) SwitchToHoveredTab(tab);
  g_App.Input.PageHoverTab = -1;
}

static void HoverTab(int tab) {
  InputState& in = g_App.Input;
  if (g_InputOutlets.SetHoverTab) g_InputOutlets.SetHoverTab(tab);
  if (tab < 0 || tab == g_App.Store.CurrentPage) {
    in.PageHoverTab = -1;
    return;
  }
  if (!(g_App.Settings.Option1 & OPT1_PAGE_ON_HOVER) && !in.RearrangeDrag) return;
  if (g_App.Settings.PageDelay <= 0) {
    SwitchToHoveredTab(tab);
    return;
  }
  if (in.PageHoverTab == tab) return;
  in.PageHoverTab = tab;
  if (g_App.MainWnd) SetTimer(g_App.MainWnd, TIMER_PAGEDELAY, (UINT)g_App.Settings.PageDelay, nullptr);
}

// --- caption buttons ---------------------------------------------------------------------

static int OnSkinPart(int slot) {
  if (!g_InputOutlets.HitTestSkinPart || !g_App.MainWnd) return 0;
  POINT pt;
  GetCursorPos(&pt);
  ScreenToClient(g_App.MainWnd, &pt);
  return g_InputOutlets.HitTestSkinPart(slot, pt.x, pt.y);
}

static int PressCaptionButton() {
  HWND w = g_App.MainWnd;
  if (OnSkinPart(kSlotClose)) {
    g_App.Input.ClosePressed = 1;
    return 1;
  }
  if (OnSkinPart(kSlotPin)) {
    PostMessageW(w, WM_COMMAND, CMD_PIN, 0);
    return 1;
  }
  if (OnSkinPart(kSlotMode)) {
    OnMenuCommand((g_App.Settings.Status & STATUS_VIEWMODE2) ? CMD_VIEWMODE1 : CMD_VIEWMODE2, -1, CF_MOUSE);
    return 1;
  }
  if (OnSkinPart(kSlotSearch)) {
    OnMenuCommand(CMD_SEARCH, -1, CF_MOUSE);
    return 1;
  }
  return 0;
}

static void ReleaseCloseButton() {
  InputState& in = g_App.Input;
  if (!in.ClosePressed) return;
  in.ClosePressed = 0;
  if (!OnSkinPart(kSlotClose)) return;
  if (g_InputOutlets.CloseSubMenus) g_InputOutlets.CloseSubMenus(0, 0);
  HideLauncher(1, 0, 0);
  EndIfIdleAfterHide();
}

// --- moving and resizing -----------------------------------------------------------------

static int WindowDpi() {
  HDC dc = GetDC(g_App.MainWnd);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(g_App.MainWnd, dc);
  return dpi > 96 ? dpi : 96;
}

static void DragSizing(POINT now) {
  InputState& in = g_App.Input;
  HWND w = g_App.MainWnd;
  RECT r;
  GetWindowRect(w, &r);
  int dx = now.x - in.SizingStart.x, dy = now.y - in.SizingStart.y;
  if (in.SizingMode == 9) {
    if (!dx && !dy) return;
    MoveWindow(w, r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, TRUE);
    g_App.Settings.LastPosX = r.left + dx;
    g_App.Settings.LastPosY = r.top + dy;
    MarkSettingsChanged();
    in.SizingStart = now;
    return;
  }
  ViewModeDesign& d = g_App.Design.ViewMode[CurrentViewMode()];
  int dpi = WindowDpi();
  int pitchX = d.ButtonSizeX * dpi / 96, pitchY = d.ButtonSizeY * dpi / 96;
  int m = in.SizingMode;
  int left = m == 1 || m == 5 || m == 7, top = m == 2 || m == 5 || m == 6;
  int horizontal = m != 2 && m != 4, vertical = m != 1 && m != 3;
  int addCols = 0, addRows = 0;
  if (horizontal && pitchX > 0) addCols = (left ? -dx : dx) / pitchX;
  if (vertical && pitchY > 0) addRows = (top ? -dy : dy) / pitchY;
  if (d.ButtonNumX + addCols < 1) addCols = 1 - d.ButtonNumX;
  if (d.ButtonNumY + addRows < 1) addRows = 1 - d.ButtonNumY;
  if (!addCols && !addRows) return;
  d.ButtonNumX += addCols;
  d.ButtonNumY += addRows;
  int moveX = left ? -addCols * pitchX : 0, moveY = top ? -addRows * pitchY : 0;
  if (moveX || moveY) SetWindowPos(w, nullptr, r.left + moveX, r.top + moveY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (g_InputOutlets.ApplyDesign) g_InputOutlets.ApplyDesign();
  RebuildButtonGrid(1);
  MarkSettingsChanged();
  in.SizingStart.x += (left ? -addCols : addCols) * pitchX * (horizontal ? 1 : 0);
  in.SizingStart.y += (top ? -addRows : addRows) * pitchY * (vertical ? 1 : 0);
}

// --- entry points ------------------------------------------------------------------------

// Gesture suppression; 1 when the message is dropped.
static int SuppressedByGesture(UINT message) {
  UINT& g = g_App.Input.Gesture;
  switch (message) {
    case WM_LBUTTONDOWN: { int drop = (g & GS_SKIP_LDOWN) != 0; g &= ~GS_SKIP_LUP; return drop; }
    case WM_LBUTTONUP: return (g & GS_SKIP_LUP) != 0 ? (g &= ~GS_SKIP_LUP, 1) : 0;
    case WM_RBUTTONDOWN: { int drop = (g & GS_SKIP_RDOWN) != 0; g &= ~GS_SKIP_RUP; return drop; }
    case WM_RBUTTONUP: return (g & GS_SKIP_RUP) != 0 ? (g &= ~GS_SKIP_RUP, 1) : 0;
    case WM_MBUTTONDOWN: { int drop = (g & GS_SKIP_MDOWN) != 0; g &= ~GS_SKIP_MUP; return drop; }
    case WM_MBUTTONUP: {
      int drop = (g & GS_SKIP_MUP) != 0;
      g &= ~GS_SKIP_MUP;
      g |= GS_SKIP_WHEEL;
      InterlockedExchange(&g_App.Ticker.ReleaseGuard, kWheelBlockTicks);
      return drop;
    }
    case WM_MOUSEWHEEL:
      // The ticker counts the block down; the bit is this thread's, so it
      // ends here, at the first wheel after the count ran out.
      if (!(g & GS_SKIP_WHEEL)) return 0;
      if (g_App.Ticker.ReleaseGuard > 0) return 1;
      g &= ~GS_SKIP_WHEEL;
      return 0;
    default: return 0;
  }
}

static void EndRearrangeDrag(int cell) {
  InputState& in = g_App.Input;
  ItemStore& s = g_App.Store;
  ButtonInfo* b = GetItem(in.PressList, in.PressIndex);
  CancelPress();
  in.RearrangeDrag = 0;
  if (!b || cell < 0 || cell >= s.GridCells) return;
  int copy = (GetModifierState() & MOD_CTRL_BIT) != 0;
  if (!copy && b->List == s.CurrentPage) {
    MoveButtonInList(s.CurrentPage, b, cell, s.Grid[cell].Button);
  } else {
    // A copy, or a move from the page the drag started on: the store makes
    // room at the cell, shows the change and saves it.
    ItemPos pos = {s.Grid[cell].Column, s.Grid[cell].Row};
    ButtonInfo* target = s.Grid[cell].Button != b ? s.Grid[cell].Button : nullptr;
    MoveOrCopyButton(b->List, b->Index, b, s.CurrentPage, cell, target, copy | 2, &pos);
  }
  if (g_InputOutlets.CloseSubMenus) g_InputOutlets.CloseSubMenus(0, 0);
}

void OnMouseButton(UINT message, WPARAM wParam, LPARAM) {
  HWND w = g_App.MainWnd;
  ItemStore& s = g_App.Store;
  InputState& in = g_App.Input;
  if (!w) return;
  ReleaseCapture();
  if (!IsWindowVisible(w) && message != WM_RBUTTONUP) return;
  if (SuppressedByGesture(message)) return;
  KillTimer(w, TIMER_PAGEDELAY);
  KillTimer(w, TIMER_PRESSHOLD);
  KillTimer(w, TIMER_DRAGHOVER_PAGE);
  KillTimer(w, TIMER_DRAGHOVER_MENU);

  int tab = TabUnderCursor();
  if (message == WM_LBUTTONDBLCLK && tab >= 0) {
    if (tab == s.CurrentPage) PostMessageW(w, WM_COMMAND, CMD_PAGE_PROPERTIES, 0);
    return;
  }
  int cell = tab < 0 ? CellUnderCursor() : -1;
  int onButton = CellButton(cell) != nullptr;
  int code = GetClickCode(message, wParam, onButton);
  if (!onButton) {
    int row = CA_CAPTION;
    POINT pt;
    GetCursorPos(&pt);
    if (code >= 0) {
      int v = g_App.Settings.Mouse.Button[code];
      int inArea = g_InputOutlets.IsPointInItemArea && g_InputOutlets.IsPointInItemArea(pt, 4);
      if (!(v >= 25 && v <= 38) && inArea) row = CA_BUTTON;
    }
    if (DispatchClickAction(row, code, -1, CF_MOUSE)) {
      in.MenuPending = 0;
      return;
    }
  } else {
    if (!in.RearrangeDrag) SetHover(cell);
    if (DispatchClickAction(CA_BUTTON, code, cell, CF_MOUSE)) {
      if (!in.RearrangeDrag) {
        in.MenuPending = 0;
        CancelPress();
      }
      return;
    }
  }

  switch (message) {
    case WM_LBUTTONDOWN:
      SetCapture(w);
      if (tab >= 0) {
        if (tab != s.CurrentPage) SelectPage(tab, 1);
        in.TabPressed = tab;
        GetCursorPos(&in.TabPoint);
        return;
      }
      if (cell >= 0 && !(in.Press & PRESS_KEY)) {
        StartPress(cell, PRESS_LEFT);
        return;
      }
      if (PressCaptionButton()) return;
      if (g_InputOutlets.HitTestSizing) {
        HCURSOR cursor = nullptr;
        int mode = g_InputOutlets.HitTestSizing(&cursor);
        if (mode >= 1 && mode <= 8) {
          in.SizingMode = mode;
        } else {
          // Anywhere else on the body the window moves with the cursor.
          in.SizingMode = 9;
          cursor = LoadCursorW(nullptr, IDC_ARROW);
        }
        GetCursorPos(&in.SizingStart);
        if (cursor) SetCursor(cursor);
      }
      return;
    case WM_LBUTTONUP: {
      if (in.TabPressed >= 0) {
        int ranDrag = in.TabDrag;
        in.TabPressed = -1;
        in.TabDrag = 0;
        s.DragPage = -1;
        if (ranDrag && tab >= 0 && tab != s.CurrentPage) MovePage(tab);
      }
      if (in.RearrangeDrag) {
        EndRearrangeDrag(cell);
      } else if (in.Press & PRESS_KINDS) {
        if (cell < 0 || GetMouseButtonState()) CancelPress();
        else ReleasePress(cell);
      }
      ReleaseCloseButton();
      in.SizingMode = 0;
      return;
    }
    case WM_RBUTTONDOWN:
      SetCapture(w);
      in.MenuPending = 1;
      if (tab >= 0 && tab != s.CurrentPage) SelectPage(tab, 1);
      if (cell >= 0 && !(in.Press & PRESS_KEY)) StartPress(cell, PRESS_RIGHT);
      return;
    case WM_MBUTTONDOWN:
      s.PressedCell = cell;
      return;
    case WM_MBUTTONUP:
      s.PressedCell = -1;
      return;
    case WM_RBUTTONUP: {
      if (!in.RearrangeDrag && (in.Press & PRESS_KINDS)) {
        if (cell < 0 || GetMouseButtonState()) CancelPress();
        else ReleasePress(cell);
      }
      POINT pt;
      GetCursorPos(&pt);
      int target = tab >= 0 ? (MENU_TAB | tab) : cell >= 0 ? (MENU_CELL | cell) : 0;
      in.LastMenuItem = ShowContextMenu(target, pt, 1, 1);
      return;
    }
    default:
      return;
  }
}

// The hover cell follows the cursor; only while the cursor stays within
// kKeyHoverSlack of where a cursor key moved the highlight does the key's
// cell keep it, with the tooltip still silenced.
static void RefreshHover(int cell, POINT now) {
  InputState& in = g_App.Input;
  ItemStore& s = g_App.Store;
  if (in.TooltipOff) {
    int dx = now.x - in.CursorAtKey.x, dy = now.y - in.CursorAtKey.y;
    if (dx <= kKeyHoverSlack && -dx <= kKeyHoverSlack && dy <= kKeyHoverSlack && -dy <= kKeyHoverSlack) return;
    in.TooltipOff = 0;
  }
  if (HWND tip = g_App.Tray.ToolTip) SendMessageW(tip, TTM_ACTIVATE, TRUE, 0);
  if (cell == s.HoverCell) return;
  if (HWND w = g_App.MainWnd) {
    KillTimer(w, TIMER_PRESSHOLD);
    KillTimer(w, TIMER_DRAGHOVER_PAGE);
    KillTimer(w, TIMER_DRAGHOVER_MENU);
  }
  SetHover(cell);
}

void RefreshHoverUnderCursor() {
  if (g_App.Input.RearrangeDrag) return;
  POINT now;
  GetCursorPos(&now);
  RefreshHover(CellUnderCursor(), now);
}

void OnMouseMove(WPARAM wParam, LPARAM) {
  HWND w = g_App.MainWnd;
  InputState& in = g_App.Input;
  ItemStore& s = g_App.Store;
  if (!w) return;
  in.Gesture &= ~(GS_SKIP_LDOWN | GS_SKIP_RDOWN | GS_SKIP_MDOWN);
  POINT now;
  GetCursorPos(&now);

  if (in.SizingMode && (wParam & MK_LBUTTON)) {
    DragSizing(now);
    return;
  }
  if (in.TabPressed >= 0) {
    if (!in.TabDrag && IsDragDistance(in.TabPoint, now)) {
      in.TabDrag = 1;
      s.DragPage = in.TabPressed;
    }
    return;
  }
  if (in.ClosePressed && !OnSkinPart(kSlotClose)) in.ClosePressed = 0;

  int tab = TabUnderCursor();
  HoverTab(tab);
  int cell = tab < 0 ? CellUnderCursor() : -1;

  UINT kind = in.Press & (PRESS_LEFT | PRESS_RIGHT);
  if (kind && !in.RearrangeDrag) {
    KillTimer(w, TIMER_PRESSHOLD);
    ButtonInfo* b = GetItem(in.PressList, in.PressIndex);
    UINT type = b ? ItemTypeOf(b->Type) : 0;
    int canDragOut = b && (type < 5 || type == IT_SHELLITEM || (b->Type & IT_FOLDERLIKE));
    int start = ClassifyDragStart(kind == PRESS_RIGHT, b != nullptr, canDragOut, GetModifierState(),
                                  g_App.Settings.DragOption);
    if (start == 1 && IsDragDistance(in.PressPoint, now)) {
      if (g_InputOutlets.CloseSubMenus) g_InputOutlets.CloseSubMenus(0, 0);
      in.RearrangeDrag = 1;
      SetHover(-1);
      return;
    }
    // A press that may still become a drag survives a slip onto the next
    // cell: released there, it launches what was pressed. A drag-out ends
    // the press once it would start (there is no drop source to run it).
    if (start == 2 && IsDragDistance(in.PressPoint, now)) CancelPress();
    else if (start == 0 && cell != in.PressCell) CancelPress();
    return;
  }
  if (in.RearrangeDrag) return;
  RefreshHover(cell, now);
}

void OnMouseLeave() {
  HWND w = g_App.MainWnd;
  if (w) {
    KillTimer(w, TIMER_PRESSHOLD);
    KillTimer(w, TIMER_DRAGHOVER_PAGE);
  }
  if (!(g_App.Wnd.Flags & WSF_SUBMENU_OPEN)) SetHover(-1);
  if (g_InputOutlets.SetHoverTab) g_InputOutlets.SetHoverTab(-1);
}

// Half a second without buttons after a drag whose release never came (the
// capture was taken away): the drags end without dropping anything.
void EndLostDrag() {
  InputState& in = g_App.Input;
  if (in.RearrangeDrag) {
    CancelPress();
    in.RearrangeDrag = 0;
  }
  in.TabDrag = 0;
  in.TabPressed = -1;
  g_App.Store.DragPage = -1;
  g_App.Layout.DragActive = 0;
}

void EndWheelBlock() { g_App.Input.Gesture &= ~GS_SKIP_WHEEL; }
