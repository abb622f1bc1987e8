#include "support/dialog_driver.h"

#include "core/winhelpers.h"

static std::function<void(HWND)> g_Action;
static HWND g_Below;  // the dialog that was on top when the action was set

static void CALLBACK DriveTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND top = GetTopOpenDialog();
  if (!top || top == g_Below || !IsWindowVisible(top)) return;
  KillTimer(nullptr, id);
  std::function<void(HWND)> action = std::move(g_Action);
  g_Action = nullptr;
  if (action) action(top);
}

void WhenDialogOpens(std::function<void(HWND)> action) {
  g_Action = std::move(action);
  g_Below = GetTopOpenDialog();
  SetTimer(nullptr, 0, 30, DriveTimer);
}

void ClickButton(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}
