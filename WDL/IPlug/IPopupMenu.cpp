#include "WDL/IPlug/IPopupMenu.h"

#include <cstdio>

void IPopupMenu::AddItem(const char* text, int flags)
{
  mItems.push_back({text != nullptr ? text : "", flags, nullptr});
}

void IPopupMenu::AddSubmenu(const char* text, std::unique_ptr<IPopupMenu> submenu)
{
  mItems.push_back({text != nullptr ? text : "", 0, std::move(submenu)});
}

const IPopupMenu::Item* IPopupMenu::ItemAt(int position) const
{
  if (position < 0 || position >= ItemCount())
    return nullptr;
  return &mItems[static_cast<std::size_t>(position)];
}

IPopupMenu* IPopupMenu::SubmenuAt(int position)
{
  if (position < 0 || position >= ItemCount())
    return nullptr;
  return mItems[static_cast<std::size_t>(position)].submenu.get();
}

std::string IPopupMenu::LabelAt(int position) const
{
  const Item* item = ItemAt(position);
  if (item == nullptr)
    return "";
  static const char* const kFormats[] = {"%s", "%1d: %s", "%02d: %s", "%03d: %s"};
  if (mNumbering <= kNumberNone || mNumbering > kNumberThree)
    return item->text;
  char label[320];
  std::snprintf(label, sizeof label, kFormats[mNumbering], position + 1, item->text.c_str());
  return label;
}
