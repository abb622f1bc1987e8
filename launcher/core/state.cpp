#include "core/state.h"

AppState g_App;
