#include "dialogs/triggertree.h"

#include <commctrl.h>
#include <stdio.h>
#include <wchar.h>

#include "dialogs/dialoghelpers.h"
#include "dialogs/initialpage.h"
#include "resources/resource.h"
#include "state.h"

static const int kBases[kTriggerCategories] = {0, 25, 50, 75, 85};
static const int kCounts[kTriggerCategories] = {25, 25, 25, 10, 15};
const int kPlaceTextChars = 128;
const int kNodeTextChars = kActionNameChars + kPlaceTextChars + 8;

int GetTriggerBase(int category) {
  return category >= 0 && category < kTriggerCategories ? kBases[category] : 0;
}
int GetTriggerCount(int category) {
  return category >= 0 && category < kTriggerCategories ? kCounts[category] : 0;
}

int GetTriggerStringId(int trigger) {
  if (trigger < 0 || trigger >= kMouseActions) return 0;
  if (trigger < 75) return IDS_TRIGGER_FIRST + trigger % 25;
  return IDS_TRIGGER_FIRST + 25 + (trigger - 75);
}

int IsPlaceOffered(int trigger, int place) {
  if (place < 0 || place >= kMousePlaces) return 0;
  return place != 0 || (trigger != 0 && trigger != 1 && trigger != 25);
}

int FormatTriggerText(int trigger, wchar_t* out, int size) {
  wchar_t format[kPlaceTextChars], word[32];
  out[0] = 0;
  if (!LoadStoreString(GetTriggerStringId(trigger), format, kPlaceTextChars)) return 0;
  word[0] = 0;
  if (trigger < 75) LoadStoreString(IDS_CLICK + trigger / 25, word, 32);
  // The text comes from a language library: its one "%s" takes the click
  // word, anything else is shown as it stands.
  const wchar_t* at = trigger < 75 && GetFormatConversion(format) == 's' ? wcsstr(format, L"%s") : nullptr;
  int n = at ? swprintf(out, size, L"%.*ls%ls%ls", (int)(at - format), format, word, at + 2)
             : swprintf(out, size, L"%ls", format);
  if (n < 0) out[0] = 0;
  return n < 0 ? 0 : n;
}

static const wchar_t* PageName(int page) {
  const ItemStore& s = g_App.Store;
  if (page < 0 || page >= s.PageCount || !s.Pages[page].Name) return L"";
  return s.Pages[page].Name;
}

int FormatActionName(int list, int index, wchar_t* out, int withoutPrefix) {
  out[0] = 0;
  const ItemStore& s = g_App.Store;
  wchar_t part[kActionNameChars];
  if (list == LIST_NONE) {
    const wchar_t* target = L"";
    if (index == LIST_NONE) {
      LoadStoreString(IDS_LAST_PAGE, part, kActionNameChars);
      target = part;
    } else if (index & 0x8000) {
      if ((index & 0x7FFF) < s.SubMenuCount) target = GetListOwnerName(index);
    } else if (index >= 0 && index < s.PageCount) {
      target = PageName(index);
    }
    if (!target) target = L"";
    if (withoutPrefix) {
      swprintf(out, kActionNameChars, L"%ls", target);
    } else {
      wchar_t show[kPlaceTextChars];
      LoadStoreString(IDS_SHOW_LAUNCHER, show, kPlaceTextChars);
      swprintf(out, kActionNameChars, L"%ls - %ls", show, target);
    }
    return (int)wcslen(out);
  }
  ButtonInfo* b = GetItem(list, index);
  if (!b) return 0;
  const wchar_t* owner = GetListOwnerName(list);
  swprintf(out, kActionNameChars, L"%ls - %ls", b->Name ? b->Name : L"", owner ? owner : L"");
  return (int)wcslen(out);
}

UINT CheckShowTriggers(const References* r) {
  UINT mask = 0;
  for (int t = 0; t < kMouseActions; t++)
    for (int p = 0; p < kMousePlaces; p++)
      if ((r->MousePlaceMask[t] >> p & 1) && r->MouseTargets[t][p].List == LIST_NONE) mask |= 0x20;
  for (int e = 0; e < kEdgeCount; e++)
    if ((r->EdgeAssignment[e] >> 16) == 0xFFFF) mask |= 0x40;
  for (const CircleGestureSettings& c : r->Circle)
    if (c.Enable && c.Page == LIST_NONE) mask |= 0x80;
  if (r->HotKeys.Rows && r->HotKeys.Count >= 0 && r->HotKeys.Rows[0].Code) mask |= 0x100;
  return mask;
}

// --- the tree -----------------------------------------------------------------------------------

enum { CHECK_OFF = 1, CHECK_ON = 2 };

static int GetCheck(HWND tree, HTREEITEM item) {
  return (int)(SendMessageW(tree, TVM_GETITEMSTATE, (WPARAM)item, TVIS_STATEIMAGEMASK) >> 12);
}

static void SetCheck(HWND tree, HTREEITEM item, int check) {
  TVITEMW tv = {};
  tv.mask = TVIF_STATE;
  tv.hItem = item;
  tv.stateMask = TVIS_STATEIMAGEMASK;
  tv.state = INDEXTOSTATEIMAGEMASK(check);
  SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv);
}

static LPARAM GetParam(HWND tree, HTREEITEM item) {
  TVITEMW tv = {};
  tv.mask = TVIF_PARAM;
  tv.hItem = item;
  SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv);
  return tv.lParam;
}

static void SetTextAndParam(HWND tree, HTREEITEM item, const wchar_t* text, LPARAM param) {
  TVITEMW tv = {};
  tv.mask = TVIF_TEXT | TVIF_PARAM;
  tv.hItem = item;
  tv.pszText = const_cast<wchar_t*>(text);
  tv.lParam = param;
  SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv);
}

static HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
  return (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, how, (LPARAM)item);
}

// "Place  [ action ]", or the place alone for no action.
static void FormatPlaceText(int place, const wchar_t* action, wchar_t* out) {
  wchar_t name[kPlaceTextChars];
  LoadStoreString(IDS_PLACE_FIRST + place, name, kPlaceTextChars);
  if (action) swprintf(out, kNodeTextChars, L"%ls  [ %ls ]", name, action);
  else swprintf(out, kNodeTextChars, L"%ls", name);
}

static HTREEITEM InsertNode(HWND tree, HTREEITEM parent, const wchar_t* text, LPARAM param, int check) {
  TVINSERTSTRUCTW is = {};
  is.hParent = parent;
  is.hInsertAfter = TVI_LAST;
  is.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
  is.item.pszText = const_cast<wchar_t*>(text);
  is.item.lParam = param;
  is.item.stateMask = TVIS_STATEIMAGEMASK;
  is.item.state = INDEXTOSTATEIMAGEMASK(check);
  return (HTREEITEM)SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&is);
}

void FillTriggerTree(HWND tree, int category, int list, int index, int build) {
  if (!tree) return;
  if (!build) {
    HIMAGELIST images = (HIMAGELIST)SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_STATE, 0);
    if (images) ImageList_Destroy(images);
    return;
  }
  if (category < 0 || category >= kTriggerCategories) return;
  // The check boxes must be switched on after creation to get their images.
  SetWindowLongPtrW(tree, GWL_STYLE, GetWindowLongPtrW(tree, GWL_STYLE) | TVS_CHECKBOXES);
  const References& r = g_App.Store.Refs;
  const int showMode = list == LIST_NONE;
  HTREEITEM firstOurs = nullptr;
  wchar_t text[kNodeTextChars], action[kActionNameChars];
  for (int row = 0; row < kCounts[category]; row++) {
    int t = kBases[category] + row;
    FormatTriggerText(t, text, kNodeTextChars);
    HTREEITEM root = InsertNode(tree, TVI_ROOT, text, GetTriggerStringId(t), CHECK_OFF);
    int anyChecked = 0, anyOurs = 0;
    for (int p = 0; p < kMousePlaces; p++) {
      if (!IsPlaceOffered(t, p)) continue;
      int set = r.MousePlaceMask[t] >> p & 1;
      const MouseTarget& slot = r.MouseTargets[t][p];
      int mark = 0;
      if (set) {
        FormatActionName(slot.List, slot.Index, action, 0);
        FormatPlaceText(p, action, text);
        if (showMode && slot.List == LIST_NONE) mark = slot.Index == LIST_NONE ? 0xFFFF : (slot.Index + 1) & 0xFFFF;
        else if (!showMode && slot.List == list && slot.Index == index) mark = 1;
      } else {
        FormatPlaceText(p, nullptr, text);
      }
      HTREEITEM child = InsertNode(tree, root, text, MAKELPARAM(p, mark), set ? CHECK_ON : CHECK_OFF);
      anyChecked |= set;
      if (mark) {
        anyOurs = 1;
        if (!firstOurs) firstOurs = child;
      }
    }
    if (anyChecked) SetCheck(tree, root, CHECK_ON);
    if (anyOurs) SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)root);
  }
  if (firstOurs) SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)firstOurs);
}

static HTREEITEM HitItem(HWND tree, int byMouse) {
  if (!byMouse) return Next(tree, nullptr, TVGN_CARET);
  DWORD pos = GetMessagePos();
  TVHITTESTINFO hit = {};
  hit.pt.x = (short)LOWORD(pos);
  hit.pt.y = (short)HIWORD(pos);
  ScreenToClient(tree, &hit.pt);
  HTREEITEM item = (HTREEITEM)SendMessageW(tree, TVM_HITTEST, 0, (LPARAM)&hit);
  return item && (hit.flags & TVHT_ONITEMSTATEICON) ? item : nullptr;
}

// The tree flips the check box itself after the notification: each node
// is set to the opposite of the state it must end in.
int OnTriggerTreeCheck(HWND tree, int category, int list, int index, int byMouse) {
  HTREEITEM item = HitItem(tree, byMouse);
  if (!item) return 0;
  HTREEITEM parent = Next(tree, item, TVGN_PARENT);
  wchar_t text[kNodeTextChars], action[kActionNameChars];
  if (!parent) {
    if (GetCheck(tree, item) != CHECK_ON) {
      SetCheck(tree, item, CHECK_ON);
      SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
      SendMessageW(tree, TVM_EXPAND, TVE_TOGGLE, (LPARAM)item);
      return 1;
    }
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = action;
    tv.cchTextMax = kActionNameChars;
    SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv);
    if (ShowMessageF(IDS_ASK_DELETE_TRIGGER, MB_OKCANCEL | MB_ICONQUESTION, action) != IDOK) {
      SetCheck(tree, item, CHECK_OFF);
      return 0;
    }
    for (HTREEITEM c = Next(tree, item, TVGN_CHILD); c; c = Next(tree, c, TVGN_NEXT)) {
      int place = LOWORD(GetParam(tree, c));
      FormatPlaceText(place, nullptr, text);
      SetTextAndParam(tree, c, text, MAKELPARAM(place, 0));
      SetCheck(tree, c, CHECK_OFF);
    }
    SetCheck(tree, item, CHECK_ON);
    return 1;
  }
  int place = LOWORD(GetParam(tree, item));
  int becoming = GetCheck(tree, item) != CHECK_ON;
  if (becoming) {
    int mark;
    if (list == LIST_NONE) {
      int page = 0xFFFF;
      ChooseInitialPage(GetParent(tree), &page);
      mark = page == 0xFFFF ? 0xFFFF : (page + 1) & 0xFFFF;
      FormatActionName(LIST_NONE, page, action, 0);
    } else {
      mark = 1;
      FormatActionName(list, index, action, 0);
    }
    FormatPlaceText(place, action, text);
    SetTextAndParam(tree, item, text, MAKELPARAM(place, mark));
    SetCheck(tree, item, CHECK_OFF);
  } else {
    FormatPlaceText(place, nullptr, text);
    SetTextAndParam(tree, item, text, MAKELPARAM(place, 0));
    SetCheck(tree, item, CHECK_ON);
  }
  for (HTREEITEM c = Next(tree, parent, TVGN_CHILD); c; c = Next(tree, c, TVGN_NEXT))
    if (c != item && GetCheck(tree, c) == CHECK_ON) return 1;
  SetCheck(tree, parent, becoming ? CHECK_ON : CHECK_OFF);
  return 1;
}

void ReadTriggerTree(HWND tree, int category, int list, int index) {
  if (category < 0 || category >= kTriggerCategories) return;
  References& r = g_App.Store.Refs;
  HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
  for (int row = 0; row < kCounts[category] && root; row++, root = Next(tree, root, TVGN_NEXT)) {
    int t = kBases[category] + row;
    UINT mask = 0;
    for (HTREEITEM c = Next(tree, root, TVGN_CHILD); c; c = Next(tree, c, TVGN_NEXT)) {
      LPARAM param = GetParam(tree, c);
      int place = LOWORD(param), mark = HIWORD(param);
      if (!IsPlaceOffered(t, place)) continue;
      MouseTarget& slot = r.MouseTargets[t][place];
      if (GetCheck(tree, c) != CHECK_ON) {
        slot = MouseTarget{0, 0};
        continue;
      }
      mask |= 1u << place;
      if (!mark) continue;  // another button's: keep it
      if (list == LIST_NONE) slot = MouseTarget{LIST_NONE, mark == 0xFFFF ? LIST_NONE : mark - 1};
      else slot = MouseTarget{list, index};
    }
    r.MousePlaceMask[t] = mask;
  }
}

void ExpandTriggerTree(HWND tree, int command) {
  if (command != 40060 && command != 40061) return;
  HTREEITEM first = Next(tree, nullptr, TVGN_ROOT);
  for (HTREEITEM n = first; n; n = Next(tree, n, TVGN_NEXT))
    SendMessageW(tree, TVM_EXPAND, command == 40060 ? TVE_EXPAND : TVE_COLLAPSE, (LPARAM)n);
  if (first) SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)first);
}
