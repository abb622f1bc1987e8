#include "hooklib/hookenv.h"

HookEnv g_HookEnv = {
    GetTickCount,
    GetAsyncKeyState,
    PostMessageW,
    SendInput,
};
