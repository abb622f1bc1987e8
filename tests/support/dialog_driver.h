// Drives modal dialogs from inside their own message loop: the action runs
// once the newest dialog on the open-dialog stack is visible.
#pragma once
#include <windows.h>

#include <functional>

void WhenDialogOpens(std::function<void(HWND)> action);
// Sends a click to a button of a dialog.
void ClickButton(HWND dialog, int id);
