#include "WDL/IPlug/IGraphics.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IPlugBase.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace
{
constexpr int kHostApiVst3 = 1;
}

IGraphics::IGraphics(IPlugBase* plug, int width, int height, int fps)
    : mPlug(plug), mWidth(width), mHeight(height), mFPS(fps > 0 ? fps : 30)
{
  mPendingCount = plug != nullptr ? plug->ParamCount() : 0;
  if (mPendingCount > 0)
    mPending = std::make_unique<Pending[]>(static_cast<std::size_t>(mPendingCount));
  mParamCopies.reserve(static_cast<std::size_t>(mPendingCount));
  for (int i = 0; i < mPendingCount; ++i)
    mParamCopies.push_back(*plug->ParamAt(i));
}

const IPlugParam* IGraphics::CopyOfParam(int paramIndex)
{
  if (paramIndex < 0 || paramIndex >= mPendingCount)
    return nullptr;
  IPlugParam& copy = mParamCopies[static_cast<std::size_t>(paramIndex)];
  const IPlugParam* param = mPlug->ParamAt(paramIndex);
  const std::lock_guard<std::recursive_mutex> lock(mPlug->Mutex());
  copy = *param; // the display texts fit the storage the copy already has
  return &copy;
}

IGraphics::~IGraphics()
{
  while (!mControls.empty())
    mControls.pop_back();
  mDrawingLayer.reset();
  mBackBuffer.reset();
}

void IGraphics::RedrawAreas(const EditorRect* areas, int count)
{
  DrawAreas(areas, count);
}

void IGraphics::PrepareBackBuffer()
{
  if (!mBackBuffer)
    mBackBuffer = CreateBackBuffer();
  if (!mBackBuffer)
    return;
  const double scale = DisplayScale();
  mBackBuffer->SetSize(static_cast<int>(scale * mWidth), static_cast<int>(scale * mHeight));
  if (mDrawingLayer)
    mDrawingLayer->AttachToBackBuffer(*mBackBuffer, scale);
}

void IGraphics::SetDrawingLayer(std::unique_ptr<IDrawingLayer> layer)
{
  mDrawingLayer = std::move(layer);
  if (mDrawingLayer && mBackBuffer)
    mDrawingLayer->AttachToBackBuffer(*mBackBuffer, DisplayScale());
}

void IGraphics::SetParameterFromPlug(int paramIndex, double normalized)
{
  ShowParameterValue(paramIndex, normalized);
}

void IGraphics::SetControlsFromParameter(int paramIndex, double value, bool isNormalized)
{
  if (paramIndex < 0 || paramIndex >= mPendingCount)
    return;
  if (!isNormalized)
  {
    const IPlugParam* param = mPlug->ParamAt(paramIndex);
    value = param != nullptr ? param->ToNormalized(value) : 0.0;
  }
  Pending& pending = mPending[static_cast<std::size_t>(paramIndex)];
  pending.value.store(value, std::memory_order_relaxed);
  pending.valuePending.store(true, std::memory_order_release);
  mAnyPending.store(true, std::memory_order_release);
}

void IGraphics::GrayOutParameterControls(int paramIndex, bool grayed)
{
  if (paramIndex < 0 || paramIndex >= mPendingCount)
    return;
  Pending& pending = mPending[static_cast<std::size_t>(paramIndex)];
  pending.grayed.store(grayed, std::memory_order_relaxed);
  pending.grayPending.store(true, std::memory_order_release);
  mAnyPending.store(true, std::memory_order_release);
}

void IGraphics::RedrawParameterControls(int paramIndex)
{
  if (paramIndex < 0 || paramIndex >= mPendingCount)
    return;
  mPending[static_cast<std::size_t>(paramIndex)].redrawPending.store(true, std::memory_order_release);
  mAnyPending.store(true, std::memory_order_release);
}

void IGraphics::DiscardPendingValue(int paramIndex)
{
  if (paramIndex >= 0 && paramIndex < mPendingCount)
    mPending[static_cast<std::size_t>(paramIndex)].valuePending.store(false, std::memory_order_relaxed);
}

void IGraphics::ApplyPendingUpdates()
{
  if (!mAnyPending.exchange(false, std::memory_order_acquire))
    return;
  for (int i = 0; i < mPendingCount; ++i)
  {
    Pending& pending = mPending[static_cast<std::size_t>(i)];
    if (pending.grayPending.exchange(false, std::memory_order_acquire))
    {
      const bool grayed = pending.grayed.load(std::memory_order_relaxed);
      for (auto& control : mControls)
        if (control->ParamIndex() == i)
          control->SetGrayed(grayed);
    }
    if (pending.valuePending.exchange(false, std::memory_order_acquire))
      ShowParameterValue(i, pending.value.load(std::memory_order_relaxed));
    if (pending.redrawPending.exchange(false, std::memory_order_acquire))
      for (auto& control : mControls)
        if (control->ParamIndex() == i)
          control->MarkDirty(false);
  }
}

int IGraphics::AddControl(IControl* control)
{
  if (control == nullptr)
    return -1;
  control->mEditor = this;
  mControls.emplace_back(control);
  for (std::size_t i = 0; i < mControls.size(); ++i)
    mControls[i]->mListIndex = static_cast<int>(i);
  return control->mListIndex;
}

IControl* IGraphics::ControlAt(int index) const
{
  if (index < 0 || index >= ControlCount())
    return nullptr;
  return mControls[static_cast<std::size_t>(index)].get();
}

void IGraphics::ShowParameterValue(int paramIndex, double normalized)
{
  if (paramIndex < 0)
    return;
  for (auto& control : mControls)
    if (control->ParamIndex() == paramIndex)
      control->ReceiveParameterValue(normalized);
}

void IGraphics::MarkAllDirty()
{
  for (auto& control : mControls)
    control->MarkDirty(false);
}

void IGraphics::OnTimerTick()
{
  ApplyPendingUpdates();
  if (mPlug != nullptr)
    mPlug->OnEditorTimer();
  EditorRect areas[kMaxDirtyAreas];
  if (const int count = CollectDirtyAreas(areas))
    RedrawAreas(areas, count);
}

bool IGraphics::RunIdleTick()
{
  if (++mIdleTicks > 1)
  {
    if (mPlug != nullptr)
      mPlug->OnEditorIdle();
    for (auto& control : mControls)
      control->Idle();
    mIdleTicks = 0;
  }
  return false;
}

bool IGraphics::CollectDirtyArea(EditorRect& area)
{
  bool dirty = false;
  for (auto& control : mControls)
  {
    if (control->NeedsRedraw())
    {
      area = dirty ? area.Union(control->Rect()) : control->Rect();
      dirty = true;
    }
  }
  if (dirty)
  {
    mIdleTicks = 0;
    return true;
  }
  return RunIdleTick();
}

int IGraphics::CollectDirtyAreas(EditorRect (&areas)[kMaxDirtyAreas])
{
  int count = 0;
  for (auto& control : mControls)
  {
    if (!control->NeedsRedraw() || control->Rect().Empty())
      continue;
    EditorRect joined = control->Rect();
    // Join every area it overlaps or touches; joining can make it reach more.
    for (int i = 0; i < count;)
    {
      const EditorRect& a = areas[i];
      if (a.L <= joined.R && joined.L <= a.R && a.T <= joined.B && joined.T <= a.B)
      {
        joined = joined.Union(a);
        areas[i] = areas[--count];
        i = 0;
      }
      else
        ++i;
    }
    if (count == kMaxDirtyAreas)
      areas[count - 1] = areas[count - 1].Union(joined);
    else
      areas[count++] = joined;
  }
  if (count > 0)
  {
    mIdleTicks = 0;
    return count;
  }
  RunIdleTick();
  return 0;
}

void IGraphics::DrawArea(const EditorRect& area, double)
{
  DrawAreas(&area, 1);
}

void IGraphics::DrawAreas(const EditorRect* areas, int count)
{
  mLastDrawArea = {};
  const bool canDraw = mDrawingLayer && mBackBuffer && mBackBuffer->PixelData() != nullptr;
  for (int i = 0; i < count; ++i)
  {
    const EditorRect& area = areas[i];
    mLastDrawArea = mLastDrawArea.Union(area);
    if (!canDraw || area.Empty())
      continue;
    mDrawingLayer->BeginDrawPass(area);
    for (auto& control : mControls)
      if (!control->IsHidden() && !control->Rect().Empty() && area.Reaches(control->Rect()))
        control->Paint(*this);
    mDrawingLayer->EndDrawPass();
  }
  for (auto& control : mControls)
    control->MarkClean();
  for (int i = 0; i < count; ++i)
    PresentToScreen(areas[i]);
}

int IGraphics::ControlIndexAt(int x, int y) const
{
  for (int i = ControlCount() - 1; i >= 0; --i)
  {
    const IControl& control = *mControls[static_cast<std::size_t>(i)];
    if (!control.IsHidden() && !control.IsGrayed() && control.HitTest(x, y))
      return i;
  }
  return -1;
}

IControl* IGraphics::CapturedOrHit(int x, int y) const
{
  if (IControl* captured = ControlAt(mMouseCapture))
    return captured;
  return ControlAt(ControlIndexAt(x, y));
}

void IGraphics::ReleaseCapture()
{
  mMouseCapture = -1;
  mLastX = mLastY = -1;
}

void IGraphics::HandleMouseDown(int x, int y, const MouseMods& mods)
{
  ReleaseCapture();
  const int index = ControlIndexAt(x, y);
  IControl* control = ControlAt(index);
  if (control == nullptr)
    return;
  mMouseCapture = index;
  mLastX = x;
  mLastY = y;
  const int paramIndex = control->ParamIndex();
  if (mPlug != nullptr && paramIndex >= 0 && mods.R && mPlug->HostApiCode() == kHostApiVst3)
  {
    // The VST3 host shows its own menu for the parameter (automation, MIDI learn).
    ReleaseCapture();
    mPlug->ShowHostParameterMenu(paramIndex, x, y);
    return;
  }
  if (mPlug != nullptr && paramIndex >= 0)
  {
    mPlug->BeginInformHostOfParamChange(paramIndex);
    mGestureParam = paramIndex;
  }
  control->MouseDown(x, y, mods);
}

void IGraphics::HandleMouseUp(int x, int y, const MouseMods& mods)
{
  IControl* control = CapturedOrHit(x, y);
  ReleaseCapture();
  if (control == nullptr)
    return;
  control->MouseUp(x, y, mods);
  // Only a gesture the press began is ended: a release after the host's own menu, or
  // one that arrives without a press, would otherwise end a gesture the host never saw.
  if (mPlug != nullptr && control->ParamIndex() >= 0 && control->ParamIndex() == mGestureParam)
    mPlug->EndInformHostOfParamChange(control->ParamIndex());
  mGestureParam = -1;
}

void IGraphics::HandleMouseDrag(int x, int y, const MouseMods& mods)
{
  IControl* control = ControlAt(mMouseCapture);
  if (control == nullptr || (x == mLastX && y == mLastY))
    return;
  const int dX = x - mLastX;
  const int dY = y - mLastY;
  mLastX = x;
  mLastY = y;
  control->MouseDrag(x, y, dX, dY, mods);
}

bool IGraphics::HandleMouseOver(int x, int y, const MouseMods& mods)
{
  if (!mHoverTracking)
    return false;
  int target = mMouseCapture;
  if (ControlAt(target) == nullptr)
  {
    target = -1;
    for (int i = ControlCount() - 1; i >= 0; --i)
    {
      const IControl& control = *mControls[static_cast<std::size_t>(i)];
      if (!control.IsHidden() && (!control.IsGrayed() || control.HoverWhileGrayed()) && control.HitTest(x, y))
      {
        target = i;
        break;
      }
    }
  }
  if (target < 0)
    return mHoverTracking;
  mLastX = x;
  mLastY = y;
  ControlAt(target)->MouseOver(x, y, mods);
  if (mHoverIndex >= 0 && mHoverIndex != target)
    if (IControl* previous = ControlAt(mHoverIndex))
      previous->MouseOut();
  mHoverIndex = target;
  return mHoverTracking;
}

void IGraphics::HandleMouseOut()
{
  for (auto& control : mControls)
    control->MouseOut();
  mHoverIndex = -1;
}

void IGraphics::HandleMouseDoubleClick(int x, int y, const MouseMods& mods)
{
  ReleaseCapture();
  const int index = ControlIndexAt(x, y);
  IControl* control = ControlAt(index);
  if (control == nullptr)
    return;
  if (control->DoubleClickActsAsPress())
  {
    mMouseCapture = index;
    mLastX = x;
    mLastY = y;
    control->MouseDown(x, y, mods);
    CaptureSystemPointer();
    return;
  }
  control->MouseDoubleClick(x, y, mods);
}

void IGraphics::HandleMouseWheel(int x, int y, const MouseMods& mods, int notches)
{
  if (IControl* control = CapturedOrHit(x, y))
    control->MouseWheel(x, y, mods, notches);
}

bool IGraphics::HandleKeyDown(int x, int y, int key)
{
  IControl* control = CapturedOrHit(x, y);
  // The background never takes keys, so they reach the host's shortcuts.
  if (control == nullptr || control->ListIndex() == 0)
    return false;
  return control->KeyDown(x, y, key);
}

void IGraphics::AskForValue(IControl& control, int paramIndex, const EditorRect& rect)
{
  if (mPlug == nullptr)
    return;
  // Built from a copy: the menu and the text are made, and the user answers, without
  // the plug-in mutex.
  const IPlugParam* param = CopyOfParam(paramIndex);
  if (param == nullptr)
    return;

  const EParamKind kind = param->Kind();
  const int texts = param->DisplayTextCount();
  if (kind == kKindEnum || (kind == kKindBool && texts > 0))
  {
    char current[kParamTextBytes];
    param->FormatForHost(param->Value(), false, current, sizeof current);
    IPopupMenu menu;
    for (int value = 0; value < texts; ++value)
    {
      const char* text = param->DisplayTextFor(value);
      menu.AddItem(text, std::strcmp(text, current) == 0 ? IPopupMenu::kItemChecked : 0);
    }
    IPopupMenu* chosen = ShowPopupMenu(menu, rect);
    if (chosen != &menu || menu.ChosenItem() < 0)
      return;
    control.ApplyUserValue(param->ToNormalized(menu.ChosenItem()));
    return;
  }

  double value = param->Value();
  if (param->NegateDisplay())
    value = -value;
  char text[64];
  if (param->DisplayPrecision() > 0)
    std::snprintf(text, sizeof text, "%.*f", param->DisplayPrecision(), value);
  else
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  // Centre and half extents, in whole units.
  const int cx = (rect.L + rect.R) / 2;
  const int cy = (rect.T + rect.B) / 2;
  const int hw = rect.W() / 2;
  const int hh = rect.H() / 2;
  ShowTextEntry(control, control.Style(), {cx - hw, cy - hh, cx + hw, cy + hh}, text, paramIndex);
}

void IGraphics::SetFromStringAfterPrompt(IControl& control, int paramIndex, const char* text)
{
  const char* typed = text != nullptr ? text : "";
  const IPlugParam* param = mPlug != nullptr ? CopyOfParam(paramIndex) : nullptr;
  if (param == nullptr)
  {
    control.ReceiveEnteredText(typed);
    return;
  }
  // Parsed against a copy, without the plug-in mutex.
  double value = 0.0;
  if (param->Kind() == kKindBool || param->Kind() == kKindEnum)
  {
    // The first display text equal to what was typed; none selects 0.
    int entryValue = 0;
    for (int i = 0; i < param->DisplayTextCount(); ++i)
      if (std::strcmp(param->DisplayTextAt(i, &entryValue), typed) == 0)
      {
        value = entryValue;
        break;
      }
  }
  else
  {
    value = std::strtod(typed, nullptr);
    if (!std::isfinite(value))
      value = 0.0; // "inf" or "nan" is not a value a user means
    if (param->NegateDisplay())
      value = -value;
  }
  control.ApplyUserValue(param->ToNormalized(value));
}
