#include "WDL/IPlug/IGraphicsPlatform.h"

#include "WDL/IPlug/X11/IGraphicsX11.h"

IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps)
{
  return new IGraphicsX11(plug, width, height, fps);
}
