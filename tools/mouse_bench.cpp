// Times the mouse hook's logic: one million synthetic mouse events (moves
// along circles and wandering lines, clicks, double clicks, chords and the
// wheel) through the mouse-hook core and the circle detector, as the
// low-level hook would feed them. Window queries, posting and timers are
// synthetic so only our own work is timed. Prints the time per event.
#include "hooklib/hookenv.h"
#include "hooklib/mouse.h"
#include "hooklib/settings.h"
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <vector>

static const int kEvents = 1000000;

static DWORD s_tick;
static bool s_keys[256];
static long s_posted, s_timers;

static DWORD WINAPI BenchTick(void) { return s_tick; }
static SHORT WINAPI BenchKeyState(int vk) { return s_keys[vk & 0xFF] ? (SHORT)0x8000 : 0; }
static BOOL WINAPI BenchPost(HWND, UINT, WPARAM, LPARAM)
{
  s_posted++;
  return TRUE;
}
static UINT WINAPI BenchInject(UINT count, LPINPUT, int) { return count; }
static int WINAPI BenchMetric(int index) { return index == SM_SWAPBUTTON ? 0 : 4; }
static UINT WINAPI BenchDoubleClickTime(void) { return 500; }
static BOOL WINAPI BenchCursorPos(LPPOINT pt)
{
  pt->x = pt->y = 0;
  return TRUE;
}
static HWND WINAPI BenchWindowAt(POINT) { return (HWND)(INT_PTR)0x100; }
static int WINAPI BenchClassName(HWND, LPWSTR name, int size)
{
  lstrcpynW(name, L"Notepad", size);
  return lstrlenW(name);
}
static HWND WINAPI BenchNoWindow(HWND, UINT) { return NULL; }
static HWND WINAPI BenchParent(HWND) { return NULL; }
static BOOL WINAPI BenchVisible(HWND) { return TRUE; }
static BOOL WINAPI BenchRect(HWND, LPRECT r)
{
  SetRect(r, 0, 0, 100, 100);
  return TRUE;
}
static HWND WINAPI BenchFind(HWND, HWND, LPCWSTR, LPCWSTR) { return NULL; }
static LRESULT BenchNcHit(HWND, POINT pt) { return pt.y < 30 ? HTCAPTION : HTCLIENT; }
static BOOL BenchListItem(HWND, POINT) { return FALSE; }
static BOOL BenchItemsView(POINT) { return FALSE; }
static DWORD WINAPI BenchThreadId(void) { return 1; }
static UINT_PTR WINAPI BenchSetTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
  return ++s_timers;
}
static BOOL WINAPI BenchKillTimer(HWND, UINT_PTR) { return TRUE; }
static HWINEVENTHOOK WINAPI BenchSetWinEventHook(DWORD, DWORD, HMODULE, WINEVENTPROC, DWORD, DWORD,
                                                 DWORD)
{
  return (HWINEVENTHOOK)(INT_PTR)1;
}
static BOOL WINAPI BenchUnhook(HWINEVENTHOOK) { return TRUE; }

struct MouseEvent {
  UINT msg;
  POINT pt;
  DWORD data;
  BYTE heldVk;  // button held during this event, 0 none
  WORD dt;      // ms since the previous event
};

// Mostly moves (circles and wandering lines) with a click every few dozen.
static std::vector<MouseEvent> MakeEvents()
{
  std::vector<MouseEvent> ev;
  ev.reserve(kEvents);
  unsigned seed = 2024;
  POINT pos = {800, 500};
  while ((int)ev.size() < kEvents) {
    seed = seed * 1103515245 + 12345;
    unsigned r = (seed >> 16) % 100;
    if (r < 2) {  // a circle, clockwise or not
      bool cw = r < 1;
      for (int i = 0; i <= 64 && (int)ev.size() < kEvents; i++) {
        double a = (cw ? 1 : -1) * i * 3.14159265358979 / 32;
        ev.push_back({WM_MOUSEMOVE,
                      {pos.x + (LONG)lround(120 * sin(a)), pos.y - (LONG)lround(120 * cos(a))}, 0, 0,
                      8});
      }
    } else if (r < 32) {  // a click, sometimes a double, sometimes a chord or wheel
      static const UINT downs[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_XBUTTONDOWN};
      UINT down = downs[r % 4];
      DWORD data = down == WM_XBUTTONDOWN ? MAKELONG(0, XBUTTON1) : 0;
      BYTE held = r % 5 == 0 ? VK_RBUTTON : 0;
      int clicks = r % 3 == 0 ? 2 : 1;
      for (int c = 0; c < clicks; c++) {
        ev.push_back({down, pos, data, held, 60});
        ev.push_back({down + 1, pos, data, held, 60});
      }
      if (r % 7 == 0)
        ev.push_back({WM_MOUSEWHEEL, pos, (DWORD)MAKELONG(0, (WORD)(short)-120), VK_LBUTTON, 30});
    } else {  // a wandering line of moves
      int dx = (int)((seed >> 8) % 7) - 3, dy = (int)((seed >> 12) % 7) - 3;
      for (int i = 0; i < 4 && (int)ev.size() < kEvents; i++) {
        pos.x = (pos.x + dx + 1920) % 1920;
        pos.y = (pos.y + dy + 1080) % 1080;
        ev.push_back({WM_MOUSEMOVE, pos, 0, 0, 8});
      }
    }
  }
  ev.resize(kEvents);
  return ev;
}

static SharedHookData s_data;

static double Run(const std::vector<MouseEvent>& events, bool circles, long* swallowed)
{
  memset(&s_data, 0, sizeof(s_data));
  s_data.mouseTarget = (HWND)(INT_PTR)0x4242;
  RECT screens[2] = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
  ApplyDllData(&s_data, DLLDATA_MONITORS, (void*)2, screens);
  EdgeMargins margins = {{{10, 10}, {10, 10}, {10, 10}, {10, 10}, {50, 50}, {50, 50}, {50, 50}, {50, 50}}};
  UINT32 options[kOptionWordCount] = {0x20000};
  options[10] = 0x4000;
  ApplyDllData(&s_data, DLLDATA_OPTIONS, options, &margins);
  UINT32 where[kMouseSettingCount] = {};
  where[0] = 0x2 | 0x20;   // left click in a corner or on an edge
  where[1] = 0x1;          // right click anywhere
  where[27] = 0x1;         // middle double click: middle clicks are held back
  where[25] = 0x200;       // left double click on a title bar
  where[9] = 0x1;          // left click with right held
  where[76] = 0x1;         // wheel back with left held
  where[28] = 0x100;       // X1 double click on the bottom edge
  CircleGestureSettings c[2] = {{circles, 4, 200, 20, 0, 0}, {circles, 4, 200, 20, 0, 0}};
  ApplyDllData(&s_data, DLLDATA_MOUSE, where, c);

  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  long sw = 0;
  for (const MouseEvent& e : events) {
    s_tick += e.dt;
    s_keys[e.heldVk] = e.heldVk != 0;
    sw += OnMouseHookEvent(&s_data, e.msg, e.pt, e.data, 0, true);
    s_keys[e.heldVk] = false;
  }
  QueryPerformanceCounter(&t1);
  *swallowed = sw;
  return (double)(t1.QuadPart - t0.QuadPart) * 1e6 / (double)freq.QuadPart / events.size();
}

int wmain()
{
  g_HookEnv = {BenchTick,      BenchKeyState,   BenchPost,      BenchInject,     BenchMetric,
               BenchDoubleClickTime, BenchCursorPos, BenchWindowAt, BenchClassName, BenchNoWindow,
               BenchParent,    BenchVisible,    BenchRect,      BenchFind,       BenchNcHit,
               BenchListItem,  BenchItemsView,  BenchThreadId,  BenchSetTimer,  BenchKillTimer,
               BenchSetWinEventHook, BenchUnhook};
  std::vector<MouseEvent> events = MakeEvents();
  long clicks = 0;
  for (const MouseEvent& e : events)
    clicks += e.msg != WM_MOUSEMOVE;
  printf("%d events: %ld button events, %d moves\n", kEvents, clicks, kEvents - (int)clicks);
  long swallowed;
  s_posted = 0;
  double off = Run(events, false, &swallowed);
  printf("clicks only (circles off): %.3f us/event, %ld posted, %ld swallowed\n", off, s_posted,
         swallowed);
  s_posted = 0;
  double on = Run(events, true, &swallowed);
  printf("clicks and circles:        %.3f us/event, %ld posted, %ld swallowed\n", on, s_posted,
         swallowed);
  // Without posts the run proves nothing: the detectors must have fired.
  return s_posted > 0 ? 0 : 1;
}
