#pragma once

// What a window's client area shows, read back through PrintWindow into a 32-bit DIB:
// pixels 0x00RRGGBB, row by row. For the Windows editor tests.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

inline std::vector<std::uint32_t> ReadBack(HWND window, int& width, int& height)
{
  RECT client{};
  GetClientRect(window, &client);
  width = client.right;
  height = client.bottom;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section != nullptr && bits != nullptr)
  {
    HGDIOBJ previous = SelectObject(memory, section);
    PatBlt(memory, 0, 0, width, height, BLACKNESS);
    PrintWindow(window, memory, PW_CLIENTONLY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = source[i] & 0xffffffu;
    SelectObject(memory, previous);
    DeleteObject(section);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}
