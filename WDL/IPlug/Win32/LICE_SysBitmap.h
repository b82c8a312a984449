#pragma once

#include "WDL/IPlug/LICE_Bitmap.h"

// The back buffer on Windows: a 32-bit top-down DIB section selected into a memory device
// context, so cairo paints its pixels and GDI copies them to the window. Sizes follow
// LICE_MemBitmap: the row span is the width rounded up to a multiple of 4, and a smaller
// size keeps the larger allocation. UI thread only.
class LICE_SysBitmap final : public LICE_IBitmap
{
public:
  explicit LICE_SysBitmap(int width = 0, int height = 0);
  // Selects the original bitmap back, then deletes the DIB section and the device context.
  ~LICE_SysBitmap() override;
  LICE_SysBitmap(const LICE_SysBitmap&) = delete;
  LICE_SysBitmap& operator=(const LICE_SysBitmap&) = delete;

  std::uint32_t* PixelData() override { return mPixels; }
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  int RowSpan() const override { return mAllocatedWidth; }
  // Negative sizes count as 0. False when there is no device context or the size is
  // unchanged; true when a non-zero size fits the allocation (storage kept) or a new DIB
  // section was made. A DIB section that cannot be made leaves 0 x 0 without pixels
  // (and answers true: the storage changed). A zero size frees the storage: false.
  bool SetSize(int width, int height) override;
  // The memory device context (an HDC) with the DIB section selected.
  void* DeviceContext() override { return mDeviceContext; }

private:
  void FreeSection();

  int mWidth = 0;
  int mHeight = 0;
  int mAllocatedWidth = 0;
  int mAllocatedHeight = 0;
  std::uint32_t* mPixels = nullptr;
  void* mDeviceContext = nullptr;  // HDC
  void* mSection = nullptr;        // HBITMAP
  void* mPreviousBitmap = nullptr; // HGDIOBJ selected before the section
};
