#include "WDL/IPlug/Win32/LICE_SysBitmap.h"
#include "WDL/IPlug/Win32/Win32Ledger.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

LICE_SysBitmap::LICE_SysBitmap(int width, int height) : mDeviceContext(CreateCompatibleDC(nullptr))
{
  if (mDeviceContext != nullptr)
    Win32LedgerCreated(Win32Object::kDeviceContext);
  SetSize(width, height);
}

LICE_SysBitmap::~LICE_SysBitmap()
{
  FreeSection();
  if (mDeviceContext != nullptr && DeleteDC(static_cast<HDC>(mDeviceContext)))
    Win32LedgerReleased(Win32Object::kDeviceContext);
}

void LICE_SysBitmap::FreeSection()
{
  if (mSection == nullptr)
    return;
  SelectObject(static_cast<HDC>(mDeviceContext), static_cast<HGDIOBJ>(mPreviousBitmap));
  if (DeleteObject(static_cast<HGDIOBJ>(mSection)))
    Win32LedgerReleased(Win32Object::kBitmap);
  mSection = mPreviousBitmap = nullptr;
  mPixels = nullptr;
}

bool LICE_SysBitmap::SetSize(int width, int height)
{
  if (mDeviceContext == nullptr)
  {
    mWidth = mHeight = 0;
    mPixels = nullptr;
    return false;
  }
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == mWidth && height == mHeight)
    return false;
  mWidth = width;
  mHeight = height;
  if (width > 0 && height > 0 && mPixels != nullptr && width <= mAllocatedWidth && height <= mAllocatedHeight)
    return true;

  FreeSection();
  mAllocatedWidth = (width + 3) & ~3;
  mAllocatedHeight = height;
  if (mAllocatedWidth < 1 || mAllocatedHeight < 1)
  {
    mAllocatedWidth = mAllocatedHeight = 0;
    return false;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = mAllocatedWidth;
  info.bmiHeader.biHeight = -mAllocatedHeight; // negative: rows run top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(static_cast<HDC>(mDeviceContext), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr || bits == nullptr)
  {
    if (section != nullptr)
      DeleteObject(section);
    mWidth = mHeight = mAllocatedWidth = mAllocatedHeight = 0; // nothing is drawn
    return true;
  }
  Win32LedgerCreated(Win32Object::kBitmap);
  mSection = section;
  mPreviousBitmap = SelectObject(static_cast<HDC>(mDeviceContext), section);
  mPixels = static_cast<std::uint32_t*>(bits);
  return true;
}
