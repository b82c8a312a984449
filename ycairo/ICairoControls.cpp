#include "ycairo/ICairoControls.h"

#include "ycairo/ycairo_resources.h"

#include "WDL/IPlug/IGraphics.h"
#include "WDL/IPlug/IPlugBase.h"


namespace
{
constexpr const char* kFontPath = "resources/TitilliumWeb-Regular.ttf";

void SetSource(cairo_t* context, const EditorColor& color, double alphaFactor = 1.0)
{
  cairo_set_source_rgba(context, color.R / 255.0, color.G / 255.0, color.B / 255.0, color.A / 255.0 * alphaFactor);
}
}

// ---- ICairoGradientBkg ----

ICairoGradientBkg::ICairoGradientBkg(IPlugBase* plug, ycairo_gui& gui, const EditorRect& rect)
    : IControl(plug, rect), mScope(*this, gui)
{
}

bool ICairoGradientBkg::Paint(IGraphics&)
{
  cairo_t* cr = mScope.BeginControlDraw();
  if (cr == nullptr)
    return false;
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, mRect.B);
  cairo_pattern_add_color_stop_rgba(gradient, 0, mTop.R / 255.0, mTop.G / 255.0, mTop.B / 255.0, 1.0);
  cairo_pattern_add_color_stop_rgba(gradient, 1, mBottom.R / 255.0, mBottom.G / 255.0, mBottom.B / 255.0, 1.0);
  cairo_rectangle(cr, mRect.L, mRect.T, mRect.W(), mRect.H());
  cairo_set_source(cr, gradient);
  cairo_fill(cr);
  cairo_pattern_destroy(gradient);

  // The arrows between the steps of the left column.
  cairo_set_source_rgba(cr, 1, 1, 1, 0.3);
  mScope.TrianglePath(91, 56, 105, 56, 98, 70);
  mScope.TrianglePath(91, 116, 105, 116, 98, 130);
  mScope.TrianglePath(91, 177, 105, 177, 98, 191);
  cairo_fill(cr);

  // The separator between the columns.
  cairo_set_source_rgba(cr, 0.45, 0.45, 0.45, 0.2);
  cairo_set_line_width(cr, 4);
  cairo_move_to(cr, 182, 13);
  cairo_line_to(cr, 182, 233);
  cairo_stroke(cr);

  // The footer band under the title.
  cairo_set_source_rgba(cr, 0.92, 0.92, 0.92, 0.3);
  cairo_rectangle(cr, 0, 240, 300, 35);
  cairo_fill(cr);
  mScope.EndControlDraw();
  return true;
}

// ---- ICairoLabel ----

ICairoLabel::ICairoLabel(IPlugBase* plug, ycairo_gui& gui, const EditorRect& rect, const EditorColor& textColor,
                         const char* text, int fontResourceId, const char* fontPath, double sizeFactor)
    : IControl(plug, rect), mScope(*this, gui), mText(text != nullptr ? text : ""), mColor(textColor),
      mSizeFactor(sizeFactor)
{
  mTextDrawer.SetModuleInstance(gui.ModuleInstance());
  mTextDrawer.LoadFontResource(fontResourceId, kResourceTypeRawData, fontPath);
}

bool ICairoLabel::Paint(IGraphics&)
{
  cairo_t* cr = mScope.BeginControlDraw();
  if (cr == nullptr)
    return false;
  mTextDrawer.DrawAlignedText(cr, mText.c_str(), mRect.H() * mSizeFactor, mColor, mRect, ycairo_text::kLeft,
                              ycairo_text::kMiddle);
  mScope.EndControlDraw();
  return true;
}

// ---- ICairoButton ----

ICairoButton::ICairoButton(IPlugBase* plug, ycairo_gui& gui, const EditorRect& rect, int paramIndex)
    : IControl(plug, rect, paramIndex), mScope(*this, gui)
{
  mTextDrawer.SetModuleInstance(gui.ModuleInstance());
  mTextDrawer.LoadFontResource(kFontResourceForControls, kResourceTypeRawData, kFontPath);
}

void ICairoButton::MouseDown(int, int, const MouseMods&)
{
  // Latching: 0 -> 1 -> 0; anything above 1 (a value of 0.5 plus one) returns to 0.
  mValue += 1.0;
  if (mValue > 1.001)
    mValue = 0.0;
  MarkDirty(true);
}

bool ICairoButton::Paint(IGraphics&)
{
  cairo_t* cr = mScope.BeginControlDraw();
  if (cr == nullptr)
    return false;
  const double lw = mLineWidth;
  const double l = mRect.L, t = mRect.T, w = mRect.W(), h = mRect.H();
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  SetSource(cr, mColor, mGrayed ? 0.4 : 1.0);
  cairo_set_line_width(cr, lw);
  mScope.RoundedRectanglePath(l + lw / 2, t + lw / 2, w - lw, h - lw, mCornerFactor);
  cairo_stroke(cr);

  EditorColor captionColor = mColor; // not dimmed when grayed
  if (mValue > 0.0)
  {
    mScope.RoundedRectanglePath(l + 2 * lw, t + 2 * lw, w - 4 * lw, h - 4 * lw, mCornerFactor > 0.0 ? 1.0 : 0.0);
    cairo_fill(cr);
    captionColor = {255, 64, 64, 64};
  }
  mTextDrawer.DrawAlignedText(cr, mCaption.c_str(), h * 0.5, captionColor, mRect, ycairo_text::kCenter,
                              ycairo_text::kMiddle);
  mScope.EndControlDraw();
  return true;
}

// ---- ICairoDropdown ----

ICairoDropdown::ICairoDropdown(IPlugBase* plug, ycairo_gui& gui, const EditorRect& rect, int paramIndex,
                               const EditorColor& color, double lineWidth, double cornerFactor, bool showUnit)
    : IKnobControl(plug, rect, paramIndex, kVertical, 4.0), mScope(*this, gui), mColor(color), mShowUnit(showUnit),
      mLineWidth(lineWidth), mCornerFactor(cornerFactor)
{
  mPromptDisabled = false;
  mTextDrawer.SetModuleInstance(gui.ModuleInstance());
  mTextDrawer.LoadFontResource(kFontResourceForControls, kResourceTypeRawData, kFontPath);
}

bool ICairoDropdown::Enumerated() const
{
  const IPlugParam* param = mPlug != nullptr ? mPlug->ParamAt(mParamIndex) : nullptr;
  return param != nullptr && param->Kind() == kKindEnum; // the kind never changes after creation
}

void ICairoDropdown::UpdateDisplayText(IGraphics& editor)
{
  // The audio thread changes parameters (and "Target Value"'s unit) under the plug-in
  // mutex; the editor holds it only to copy the parameter, and the text is made after.
  const IPlugParam* param = mPlug != nullptr ? editor.CopyOfParam(mParamIndex) : nullptr;
  if (param == nullptr)
  {
    mDisplayText.clear();
    return;
  }
  char text[kParamTextBytes];
  param->FormatForHost(param->Value(), false, text, sizeof text);
  mDisplayText = text;
  if (mShowUnit)
  {
    mDisplayText += ' ';
    mDisplayText += param->LabelForHost();
  }
}

bool ICairoDropdown::Paint(IGraphics& editor)
{
  mDrawnBy = &editor;
  editor.SetHoverTracking(true);
  cairo_t* cr = mScope.BeginControlDraw();
  if (cr == nullptr)
    return false;
  const double f = mGrayed ? 0.4 : 1.0;
  const double lw = mLineWidth;
  cairo_set_line_width(cr, lw);
  SetSource(cr, mColor, f);
  mScope.RoundedRectanglePath(mRect.L + lw / 2, mRect.T + lw / 2, mRect.W() - lw, mRect.H() - lw, mCornerFactor);
  cairo_stroke(cr);

  UpdateDisplayText(editor);
  EditorColor textColor = mColor;
  textColor.A = static_cast<int>(mColor.A * f);
  mTextDrawer.DrawAlignedText(cr, mDisplayText.c_str(), mRect.H() * 0.5, textColor, mRect, ycairo_text::kCenter,
                              ycairo_text::kMiddle);
  mScope.EndControlDraw();
  return true;
}

void ICairoDropdown::MouseDown(int, int, const MouseMods& mods)
{
  if ((mods.L || mods.R) && Enumerated())
    AskForValue();
}

void ICairoDropdown::MouseDoubleClick(int, int, const MouseMods&)
{
  RequestCursor(kCursorIBeam);
  AskForValue();
}

void ICairoDropdown::MouseOver(int, int, const MouseMods&)
{
  if (!Enumerated())
    RequestCursor(kCursorSizeNS);
}

void ICairoDropdown::MouseOut()
{
  RequestCursor(kCursorArrow);
}

void ICairoDropdown::RequestCursor(int kind)
{
  if (mDrawnBy != nullptr)
    mDrawnBy->SetCursorShape(kind);
}
