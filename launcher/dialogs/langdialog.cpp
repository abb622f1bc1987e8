#include "dialogs/langdialog.h"

#include <stdio.h>
#include <wchar.h>

#include "core/winhelpers.h"
#include "dialogs/dialogboxes.h"
#include "resources/resource.h"
#include "state.h"
#include "store/language.h"
#include "store/outlets.h"
#include "store/paths.h"

const int kLanguageList = 1035;
const int kNameChars = 260;

// Inserts file at row k, moving later rows up. 0 when out of memory.
static int InsertRow(LanguageList* rows, int k, const wchar_t* file) {
  if (k < 0 || k > rows->Count) return 0;
  if (rows->Count == rows->Capacity) {
    int capacity = rows->Capacity ? rows->Capacity * 2 : 16;
    void* grown = rows->Files ? HeapReAlloc(rows->Heap, HEAP_ZERO_MEMORY, rows->Files, capacity * sizeof(wchar_t*))
                              : HeapAlloc(rows->Heap, HEAP_ZERO_MEMORY, capacity * sizeof(wchar_t*));
    if (!grown) return 0;
    rows->Files = (wchar_t**)grown;
    rows->Capacity = capacity;
  }
  wchar_t* copy = nullptr;
  if (file) {
    size_t n = wcslen(file) + 1;
    copy = (wchar_t*)HeapAlloc(rows->Heap, 0, n * sizeof(wchar_t));
    if (!copy) return 0;
    memcpy(copy, file, n * sizeof(wchar_t));
  }
  memmove(rows->Files + k + 1, rows->Files + k, (rows->Count - k) * sizeof(wchar_t*));
  rows->Files[k] = copy;
  rows->Count++;
  return 1;
}

void FillLanguageList(HWND list, LanguageList* rows) {
  wchar_t name[kNameChars];
  HINSTANCE program = g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr);
  if (LoadStringW(program, IDS_LANG_NAME, name, kNameChars) <= 0) name[0] = 0;
  int row = (int)SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)name);
  SendMessageW(list, LB_SETCURSEL, (WPARAM)row, 0);
  if (row < 0 || !InsertRow(rows, row, nullptr)) return;

  wchar_t pattern[MAX_PATH + 32];
  if (!BuildProgramFilePath(L"Languages\\*.dll", pattern, MAX_PATH + 32)) return;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    HMODULE module = LoadLanguageDll(found.cFileName);
    if (!module) continue;
    if (LoadStringW(module, IDS_LANG_NAME, name, kNameChars) <= 0) lstrcpynW(name, found.cFileName, kNameChars);
    FreeLibrary(module);
    row = (int)SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)name);
    if (row < 0) break;
    // A row without its file would name the wrong library: stop here.
    if (!InsertRow(rows, row, found.cFileName)) {
      SendMessageW(list, LB_DELETESTRING, (WPARAM)row, 0);
      break;
    }
    if (!_wcsicmp(found.cFileName, g_App.LangFile)) SendMessageW(list, LB_SETCURSEL, (WPARAM)row, 0);
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

void FreeLanguageList(LanguageList* rows) {
  if (rows->Heap) HeapDestroy(rows->Heap);
  *rows = LanguageList{};
}

static void ChooseRow(const LanguageList* rows, int row) {
  if (row < 0 || row >= rows->Count) return;  // no entry: no change
  if (rows->Files[row]) {
    SetLanguage(rows->Files[row]);
  } else if (wcscmp(g_App.LangFile, kBuiltinLanguage) != 0) {
    lstrcpynW(g_App.LangFile, kBuiltinLanguage, 260);
    FreeLanguageLibrary();
    SelectResourceLanguage();
    if (g_StoreOutlets.BroadcastPluginEvent) g_StoreOutlets.BroadcastPluginEvent(0x10007, (INT_PTR)g_App.LangFile);
  }
}

INT_PTR CALLBACK LanguageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  TrackOpenDialog(dialog, message);
  static LanguageList s_rows;
  switch (message) {
    case WM_INITDIALOG:
      s_rows = LanguageList{};
      s_rows.Heap = HeapCreate(0, 0, 0);
      if (s_rows.Heap) FillLanguageList(GetDlgItem(dialog, kLanguageList), &s_rows);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        ChooseRow(&s_rows, (int)SendDlgItemMessageW(dialog, kLanguageList, LB_GETCURSEL, 0, 0));
        WriteSettings(nullptr, 0);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      FreeLanguageList(&s_rows);
      return FALSE;
  }
  return FALSE;
}

void ShowLanguageDialog() { RunDialog(IDD_LANGUAGE, GetDialogOwner(), LanguageDlgProc, 0); }
