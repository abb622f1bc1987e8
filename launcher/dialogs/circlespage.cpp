#include "dialogs/circlespage.h"

#include <commctrl.h>
#include <prsht.h>
#include <wchar.h>

#include "dialogs/dialoghelpers.h"
#include "dialogs/initialpage.h"
#include "dialogs/options.h"
#include "dialogs/triggertree.h"
#include "state.h"

enum {
  IDC_HIDE_ON_LEAVE = 1147,
  IDC_ASSIGN = 1166,      // 1166 clockwise, 1167 counterclockwise; the same for the rows below
  IDC_ACTION = 1168,
  IDC_TURNS = 1178,
  IDC_MAX_RADIUS = 1180,
  IDC_MIN_RADIUS = 1182,
  IDC_TURNS_SPIN = 1184,
  IDC_RESTRAINT_FIRST = 1190,  // 1190-1192: left, right, middle button
  IDC_LAST_OF_CIRCLE = 1188,
};

static const UINT kRestraintBits[3] = {0x4000, 0x8000, 0x10000};
const int kMaxQuarters = 40;

struct CirclesPageState {
  int Quarters[2];
  int Page[2];  // the chooser's page; LIST_NONE: the page shown last
  int Changed[2];
};

int FormatRevolutions(int quarters, wchar_t* out, int size) {
  static const wchar_t* const kQuarter[4] = {L"", L"1/4", L"1/2", L"3/4"};
  if (quarters < 0) quarters = 0;
  if (quarters < 4) return swprintf(out, size, L"%ls", kQuarter[quarters]);
  if (quarters % 4 == 0) return swprintf(out, size, L"%d", quarters / 4);
  return swprintf(out, size, L"%d +%ls", quarters / 4, kQuarter[quarters % 4]);
}

static CirclesPageState* State(HWND page) { return (CirclesPageState*)GetWindowLongPtrW(page, DWLP_USER); }

static void ShowTurns(HWND page, int c, int quarters) {
  wchar_t text[32];
  FormatRevolutions(quarters, text, 32);
  SetDlgItemTextW(page, IDC_TURNS + c, text);
}

static int ReadInt(HWND page, int id) {
  BOOL ok;
  int v = (int)GetDlgItemInt(page, id, &ok, TRUE);
  return ok ? v : 0;
}

static void EnableCommonOptions(HWND page) {
  BOOL any = IsDlgButtonChecked(page, IDC_ASSIGN) || IsDlgButtonChecked(page, IDC_ASSIGN + 1);
  EnableWindow(GetDlgItem(page, IDC_HIDE_ON_LEAVE), any);
  for (int i = 0; i < 3; i++) EnableWindow(GetDlgItem(page, IDC_RESTRAINT_FIRST + i), any);
}

// The assign box of circle c was clicked (or the page starts with it clear).
static void OnAssign(HWND page, int c, int notify) {
  CirclesPageState* s = State(page);
  BOOL on = IsDlgButtonChecked(page, IDC_ASSIGN + c) == BST_CHECKED;
  wchar_t text[kActionNameChars] = L"";
  if (on) {
    ChooseInitialPage(page, &s->Page[c]);
    FormatActionName(LIST_NONE, s->Page[c], text, 0);
  }
  SetDlgItemTextW(page, IDC_ACTION + c, text);
  for (int id = IDC_ASSIGN + c + 2; id <= IDC_LAST_OF_CIRCLE + c; id += 2) EnableWindow(GetDlgItem(page, id), on);
  s->Changed[c] = 1;
  EnableCommonOptions(page);
  if (notify) PropSheet_Changed(GetParent(page), page);
}

static int InitPage(HWND page) {
  CirclesPageState* s = (CirclesPageState*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(CirclesPageState));
  if (!s) return 0;
  SetWindowLongPtrW(page, DWLP_USER, (LONG_PTR)s);
  for (int c = 0; c < 2; c++) {
    const CircleGestureSettings& g = g_App.Store.Refs.Circle[c];
    s->Page[c] = LIST_NONE;
    if (g.Enable) {
      CheckDlgButton(page, IDC_ASSIGN + c, BST_CHECKED);
      wchar_t text[kActionNameChars];
      FormatActionName(g.Page, g.Button, text, 0);
      SetDlgItemTextW(page, IDC_ACTION + c, text);
      if (g.Page == LIST_NONE) s->Page[c] = g.Button;
    }
    s->Quarters[c] = g.RequiredSteps;
    ShowTurns(page, c, g.RequiredSteps);
    // Range 100..0 as on a fresh up-down: the up arrow reports -1.
    SendDlgItemMessageW(page, IDC_TURNS_SPIN + c, UDM_SETRANGE32, 100, 0);
    SendDlgItemMessageW(page, IDC_TURNS_SPIN + c, UDM_SETPOS32, 0, 50);
    SetDlgItemInt(page, IDC_MAX_RADIUS + c, (UINT)g.MaxJump, TRUE);
    SetEditRange(page, IDC_MAX_RADIUS + c, IDC_MAX_RADIUS + c + 6, 9999, 10);
    SetDlgItemInt(page, IDC_MIN_RADIUS + c, (UINT)g.MinTravel, TRUE);
    SetEditRange(page, IDC_MIN_RADIUS + c, IDC_MIN_RADIUS + c + 6, 99, 1);
  }
  const SettingsState& st = g_App.Settings;
  CheckDlgButton(page, IDC_HIDE_ON_LEAVE, (st.Option1 & 0x8000) ? BST_CHECKED : BST_UNCHECKED);
  for (int i = 0; i < 3; i++)
    CheckDlgButton(page, IDC_RESTRAINT_FIRST + i, (st.Restraint & kRestraintBits[i]) ? BST_CHECKED : BST_UNCHECKED);
  for (int c = 0; c < 2; c++)
    if (!IsDlgButtonChecked(page, IDC_ASSIGN + c)) OnAssign(page, c, 0);
  EnableCommonOptions(page);
  return 1;
}

static void Apply(HWND page) {
  BeginPageApply(page);
  CirclesPageState* s = State(page);
  if (!s) return;
  for (int c = 0; c < 2; c++) {
    CircleGestureSettings& g = g_App.Store.Refs.Circle[c];
    if (s->Changed[c]) {
      g.Enable = IsDlgButtonChecked(page, IDC_ASSIGN + c) == BST_CHECKED;
      g.Page = LIST_NONE;
      g.Button = s->Page[c];
    }
    g.RequiredSteps = s->Quarters[c] > 0 ? s->Quarters[c] : 1;
    int minimum = ReadInt(page, IDC_MIN_RADIUS + c);
    g.MinTravel = minimum > 0 ? minimum : 1;
    int maximum = ReadInt(page, IDC_MAX_RADIUS + c);
    g.MaxJump = maximum < g.MinTravel ? g.MinTravel : maximum;
    MarkOptionsDirty();
  }
  SettingsState& st = g_App.Settings;
  if (IsDlgButtonChecked(page, IDC_HIDE_ON_LEAVE)) st.Option1 |= 0x8000;
  else st.Option1 &= ~0x8000u;
  MarkOptionsDirty();
  for (int i = 0; i < 3; i++) {
    if (IsDlgButtonChecked(page, IDC_RESTRAINT_FIRST + i)) st.Restraint |= kRestraintBits[i];
    else st.Restraint &= ~kRestraintBits[i];
  }
  MarkOptionsDirty();
}

INT_PTR CALLBACK CirclesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      if (!InitPage(page)) PostMessageW(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam), code = HIWORD(wParam);
      if (!State(page)) return FALSE;
      if ((id == IDC_ASSIGN || id == IDC_ASSIGN + 1) && code == BN_CLICKED) {
        OnAssign(page, id - IDC_ASSIGN, 1);
      } else if ((id == IDC_ACTION || id == IDC_ACTION + 1) && code == EN_SETFOCUS) {
        SetFocus(GetDlgItem(page, id - 2));
      } else if ((id == IDC_TURNS || id == IDC_TURNS + 1) && code == EN_SETFOCUS) {
        SetFocus(GetDlgItem(page, id + 6));
      } else if (id >= IDC_TURNS && id <= IDC_MIN_RADIUS + 1 && code == EN_CHANGE) {
        PropSheet_Changed(GetParent(page), page);
      } else if ((id == IDC_HIDE_ON_LEAVE || (id >= IDC_RESTRAINT_FIRST && id < IDC_RESTRAINT_FIRST + 3)) &&
                 code == BN_CLICKED) {
        PropSheet_Changed(GetParent(page), page);
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      const NMHDR* h = (const NMHDR*)lParam;
      CirclesPageState* s = State(page);
      if (s && h->code == UDN_DELTAPOS && (h->idFrom == IDC_TURNS_SPIN || h->idFrom == IDC_TURNS_SPIN + 1)) {
        int c = (int)h->idFrom - IDC_TURNS_SPIN;
        int q = s->Quarters[c] - ((const NMUPDOWN*)lParam)->iDelta;
        s->Quarters[c] = q < 1 ? 1 : q > kMaxQuarters ? kMaxQuarters : q;
        ShowTurns(page, c, s->Quarters[c]);
        // The up-down keeps its own position, so every click reports a delta.
        SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      if (HandlePageNotify(page, h, OPT_PAGE_CIRCLES, Apply)) return TRUE;
      return FALSE;
    }
    case WM_DESTROY:
      if (CirclesPageState* s = State(page)) {
        SetWindowLongPtrW(page, DWLP_USER, 0);
        HeapFree(GetProcessHeap(), 0, s);
      }
      return FALSE;
  }
  return FALSE;
}
