#include "WDL/IPlug/IGraphicsPlatform.h"

#include "WDL/IPlug/IGraphicsHeadless.h"

IGraphics* MakePlatformGraphics(IPlugBase* plug, int width, int height, int fps)
{
  return new IGraphicsHeadless(plug, width, height, fps);
}
