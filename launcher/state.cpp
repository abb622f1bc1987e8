#include "state.h"

AppState g_App;
