// The launcher's one process-wide state record. Owned by the UI thread;
// workers read it and fetch items again by list and index before use.
#pragma once
#include <windows.h>
#include "render/backbuffer.h"
#include "render/design.h"
#include "render/layout.h"
#include "render/skin.h"
#include "render/skinzip.h"
#include "store/items.h"
#include "store/settings.h"

#include "core/hookctl.h"
#include "core/input.h"
#include "core/mainwnd.h"
#include "core/startup.h"
#include "core/ticker.h"
#include "core/tray.h"

// Run-state word (AppState::RunState).
enum : LONG {
  RS_HOOKS_ON = 0x10000,
  RS_NOHOOKS_SWITCH = 0x20000,      // /nh given; cleared after start-up
  RS_N_MODE = 0x40000,              // /n: no hooks, no tray, end when hidden
  RS_VNADMIN_MODE = 0x80000,
  RS_EXECUTE_PENDING = 0x100000,
  RS_TRAY_ADDED = 0x200000,
  RS_TRACK_CHANGES = 0x400000,      // shown once: setting changes mark a pending save
  RS_HOLD_ACTION = 0x800000,
  RS_SUBMENU_FROM_ITEM = 0x1000000,
  RS_DPI_RELAYOUT = 0x2000000,
  RS_HISTORY_BUSY = 0x4000000,
};

// UiStateFlags bits.
enum : UINT {
  UIS_AUTOHIDE_ALLOWED = 0x20,      // cleared while a modal message box is up
};

const int kMaxOpenDialogs = 64;

struct AppState {
  HINSTANCE Instance;
  HWND MainWnd;
  volatile LONG RunState;
  UINT UiStateFlags;

  // Full path of the running executable; empty until first asked for.
  wchar_t ProgramPath[MAX_PATH];

  // Data folder (no trailing backslash) and its mode flags (1 AppData, 2 shared).
  wchar_t DataFolderPath[260];
  int DataFolderMode;

  // Language library: null module means the built-in resources.
  HMODULE LangModule;
  LANGID LangId;
  wchar_t LangFile[260];

  // Stack of open modal dialogs, topmost last.
  HWND OpenDialogs[kMaxOpenDialogs];
  int OpenDialogCount;

  OptionalApi Api;
  CoreState Core;
  MainWindowState Wnd;
  HookControlState Hooks;
  TickerState Ticker;
  TrayState Tray;
  InputState Input;

  // Current skin name ([Skin] Name of the design); empty = classic look.
  wchar_t SkinName[260];

  SettingsState Settings;
  DesignState Design;
  RenderState Render;
  SkinSettings Skin;
  SkinTextState SkinText;
  SkinArchive SkinZip;  // the zipped skin being read, open only while it loads
  LayoutState Layout;

  // Pages, child menus, buttons and the references into them.
  ItemStore Store;

  // Loaded plug-ins (plugins/host.h); made on first use.
  struct PluginHostState* Plugins;
};

extern AppState g_App;
