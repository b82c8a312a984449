#include "WDL/IPlug/IControl.h"

#include "WDL/IPlug/IGraphics.h"
#include "WDL/IPlug/IPlugBase.h"

#include <algorithm>

IControl::IControl(IPlugBase* plug, const EditorRect& rect, int paramIndex)
    : mPlug(plug), mRect(rect), mTargetRect(rect), mParamIndex(paramIndex)
{
}

void IControl::MouseDown(int, int, const MouseMods& mods)
{
  if (mods.R)
    AskForValue();
}

void IControl::MouseDoubleClick(int, int, const MouseMods&)
{
  if (mDefaultValue >= 0.0)
  {
    mValue = mDefaultValue;
    MarkDirty(true);
  }
}

void IControl::ReceiveParameterValue(double normalized)
{
  if (mDefaultValue < 0.0)
  {
    // The first value sets the default; the control is still dirty from construction.
    mValue = mDefaultValue = normalized;
    return;
  }
  if (normalized != mValue)
  {
    mValue = normalized;
    MarkDirty(false);
    mRedrawPending = true;
  }
}

void IControl::ApplyUserValue(double normalized)
{
  if (normalized != mValue)
  {
    mValue = normalized;
    MarkDirty(true);
    mRedrawPending = true;
  }
}

void IControl::SetHidden(bool hidden)
{
  mHidden = hidden;
  mRedrawPending = true;
  MarkDirty(false);
}

void IControl::SetGrayed(bool grayed)
{
  mGrayed = grayed;
  MarkDirty(false);
}

void IControl::MarkDirty(bool pushToPlugin)
{
  mValue = mValue < mClampLow ? mClampLow : std::min(mValue, mClampHigh);
  mDirty = mRedrawPending = true;
  if (mParamIndex < 0)
    return;
  if (pushToPlugin && mPlug != nullptr)
  {
    // A value recorded from another thread before this edit is older than it.
    if (mEditor != nullptr)
      mEditor->DiscardPendingValue(mParamIndex);
    mPlug->SetParameterFromGUI(mParamIndex, mValue);
  }
  if (mEditor != nullptr)
    mEditor->ShowParameterValue(mParamIndex, mValue);
}

void IControl::MarkClean()
{
  mDirty = mRedrawPending;
  mRedrawPending = false;
}

void IControl::MoveTo(int x, int y)
{
  mRect = {x, y, x + mRect.W(), y + mRect.H()};
  mTargetRect = mRect;
}

void IControl::AskForValue()
{
  if (mParamIndex < 0 || mPromptDisabled || mEditor == nullptr)
    return;
  mEditor->AskForValue(*this, mParamIndex, mRect);
  mRedrawPending = true;
}

void IKnobControl::MouseDrag(int, int, int dX, int dY, const MouseMods& mods)
{
  const double gearing = (mods.S || mods.C) ? mGearing * 10.0 : mGearing;
  if (mDirection == kVertical)
  {
    const int span = mTargetRect.T - mTargetRect.B;
    if (span == 0 || gearing == 0.0)
      return;
    mValue += static_cast<double>(dY) / span / gearing;
  }
  else
  {
    const int span = mTargetRect.R - mTargetRect.L;
    if (span == 0 || gearing == 0.0)
      return;
    mValue += static_cast<double>(dX) / span / gearing;
  }
  MarkDirty(true);
}

void IKnobControl::MouseWheel(int, int, const MouseMods& mods, int notches)
{
  mValue += notches * ((mods.S || mods.C) ? 0.001 : 0.01);
  MarkDirty(true);
}
