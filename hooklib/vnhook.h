// Interface of the hook library VnHook.dll, shared with the launcher and the
// administrator helper: exported function types, the records handed to
// _VnSetDllData, the shared section, the admin request ring and the private
// window messages. Nothing that crosses a process carries a pointer.
#pragma once
#include <windows.h>
#include <stdint.h>

#define HOOKDLL_VERSION 0x02000100u
// dwExtraInfo of input we inject ourselves; the low 8 bits are free.
#define INJECT_SIGNATURE 0xABCDEF00u
#define VN_ADMINREQ_MUTEX L"VANTREL_MUTEX_ADMINREQ"

inline bool IsInjectSignature(ULONG_PTR extraInfo)
{
  return (extraInfo & ~(ULONG_PTR)0xFF) == INJECT_SIGNATURE;
}

// Private window messages (WM_APP is 0x8000).
enum : UINT {
  WMA_HOTKEY = WM_APP + 1,              // wParam hot-key row
  WMA_MOUSECIRCLE = WM_APP + 2,         // wParam circle detector 0 or 1
  WMA_MOUSEACTION = WM_APP + 3,         // wParam action 0..84, lParam place 0..11
  WMA_BUTTONUP = WM_APP + 4,            // wParam 0x80000000 | button bit
  WMA_WINKEYDOWN = WM_APP + 5,
  WMA_WINKEYUP = WM_APP + 6,
  WMA_HOOKTHREAD_INSTALL = WM_APP + 7,  // thread message
  WMA_SHOWLAUNCHER = WM_APP + 8,
  WMA_HIDELAUNCHER = WM_APP + 9,
  WMA_EXECUTE = WM_APP + 10,
  WMA_RECYCLEBIN = WM_APP + 12,
  WMA_AUTOHIDE = WM_APP + 13,
  WMA_UPDATEICONS = WM_APP + 14,
  WMA_SELECTSKIN = WM_APP + 15,
  WMA_RESEARCH = WM_APP + 16,
  WMA_TRAY = WM_APP + 17,
  WMA_WATCHCREATE = WM_APP + 18,
  WMA_WATCHDESTROY = WM_APP + 19,
  WMA_CLOSEMENUS = WM_APP + 20,
  WMA_ADMINERROR = WM_APP + 21,
  WMA_SMREDRAW = WM_APP + 22,
  WMA_SMREDRAWITEM = WM_APP + 23,
  WMA_WORKERDONE = WM_APP + 24,
  WMA_SMREBUILD = WM_APP + 25,
  WMA_SMRENAME = WM_APP + 26,
  WMA_SMRENAMED = WM_APP + 27,
  WMA_DEFERREDDROP = WM_APP + 28,
  WMA_OPENLOCATION = WM_APP + 29,
  WMA_CLOSESUBMENUS = WM_APP + 30,
  // The launcher's own, from its launch threads: wParam a page whose
  // scroll goes back to 0 on the window's thread.
  WMA_RESETSCROLL = WM_APP + 32,
};

// First argument of _VnSetDllData.
enum DllDataKind : int {
  DLLDATA_MOUSE = 1,     // p UINT32[100] place bits per action, q CircleGestureSettings[2]
  DLLDATA_HOTKEYS = 2,   // p last row index, q HotKeyEntry rows 0..p
  DLLDATA_OPTIONS = 3,   // p UINT32[11] option words, q EdgeMargins
  DLLDATA_SUSPEND = 4,   // p suspend bits
  DLLDATA_MONITORS = 5,  // p rectangle count, q RECT array
};

// Suspend bits (kind 4).
enum : UINT32 {
  HOOKSUSPEND_MOUSEACTIONS = 0x2,
  HOOKSUSPEND_CIRCLES = 0x8,
  HOOKSUSPEND_HOTKEYS = 0x10,
};

enum AdminRequestKind : int {
  ADMINREQ_NONE = 0,
  ADMINREQ_MOUSEHOOK = 1,     // a 1 install, 0 remove
  ADMINREQ_KEYBOARDHOOK = 2,  // a 1 install, 0 remove
  ADMINREQ_PRIORITY = 3,      // a priority class
  ADMINREQ_WINDOWOP = 4,      // a HWND, b AdminWindowOp
};
const int kAdminWindowOpLast = 9;

// HotKeyCode: bits 0-7 virtual key, modifiers below, bits 12-15 the number of
// earlier presses of the same combination required.
typedef WORD HotKeyCode;
enum : WORD {
  HOTKEY_SHIFT = 0x100,
  HOTKEY_CTRL = 0x200,
  HOTKEY_ALT = 0x400,
  HOTKEY_WIN = 0x800,
};

const int kMouseActionCount = 85;   // action numbers 0..84
const int kMouseSettingCount = 100; // words of the kind 1 array
const int kMaxMonitors = 64;
const int kHotKeySlots = 1032;
const int kAdminRingSize = 1024;
const int kOptionWordCount = 11;    // words of the kind 3 array

// One row of the launcher's hot-key table as sent with kind 2.
struct HotKeyEntry {
  int32_t code;   // HotKeyCode in the low 16 bits
  int32_t list;   // page, or 0x8000 | child menu
  int32_t index;  // button
};

struct MouseActionEntry {
  int32_t actionIndex;  // 0..84
  UINT32 whereBits;     // places where the action applies
  UINT32 event;         // event code of the action's row
};

struct CircleGestureSettings {
  int32_t enable;
  int32_t requiredSteps;
  int32_t maxJump;
  int32_t minTravel;
  int32_t page;    // launcher only
  int32_t button;  // launcher only
};

struct EdgeMargin {
  int32_t cx;
  int32_t cy;
};

// Indexed by place type: 0..3 corners TL, TR, BL, BR; 4..7 edges L, T, R, B.
struct EdgeMargins {
  EdgeMargin type[8];
};

struct AdminRequest {
  int32_t kind;  // AdminRequestKind; 0 marks an empty slot
  INT_PTR a;
  INT_PTR b;
};

struct CircleTracker {
  int32_t state;
  int32_t steps;
  POINT anchor;
  POINT corner;
};

// The process that set a hook, and when it started (a process id alone may
// have been given to another process since).
struct HookOwner {
  DWORD process;
  FILETIME started;
};

static_assert(sizeof(HotKeyEntry) == 12, "HotKeyEntry is sent as 12-byte rows");
static_assert(sizeof(MouseActionEntry) == 12, "MouseActionEntry layout");
static_assert(sizeof(CircleGestureSettings) == 24, "CircleGestureSettings is sent as 24 bytes");
static_assert(sizeof(EdgeMargins) == 64, "EdgeMargins is sent as 64 bytes");
static_assert(sizeof(AdminRequest) == 3 * sizeof(INT_PTR),
              "AdminRequest: 24 bytes on x64, 12 on x86");
static_assert(sizeof(CircleTracker) == 24, "CircleTracker layout");
static_assert(sizeof(HookOwner) == 12, "HookOwner layout");

// The library's shared section: one instance for every process that maps it,
// zero at load. Only the library touches it; callers use the exports.
struct SharedHookData {
  BYTE pendingKey;            // key-down held back by the hot-key detector
  BYTE lastKeyDown;           // auto-repeat filter
  int32_t clickState;
  UINT32 swallowedButtons;
  int32_t firstClickButton;
  int32_t heldBackButton;
  int32_t adminWriteIndex;    // 0..1023
  int32_t deferredHotKey;     // row + 1 posted at the next key-up
  WORD lastHotKeyCode;        // code of the running multi-press sequence
  HHOOK keyboardHook;
  DWORD circleProgressTick;
  int32_t mouseActionCount;
  DWORD lastClickTick;
  UINT32 circleEnables;
  HHOOK mouseHook;
  DWORD lastMoveTick;
  UINT32 hookKinds;           // bit 0 low-level mouse hook, bit 1 low-level keyboard hook
  DWORD lastButtonMsgTick;
  int32_t adminCount;         // 0..1024
  UINT32 suspendFlags;
  UINT32 osVersion;
  DWORD lastPressTick;
  UINT32 circleCancelButtons;
  int32_t pressCount;
  int32_t monitorCount;       // 0..64
  // Timer and event-hook handles are only valid in the thread that made
  // them: they are kept per process (mouse.h). These three keep their places.
  UINT_PTR unusedReplayTimer;
  POINT lastMove;
  int32_t hotKeyLast;         // rows 0..hotKeyLast used; below 0 none
  int32_t notifyButtonUp;
  int32_t lastButtonMsg;
  int32_t replayClicks;
  UINT_PTR unusedMenuTimer;
  HWND keyboardTarget;
  HWINEVENTHOOK unusedMenuWatch;
  CircleTracker circleTrackers[2];
  int32_t holdBackClicks;
  DWORD lastCirclePostTick[2];
  HWND mouseTarget;
  POINT lastClickPos;
  POINT replayPos;
  // The admin mutex handle is per process (a handle is only valid in the
  // process that opened it), so it is not kept here.
  EdgeMargins edgeMargins;
  CircleGestureSettings circleSettings[2];
  RECT monitors[kMaxMonitors];
  MouseActionEntry mouseActions[kMouseActionCount];
  HotKeyCode hotKeys[kHotKeySlots];
  // Key parts (low bytes) present in hotKeys: keys outside it cannot match,
  // which spares the key-state queries for ordinary typing.
  UINT32 hotKeyKeyParts[256 / 32];
  AdminRequest adminRing[kAdminRingSize];
  // Who set mouseHook and keyboardHook: the system removes a hook with the
  // thread that set it, so the handle of a process that is gone is stale.
  HookOwner mouseHookOwner;
  HookOwner keyboardHookOwner;
  // Changes whenever a held-back click is held back, replayed or dropped: the
  // replay timer of a process or thread that did not see the change stands down.
  LONG replaySerial;
};

enum : UINT32 {
  HOOKKIND_MOUSE_LL = 0x1,
  HOOKKIND_KEYBOARD_LL = 0x2,
};

// Exports (names carry a leading underscore: "_VnGetDllVersion" ...), bound
// with GetProcAddress.
typedef UINT32 (WINAPI* VnGetDllVersionFn)(void);
typedef void (WINAPI* VnSetDllDataFn)(int kind, void* p, void* q);
typedef BOOL (WINAPI* VnOperateMouseHookFn)(int op, HWND target, BOOL lowLevel);
typedef BOOL (WINAPI* VnOperateKeyboardHookFn)(int op, HWND target);
typedef int (WINAPI* VnSetAdminReqFn)(int kind, INT_PTR a, INT_PTR b);
typedef BOOL (WINAPI* VnClearAdminReqFn)(int index);
typedef BOOL (WINAPI* VnGetAdminReqFn)(int* kind, INT_PTR* a, INT_PTR* b);
typedef void (WINAPI* VnCheckMouseCircleFn)(POINT pt);
typedef BOOL (WINAPI* VnCheckPtOnEdgeFn)(POINT pt, int type);
typedef int (WINAPI* VnIsExplorerWindowFn)(HWND window, POINT pt, UINT whereBits, int actionIndex);

// op of _VnOperateMouseHook and _VnOperateKeyboardHook.
enum : int {
  HOOKOP_INSTALL = 1,
  HOOKOP_REMOVE = 2,
};
