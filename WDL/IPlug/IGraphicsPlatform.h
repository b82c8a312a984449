#pragma once

#include "WDL/IPlug/IGraphics.h"

// The editor on the window layer the target links: width x height editor units, fps timer
// ticks per second (<= 0 gives 30). editor_x11 and editor_win open windows in hosts;
// editor_headless draws into memory, and hosts get no window (views support no platform).
IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps);
