#pragma once

#include <memory>
#include <string>
#include <vector>

// The menu a window layer shows when a control asks for a value: items with a text,
// flags and an optional submenu. After ShowPopupMenu the menu holding the choice knows
// which item was chosen.
class IPopupMenu
{
public:
  enum EItemFlags
  {
    kItemGrayed = 1,
    kItemDisabled = 2,
    kItemChecked = 4,
    kItemSeparator = 8
  };
  // How item labels are numbered (1-based): none, "%1d: %s", "%02d: %s", "%03d: %s".
  enum ENumbering { kNumberNone = 0, kNumberOne = 1, kNumberTwo = 2, kNumberThree = 3 };

  struct Item
  {
    std::string text;
    int flags = 0;
    std::unique_ptr<IPopupMenu> submenu;
  };

  void AddItem(const char* text, int flags = 0);
  void AddSubmenu(const char* text, std::unique_ptr<IPopupMenu> submenu);
  int ItemCount() const { return static_cast<int>(mItems.size()); }
  // nullptr outside the list.
  const Item* ItemAt(int position) const;
  IPopupMenu* SubmenuAt(int position);
  // The label a window layer shows for item position, numbered by the numbering style.
  std::string LabelAt(int position) const;

  void SetNumbering(int numbering) { mNumbering = numbering; }
  int Numbering() const { return mNumbering; }
  // -1 until an item of this menu is chosen.
  int ChosenItem() const { return mChosen; }
  void SetChosenItem(int position) { mChosen = position; }

private:
  std::vector<Item> mItems;
  int mNumbering = kNumberNone;
  int mChosen = -1;
};
