#include "dialogs/hotkeylist.h"

#include <commctrl.h>
#include <stdio.h>
#include <wchar.h>

#include "core/menucmd.h"
#include "core/winhelpers.h"
#include "dialogs/dialogboxes.h"
#include "dialogs/triggertree.h"
#include "resources/resource.h"
#include "state.h"

enum {
  IDC_HOTKEY_LIST = 1398,
  IDC_COPY = 1399,
  IDS_COLUMN_NUMBER = 636,
  IDS_COLUMN_PAGE = 637,
  IDS_COLUMN_ITEM = 638,
  IDS_COLUMN_HOTKEY = 640,
};
const int kCellChars = 1024;

static void AddRow(HWND list, int row, const wchar_t* number, const wchar_t* page, const wchar_t* item, int code) {
  LVITEMW it = {};
  it.mask = LVIF_TEXT;
  it.iItem = row;
  it.pszText = (wchar_t*)number;
  int at = (int)SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&it);
  if (at < 0) return;
  wchar_t key[kCellChars];
  FormatHotKeyName(code, key, kCellChars, 0);
  const wchar_t* texts[3] = {page, item, key};
  for (int c = 0; c < 3; c++) {
    LVITEMW sub = {};
    sub.iSubItem = c + 1;
    sub.pszText = (wchar_t*)texts[c];
    SendMessageW(list, LVM_SETITEMTEXTW, (WPARAM)at, (LPARAM)&sub);
  }
}

static void FillList(HWND list) {
  const ItemStore& s = g_App.Store;
  const HotKeyTable& t = s.Refs.HotKeys;
  int row = 0;
  wchar_t name[kActionNameChars];
  if (t.Rows && t.Rows[0].Code) {
    FormatActionName(LIST_NONE, t.Rows[0].List, name, 0);
    AddRow(list, row++, L"000-000.000", L"", name, t.Rows[0].Code);
  }
  int vm = g_App.Settings.Status & STATUS_VIEWMODE2 ? 1 : 0;
  int swapped = (g_App.Design.ViewMode[vm].Flag & 0x200) != 0;
  for (int i = 1; t.Rows && i <= t.Count; i++) {
    const HotKeyEntry& e = t.Rows[i];
    ButtonInfo* b = GetItem(e.List, e.Index);
    if (!b) continue;
    int a = b->Position[vm].PosY + 1, c = b->Position[vm].PosX + 1;
    wchar_t number[40], page[kCellChars];
    swprintf(number, 40, L"%03d-%03d.%03d", e.List & 0x7FFF, swapped ? c : a, swapped ? a : c);
    page[0] = 0;
    if (e.List & LIST_SUBMENU) {
      int m = e.List & 0x7FFF;
      const ButtonInfo* parent = m < s.SubMenuCount ? GetItem(s.SubMenus[m].Page, s.SubMenus[m].Button) : nullptr;
      wchar_t word[64];
      LoadStoreString(IDS_SUBMENU, word, 64);
      swprintf(page, kCellChars, L"%.900ls (%.60ls)", parent && parent->Name ? parent->Name : L"", word);
    } else if (e.List >= 0 && e.List < s.PageCount && s.Pages[e.List].Name) {
      lstrcpynW(page, s.Pages[e.List].Name, kCellChars);
    }
    AddRow(list, row++, number, page, b->Name ? b->Name : L"", e.Code);
  }
}

wchar_t* BuildHotKeyListText(HWND list) {
  int rows = list ? (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) : 0;
  if (rows <= 0) return nullptr;
  // Each line: three cells of at most kCellChars, two tabs, CR LF.
  size_t size = (size_t)(rows + 1) * (3 * kCellChars + 4) + 1;
  wchar_t* text = (wchar_t*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size * sizeof(wchar_t));
  if (!text) return nullptr;
  wchar_t cells[3][kCellChars];
  const int headers[3] = {IDS_COLUMN_PAGE, IDS_COLUMN_ITEM, IDS_COLUMN_HOTKEY};
  for (int c = 0; c < 3; c++) LoadStoreString(headers[c], cells[c], kCellChars);
  size_t used = (size_t)swprintf(text, size, L"%ls\t%ls\t%ls\r\n", cells[0], cells[1], cells[2]);
  for (int r = 0; r < rows; r++) {
    for (int c = 0; c < 3; c++) {
      LVITEMW it = {};
      it.iSubItem = c + 1;
      it.pszText = cells[c];
      it.cchTextMax = kCellChars;
      cells[c][0] = 0;
      SendMessageW(list, LVM_GETITEMTEXTW, (WPARAM)r, (LPARAM)&it);
    }
    int n = swprintf(text + used, size - used, L"%ls\t%ls\t%ls\r\n", cells[0], cells[1], cells[2]);
    if (n > 0) used += (size_t)n;
  }
  return text;
}

int CopyHotKeyList(HWND list) {
  wchar_t* text = BuildHotKeyListText(list);
  if (!text) return 0;
  size_t bytes = (lstrlenW(text) + 1) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, bytes);
  int copied = 0;
  if (block) {
    void* p = GlobalLock(block);
    if (p) {
      memcpy(p, text, bytes);
      GlobalUnlock(block);
      if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        // The clipboard owns the block only when it took it.
        copied = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        CloseClipboard();
      }
    }
    if (!copied) GlobalFree(block);
  }
  HeapFree(GetProcessHeap(), 0, text);
  return copied;
}

INT_PTR CALLBACK HotKeyListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  TrackOpenDialog(dialog, message);
  switch (message) {
    case WM_INITDIALOG: {
      HWND list = GetDlgItem(dialog, IDC_HOTKEY_LIST);
      SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
      RECT rc;
      GetClientRect(list, &rc);
      const int ids[4] = {IDS_COLUMN_NUMBER, IDS_COLUMN_PAGE, IDS_COLUMN_ITEM, IDS_COLUMN_HOTKEY};
      const int percent[4] = {0, 28, 38, 30};
      for (int c = 0; c < 4; c++) {
        wchar_t title[64];
        LoadStoreString(ids[c], title, 64);
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = title;
        col.cx = rc.right * percent[c] / 100;
        col.iSubItem = c;
        SendMessageW(list, LVM_INSERTCOLUMNW, (WPARAM)c, (LPARAM)&col);
      }
      FillList(list);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_COPY: CopyHotKeyList(GetDlgItem(dialog, IDC_HOTKEY_LIST)); return TRUE;
        case IDOK: EndDialog(dialog, 1); return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

void ShowHotKeyListDialog() { RunDialog(IDD_HOTKEY_LIST, GetDialogOwner(), HotKeyListDlgProc, 0); }
