#include "WDL/IPlug/IGraphicsHeadless.h"

#include "WDL/IPlug/IControl.h"

#include <algorithm>
#include <cstring>

IGraphicsHeadless::IGraphicsHeadless(IPlugBase* plug, int width, int height, int fps, double displayScale)
    : IGraphics(plug, width, height, fps), mScale(displayScale > 0.0 ? displayScale : 1.0)
{
}

bool IGraphicsHeadless::PresentToScreen(const EditorRect& area)
{
  mPresented.push_back(area);
  LICE_IBitmap* back = BackBuffer();
  if (back == nullptr || back->PixelData() == nullptr)
    return false;
  mScreen.SetSize(back->Width(), back->Height());
  // The area in device pixels, cut to the bitmap.
  const int left = std::max(0, static_cast<int>(area.L * mScale));
  const int top = std::max(0, static_cast<int>(area.T * mScale));
  const int right = std::min(back->Width(), static_cast<int>(area.R * mScale));
  const int bottom = std::min(back->Height(), static_cast<int>(area.B * mScale));
  for (int y = top; y < bottom; ++y)
    std::memcpy(mScreen.PixelData() + static_cast<std::size_t>(y) * static_cast<std::size_t>(mScreen.RowSpan()) + left,
                back->PixelData() + static_cast<std::size_t>(y) * static_cast<std::size_t>(back->RowSpan()) + left,
                sizeof(std::uint32_t) * static_cast<std::size_t>(std::max(0, right - left)));
  return true;
}

void IGraphicsHeadless::CancelTextEntry()
{
  mEntry.open = false;
  mEntryControl = nullptr;
}

IPopupMenu* IGraphicsHeadless::ShowPopupMenu(IPopupMenu& menu, const EditorRect& rect)
{
  ShownMenu shown;
  shown.rect = rect;
  for (int i = 0; i < menu.ItemCount(); ++i)
  {
    shown.items.push_back(menu.LabelAt(i));
    if (menu.ItemAt(i)->flags & IPopupMenu::kItemChecked)
      shown.checked = i;
  }
  mMenus.push_back(std::move(shown));
  // A menu takes the pointer: no control stays captured.
  mButtonDown = false;
  const int choice = mMenuChoices.empty() ? -1 : mMenuChoices.front();
  if (!mMenuChoices.empty())
    mMenuChoices.pop_front();
  if (choice < 0 || choice >= menu.ItemCount())
    return nullptr;
  menu.SetChosenItem(choice);
  return &menu;
}

void IGraphicsHeadless::ShowTextEntry(IControl& control, const TextStyle&, const EditorRect& rect, const char* text,
                                      int paramIndex)
{
  if (mEntry.open)
    return;
  mEntry = {&control, paramIndex, text != nullptr ? text : "", rect, true};
  mEntryControl = &control;
}

void* IGraphicsHeadless::OpenEditorWindow(void*)
{
  if (!mOpen)
  {
    mOpen = true;
    MarkAllDirty();
  }
  return WindowHandle();
}

void IGraphicsHeadless::CloseEditorWindow()
{
  CancelTextEntry();
  mOpen = false;
  mButtonDown = mCaptured = false;
}

void IGraphicsHeadless::SetDisplayScale(double scale)
{
  if (!(scale > 0.0) || scale == mScale)
    return;
  mScale = scale;
  PrepareBackBuffer();
  MarkAllDirty();
}

void IGraphicsHeadless::Tick()
{
  if (!mOpen)
    return;
  if (mEntry.open && !mTypedTexts.empty())
  {
    IControl* control = mEntryControl;
    const std::string typed = mTypedTexts.front().substr(0, static_cast<std::size_t>(std::max(0, control->TextEntryLength())));
    mTypedTexts.pop_front();
    CancelTextEntry();
    SetFromStringAfterPrompt(*control, mEntry.paramIndex, typed.c_str());
  }
  OnTimerTick();
}

void IGraphicsHeadless::PointerDown(int x, int y, const MouseMods& mods)
{
  if (mEntry.open)
  {
    CancelTextEntry(); // a click elsewhere ends the field
    return;
  }
  mButtonDown = mCaptured = true;
  HandleMouseDown(ToUnits(x), ToUnits(y), mods);
}

void IGraphicsHeadless::PointerUp(int x, int y, const MouseMods& mods)
{
  mButtonDown = mCaptured = false;
  HandleMouseUp(ToUnits(x), ToUnits(y), mods);
}

void IGraphicsHeadless::PointerMove(int x, int y, const MouseMods& mods)
{
  if (mButtonDown)
  {
    if (mCaptured && !mEntry.open)
      HandleMouseDrag(ToUnits(x), ToUnits(y), mods);
    return;
  }
  HandleMouseOver(ToUnits(x), ToUnits(y), mods);
}

void IGraphicsHeadless::DoubleClick(int x, int y, const MouseMods& mods)
{
  HandleMouseDoubleClick(ToUnits(x), ToUnits(y), mods);
}

void IGraphicsHeadless::Wheel(int x, int y, const MouseMods& mods, int notches)
{
  if (mEntry.open)
  {
    CancelTextEntry();
    return;
  }
  HandleMouseWheel(ToUnits(x), ToUnits(y), mods, notches);
}

void IGraphicsHeadless::PointerLeaves()
{
  HandleMouseOut();
}

bool IGraphicsHeadless::KeyDown(int x, int y, int key)
{
  return HandleKeyDown(ToUnits(x), ToUnits(y), key);
}
