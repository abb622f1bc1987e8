#include "dialogs/about.h"

#include <stdio.h>
#include <wchar.h>

#include "core/winhelpers.h"
#include "dialogs/dialogboxes.h"
#include "dialogs/dialoghelpers.h"
#include "render/layout.h"
#include "resources/resource.h"
#include "state.h"
#include "store/paths.h"

enum { IDC_ABOUT_ICON = 1400, IDC_ABOUT_VERSION = 1401, IDC_ABOUT_CREDIT = 1402 };
const int kMaxLinkAddress = 1017;

struct Link {
  int Id;
  int Mail;
};
static const Link kLinks[] = {{1403, 0}, {1404, 0}, {1405, 1}, {1406, 0}, {1407, 1}};
const int kLinkCount = 5;
static int s_hover[kLinkCount];

// Addresses of the program's home; the translated pages are a second pair.
static const wchar_t kCredit[] = L"Vantrel - made by the Vantrel project";
static const wchar_t* const kWebBuiltin[2] = {L"https://vantrel.example/", L"https://vantrel.example/download/"};
static const wchar_t* const kWebOther[2] = {L"https://vantrel.example/en/", L"https://vantrel.example/en/download/"};
static const wchar_t kMail[] = L"support@vantrel.example";

int FormatAboutVersion(DWORD version, int is64, wchar_t* out, int chars) {
  int n = swprintf(out, chars, L"%ls %u.%u.%u", is64 ? L"Vantrel 64-bit Version" : L"Vantrel Version",
                   (unsigned)(version >> 24 & 0xFF), (unsigned)(version >> 16 & 0xFF), (unsigned)(version >> 8 & 0xFF));
  if (n < 0) out[0] = 0;
  return n < 0 ? 0 : n;
}

int BuildLinkTarget(const wchar_t* text, int mail, wchar_t* out, int chars) {
  int n = mail ? swprintf(out, chars, L"mailto:%.*ls?subject=[Vantrel]", kMaxLinkAddress, text)
               : swprintf(out, chars, L"%.*ls", kMaxLinkAddress, text);
  if (n < 0) out[0] = 0;
  return n < 0 ? 0 : n;
}

static int IsEnglishLibrary() { return !_wcsicmp(g_App.LangFile, L"English.dll") || !g_App.LangModule; }

static RECT ChildRect(HWND dialog, int id) {
  RECT r = {};
  HWND c = GetDlgItem(dialog, id);
  if (c) {
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
  }
  return r;
}

static void InitAbout(HWND dialog) {
  for (int& h : s_hover) h = 0;
  int dpi = GetWindowDpi(dialog, nullptr);
  int size = dpi > 96 ? 32 * dpi / 96 : 32;
  HINSTANCE program = g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr);
  HICON icon = (HICON)LoadImageW(program, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, size, size, LR_SHARED);
  HWND iconWnd = GetDlgItem(dialog, IDC_ABOUT_ICON);
  SendMessageW(iconWnd, STM_SETICON, (WPARAM)icon, 0);
  RECT ir = ChildRect(dialog, IDC_ABOUT_ICON);
  SetWindowPos(iconWnd, nullptr, ir.left, ir.top, size, size, SWP_NOZORDER | SWP_NOACTIVATE);

  wchar_t text[128];
  FormatAboutVersion(GetModuleVersion(nullptr), sizeof(void*) == 8, text, 128);
  SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, text);
  SetDlgItemTextW(dialog, IDC_ABOUT_CREDIT, kCredit);
  const wchar_t* const* web = g_App.LangModule ? kWebOther : kWebBuiltin;
  SetDlgItemTextW(dialog, 1403, web[0]);
  SetDlgItemTextW(dialog, 1404, web[1]);
  SetDlgItemTextW(dialog, 1405, kMail);

  if (IsEnglishLibrary()) {
    static const int kBlock[] = {1406, 1407, 1001, 1002, 1003, 1004};
    for (int id : kBlock) ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
    RECT top = ChildRect(dialog, 1001), ok = ChildRect(dialog, IDOK), last = ChildRect(dialog, 1406);
    SetWindowPos(GetDlgItem(dialog, IDOK), nullptr, ok.left, top.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT client, window;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    int cut = client.bottom - last.bottom;
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top - cut,
                 SWP_NOMOVE | SWP_NOZORDER);
  }
}

static int LinkAtCursor(HWND dialog) {
  POINT pt;
  GetCursorPos(&pt);
  for (int i = 0; i < kLinkCount; i++) {
    HWND c = GetDlgItem(dialog, kLinks[i].Id);
    RECT r;
    if (c && IsWindowVisible(c) && GetWindowRect(c, &r) && PtInRect(&r, pt)) return i;
  }
  return -1;
}

static void OpenLink(HWND dialog, int i) {
  wchar_t text[kMaxLinkAddress + 1], target[kLinkTargetChars];
  GetDlgItemTextW(dialog, kLinks[i].Id, text, kMaxLinkAddress + 1);
  BuildLinkTarget(text, kLinks[i].Mail, target, kLinkTargetChars);
  s_hover[i] = 0;
  EndDialog(dialog, 1);
  SHELLEXECUTEINFOW info = {sizeof info};
  info.lpFile = target;
  info.nShow = SW_SHOWNORMAL;
  g_DialogSeams.ShellExecuteExFn(&info);
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  TrackOpenDialog(dialog, message);
  switch (message) {
    case WM_INITDIALOG:
      InitAbout(dialog);
      return TRUE;
    case WM_SETCURSOR: {
      int at = LinkAtCursor(dialog);
      SetCursor(LoadCursorW(nullptr, at >= 0 ? IDC_HAND : IDC_ARROW));
      for (int i = 0; i < kLinkCount; i++) {
        int hover = i == at;
        if (hover == s_hover[i]) continue;
        s_hover[i] = hover;
        InvalidateRect(GetDlgItem(dialog, kLinks[i].Id), nullptr, TRUE);
        break;
      }
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
      int id = GetDlgCtrlID((HWND)lParam);
      for (int i = 0; i < kLinkCount; i++) {
        if (kLinks[i].Id != id) continue;
        HDC dc = (HDC)wParam;
        SetTextColor(dc, s_hover[i] ? RGB(0xFF, 0, 0) : RGB(0, 0, 0xFF));
        SetBkMode(dc, TRANSPARENT);
        return (INT_PTR)GetStockObject(NULL_BRUSH);
      }
      return FALSE;
    }
    case WM_LBUTTONDOWN: {
      int at = LinkAtCursor(dialog);
      if (at >= 0) OpenLink(dialog, at);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam) == IDOK);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

void ShowAboutDialog() { RunDialog(IDD_ABOUT, GetDialogOwner(), AboutDlgProc, 0); }
