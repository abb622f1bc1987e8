#include "core/commands.h"

#include <commctrl.h>

#include "core/eventlists.h"
#include "core/hookctl.h"
#include "core/input.h"
#include "core/mouseinput.h"
#include "core/ticker.h"
#include "core/tray.h"
#include "core/mainwnd.h"
#include "core/menucmd.h"
#include "core/shellhelp.h"
#include "core/showhide.h"
#include "render/paint.h"
#include "state.h"
#include "store/grid.h"
#include "store/outlets.h"

InputOutlets g_InputOutlets;

// DispOption: the caption shows the page's name.
static const UINT DISP_PAGE_CAPTION = 0x4 | 0x8;
// Plug-in notification of a page change.
static const int PN_PAGECHANGED = 0x10004;

static int Max0(int v) { return v > 0 ? v : 0; }

int ComputeTargetPage(int command, int current, int pageCount, int wrap) {
  if (pageCount <= 0) return -1;
  switch (command) {
    case LC_PREV_PAGE:
      if (current > 0) return current - 1;
      return wrap ? pageCount - 1 : -1;
    case LC_NEXT_PAGE:
      if (current + 1 < pageCount) return current + 1;
      return wrap ? 0 : -1;
    case LC_FIRST_PAGE:
      return 0;
    case LC_LAST_PAGE:
      return pageCount - 1;
    default:
      if (command >= LC_PAGE1 && command <= LC_PAGE10 && command - LC_PAGE1 < pageCount)
        return command - LC_PAGE1;
      return -1;
  }
}

int LauncherCommandMenuId(int command, int viewMode2) {
  switch (command) {
    case 25: return 40034;
    case 27: return 40063;
    case 28: return 40064;
    case 29: return 40065;
    case 30: return 40067;
    case 31: return 40035;
    case 32: return 40036;
    case 33: return 40041;
    case 34: return 40032;
    case 35: return 40033;
    case 36: return 40031;
    case 39: return 40005;
    case 40: return 40006;
    case 41: return 40007;
    case 42: return viewMode2 ? 40008 : 40009;
    case 43: return 40010;
    case 44: return 40019;
    case 45: return 40003;
    case 47: return 40004;
    default: return 0;
  }
}

// One step along a line of n visible cells with a scroll offset over total.
// pos and scroll change in place; returns GC_ bits.
static int StepLine(int* pos, int* scroll, int n, int total, int dir, UINT option) {
  int maxScroll = Max0(total - n);
  int next = *pos + dir;
  if (next >= 0 && next < n) {
    *pos = next;
    return GC_CELL;
  }
  if (option & KBO_CURSOR_WRAP) {
    *pos = dir < 0 ? n - 1 : 0;
    return n > 1 ? GC_CELL : 0;
  }
  if (!(option & KBO_CURSOR_SCROLL)) return 0;
  if (dir < 0 && *scroll > 0) {
    --*scroll;
    return GC_SCROLL;
  }
  if (dir > 0 && *scroll < maxScroll) {
    ++*scroll;
    return GC_SCROLL;
  }
  // Scrolled to the end: back to the other end, cell and all.
  int r = 0;
  int wantScroll = dir < 0 ? maxScroll : 0;
  if (*scroll != wantScroll) {
    *scroll = wantScroll;
    r |= GC_SCROLL;
  }
  int wantPos = dir < 0 ? n - 1 : 0;
  if (*pos != wantPos) {
    *pos = wantPos;
    r |= GC_CELL;
  }
  return r;
}

int MoveGridCursor(GridCursor* g, int command, UINT option) {
  int cols = g->Columns > 0 ? g->Columns : 1;
  int rows = g->Rows > 0 ? g->Rows : 1;
  int r = 0;
  if (command >= LC_LEFT && command <= LC_END && (g->Cell < 0 || g->Cell >= cols * rows)) {
    if (command != LC_HOME && command != LC_END) {
      g->Cell = 0;
      return GC_CELL;
    }
  }
  int col = g->Cell >= 0 ? g->Cell % cols : 0;
  int row = g->Cell >= 0 ? g->Cell / cols : 0;
  int maxRow = Max0(g->TotalRows - rows), maxCol = Max0(g->TotalColumns - cols);
  switch (command) {
    case LC_LEFT: r = StepLine(&col, &g->ScrollColumn, cols, g->TotalColumns, -1, option); break;
    case LC_RIGHT: r = StepLine(&col, &g->ScrollColumn, cols, g->TotalColumns, 1, option); break;
    case LC_UP: r = StepLine(&row, &g->ScrollRow, rows, g->TotalRows, -1, option); break;
    case LC_DOWN: r = StepLine(&row, &g->ScrollRow, rows, g->TotalRows, 1, option); break;
    case LC_HOME:
      if (g->ScrollRow || g->ScrollColumn) r |= GC_SCROLL;
      g->ScrollRow = g->ScrollColumn = 0;
      col = row = 0;
      break;
    case LC_END:
      if (g->ScrollRow != maxRow || g->ScrollColumn != maxCol) r |= GC_SCROLL;
      g->ScrollRow = maxRow;
      g->ScrollColumn = maxCol;
      col = cols - 1;
      row = rows - 1;
      break;
    case LC_ROW_BACK:
      if (g->ScrollRow > 0) g->ScrollRow--, r = GC_SCROLL;
      return r;
    case LC_ROW_FORWARD:
      if (g->ScrollRow < maxRow) g->ScrollRow++, r = GC_SCROLL;
      return r;
    case LC_COLUMN_BACK:
      if (g->ScrollColumn > 0) g->ScrollColumn--, r = GC_SCROLL;
      return r;
    case LC_COLUMN_FORWARD:
      if (g->ScrollColumn < maxCol) g->ScrollColumn++, r = GC_SCROLL;
      return r;
    default:
      return 0;
  }
  int cell = col + cols * row;
  if (cell != g->Cell) {
    g->Cell = cell;
    r |= GC_CELL;
  }
  return r;
}

// --- on the window -------------------------------------------------------------------

// A grid cell's rectangle in screen coordinates.
static int GetCellScreenRect(int cell, RECT* r) {
  if (!g_InputOutlets.GetCellRect || !g_App.MainWnd || !g_InputOutlets.GetCellRect(cell, r)) return 0;
  MapWindowPoints(g_App.MainWnd, nullptr, (POINT*)r, 2);
  return 1;
}

int GetButtonScreenRect(ButtonInfo* button, RECT* r) {
  const ItemStore& s = g_App.Store;
  if (!button || !g_App.MainWnd || !IsWindowVisible(g_App.MainWnd)) return 0;
  for (int cell = 0; cell < s.GridCells; ++cell)
    if (s.Grid[cell].Button == button) return GetCellScreenRect(cell, r);
  return 0;
}

static void HideTooltip() {
  if (g_StoreOutlets.HideTooltip) g_StoreOutlets.HideTooltip();
}

static void Repaint(UINT parts) {
  if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(parts);
}

void SelectPage(int page, int refresh) {
  ItemStore& s = g_App.Store;
  if (page < 0 || page >= s.PageCount) return;
  int old = s.CurrentPage;
  g_App.Settings.LastPage = page;
  s.CurrentPage = page;
  int vm = CurrentViewMode();
  if (s.Pages[page].Flag & 1) {
    s.Pages[page].ScrollStat[vm] = 0;
    s.Pages[page].ScrollStat[2 + vm] = 0;
  }
  if (refresh) {
    if ((g_App.Wnd.Flags & WSF_SUBMENU_OPEN) || g_App.Input.RearrangeDrag) s.HoverCell = -1;
    if (g_App.MainWnd) {
      KillTimer(g_App.MainWnd, TIMER_PRESSHOLD);
      KillTimer(g_App.MainWnd, TIMER_DRAGHOVER_PAGE);
    }
    HideTooltip();
    RebuildButtonGrid(0);
    if ((g_App.Settings.DispOption & DISP_PAGE_CAPTION) && g_StoreOutlets.ResetCaption) g_StoreOutlets.ResetCaption();
    Repaint(RP_TABS | RP_BUTTONS | (old != page ? (UINT)RP_FRAME : 0u) | RP_PUSH);
    if (g_StoreOutlets.BroadcastPluginEvent) g_StoreOutlets.BroadcastPluginEvent(PN_PAGECHANGED, page);
  }
  MarkSettingsChanged();
}

static void ApplyCursorMove(int command) {
  ItemStore& s = g_App.Store;
  if (s.CurrentPage < 0 || s.CurrentPage >= s.PageCount) return;
  PageInfo& page = s.Pages[s.CurrentPage];
  int vm = CurrentViewMode();
  GridCursor g;
  g.Columns = s.GridColumns;
  g.Rows = s.GridRows;
  g.TotalColumns = s.GridMaxColumn + 1;
  g.TotalRows = s.GridMaxRow + 1;
  g.ScrollRow = page.ScrollStat[vm];
  g.ScrollColumn = page.ScrollStat[2 + vm];
  g.Cell = s.HoverCell;
  int changed = MoveGridCursor(&g, command, g_App.Settings.KeyboardOption);
  if (changed & GC_SCROLL) {
    page.ScrollStat[vm] = g.ScrollRow;
    page.ScrollStat[2 + vm] = g.ScrollColumn;
    HideTooltip();
    RebuildButtonGrid(0);
    Repaint(RP_BUTTONS | RP_PUSH);
    MarkSettingsChanged();
  }
  if (command >= LC_ROW_BACK) return;
  // The tooltip stays off until the mouse moves on.
  g_App.Input.TooltipOff = 1;
  GetCursorPos(&g_App.Input.CursorAtKey);
  if (HWND tip = g_App.Tray.ToolTip) SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
  // The highlight leaves the old cell first: the cell is stored after.
  if (g_InputOutlets.SetHoverButton) g_InputOutlets.SetHoverButton(g.Cell);
  s.HoverCell = g.Cell;
}

static ButtonInfo* CurrentButton() {
  ItemStore& s = g_App.Store;
  if (s.HoverCell < 0 || s.HoverCell >= s.GridCells || !s.Grid) return nullptr;
  return s.Grid[s.HoverCell].Button;
}

static const UINT RUN_AT_CURSOR_MENU = 0x20000000;   // Type: shell menu opens as the button menu
static const UINT HISTORY_MENU_ON_CLICK = 0x20000;

int PerformLauncherCommand(int command, int flags) {
  ItemStore& s = g_App.Store;
  InputState& in = g_App.Input;
  if (command < 0 || command >= kLauncherCommands) return 0;
  if (command >= LC_FIRST_BUTTON_CMD && command <= LC_LAST_BUTTON_CMD) {
    if (command == LC_PRESS || s.HoverCell < 0) return 0;
    if ((flags & (CF_MOUSE | CF_REPEAT)) == CF_MOUSE && s.HoverCell != s.PressedCell) return 0;
  }
  if (!(flags & CF_MOUSE)) in.MenuPending = 1;

  if (command <= LC_PAGE10) {
    if (in.TabDrag) return 1;
    int target = ComputeTargetPage(command, s.CurrentPage, s.PageCount,
                                   (g_App.Settings.Option1 & OPT1_WRAP_PAGES) != 0);
    if (target < 0 || target == s.CurrentPage) return 1;
    if ((g_App.Wnd.Flags & WSF_SUBMENU_OPEN) && g_InputOutlets.CloseSubMenus) g_InputOutlets.CloseSubMenus(0, 0);
    SelectPage(target, 1);
    return 1;
  }
  if (command <= LC_COLUMN_FORWARD) {
    ApplyCursorMove(command);
    return 1;
  }
  int cell = s.HoverCell;
  switch (command) {
    case LC_LAUNCH: {
      ButtonInfo* b = CurrentButton();
      if (b && g_InputOutlets.LaunchItem) g_InputOutlets.LaunchItem(b, flags | 4, nullptr);
      return 1;
    }
    case LC_SHELL_MENU: {
      ButtonInfo* b = CurrentButton();
      if (b && (flags & CF_MOUSE) &&
          ((ItemTypeOf(b->Type) == IT_HISTORY && (b->Type & HISTORY_MENU_ON_CLICK)) ||
           (b->Type & RUN_AT_CURSOR_MENU))) {
        POINT pt;
        GetCursorPos(&pt);
        in.MenuPending = 1;
        in.LastMenuItem = ShowContextMenu(0x40000000 | cell, pt, 0, 1);
        return 1;
      }
      OnMenuCommand(40031, cell, flags);
      return 1;
    }
    case LC_BUTTON_MENU: {
      POINT pt;
      RECT r;
      if (g_App.MainWnd && IsWindowVisible(g_App.MainWnd) && GetCellScreenRect(cell, &r)) {
        pt.x = (r.left + r.right) / 2;
        pt.y = (r.top + r.bottom) / 2;
      } else {
        GetCursorPos(&pt);
      }
      in.LastMenuItem = ShowContextMenu(0x40000000 | cell, pt, 0, 1);
      return 1;
    }
    case LC_HIDE:
      HideLauncher(1, 0, 0);
      EndIfIdleAfterHide();
      return 1;
    case LC_WINDOW_MENU: {
      POINT pt;
      GetCursorPos(&pt);
      HWND w = g_App.MainWnd;
      RECT wr = {};
      if (w) GetWindowRect(w, &wr);
      RECT r;
      if (w && IsWindowVisible(w) && !PtInRect(&wr, pt) && s.GridCells > 0 && GetCellScreenRect(0, &r)) {
        pt.x = r.left;
        pt.y = r.top;
      }
      in.LastMenuItem = ShowContextMenu(0, pt, 0, 1);
      return 1;
    }
    default: {
      int id = LauncherCommandMenuId(command, (g_App.Settings.Status & STATUS_VIEWMODE2) != 0);
      if (!id) return 0;
      OnMenuCommand(id, cell, flags);
      return 1;
    }
  }
}

// --- binding ------------------------------------------------------------------------------

static int DispatchTrayClick(UINT message) {
  return DispatchClickAction(CA_TRAY, GetClickCode(message, 0, 0), -1, CF_MOUSE);
}

static int HasTrayDoubleClick() { return g_App.Settings.Mouse.TrayIcon[0] != 0; }

static void ShowTrayMenu() {
  POINT pt;
  GetCursorPos(&pt);
  g_App.Input.MenuPending = 1;
  if (g_App.MainWnd) SetForegroundWindow(g_App.MainWnd);
  g_App.Input.LastMenuItem = ShowContextMenu(0, pt, 1, 0);
}

static void ShowBalloon(int id, int ms) { ShowBalloonTextId(id, (UINT)ms); }

static void ShowHelpStart() { ShowHelpTopic(nullptr); }

// Command 40031: at the given point, else at the button's cell.
static void ShowShellMenuOfItem(ButtonInfo* b, POINT* where) {
  if (!b) return;
  POINT pt = where ? *where : GetItemMenuPoint(FindItemCell(b), nullptr, 0);
  ShowItemContextMenu(b, g_App.MainWnd, pt);
}

static void HoverButton(int cell) { SetHoverButton(cell, 0); }
static void PopToolTip() {
  if (HWND tip = g_App.Tray.ToolTip) SendMessageW(tip, TTM_POP, 0, 0);
}

void BindInputOutlets() {
  g_InputOutlets.SetHoverButton = HoverButton;
  g_InputOutlets.SetHoverTab = SetHoverTab;
  g_StoreOutlets.HideTooltip = PopToolTip;
  g_TickerOutlets.EndDrag = EndLostDrag;
  g_TickerOutlets.ReleaseGuardExpired = EndWheelBlock;
  g_TickerOutlets.CheckSubMenuFocus = CheckSubMenuFocus;
  g_TrayOutlets.DispatchTrayClick = DispatchTrayClick;
  g_TrayOutlets.HasTrayDoubleClick = HasTrayDoubleClick;
  g_TrayOutlets.ShowTrayMenu = ShowTrayMenu;
  g_MenuEntries.ShowBalloon = ShowBalloon;
  g_MenuEntries.SetTrayState = RefreshTrayStateIcon;
  g_MenuEntries.TrayBusyAnimation = SetTrayBusyPicture;
  g_MenuEntries.SetHooks = SetHooks;
  g_MenuEntries.RefreshAppHookState = UpdateHookSuspend;
  g_MenuEntries.UpdateAllIcons = UpdateAllIcons;
  g_InputOutlets.ShowHelpTopic = ShowHelpStart;
  g_MenuEntries.ShowItemContextMenu = ShowShellMenuOfItem;
}
