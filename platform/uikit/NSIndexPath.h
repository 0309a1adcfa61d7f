#pragma once
// NSIndexPath as lists use it: a row within a section. A plain value, ordered by section and then
// by row, so index paths sort the way a list shows them.
#include <compare>
#include <string>

struct NSIndexPath {
  int section = 0;
  int row = 0;

  // indexPathForRow:inSection:. Prefer it to brace initialisation, whose order is easy to misread.
  static constexpr NSIndexPath indexPathForRow(int row, int section) { return NSIndexPath{section, row}; }
  // Grids call a row an item.
  constexpr int item() const { return row; }

  // "{section, row}", as log lines show it.
  std::string description() const { return "{" + std::to_string(section) + ", " + std::to_string(row) + "}"; }

  friend constexpr auto operator<=>(const NSIndexPath&, const NSIndexPath&) = default;
};
