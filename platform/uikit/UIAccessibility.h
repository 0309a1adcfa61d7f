#pragma once
// What a screen reader knows of the screen: elements with a label, a value, traits that say what
// kind of thing each is, a frame, and a way to activate it (what a double tap does). Hosts read
// the screen as text and tap by label through these (see UITouchDelivery.h).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/uikit/CGGeometry.h"

class UIView;

using UIAccessibilityTraits = std::uint64_t;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitNone = 0;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitButton = 1ull << 0;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitLink = 1ull << 1;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitImage = 1ull << 2;
// A chosen row (a checkmark), a selected button, a switch that is on.
inline constexpr UIAccessibilityTraits UIAccessibilityTraitSelected = 1ull << 3;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitStaticText = 1ull << 6;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitNotEnabled = 1ull << 8;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitAdjustable = 1ull << 12;
inline constexpr UIAccessibilityTraits UIAccessibilityTraitHeader = 1ull << 16;
// A control with two states; its value is "on" or "off".
inline constexpr UIAccessibilityTraits UIAccessibilityTraitToggleButton = 1ull << 17;
// Editable text; its value is the text.
inline constexpr UIAccessibilityTraits UIAccessibilityTraitTextField = 1ull << 18;

// One element as a reader meets it. Views make these for themselves; a view may also describe
// things that are no view (rows of a list scrolled out of sight).
struct UIAccessibilityElement {
  std::string label;
  std::string value;
  // A name for code rather than for listening (accessibilityIdentifier): a back button that
  // reads out its title is also found as "Back". Empty for most elements.
  std::string identifier;
  UIAccessibilityTraits traits = UIAccessibilityTraitNone;
  // In the coordinates of the element's window while a view collects it; in screen points in
  // the list platform::accessibilityElements() returns.
  CGRect frame;
  // What activating the element does (a tap on it); false when nothing took it.
  std::function<bool()> activate;
  // The view the element stands for, or the one that described it.
  std::weak_ptr<UIView> view;
};

namespace platform {

// "button, selected, not enabled": the traits as words, in a fixed order, for hosts that print
// the screen as text.
std::string describeTraits(UIAccessibilityTraits traits);

}  // namespace platform
