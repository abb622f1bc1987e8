#include "package/sfxstate.h"

SfxState g_Sfx;
