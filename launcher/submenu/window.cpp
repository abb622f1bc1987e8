// The window of a level: painting, closing and destruction, the builder's
// notices, and the presses that open a cascade. Input beyond that (keys,
// commands, context menus, scrolling) comes with the sub-menu input code.
#include <windowsx.h>

#include "core/shellhelp.h"
#include "core/hookbind.h"
#include "state.h"
#include "submenu/submenu.h"
#include "submenu/tree.h"

static OpenMenu* LevelOf(HWND w) {
  int i = FindLevelOfWindow(w);
  return i >= 0 ? g_SmTree.Stack[i] : nullptr;
}

static void Paint(HWND w, OpenMenu* m) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(w, &ps);
  if (!dc) return;
  RECT c;
  GetClientRect(w, &c);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = mem ? CreateCompatibleBitmap(dc, c.right, c.bottom) : nullptr;
  if (mem && bmp) {
    HGDIOBJ old = SelectObject(mem, bmp);
    if (m && m->Items) RedrawSubMenu(mem, m);
    else FillRect(mem, &c, GetSysColorBrush(COLOR_MENU));
    BitBlt(dc, 0, 0, c.right, c.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
  }
  if (bmp) DeleteObject(bmp);
  if (mem) DeleteDC(mem);
  EndPaint(w, &ps);
}

static int ItemAt(const OpenMenu* m, POINT client) {
  int last = m->FirstVisible + m->Rows * m->Columns;
  for (int i = m->FirstVisible; i < m->ItemCount && i < last; ++i) {
    const RECT& r = m->Items[i]->Rect;
    if (client.x >= r.left && client.x <= r.right && client.y >= r.top && client.y <= r.bottom) return i;
  }
  return -1;
}

// The folder a button opens as a menu, or null (caller frees).
static LPITEMIDLIST ButtonFolder(const ButtonInfo* b) {
  UINT t = b->Type & 0xFFFF;
  LPITEMIDLIST folder = nullptr;
  if (t == 6 && b->ShellItem) return ClonePidl(b->ShellItem);
  if (b->Type & 0x2000) {
    SHGetSpecialFolderLocation(nullptr, (int)(b->Type & 0xFF), &folder);
    return folder;
  }
  if (t == 3 && b->File && b->File[0]) ParsePathToPidl(b->File, &folder);
  return folder;
}

// Opens the child level of an item beside it.
static void OpenCascade(OpenMenu* m, int index) {
  SmItem* it = m->Items[index];
  if (!it->Cascades || m->OpenChild == index) return;
  int level = m->Level;
  if (level + 1 < g_SmTree.Count && !CloseSubMenus(level + 1, 0)) return;
  RECT anchor = it->Rect;
  MapWindowPoints(m->Window, nullptr, (POINT*)&anchor, 2);
  int kind = SMK_FOLDER;
  LPITEMIDLIST folder = nullptr;
  if (it->Button) {
    UINT t = it->Button->Type & 0xFFFF;
    if (t == 16) kind = it->Button->SubMenuIdx + 1;
    else if (t == 0x4069) kind = SMK_HISTORY;
    else if (!(folder = ButtonFolder(it->Button))) return;
  } else {
    folder = CombinePidl((it->Attributes & SMA_SECOND) ? m->SecondFolder : m->Folder, it->Pidl);
    if (!folder) return;
  }
  InterlockedOr(&m->State, SMS_OPENING_CHILD);
  int ok = CreateSubMenuWindow(kind, folder, nullptr, GetWindow(m->Window, GW_OWNER), anchor, nullptr);
  FreePidl(folder);
  // The parent may have gone while the child was made (a refused level).
  if (FindLevelOfWindow(m->Window) < 0) return;
  InterlockedAnd(&m->State, ~SMS_OPENING_CHILD);
  if (ok) {
    m->OpenChild = index;
    m->Hover = index;
    InvalidateRect(m->Window, nullptr, FALSE);
  }
}

static LRESULT OnClose(HWND w, OpenMenu* m) {
  if (!m) return DefWindowProcW(w, WM_CLOSE, 0, 0);
  if (SubMenuBuilderRunning(m) && !(m->State & SMS_DETACHED)) {
    InterlockedOr(&m->State, SMS_STOP);
    for (int i = 0; i < 10 && WaitForSingleObject(m->Builder, 10) != WAIT_OBJECT_0; ++i) {
    }
    if (SubMenuBuilderRunning(m)) return 1;
  }
  if (m->Level != g_SmTree.Count - 1) return 1;
  DestroyWindow(w);
  return 0;
}

static void OnWorkerDone(HWND w, OpenMenu* m, WPARAM which) {
  if (!m || (WPARAM)m != which) return;
  // The thread may still look up icons; its handle stays until it ends.
  SubMenuBuilderRunning(m);
  if (m->State & (SMS_STOP | SMS_DETACHED)) {
    if (!(g_SmTree.State & SMTS_CLOSING)) PostMessageW(w, WM_CLOSE, 0, 0);
    return;
  }
  // Some shell folders enumerate fully only on the window's thread.
  if (!m->BuildResult) BuildSubMenuNow(m);
  AdoptBuiltItems(m);
}

LRESULT CALLBACK SubMenuWndProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  OpenMenu* m = LevelOf(w);
  switch (message) {
    case WM_PAINT:
      Paint(w, m);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_CLOSE:
      return OnClose(w, m);
    case WM_DESTROY:
      if (m) DestroyOpenMenu(m);
      return 0;
    case WMA_WORKERDONE:
      OnWorkerDone(w, m, wParam);
      return 0;
    case WMA_SMREDRAWITEM:
      // Deferred icons: wParam an item index of the adopted build and
      // lParam its system image-list index; or wParam -1 and lParam the
      // builder's array of all of them.
      if (m && wParam == (WPARAM)-1 && lParam) {
        const int* all = (const int*)lParam;
        if (all[0] == m->ItemCount)
          for (int i = 0; i < m->ItemCount; ++i)
            if (all[i + 1] >= 0 && m->Items[i]->Pidl && !(m->Items[i]->Attributes & SMA_ICON_LOADED)) {
              m->Items[i]->ImageIndex = all[i + 1];
              m->Items[i]->Attributes |= SMA_ICON_LOADED;
            }
        SmFree(OwnersOf(m)->Heap, (void*)all);
        InvalidateRect(w, nullptr, FALSE);
      } else if (m && wParam < (WPARAM)m->ItemCount && m->Items[wParam]->Pidl &&
                 !(m->Items[wParam]->Attributes & SMA_ICON_LOADED)) {
        SmItem* it = m->Items[wParam];
        it->ImageIndex = (int)lParam;
        it->Attributes |= SMA_ICON_LOADED;
        RECT r = it->Rect;
        r.right++;
        r.bottom++;
        if (r.right > r.left) InvalidateRect(w, &r, FALSE);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (m && m->Items) {
        int i = ItemAt(m, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (i >= 0 && i != m->Hover) {
          m->Hover = i;
          InvalidateRect(w, nullptr, FALSE);
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      if (m && m->Items && !(m->State & SMS_IN_BUTTON)) {
        InterlockedOr(&m->State, SMS_IN_BUTTON);
        int i = ItemAt(m, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (i >= 0 && message == WM_LBUTTONUP) OpenCascade(m, i);
        if (FindLevelOfWindow(w) >= 0) InterlockedAnd(&m->State, ~SMS_IN_BUTTON);
      }
      return 0;
    default:
      return DefWindowProcW(w, message, wParam, lParam);
  }
}
