#include "dialogs/initialpage.h"

#include <stdio.h>

#include "core/winhelpers.h"
#include "dialogs/dialogboxes.h"
#include "resources/resource.h"
#include "state.h"

const int kPageCombo = 1379;

int GetInitialPageRow(int page, int pageCount) {
  if (page == 0xFFFF) return 0;
  return page >= 0 && page < pageCount ? page + 1 : -1;
}

int GetInitialPageValue(int row, int pageCount) {
  // No row chosen keeps the one value that is always valid.
  if (row <= 0 || row > pageCount) return 0xFFFF;
  return row - 1;
}

INT_PTR CALLBACK InitialPageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  TrackOpenDialog(dialog, message);
  const ItemStore& s = g_App.Store;
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      HWND combo = GetDlgItem(dialog, kPageCombo);
      wchar_t text[300];
      LoadStoreString(IDS_LAST_PAGE, text, 300);
      SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)text);
      for (int i = 0; i < s.PageCount; i++) {
        swprintf(text, 300, L"%d. %.280ls", i + 1, s.Pages[i].Name ? s.Pages[i].Name : L"");
        SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)text);
      }
      int* page = (int*)lParam;
      SendMessageW(combo, CB_SETCURSEL, (WPARAM)(page ? GetInitialPageRow(*page, s.PageCount) : 0), 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        int* page = (int*)GetWindowLongPtrW(dialog, DWLP_USER);
        int row = (int)SendDlgItemMessageW(dialog, kPageCombo, CB_GETCURSEL, 0, 0);
        if (page) *page = GetInitialPageValue(row, s.PageCount);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

int ChooseInitialPage(HWND owner, int* page) {
  return (int)RunDialog(IDD_INITIAL_PAGE, owner, InitialPageDlgProc, (LPARAM)page);
}
