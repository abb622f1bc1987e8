// The options property sheet: sixteen pages that write the settings
// directly, a snapshot of everything previewed live as the way back on
// Cancel, and the page protocol every page follows.
#pragma once
#include <windows.h>

const int kOptionsPageCount = 16;
// Page indexes the launcher and the pages name.
enum { OPT_PAGE_CLICKS = 0, OPT_PAGE_EDGES = 1, OPT_PAGE_CIRCLES = 2, OPT_PAGE_KEYBOARD = 3, OPT_PAGE_MOUSE = 4,
       OPT_PAGE_SKINS = 11, OPT_PAGE_DESIGN1 = 12, OPT_PAGE_DESIGN2 = 13, OPT_PAGE_PAGES = 14 };
// Posted to the page with the colour controls when the sheet's DPI changes.
const UINT WMA_DPIREFRESH = 0x8027;

// startPage >= 0 opens that page, a negative one the page last left.
// Returns the PropertySheetW result (> 0 after OK or Apply).
int ShowOptionsDialog(int startPage);
// 0 takes the snapshot, 1 restores and discards it, 2 discards it.
void SnapshotOptions(int op);
int HasOptionsSnapshot();

// A page previewed a change live (bits 0x01-0x10); Cancel then restores.
void SetLiveChange(UINT bit);
UINT GetLiveChangeFlags();
int GetLastOptionsPage();

// Page protocol: PSN_HELP, PSN_KILLACTIVE and PSN_RESET of page index, and
// PSN_APPLY through apply when the page writes settings. Returns 1 when the
// notification was one of them.
int HandlePageNotify(HWND page, const NMHDR* header, int index, void (*apply)(HWND page) = nullptr);
// PSN_APPLY's first step.
void BeginPageApply(HWND page);
// A setting was written: it is saved later (once start-up has finished).
void MarkOptionsDirty();
// Help topic of a page ("optClick.htm"); null for a bad index.
const wchar_t* GetOptionsHelpTopic(int index);

// The warning OK gives for a show-trigger mask: 674, 675 or 0 for none.
// noWarning: DispOption bit 0x80 or a standby position.
int GetShowTriggerWarning(UINT mask, UINT restraint, int noWarning);
