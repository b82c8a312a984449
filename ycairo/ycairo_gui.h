#pragma once

#include "WDL/IPlug/IGraphics.h"

#include <cairo.h>

class IControl;
class IPlugBase;

// The cairo side of one editor: a surface over the back buffer's pixels and the one
// context every control draws through, scaled so controls draw in editor units. A draw
// pass clips the context to the area being drawn. UI thread only.
class ycairo_gui final : public IDrawingLayer
{
public:
  explicit ycairo_gui(IPlugBase* plug) : mPlug(plug) {}
  ~ycairo_gui() override;
  ycairo_gui(const ycairo_gui&) = delete;
  ycairo_gui& operator=(const ycairo_gui&) = delete;

  void SetModuleInstance(void* instance) { mModuleInstance = instance; }
  void* ModuleInstance() const { return mModuleInstance; }

  // Makes the surface (RGB24 over the bitmap's rows) and the context, and fills the
  // surface with the editor's background grey so nothing undrawn ever shows. A bitmap
  // without pixels leaves no context: controls then draw nothing.
  void AttachToBackBuffer(LICE_IBitmap& backBuffer, double scale) override;
  void BeginDrawPass(const EditorRect& area) override;
  void EndDrawPass() override;

  // nullptr until attached to a back buffer with pixels.
  cairo_t* Context() const { return mContext; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  IPlugBase* Plug() const { return mPlug; }

private:
  void Release();

  IPlugBase* mPlug;
  void* mModuleInstance = nullptr;
  cairo_surface_t* mSurface = nullptr;
  cairo_t* mContext = nullptr;
  int mWidth = 0;
  int mHeight = 0;
};

// The drawing scope each cairo control embeds: clips the shared context to the control's
// rectangle for one Paint and draws the shapes the controls share.
class ycairo_draw_scope
{
public:
  ycairo_draw_scope(IControl& control, ycairo_gui& gui) : mControl(control), mGui(gui) {}

  // Saves the context and clips it to the control's rectangle; nullptr (and nothing to
  // end) when there is no surface to draw on.
  cairo_t* BeginControlDraw();
  void EndControlDraw();
  void TrianglePath(double x1, double y1, double x2, double y2, double x3, double y3);
  // Corners of radius h / 10 / cornerFactor; a plain rectangle for cornerFactor <= 0.
  void RoundedRectanglePath(double x, double y, double w, double h, double cornerFactor);

  ycairo_gui& Gui() const { return mGui; }
  cairo_t* Context() const { return mContext; }

private:
  IControl& mControl;
  ycairo_gui& mGui;
  cairo_t* mContext = nullptr;
};

// Writes the bitmap (RGB24) as a PNG file; false when it cannot.
bool ycairo_write_png(const LICE_IBitmap& bitmap, const char* path);
