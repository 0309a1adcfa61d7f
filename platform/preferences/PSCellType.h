#pragma once
// The kinds of rows a settings list shows, and their names in a specifier file's `cell` key.
#include <optional>
#include <string>
#include <string_view>

enum PSCellType {
  PSGroupCell = 0,        // starts a section: `label` is its header, `footerText` its footer
  PSLinkCell = 1,         // disclosure; pushes the `detail` controller or calls `action`
  PSLinkListCell = 2,     // the current value's title; pushes the list of `validTitles`
  PSListItemCell = 3,     // one choice of a link list, checked when it is the current value
  PSTitleValueCell = 4,   // label and read-only value
  PSSliderCell = 5,       // a real value between `min` and `max`
  PSSwitchCell = 6,       // a bool value
  PSStaticTextCell = 7,   // label only, not selectable
  PSEditTextCell = 8,     // a string value typed in the row
  PSSegmentCell = 9,      // one of `validValues`, shown as `validTitles` side by side
  PSSecureEditTextCell = 12,
  PSButtonCell = 13,      // title in the tint colour; calls `action`
  PSDefaultCell = 15,     // a plain row, what custom `cellClass` rows usually name
};

// "PSSwitchCell" -> PSSwitchCell; nothing for a name this framework does not know.
std::optional<PSCellType> PSCellTypeFromString(std::string_view name);
// The name as a specifier file writes it.
std::string PSCellTypeName(PSCellType type);
// Rows that hold a value read through the specifier's getter and written through its setter.
bool PSCellTypeHoldsValue(PSCellType type);
