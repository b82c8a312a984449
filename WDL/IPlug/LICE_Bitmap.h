#pragma once

#include <cstdint>
#include <memory>

// A 32-bit pixel bitmap the editor draws into. Pixels are 0x00RRGGBB (the top byte is
// not used), rows top-down, RowSpan() pixels apart.
class LICE_IBitmap
{
public:
  virtual ~LICE_IBitmap() = default;
  // The first pixel of the top row; nullptr without storage.
  virtual std::uint32_t* PixelData() = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Pixels from the start of one row to the start of the next.
  virtual int RowSpan() const = 0;
  virtual bool IsBottomUp() const { return false; }
  // Resizes; true when the storage changed.
  virtual bool SetSize(int width, int height) = 0;
  // The operating system's drawing handle for this bitmap, when it has one.
  virtual void* DeviceContext() { return nullptr; }
  virtual int ExtensionQuery(int /*id*/, void* /*data*/) { return 0; }

  const std::uint32_t* PixelData() const { return const_cast<LICE_IBitmap*>(this)->PixelData(); }
  // The pixel at (x, y), or 0 outside the bitmap.
  std::uint32_t PixelAt(int x, int y) const;
};

// A bitmap in ordinary heap memory, for platforms whose window layer copies pixels to
// the screen itself. Sizes follow the system bitmap: the row span is the width rounded
// up to a multiple of 4, and a smaller size keeps the larger allocation.
class LICE_MemBitmap final : public LICE_IBitmap
{
public:
  explicit LICE_MemBitmap(int width = 0, int height = 0) { SetSize(width, height); }
  LICE_MemBitmap(const LICE_MemBitmap&) = delete;
  LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;

  std::uint32_t* PixelData() override { return mPixels.get(); }
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  int RowSpan() const override { return mAllocatedWidth; }
  // Negative sizes count as 0. Answers false when the size is unchanged; when a non-zero
  // size fits the allocation, keeps the storage and answers true; otherwise reallocates
  // (zeroed pixels) and answers true; a zero size frees the storage and answers false.
  bool SetSize(int width, int height) override;

private:
  int mWidth = 0;
  int mHeight = 0;
  int mAllocatedWidth = 0;
  int mAllocatedHeight = 0;
  std::unique_ptr<std::uint32_t[]> mPixels;
};
