// The catalogue of the 100 mouse triggers and 12 places, the check-box tree
// that edits their assignments, and the names of actions. Show mode edits
// the assignments that show the launcher (list LIST_NONE), item mode those
// of one button.
#pragma once
#include <windows.h>

struct References;

// Tree categories: single, double, triple click, wheel, press and hold.
const int kTriggerCategories = 5;
const int kActionNameChars = 1024;

// First trigger and number of triggers of a category (0 for a bad one).
int GetTriggerBase(int category);
int GetTriggerCount(int category);
// String id naming the trigger (formatted with the click word for 0-74).
int GetTriggerStringId(int trigger);
// "Anywhere" is not offered for left click, right click and left double-click.
int IsPlaceOffered(int trigger, int place);
// Text of a trigger ("Left double-click"); returns its length.
int FormatTriggerText(int trigger, wchar_t* out, int size);
// Name of an action: the launcher with its page, or a button and its list.
// out holds kActionNameChars; empty when the button no longer exists.
int FormatActionName(int list, int index, wchar_t* out, int withoutPrefix);

// Show-trigger mask of the assignments: 0x20 a mouse trigger, 0x40 an edge,
// 0x80 a circle, 0x100 the show hot key; 0 = no way to show the launcher.
UINT CheckShowTriggers(const References* r);

// build 1 fills the tree with the category's triggers and places; 0 frees
// its check-box images (WM_DESTROY).
void FillTriggerTree(HWND tree, int category, int list, int index, int build);
// A check box clicked (byMouse, at the message's cursor position) or the
// space key on the selected item; 1 when something changed.
int OnTriggerTreeCheck(HWND tree, int category, int list, int index, int byMouse);
// Writes the category's check states back into the assignments.
void ReadTriggerTree(HWND tree, int category, int list, int index);
// 40060 expands, 40061 folds every trigger; then selects the first.
void ExpandTriggerTree(HWND tree, int command);
