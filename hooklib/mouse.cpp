#include "hooklib/mouse.h"
#include "hooklib/circle.h"
#include "hooklib/hookenv.h"
#include "hooklib/places.h"
#include "hooklib/settings.h"

// Per process: the hooks of one process must not run a path twice at once.
static volatile LONG s_clickBusy;
static volatile LONG s_moveBusy;
static volatile LONG s_replayBusy;

HookTimers g_HookTimers;

static const DWORD kRepeatMs = 50;     // the ordinary hook sees some messages twice
static const UINT kMenuWatchMs = 500;

// Event codes by button index (left, right, middle, X1, X2).
static const UINT32 kDownEvent[5] = {0x201, 0x204, 0x207, 0x8067, 0x806A};
static const UINT32 kDoubleEvent[5] = {0x203, 0x206, 0x209, 0x8068, 0x806B};
static const UINT32 kTripleEvent[5] = {0x8064, 0x8065, 0x8066, 0x8069, 0x806C};
static const UINT32 kWheelForward = 0x806D, kWheelBackward = 0x806E;

static int ButtonIndex(int bit)
{
  switch (bit) {
  case MOUSEBIT_LEFT: return 0;
  case MOUSEBIT_RIGHT: return 1;
  case MOUSEBIT_MIDDLE: return 2;
  case MOUSEBIT_X1: return 3;
  case MOUSEBIT_X2: return 4;
  }
  return -1;
}

bool IsMouseButtonDown(int buttonBit)
{
  int vk;
  switch (buttonBit) {
  case MOUSEBIT_LEFT:
  case MOUSEBIT_RIGHT: {
    bool swapped = g_HookEnv.Metric(SM_SWAPBUTTON) != 0;
    vk = (buttonBit == MOUSEBIT_LEFT) != swapped ? VK_LBUTTON : VK_RBUTTON;
    break;
  }
  case MOUSEBIT_MIDDLE: vk = VK_MBUTTON; break;
  case MOUSEBIT_X1: vk = VK_XBUTTON1; break;
  case MOUSEBIT_X2: vk = VK_XBUTTON2; break;
  default: return false;
  }
  return (g_HookEnv.KeyState(vk) & 0x8000) != 0;
}

static bool IsNear(LONG a, LONG b, int limit)
{
  LONG d = a - b;
  return (d < 0 ? -d : d) <= limit;
}

UINT32 ClassifyClick(SharedHookData* d, UINT msg, DWORD mouseData, POINT pt, int* button)
{
  *button = 0;
  if (msg >= WM_NCLBUTTONDOWN && msg <= WM_NCXBUTTONDBLCLK)
    msg += WM_LBUTTONDOWN - WM_NCLBUTTONDOWN;
  DWORD now = g_HookEnv.Tick();
  bool xButton1 = (HIWORD(mouseData) & XBUTTON1) != 0;

  if (msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK ||
      msg == WM_XBUTTONDBLCLK) {
    if (d->clickState < 2) {
      // The system's own double click: take it as ours.
      d->clickState = 2;
      d->lastClickTick = now;
      d->lastClickPos = pt;
      d->swallowedButtons = 0;
      switch (msg) {
      case WM_LBUTTONDBLCLK: *button = MOUSEBIT_LEFT; return 0x203;
      case WM_RBUTTONDBLCLK: *button = MOUSEBIT_RIGHT; return 0x206;
      case WM_MBUTTONDBLCLK: *button = MOUSEBIT_MIDDLE; return 0x209;
      }
      *button = xButton1 ? MOUSEBIT_X1 : MOUSEBIT_X2;
      return xButton1 ? 0x8068 : 0x806B;
    }
    msg -= 2;
  }
  if (msg == WM_MOUSEWHEEL)
    return (short)HIWORD(mouseData) >= 0 ? kWheelForward : kWheelBackward;
  if (msg != WM_LBUTTONDOWN && msg != WM_RBUTTONDOWN && msg != WM_MBUTTONDOWN &&
      msg != WM_XBUTTONDOWN)
    return msg;

  if (now - d->lastClickTick > g_HookEnv.DoubleClickTime())
    d->firstClickButton = 0;
  d->lastClickTick = now;
  // Extra buttons are often on a hand-held device: no distance test.
  bool nearLast = msg == WM_XBUTTONDOWN ||
                  (IsNear(pt.x, d->lastClickPos.x, g_HookEnv.Metric(SM_CXDOUBLECLK)) &&
                   IsNear(pt.y, d->lastClickPos.y, g_HookEnv.Metric(SM_CYDOUBLECLK)));
  if (!nearLast)
    d->firstClickButton = 0;
  d->lastClickPos = pt;

  int bit;
  switch (msg) {
  case WM_LBUTTONDOWN: bit = MOUSEBIT_LEFT; break;
  case WM_RBUTTONDOWN: bit = MOUSEBIT_RIGHT; break;
  case WM_MBUTTONDOWN: bit = MOUSEBIT_MIDDLE; break;
  default:
    if (HIWORD(mouseData) & XBUTTON1)
      bit = MOUSEBIT_X1;
    else if (HIWORD(mouseData) & XBUTTON2)
      bit = MOUSEBIT_X2;
    else
      return 0;
  }
  *button = bit;
  d->swallowedButtons &= ~(UINT32)bit;
  if (bit == MOUSEBIT_RIGHT)
    d->swallowedButtons &= ~kCloseMenuAtRightUp;
  int index = ButtonIndex(bit);
  if (d->firstClickButton == bit) {
    int state = ++d->clickState;
    if (state == 2)
      return kDoubleEvent[index];
    if (state == 3) {
      d->clickState = 0;
      d->firstClickButton = 0;
      return kTripleEvent[index];
    }
  }
  d->clickState = 1;
  d->firstClickButton = bit;
  return kDownEvent[index];
}

BOOL IsHeldButtonMatch(int action)
{
  if (action < 0 || action >= kMouseActionCount)
    return FALSE;
  UINT32 mask = MouseActionTable.row[action].mask;
  for (int bit = MOUSEBIT_LEFT; bit <= MOUSEBIT_X2; bit <<= 1) {
    if ((mask & (UINT32)bit) || !IsMouseButtonDown(bit))
      continue;
    return (mask & ((UINT32)bit << MOUSEHELD_SHIFT)) != 0;
  }
  return (mask & 0x1F0000) == 0;
}

static bool IsOwnThread(DWORD thread)
{
  return thread == g_HookEnv.ThreadId();
}

// Only on the thread that set the watch.
static void StopMenuWatch()
{
  HookTimers& t = g_HookTimers;
  if (t.menuTimer) {
    g_HookEnv.KillTimer(NULL, t.menuTimer);
    t.menuTimer = 0;
  }
  if (t.menuWatch) {
    g_HookEnv.UnhookWinEvent(t.menuWatch);
    t.menuWatch = NULL;
  }
}

static bool IsPopupMenu(HWND wnd)
{
  wchar_t cls[16];
  return wnd && g_HookEnv.ClassName(wnd, cls, 16) && !lstrcmpW(cls, L"#32768");
}

static void CALLBACK MenuCreateEventProc(HWINEVENTHOOK hook, DWORD event, HWND wnd, LONG idObject,
                                         LONG, DWORD, DWORD)
{
  HookTimers& t = g_HookTimers;
  if (hook != t.menuWatch || !IsOwnThread(t.menuThread)) {
    g_HookEnv.UnhookWinEvent(hook);  // a watch we no longer keep
    return;
  }
  if (event != EVENT_OBJECT_CREATE || idObject != OBJID_WINDOW || !IsPopupMenu(wnd))
    return;
  g_HookEnv.Post(wnd, WM_CLOSE, 0, 0);
  StopMenuWatch();
}

static void CALLBACK StopMenuWatchTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
  // Thread timers repeat: every firing ends its own timer, ours or stale.
  g_HookEnv.KillTimer(NULL, id);
  HookTimers& t = g_HookTimers;
  if (id == t.menuTimer && IsOwnThread(t.menuThread)) {
    t.menuTimer = 0;
    StopMenuWatch();
  }
}

void CloseMenuAndWatch(SharedHookData* d)
{
  HWND menu = g_HookEnv.FindWindowEx(NULL, NULL, L"#32768", NULL);
  if (menu)
    g_HookEnv.Post(menu, WM_CLOSE, 0, 0);
  HookTimers& t = g_HookTimers;
  // Another thread of this process watches already; its own timer ends it.
  if ((t.menuTimer || t.menuWatch) && !IsOwnThread(t.menuThread))
    return;
  if (t.menuTimer) {
    g_HookEnv.KillTimer(NULL, t.menuTimer);
    t.menuTimer = 0;
  }
  t.menuThread = g_HookEnv.ThreadId();
  if (!t.menuWatch)
    t.menuWatch = g_HookEnv.SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, NULL,
                                            MenuCreateEventProc, 0, 0, WINEVENT_OUTOFCONTEXT);
  t.menuTimer = g_HookEnv.SetTimer(NULL, 0, kMenuWatchMs, StopMenuWatchTimerProc);
}

// Absolute input coordinates (0..65535 over the first monitor), or false
// while there is no first monitor to scale by: the monitors may not have been
// sent yet in this session.
static bool ToAbsolute(const SharedHookData* d, POINT pt, LONG* ax, LONG* ay)
{
  if (d->monitorCount <= 0)
    return false;
  LONGLONG w = d->monitors[0].right, h = d->monitors[0].bottom;
  if (w <= 0 || h <= 0)
    return false;
  *ax = (LONG)(((LONGLONG)pt.x * 65536 + w - 1) / w);
  *ay = (LONG)(((LONGLONG)pt.y * 65536 + h - 1) / h);
  return true;
}

int BuildReplayInputs(const SharedHookData* d, POINT cursorNow, INPUT* inputs, int capacity)
{
  DWORD downFlag, upFlag, data = 0;
  switch (d->heldBackButton) {
  case MOUSEBIT_MIDDLE: downFlag = MOUSEEVENTF_MIDDLEDOWN; upFlag = MOUSEEVENTF_MIDDLEUP; break;
  case MOUSEBIT_X1: downFlag = MOUSEEVENTF_XDOWN; upFlag = MOUSEEVENTF_XUP; data = XBUTTON1; break;
  case MOUSEBIT_X2: downFlag = MOUSEEVENTF_XDOWN; upFlag = MOUSEEVENTF_XUP; data = XBUTTON2; break;
  default: return 0;
  }
  if (capacity < 6)
    return 0;
  int clicks = d->replayClicks == 2 ? 2 : 1;
  LONG ax = 0, ay = 0, bx = 0, by = 0;
  // The middle button acts where it was pressed; without a scale the click
  // goes where the pointer is.
  bool move = d->heldBackButton == MOUSEBIT_MIDDLE && ToAbsolute(d, d->replayPos, &ax, &ay) &&
              ToAbsolute(d, cursorNow, &bx, &by);
  int n = 0;
  for (int c = 0; c < clicks; c++) {
    const DWORD flags[2] = {downFlag, upFlag};
    for (DWORD flag : flags) {
      INPUT& in = inputs[n++];
      ZeroMemory(&in, sizeof(in));
      in.type = INPUT_MOUSE;
      in.mi.dwFlags = flag;
      in.mi.mouseData = data;
      in.mi.dwExtraInfo = INJECT_SIGNATURE;
    }
  }
  if (move) {
    inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[0].mi.dx = ax;
    inputs[0].mi.dy = ay;
    INPUT& back = inputs[n++];
    ZeroMemory(&back, sizeof(back));
    back.type = INPUT_MOUSE;
    back.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    back.mi.dx = bx;
    back.mi.dy = by;
    back.mi.dwExtraInfo = INJECT_SIGNATURE;
  }
  return n;
}

// Ends the pending replay wherever it was set: this thread's timer is killed;
// a timer of another thread or process finds the serial changed when it
// fires, and stands down.
static void CancelReplay(SharedHookData* d)
{
  InterlockedIncrement(&d->replaySerial);
  HookTimers& t = g_HookTimers;
  if (t.replayTimer && IsOwnThread(t.replayThread))
    g_HookEnv.KillTimer(NULL, t.replayTimer);
  t.replayTimer = 0;
}

void ReplayHeldBackClick(SharedHookData* d)
{
  CancelReplay(d);
  POINT now = {0, 0};
  g_HookEnv.CursorPos(&now);
  INPUT inputs[6];
  int n = BuildReplayInputs(d, now, inputs, 6);
  if (n)
    g_HookEnv.Inject(n, inputs, sizeof(INPUT));
  d->heldBackButton = 0;
}

static void CALLBACK ReplayClickTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
  // Thread timers repeat: every firing ends its own timer, ours or stale.
  g_HookEnv.KillTimer(NULL, id);
  HookTimers& t = g_HookTimers;
  if (id != t.replayTimer || !IsOwnThread(t.replayThread))
    return;
  t.replayTimer = 0;
  SharedHookData* d = t.data;
  if (!d || d->replaySerial != t.replaySerial || InterlockedExchange(&s_replayBusy, 1))
    return;
  ReplayHeldBackClick(d);
  InterlockedExchange(&s_replayBusy, 0);
}

static void SetReplayTimer(SharedHookData* d)
{
  HookTimers& t = g_HookTimers;
  t.data = d;
  t.replaySerial = InterlockedIncrement(&d->replaySerial);
  t.replayThread = g_HookEnv.ThreadId();
  t.replayTimer = g_HookEnv.SetTimer(NULL, 0, g_HookEnv.DoubleClickTime(), ReplayClickTimerProc);
}

void CancelHookTimers()
{
  HookTimers& t = g_HookTimers;
  if (t.replayTimer && IsOwnThread(t.replayThread))
    g_HookEnv.KillTimer(NULL, t.replayTimer);
  if (IsOwnThread(t.menuThread))
    StopMenuWatch();
  t = HookTimers();
}

static BOOL ProcessButtonUp(SharedHookData* d, UINT msg, DWORD mouseData)
{
  UINT32 bit;
  switch (msg) {
  case WM_LBUTTONUP: bit = MOUSEBIT_LEFT; break;
  case WM_RBUTTONUP: bit = MOUSEBIT_RIGHT; break;
  case WM_MBUTTONUP: bit = MOUSEBIT_MIDDLE; break;
  default: bit = (HIWORD(mouseData) & XBUTTON1) ? MOUSEBIT_X1 : MOUSEBIT_X2; break;
  }
  BOOL swallow;
  UINT32 swallowed = d->swallowedButtons;
  if (bit == MOUSEBIT_RIGHT) {
    if (d->circleEnables)
      ResetCircleTrackers(d);
    d->swallowedButtons = swallowed & ~(MOUSEBIT_RIGHT | kCloseMenuAtRightUp);
    swallow = (swallowed & MOUSEBIT_RIGHT) != 0;
    // The up reaches the window and may open its menu: close that one.
    if (!swallow && (swallowed & kCloseMenuAtRightUp))
      CloseMenuAndWatch(d);
  } else {
    swallow = (swallowed & bit) != 0;
    if (swallow)
      d->swallowedButtons = swallowed & ~bit;
  }
  if (d->notifyButtonUp)
    g_HookEnv.Post(d->mouseTarget, WMA_BUTTONUP, 0x80000000u | bit, 0);
  return swallow;
}

// The clicks that may still follow a click: hold it back while they can.
static int HoldBackCandidates(UINT32 event, UINT32 out[2])
{
  switch (event) {
  case 0x207: out[0] = 0x209; out[1] = 0x8066; return 2;
  case 0x209: out[0] = 0x8066; return 1;
  case 0x8067: out[0] = 0x8068; out[1] = 0x8069; return 2;
  case 0x8068: out[0] = 0x8069; return 1;
  case 0x806A: out[0] = 0x806B; out[1] = 0x806C; return 2;
  case 0x806B: out[0] = 0x806C; return 1;
  }
  return 0;
}

// A popup menu is in front of what was clicked: look behind it.
static HWND WindowBehindMenus(POINT pt)
{
  HWND wnd = g_HookEnv.WindowAt(pt);
  if (!IsPopupMenu(wnd))
    return wnd;
  HWND w = wnd;
  for (int guard = 0; guard < 4096; guard++) {
    w = g_HookEnv.RelatedWindow(w, GW_HWNDNEXT);
    if (!w)
      break;
    RECT r;
    if (g_HookEnv.Visible(w) && g_HookEnv.WindowRect(w, &r) && PtInRect(&r, pt))
      return w;
  }
  return wnd;
}

static void CloseMenuForAction(SharedHookData* d, int action)
{
  UINT32 mask = MouseActionTable.row[action].mask;
  if (mask & (MOUSEBIT_RIGHT | kCloseMenuAtRightUp)) {
    CloseMenuAndWatch(d);
    if (mask & kCloseMenuAtRightUp)
      d->swallowedButtons |= kCloseMenuAtRightUp;
  }
}

static BOOL ProcessButtonDown(SharedHookData* d, UINT msg, POINT pt, DWORD mouseData)
{
  CancelReplay(d);
  int button;
  UINT32 event = ClassifyClick(d, msg, mouseData, pt, &button);
  if (button != d->heldBackButton)
    d->heldBackButton = 0;
  if (!event || (d->suspendFlags & HOOKSUSPEND_MOUSEACTIONS))
    return FALSE;

  UINT32 candidates[2] = {0, 0};
  int candidateCount = d->holdBackClicks ? HoldBackCandidates(event, candidates) : 0;
  int count = d->mouseActionCount;
  if (count > kMouseActionCount)
    count = kMouseActionCount;
  const MouseActionEntry* chosen = nullptr;
  const MouseActionEntry* candidate = nullptr;
  for (int i = 0; i < count; i++) {
    const MouseActionEntry* e = &d->mouseActions[i];
    if (e->actionIndex < 0 || e->actionIndex >= kMouseActionCount)
      continue;
    bool isEvent = e->event == event;
    bool isCandidate = false;
    for (int c = 0; c < candidateCount; c++)
      isCandidate |= e->event == candidates[c];
    if ((!isEvent && !isCandidate) || !IsHeldButtonMatch(e->actionIndex))
      continue;
    if (isEvent) {
      chosen = e;
      if (!candidateCount)
        break;
    } else {
      candidate = e;
    }
  }
  if (!chosen && !candidate)
    return FALSE;

  HWND window = WindowBehindMenus(pt);
  int place = chosen ? FindActionPlace(d, chosen->whereBits, chosen->actionIndex, window, pt) : -1;
  if (place >= 0) {
    int action = chosen->actionIndex;
    g_HookEnv.Post(d->mouseTarget, WMA_MOUSEACTION, action, place);
    // The up of a plain or double left click goes on to its window.
    d->swallowedButtons = (action == 0 || action == 25) ? 0 : (UINT32)button;
    CloseMenuForAction(d, action);
    d->heldBackButton = 0;
    return TRUE;
  }
  if (!candidate)
    return FALSE;
  d->replayClicks = d->heldBackButton == button ? 2 : 1;
  d->heldBackButton = button;
  d->replayPos = pt;
  SetReplayTimer(d);
  d->swallowedButtons = (UINT32)button;
  CloseMenuForAction(d, candidate->actionIndex);
  return TRUE;
}

BOOL ProcessMouseButton(SharedHookData* d, UINT msg, POINT pt, DWORD mouseData)
{
  UINT client = msg;
  if (msg >= WM_NCLBUTTONDOWN && msg <= WM_NCXBUTTONDBLCLK)
    client = msg + (WM_LBUTTONDOWN - WM_NCLBUTTONDOWN);
  if (client == WM_LBUTTONUP || client == WM_RBUTTONUP || client == WM_MBUTTONUP ||
      client == WM_XBUTTONUP)
    return ProcessButtonUp(d, client, mouseData);
  if (InterlockedExchange(&s_clickBusy, 1))
    return FALSE;
  BOOL swallow = ProcessButtonDown(d, msg, pt, mouseData);
  InterlockedExchange(&s_clickBusy, 0);
  return swallow;
}

BOOL OnMouseHookEvent(SharedHookData* d, UINT msg, POINT pt, DWORD mouseData,
                      ULONG_PTR extraInfo, bool lowLevel)
{
  if (IsInjectSignature(extraInfo))
    return FALSE;
  if (msg == WM_MOUSEMOVE || msg == WM_NCMOUSEMOVE) {
    if (d->circleEnables && !(d->suspendFlags & HOOKSUSPEND_CIRCLES) &&
        !InterlockedExchange(&s_moveBusy, 1)) {
      DetectMouseCircle(d, pt);
      InterlockedExchange(&s_moveBusy, 0);
    }
    return FALSE;
  }
  bool button = (msg >= WM_LBUTTONDOWN && msg <= WM_XBUTTONDBLCLK) ||
                (msg >= WM_NCLBUTTONDOWN && msg <= WM_NCXBUTTONDBLCLK);
  if (!button)
    return FALSE;
  if (!lowLevel) {
    DWORD now = g_HookEnv.Tick();
    if ((int)msg == d->lastButtonMsg && now - d->lastButtonMsgTick < kRepeatMs)
      return FALSE;
    d->lastButtonMsgTick = now;
    d->lastButtonMsg = (int)msg;
  }
  return ProcessMouseButton(d, msg, pt, mouseData);
}
