#include "store/settings.h"
#include "core/state.h"

void MarkSettingsChanged() {
  if (g_App.RunState & RS_TRACK_CHANGES) g_App.Settings.PendingSave = 1;
}
