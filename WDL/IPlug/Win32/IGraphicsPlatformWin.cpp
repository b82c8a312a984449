#include "WDL/IPlug/IGraphicsPlatform.h"

#include "WDL/IPlug/Win32/IGraphicsWin.h"

IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps)
{
  return new IGraphicsWin(plug, width, height, fps);
}
