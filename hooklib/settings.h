// Settings that the launcher copies into the shared section (_VnSetDllData).
#pragma once
#include "hooklib/vnhook.h"

// One row per mouse action number: the event that triggers it and the button
// bits (own button | held-button bit 0x10000 << n).
struct MouseActionRow {
  UINT32 event;
  UINT32 mask;
};
struct MouseActionRows {
  MouseActionRow row[kMouseSettingCount];  // rows 85..99 stay empty
};
extern const MouseActionRows MouseActionTable;

// Copies one kind of settings into d. Unknown kinds and bad counts change nothing.
void ApplyDllData(SharedHookData* d, int kind, void* p, void* q);
