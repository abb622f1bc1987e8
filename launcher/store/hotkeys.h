// The table of global hot keys that launch buttons (row 0: the launcher's own
// show key). The hook library holds a copy of it.
#pragma once

int SetHotKey(int key, int list, int index, int set);
int ResizeHotKeyTable(int n);
// Sends the table to the hook library (kind 2).
void SendHotKeyTable();
