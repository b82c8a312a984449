#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <cstddef>

namespace Steinberg
{
class IPlugView;

namespace Vst
{
struct IContextMenuItem
{
  enum Flags
  {
    kIsSeparator = 1 << 0,
    kIsDisabled = 1 << 1,
    kIsChecked = 1 << 2,
    kIsGroupStart = 1 << 3 | kIsDisabled,
    kIsGroupEnd = 1 << 4 | kIsSeparator
  };

  String128 name;
  int32 tag; // passed back to IContextMenuTarget::executeMenuItem
  int32 flags;
};

// Implemented by whoever adds a menu item.
class IContextMenuTarget : public FUnknown
{
public:
  virtual tresult PLUGIN_API executeMenuItem(int32 tag) = 0;

  static constexpr const int8* iid = InterfaceIds::kIContextMenuTarget.data();
};

// Host side: a context menu, possibly pre-filled with the host's items for a parameter.
class IContextMenu : public FUnknown
{
public:
  using Item = IContextMenuItem;

  virtual int32 PLUGIN_API getItemCount() = 0;
  virtual tresult PLUGIN_API getItem(int32 index, Item& item, IContextMenuTarget** target) = 0;
  virtual tresult PLUGIN_API addItem(const Item& item, IContextMenuTarget* target) = 0;
  virtual tresult PLUGIN_API removeItem(const Item& item, IContextMenuTarget* target) = 0;
  // x, y relative to the view's top-left corner; may block until the user chooses.
  virtual tresult PLUGIN_API popup(UCoord x, UCoord y) = 0;

  static constexpr const int8* iid = InterfaceIds::kIContextMenu.data();
};

// Host side, queried from the component handler.
class IComponentHandler3 : public FUnknown
{
public:
  // paramID may be null. The menu carries one reference the caller releases.
  virtual IContextMenu* PLUGIN_API createContextMenu(IPlugView* plugView, const ParamID* paramID) = 0;

  static constexpr const int8* iid = InterfaceIds::kIComponentHandler3.data();
};

static_assert(sizeof(IContextMenuItem) == 264 && alignof(IContextMenuItem) == 4);
static_assert(offsetof(IContextMenuItem, tag) == 256 && offsetof(IContextMenuItem, flags) == 260);
static_assert(IContextMenuItem::kIsGroupStart == 0x0A && IContextMenuItem::kIsGroupEnd == 0x11);
} // namespace Vst
} // namespace Steinberg
