#include "WDL/IPlug/LICE_Bitmap.h"

#include <algorithm>
#include <new>

std::uint32_t LICE_IBitmap::PixelAt(int x, int y) const
{
  const std::uint32_t* pixels = PixelData();
  if (pixels == nullptr || x < 0 || y < 0 || x >= Width() || y >= Height())
    return 0;
  const int row = IsBottomUp() ? Height() - 1 - y : y;
  return pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(RowSpan()) + static_cast<std::size_t>(x)];
}

bool LICE_MemBitmap::SetSize(int width, int height)
{
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == mWidth && height == mHeight)
    return false;
  mWidth = width;
  mHeight = height;
  if (width > 0 && height > 0 && mPixels && width <= mAllocatedWidth && height <= mAllocatedHeight)
    return true;

  mAllocatedWidth = (width + 3) & ~3;
  mAllocatedHeight = height;
  mPixels.reset();
  if (mAllocatedWidth < 1 || mAllocatedHeight < 1)
  {
    mAllocatedWidth = mAllocatedHeight = 0;
    return false; // nothing to draw on
  }
  const auto count = static_cast<std::size_t>(mAllocatedWidth) * static_cast<std::size_t>(mAllocatedHeight);
  mPixels.reset(new (std::nothrow) std::uint32_t[count]());
  if (!mPixels)
    mWidth = mHeight = mAllocatedWidth = mAllocatedHeight = 0; // no storage: nothing is drawn
  return true;
}
