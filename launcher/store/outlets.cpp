#include "store/outlets.h"

#include "store/settings.h"

// The store saves through the settings file's writers unless a test or a
// subsystem puts others in place.
static int SavePagesOutlet(const wchar_t*) { return SavePages(nullptr); }
static int WriteSettingsOutlet(const wchar_t* path, int flags) { return WriteSettings(path, static_cast<UINT>(flags)); }

StoreOutlets g_StoreOutlets = {SavePagesOutlet, WriteSettingsOutlet};
