#pragma once

// Small value types shared by the editor core, its window layers and its controls.
// Coordinates are editor units unless a name says device pixels.

// A rectangle L, T, R, B. All four zero is the empty rectangle, which nothing hits.
struct EditorRect
{
  int L = 0;
  int T = 0;
  int R = 0;
  int B = 0;

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
  // L <= x < R and T <= y < B.
  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  // The smallest rectangle holding both; the union with an empty rectangle is the other one.
  EditorRect Union(const EditorRect& other) const
  {
    if (Empty())
      return other;
    if (other.Empty())
      return *this;
    return {L < other.L ? L : other.L, T < other.T ? T : other.T, R > other.R ? R : other.R,
            B > other.B ? B : other.B};
  }
  // The draw pass's overlap test: inclusive on the far edges of this area, so a control
  // that starts exactly where the area ends is drawn as well.
  bool Reaches(const EditorRect& control) const
  {
    return R >= control.L && L < control.R && B >= control.T && T < control.B;
  }
  bool operator==(const EditorRect&) const = default;
};

// A colour, alpha first, each channel 0 .. 255.
struct EditorColor
{
  int A = 255;
  int R = 0;
  int G = 0;
  int B = 0;
  bool operator==(const EditorColor&) const = default;
};

// Buttons and modifier keys held during a pointer event.
struct MouseMods
{
  bool L = false;
  bool R = false;
  bool S = false; // shift
  bool C = false; // control
  bool A = false; // alt
};

// How a control's text looks in the text-entry field a window layer opens for it.
struct TextStyle
{
  enum EStyle { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum EAlign { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

  char face[32] = "Arial";
  int size = 12;
  EditorColor color{255, 0, 0, 0};
  EditorColor entryBackground{255, 255, 255, 255};
  EditorColor entryForeground{255, 0, 0, 0};
  int style = kStyleNormal;
  int align = kAlignCenter;
};

// Pointer shapes a control can ask its window layer for.
enum ECursorShape
{
  kCursorArrow = 0,
  kCursorIBeam = 1,
  kCursorWait = 2,
  kCursorCross = 3,
  kCursorUpArrow = 4,
  kCursorSizeNWSE = 5,
  kCursorSizeNESW = 6,
  kCursorSizeWE = 7,
  kCursorSizeNS = 8,
  kCursorSizeAll = 9,
  kCursorNo = 10,
  kCursorHand = 11,
  kCursorAppStarting = 12,
  kCursorHelp = 13
};

// The window system a window layer embeds the editor into.
enum EWindowSystem
{
  kWindowSystemNone = 0, // draws into memory only: it can place no window in a host
  kWindowSystemWin32 = 1,
  kWindowSystemX11 = 2
};
