// Drawing the launcher window's parts from the cached images: caption,
// system buttons, tab strip, tabs, button area and buttons, and the hover
// highlight. Each drawer paints into the DC it is given, or with none into
// the back buffer (layered window) or a window DC of its own; `push` sends
// the back buffer to the screen afterwards.
#pragma once
#include <windows.h>

struct ButtonInfo;

void DrawCaption(HDC dc, const RECT* clip, int push);
// piece: 9 close, 12 pin, 16 view mode, 20 search; state 0-3.
void DrawSystemButton(int piece, HDC dc, const RECT* clip, int state, int push);
// The state a system button is drawn in now, as last set.
int SystemButtonState(int piece);
// Stores a new state and redraws with push when it changed.
void SetSystemButtonState(int piece, int state);
void DrawTabStrip(HDC dc, const RECT* clip);
void DrawTab(HDC dc, int page, int state, int copyBackground);
void DrawButtonArea(HDC dc, const RECT* clip);
void DrawButton(HDC dc, int cell, int state, int copyBackground, int push);
void DrawLockMarker(HDC dc, int x, int y, int w, int h, int cell);
// The button a history button shows (icon, text, tip): its newest entry's,
// when there is one and the history can be read now; else b itself.
ButtonInfo* ShownButton(ButtonInfo* b);
void SetHoverTab(int page);
void SetHoverButton(int cell, int force);
// flags: 1 tab, 2 button. 1 when something was redrawn.
int ClearHoverState(UINT flags, int push);
// The text the caption shows now (the Caption setting unless a hover set
// another); never null.
const wchar_t* CurrentCaptionText();
