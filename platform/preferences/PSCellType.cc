#include "platform/preferences/PSCellType.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, PSCellType>, 13> kNames{{
    {"PSGroupCell", PSGroupCell},
    {"PSLinkCell", PSLinkCell},
    {"PSLinkListCell", PSLinkListCell},
    {"PSListItemCell", PSListItemCell},
    {"PSTitleValueCell", PSTitleValueCell},
    {"PSSliderCell", PSSliderCell},
    {"PSSwitchCell", PSSwitchCell},
    {"PSStaticTextCell", PSStaticTextCell},
    {"PSEditTextCell", PSEditTextCell},
    {"PSSegmentCell", PSSegmentCell},
    {"PSSecureEditTextCell", PSSecureEditTextCell},
    {"PSButtonCell", PSButtonCell},
    {"PSDefaultCell", PSDefaultCell},
}};

}  // namespace

std::optional<PSCellType> PSCellTypeFromString(std::string_view name) {
  for (const auto& [text, type] : kNames)
    if (text == name) return type;
  return std::nullopt;
}

std::string PSCellTypeName(PSCellType type) {
  for (const auto& [text, t] : kNames)
    if (t == type) return std::string(text);
  return "PSDefaultCell";
}

bool PSCellTypeHoldsValue(PSCellType type) {
  switch (type) {
    case PSLinkListCell:
    case PSTitleValueCell:
    case PSSliderCell:
    case PSSwitchCell:
    case PSEditTextCell:
    case PSSecureEditTextCell:
    case PSSegmentCell:
      return true;
    default:
      return false;
  }
}
