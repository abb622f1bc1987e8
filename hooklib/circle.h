// Circle gestures: two detectors (0 clockwise, 1 counter-clockwise) that
// watch every mouse move and post WMA_MOUSECIRCLE when a circle is drawn.
#pragma once
#include "hooklib/vnhook.h"

void DetectMouseCircle(SharedHookData* d, POINT pt);
// Both trackers back to idle.
void ResetCircleTrackers(SharedHookData* d);
