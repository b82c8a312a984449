#pragma once

#include "WDL/IPlug/IGraphics.h"

// The editor on this platform's window layer: width x height editor units, fps timer
// ticks per second (<= 0 gives 30). Until a layer that opens windows exists here, the
// editor draws into memory and hosts get no window (their views support no platform).
IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps);
