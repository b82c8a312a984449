// The Windows back buffer: a DIB section that GDI and the editor's pixel pointer share.
#include "WDL/IPlug/Win32/LICE_SysBitmap.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

TEST(SysBitmap, GdiAndThePixelPointerSeeTheSameTopDownPixels)
{
  LICE_SysBitmap bitmap(301, 280);
  ASSERT_NE(bitmap.PixelData(), nullptr);
  ASSERT_NE(bitmap.DeviceContext(), nullptr);
  EXPECT_EQ(bitmap.RowSpan(), 304); // rows of whole multiples of 4 pixels
  EXPECT_FALSE(bitmap.IsBottomUp());
  HDC dc = static_cast<HDC>(bitmap.DeviceContext());
  // GDI paints the top-left and bottom-right pixels; the pointer finds them where a
  // top-down bitmap keeps them.
  SetPixel(dc, 0, 0, RGB(0x12, 0x34, 0x56));
  SetPixel(dc, 300, 279, RGB(0xab, 0xcd, 0xef));
  GdiFlush();
  EXPECT_EQ(bitmap.PixelAt(0, 0) & 0xffffffu, 0x123456u);
  EXPECT_EQ(bitmap.PixelData()[279 * 304 + 300] & 0xffffffu, 0xabcdefu);
  // And what the pointer writes, GDI reads.
  bitmap.PixelData()[10 * 304 + 20] = 0x00fedcbau;
  EXPECT_EQ(GetPixel(dc, 20, 10), RGB(0xfe, 0xdc, 0xba));
}

TEST(SysBitmap, ASmallerSizeKeepsTheStorageAndALargerOneReallocates)
{
  LICE_SysBitmap bitmap(300, 280);
  std::uint32_t* storage = bitmap.PixelData();
  EXPECT_FALSE(bitmap.SetSize(300, 280)); // unchanged: nothing to do
  EXPECT_TRUE(bitmap.SetSize(200, 100));
  EXPECT_EQ(bitmap.PixelData(), storage);
  EXPECT_EQ(bitmap.RowSpan(), 300);
  EXPECT_EQ(bitmap.Width(), 200);
  EXPECT_TRUE(bitmap.SetSize(375, 350));
  EXPECT_EQ(bitmap.RowSpan(), 376);
  ASSERT_NE(bitmap.PixelData(), nullptr);
  bitmap.PixelData()[349 * 376 + 374] = 0x00ffffffu; // the last pixel is writable
  EXPECT_FALSE(bitmap.SetSize(0, 0));
  EXPECT_EQ(bitmap.PixelData(), nullptr);
}
