// The launch road: from a request to execute a button to a started process,
// an opened document, folder or URL, a child menu or a built-in command.
// LaunchItem runs on the UI thread and hands the slow part to a launch
// thread, which fetches the button again by list and index.
#pragma once
#include <windows.h>
#include <shellapi.h>

struct ButtonInfo;

// Launch flags.
enum : UINT {
  LF_UNATTENDED = 0x1,         // power items unasked and forced; plug-in flag
  LF_FROM_WINDOW = 0x4,        // from the launcher window (foreground guard)
  LF_NO_HISTORY = 0x8,         // no history entry, no hiding
  LF_SKIP_PRELAUNCH = 0x10,
  LF_APPEND_CLIPBOARD = 0x40,  // clipboard appended without "<clipboard>"
  LF_TRIGGER = 0x80,           // global trigger: a child menu opens at the cursor
  LF_MENU_RIGHT = 0x400,
  LF_MENU_BELOW = 0x800,
  LF_MENU_AT_DROP = 0x2000,
  LF_FOLDER_AS_MENU = 0x4000,
  LF_OPTIONS_OVERRIDE = 0x8000,  // the high 16 bits replace the item's option bits
};

// Option bits of ButtonInfo::Type read on the road.
enum : UINT {
  ITEM_ACTIVATE_RUNNING = 0x10000,
  ITEM_CLOSE_RUNNING = 0x20000,
  ITEM_BY_PROCESS = 0x40000,      // running instance by process id; folders: tree view
  ITEM_FOLDER_MENU = 0x80000,
  ITEM_SHOW_HIDDEN = 0x100000,
  ITEM_RUN_STANDARD = 0x200000,   // as standard user from an elevated launcher
  ITEM_RUN_ADMIN = 0x400000,      // as administrator from a limited launcher
  ITEM_RELEASE_HOOKS = 0x800000,
  ITEM_HOLD_HOOKS = 0x1000000,    // hooks stay released while the program has a window
  ITEM_MATCH_ALL = 0x2000000,
  ITEM_SKIP_MATCHING = 0x4000000,
  ITEM_SINGLE_INSTANCE = 0x8000000,
};

// Priority classes of ButtonInfo::Flag.
const UINT kPriorityBits = 0xC1E0;
const UINT kRaisedPriorityBits = 0xC1C0;  // any but NORMAL: CreateProcess is needed

// Plug-in notification after every launch attempt that reached the dispatch.
const int PN_ITEMEXECUTED = 0x10003;

// Run modes.
enum : int { RUN_AS_LAUNCHER = 0, RUN_AS_ADMIN = 1, RUN_AS_STANDARD = 2 };

// Heap block owned by the launch thread.
struct LaunchRequest {
  int List;
  int Index;
  int Reserved;
  UINT Flags;
};

const int kCommandChars = 32768;  // CreateProcess limit, terminator included
const wchar_t kClipboardPlaceholder[] = L"<clipboard>";

// Calls the road makes into the system and into neighbours that tests
// replace. Filled with the real calls at start-up (InitLaunchPlatform); an
// empty neighbour entry is skipped.
struct LaunchPlatform {
  // Elevation of this process (1 full, 2 limited, 0 other) and the shell's
  // primary token kept for launches as standard user (may be null).
  int (*GetElevation)(HANDLE* shellToken);
  BOOL(WINAPI* ShellExecuteExW)(SHELLEXECUTEINFOW* info);
  HRESULT (*ShellExecuteViaDesktop)(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory,
                                    const wchar_t* verb, int show);
  BOOL(WINAPI* CreateProcessW)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                               LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);
  BOOL(WINAPI* CreateProcessWithTokenW)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                                        LPPROCESS_INFORMATION);
  // Packaged app through the activation manager; a failing HRESULT when
  // the system has none.
  HRESULT (*ActivateApplication)(const wchar_t* appUserModelId, const wchar_t* arguments, DWORD* processId);
  // Question 668 for many dropped files: 1 go on, 0 cancelled.
  int (*ConfirmManyFiles)(int count);
  // Chained launches and hook release; 1 when it took the launch over.
  int (*StartDelayedLaunches)(ButtonInfo* item, UINT flags);
  void (*RunPowerCommand)(UINT options, UINT type);
  void (*RunSpecialCommand)(ButtonInfo* item, UINT flags);
  void (*OpenSubMenu)(UINT type, INT_PTR source, const wchar_t* options, POINT pt, UINT flags);
  // A plug-in item's handler: event 6 (may hide?) or 7 (run); -1 when the
  // plug-in is not loaded.
  int (*PluginItemEvent)(ButtonInfo* item, int event, int ref, int flag);
  void (*SetTrayBusy)(int busy);
  // Screen rectangle of the button's grid cell while the window shows it.
  int (*GetButtonScreenRect)(ButtonInfo* item, RECT* out);
  // The point the last drop on the launcher was made at.
  int (*GetDropPoint)(POINT* out);
  // Asks the window's thread to put the page's scroll back to 0, with its
  // grid, caption and buttons (called from launch threads).
  void (*ResetPageScroll)(int page);
  HANDLE(WINAPI* CreateThread)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD);
  // Target path of a shortcut file (heap), null when it cannot be read.
  wchar_t* (*ShortcutTarget)(const wchar_t* lnk);
  // The hook switch: the process watch turns the hooks on again with it.
  int (*SetHooks)(int on, int balloon);
};
extern LaunchPlatform g_LaunchPlatform;
void InitLaunchPlatform();

// --- the road -------------------------------------------------------------------

void LaunchItem(ButtonInfo* item, UINT flags, POINT* where);
// The thread of one request; LaunchItem counted it as running before it
// started, and it counts itself out at its end.
DWORD WINAPI ExecuteItemThread(LPVOID request);
void PrepareAndExecuteItem(ButtonInfo* item, UINT flags, POINT* where);
int ExecuteItem(ButtonInfo* item, const wchar_t* path, UINT flags, POINT* where);
int RunItemWithClipboard(ButtonInfo* item, const wchar_t* path, const wchar_t* clipboard, const wchar_t* extra,
                         UINT flags);
int RunItemWithArguments(ButtonInfo* item, const wchar_t* path, const wchar_t* extra, UINT flags);
int ShellExecuteItem(ButtonInfo* item, const wchar_t* file, const wchar_t* parameters, UINT flags, int mode);
int CreateProcessItem(ButtonInfo* item, const wchar_t* path, const wchar_t* commandLine, int mode);
int ActivatePackagedApp(ButtonInfo* item, const wchar_t* arguments);
int IsRunningInstance(ButtonInfo* item, const wchar_t* path);

// --- command lines (pure, bounded) ------------------------------------------------

// Fills an association's command template: %1, %L, %0, %V, %D take the path;
// the first of %*, %2..%9 takes the parameters; %% is a percent sign; other
// placeholders go. Without a path placeholder ' "path"' is appended, without
// a parameter placeholder ' parameters'. programChars gets the length of
// the program part + 1. 0 when the result does not fit in outChars.
int FillCommandTemplate(const wchar_t* tmpl, const wchar_t* path, const wchar_t* parameters, wchar_t* out,
                        int outChars, int* programChars);
// The associated program's command line for a document (heap), or null.
wchar_t* AssocCommandLine(const wchar_t* path, const wchar_t* parameters, int* programChars);
// Replaces the first "<clipboard>" (any case) in command with text; without
// one, text is appended after a blank (noBlank: directly). 0 on overflow.
int InsertClipboardText(wchar_t* command, int commandChars, const wchar_t* text, int noBlank);
// Appends ' text' (or text alone when command is empty); 0 on overflow.
int AppendArgument(wchar_t* command, int commandChars, const wchar_t* text);
// Clipboard files joined by blanks, quoted when they hold blanks (heap).
wchar_t* JoinClipboardFiles(const wchar_t* const* files, int count);
// Clipboard text split at tabs and line breaks, pieces trimmed, quoted when
// isFile says they name a file, joined by blanks (heap).
wchar_t* JoinClipboardText(const wchar_t* text, int (*isFile)(const wchar_t* piece));
// The clipboard as arguments (heap), or null. *cancelled is set when the
// user declined the many-files question: the launch must not go on.
wchar_t* GetClipboardArguments(int* cancelled);
// Creation flags for CreateProcess from a button's Flag: one priority class
// and CREATE_UNICODE_ENVIRONMENT, nothing else.
DWORD CreationFlagsFromItemFlag(UINT flag);
// One window condition test of the running-instance rules.
struct TargetWindowCondition;
int WindowMatchesConditions(const wchar_t* title, const wchar_t* className, const TargetWindowCondition* conds,
                            int count, UINT options);
// File manager program (heap) and its parameters in out (heap).
wchar_t* BuildFilerCommandLine(const wchar_t* folder, const wchar_t* parameters, wchar_t** out);
