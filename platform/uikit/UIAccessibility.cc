#include "platform/uikit/UIAccessibility.h"

#include <utility>

namespace platform {

std::string describeTraits(UIAccessibilityTraits traits) {
  static constexpr std::pair<UIAccessibilityTraits, const char*> kWords[] = {
      {UIAccessibilityTraitHeader, "header"},         {UIAccessibilityTraitButton, "button"},
      {UIAccessibilityTraitLink, "link"},             {UIAccessibilityTraitToggleButton, "switch"},
      {UIAccessibilityTraitTextField, "text field"},  {UIAccessibilityTraitAdjustable, "adjustable"},
      {UIAccessibilityTraitImage, "image"},           {UIAccessibilityTraitStaticText, "text"},
      {UIAccessibilityTraitSelected, "selected"},     {UIAccessibilityTraitNotEnabled, "not enabled"},
  };
  std::string out;
  for (const auto& [bit, word] : kWords) {
    if (!(traits & bit)) continue;
    if (!out.empty()) out += ", ";
    out += word;
  }
  return out;
}

}  // namespace platform
