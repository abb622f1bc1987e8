#include "dialogs/clickspage.h"

#include <commctrl.h>
#include <prsht.h>

#include "dialogs/dialoghelpers.h"
#include "dialogs/options.h"
#include "dialogs/triggertree.h"
#include "resources/resource.h"
#include "state.h"
#include "core/showhide.h"
#include "dialogs/dialogboxes.h"

enum {
  IDC_RADIO_FIRST = 1136,  // 1136-1140: one per tree
  IDC_TREE_FIRST = 1141,   // 1141-1145
  IDC_HIDE_ON_LEAVE = 1147,
  IDC_LOW_LEVEL_HOOK = 1151,
  IDC_HOLD_DELAY = 1089,
  IDC_HOLD_SPIN = 1021,
};

// Option1 bits of check boxes 1147-1151 in control order.
static const UINT kOptionBits[5] = {0x2000, 0x20000, 0x40000, 0x80000, 0x100000};
const int kMaxHoldDelay = 10000;

int ClampPressHoldDelay(int ms) { return ms < 0 ? 0 : ms > kMaxHoldDelay ? kMaxHoldDelay : ms; }

static HWND Tree(HWND page, int category) { return GetDlgItem(page, IDC_TREE_FIRST + category); }

static void ShowCheckedTree(HWND page) {
  for (int c = 0; c < kTriggerCategories; c++)
    ShowWindow(Tree(page, c), IsDlgButtonChecked(page, IDC_RADIO_FIRST + c) ? SW_SHOW : SW_HIDE);
}

static int ReadHoldDelay(HWND page) {
  BOOL ok;
  int v = (int)GetDlgItemInt(page, IDC_HOLD_DELAY, &ok, TRUE);
  int clamped = ClampPressHoldDelay(ok ? v : 0);
  if (!ok || clamped != v) SetDlgItemInt(page, IDC_HOLD_DELAY, (UINT)clamped, TRUE);
  return clamped;
}

static void InitPage(HWND page) {
  CheckDlgButton(page, IDC_RADIO_FIRST, BST_CHECKED);
  for (int c = 0; c < kTriggerCategories; c++) FillTriggerTree(Tree(page, c), c, LIST_NONE, 0, 1);
  ShowCheckedTree(page);
  const UINT option1 = g_App.Settings.Option1;
  for (int i = 0; i < 4; i++) CheckDlgButton(page, IDC_HIDE_ON_LEAVE + i, (option1 & kOptionBits[i]) ? BST_CHECKED : BST_UNCHECKED);
  HWND lowLevel = GetDlgItem(page, IDC_LOW_LEVEL_HOOK);
  if (g_App.RunState & RS_VNADMIN_MODE) {
    CheckDlgButton(page, IDC_LOW_LEVEL_HOOK, BST_CHECKED);
    EnableWindow(lowLevel, FALSE);
  } else {
    CheckDlgButton(page, IDC_LOW_LEVEL_HOOK, (option1 & 0x100000) ? BST_CHECKED : BST_UNCHECKED);
  }
  SetDlgItemInt(page, IDC_HOLD_DELAY, (UINT)ClampPressHoldDelay(g_App.Settings.PressHoldG), TRUE);
  SetEditRange(page, IDC_HOLD_DELAY, IDC_HOLD_SPIN, kMaxHoldDelay, 0);
}

static void Apply(HWND page) {
  BeginPageApply(page);
  for (int c = 0; c < kTriggerCategories; c++) ReadTriggerTree(Tree(page, c), c, LIST_NONE, 0);
  UINT option1 = g_App.Settings.Option1;
  for (int i = 0; i < 5; i++) {
    if (IsDlgButtonChecked(page, IDC_HIDE_ON_LEAVE + i)) option1 |= kOptionBits[i];
    else option1 &= ~kOptionBits[i];
  }
  g_App.Settings.Option1 = option1;
  MarkOptionsDirty();
  g_App.Settings.PressHoldG = ReadHoldDelay(page);
  MarkOptionsDirty();
}

static void TrackTreeMenu(HWND page, HWND tree) {
  HMENU top = LoadMenuW(GetMenuModule(IDR_MENU_TREE), MAKEINTRESOURCEW(IDR_MENU_TREE));
  if (!top) return;
  POINT pt;
  GetCursorPos(&pt);
  UINT keep = g_App.UiStateFlags & 0x01;
  g_App.UiStateFlags |= 0x01;
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  int command = TrackPopupMenu(GetSubMenu(top, 0), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, pt.x, pt.y, 0, page, nullptr);
  g_App.UiStateFlags = (g_App.UiStateFlags & ~0x01u) | keep;
  UpdateCursor();
  DestroyMenu(top);
  ExpandTriggerTree(tree, command);
}

INT_PTR CALLBACK ClicksPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitPage(page);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id >= IDC_RADIO_FIRST && id < IDC_RADIO_FIRST + kTriggerCategories && code == BN_CLICKED) {
        ShowCheckedTree(page);
      } else if (id >= IDC_HIDE_ON_LEAVE && id <= IDC_LOW_LEVEL_HOOK && code == BN_CLICKED) {
        PropSheet_Changed(GetParent(page), page);
      } else if (id == IDC_HOLD_DELAY) {
        if (code == EN_CHANGE) PropSheet_Changed(GetParent(page), page);
        else if (code == EN_KILLFOCUS) ReadHoldDelay(page);
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      const NMHDR* h = (const NMHDR*)lParam;
      int category = (int)h->idFrom - IDC_TREE_FIRST;
      if (category >= 0 && category < kTriggerCategories) {
        HWND tree = h->hwndFrom;
        int changed = 0;
        if (h->code == TVN_ITEMEXPANDEDW) {
          SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)((const NMTREEVIEWW*)lParam)->itemNew.hItem);
        } else if (h->code == NM_CLICK) {
          changed = OnTriggerTreeCheck(tree, category, LIST_NONE, 0, 1);
        } else if (h->code == TVN_KEYDOWN && ((const NMTVKEYDOWN*)lParam)->wVKey == VK_SPACE) {
          changed = OnTriggerTreeCheck(tree, category, LIST_NONE, 0, 0);
        } else if (h->code == NM_RCLICK) {
          TrackTreeMenu(page, tree);
          return TRUE;
        }
        if (changed) PropSheet_Changed(GetParent(page), page);
        return FALSE;
      }
      if (HandlePageNotify(page, h, OPT_PAGE_CLICKS, Apply)) return TRUE;
      return FALSE;
    }
    case WM_DESTROY:
      for (int c = 0; c < kTriggerCategories; c++) FillTriggerTree(Tree(page, c), c, 0, 0, 0);
      return FALSE;
  }
  return FALSE;
}
