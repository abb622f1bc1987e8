// The running Windows version, the one way the launcher and the
// administrator helper read it.
#pragma once

// major*100+minor from a fixed list of versions (1000, 603, ... 400); cached.
int GetOSVersion();
