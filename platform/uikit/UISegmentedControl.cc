#include "platform/uikit/UISegmentedControl.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"

namespace {
constexpr double kHeight = 32;
constexpr double kTrackRadius = 9;
constexpr double kPlateInset = 2;
constexpr double kPlateRadius = 7;
constexpr double kSegmentPadding = 14;
constexpr UIFont kFont = UIFont::systemFontOfSize(13);
constexpr UIFont kChosenFont = UIFont::boldSystemFontOfSize(13);
constexpr UIColor kTrackColor = UIColor::colorWithRed(118 / 255.0, 118 / 255.0, 128 / 255.0, 0.12);
constexpr UIColor kDividerColor = UIColor::colorWithRed(60 / 255.0, 60 / 255.0, 67 / 255.0, 0.3);
}  // namespace

OBJC_DEFINE_CLASS(UISegmentedControl, UIControl)

std::shared_ptr<UISegmentedControl> UISegmentedControl::initWithItems(std::vector<std::string> titles) {
  auto control = std::make_shared<UISegmentedControl>();
  control->titles_ = std::move(titles);
  control->sizeToFit();
  return control;
}

UISegmentedControl::UISegmentedControl(objc::Class* isa) : UIControl(isa) {}

std::string UISegmentedControl::titleForSegmentAtIndex(std::size_t index) const {
  return index < titles_.size() ? titles_[index] : std::string();
}

void UISegmentedControl::setTitle(std::string title, std::size_t index) {
  if (index < titles_.size()) titles_[index] = std::move(title);
}

void UISegmentedControl::insertSegmentWithTitle(std::string title, std::size_t index, bool) {
  index = std::min(index, titles_.size());
  titles_.insert(titles_.begin() + static_cast<std::ptrdiff_t>(index), std::move(title));
  if (selected_ >= 0 && std::size_t(selected_) >= index) ++selected_;
}

void UISegmentedControl::removeAllSegments() {
  titles_.clear();
  selected_ = UISegmentedControlNoSegment;
}

void UISegmentedControl::setSelectedSegmentIndex(int index) {
  selected_ = index >= 0 && std::size_t(index) < titles_.size() ? index : UISegmentedControlNoSegment;
}

bool UISegmentedControl::chooseSegment(int index) {
  if (index == selected_) return false;
  setSelectedSegmentIndex(index);
  sendActionsForControlEvents(UIControlEventValueChanged);
  return true;
}

CGRect UISegmentedControl::rectForSegmentAtIndex(std::size_t index) const {
  if (index >= titles_.size()) return CGRect{};
  CGRect b = bounds();
  double width = b.width() / double(titles_.size());
  return CGRectMake(width * double(index), 0, width, b.height());
}

CGSize UISegmentedControl::sizeThatFits(const CGSize&) const {
  // Equal segments: each as wide as the widest title needs.
  double widest = 0;
  for (const auto& title : titles_) widest = std::max(widest, platform::textWidth(title, kChosenFont));
  return CGSize{std::ceil((widest + 2 * kSegmentPadding) * double(titles_.size())), kHeight};
}

void UISegmentedControl::draw(cairo_t* cr) {
  CGRect b = bounds();
  platform::setSourceColor(cr, kTrackColor);
  platform::addRoundedRect(cr, b, std::min(kTrackRadius, b.height() / 2));
  cairo_fill(cr);
  double dim = isEnabled() ? 1 : 0.35;
  for (std::size_t i = 0; i < titles_.size(); ++i) {
    CGRect segment = rectForSegmentAtIndex(i);
    bool chosen = int(i) == selected_;
    if (chosen) {
      platform::setSourceColor(cr, UIColor::whiteColor());
      platform::addRoundedRect(cr, CGRectInset(segment, kPlateInset, kPlateInset), kPlateRadius);
      cairo_fill(cr);
    } else if (i > 0 && int(i) - 1 != selected_) {
      platform::setSourceColor(cr, kDividerColor);
      cairo_rectangle(cr, segment.minX() - 0.5, segment.minY() + 8, 1, std::max(0.0, segment.height() - 16));
      cairo_fill(cr);
    }
    const UIFont& font = chosen ? kChosenFont : kFont;
    std::string line = platform::truncateToWidth(titles_[i], font, std::max(0.0, segment.width() - 8));
    double w = platform::textWidth(line, font);
    UIColor color = UIColor::labelColor();
    color.alpha *= dim;
    double top = (segment.height() - platform::lineHeight(font)) / 2;
    platform::drawTextLine(cr, line, font, color, segment.midX() - w / 2, segment.minY() + top + platform::fontAscent(font));
  }
}

bool UISegmentedControl::handleTap(const CGPoint& point) {
  if (!isEnabled() || titles_.empty()) return false;
  for (std::size_t i = 0; i < titles_.size(); ++i)
    if (CGRectContainsPoint(rectForSegmentAtIndex(i), point)) {
      chooseSegment(int(i));
      return true;
    }
  return false;
}

std::vector<UIAccessibilityElement> UISegmentedControl::accessibilityElements() {
  std::vector<UIAccessibilityElement> elements;
  if (isHidden() || alpha() <= 0.01) return elements;
  auto weak = std::weak_ptr<UISegmentedControl>(std::static_pointer_cast<UISegmentedControl>(shared_from_this()));
  for (std::size_t i = 0; i < titles_.size(); ++i) {
    UIAccessibilityElement element;
    element.label = titles_[i];
    element.traits = UIAccessibilityTraitButton;
    if (int(i) == selected_) element.traits |= UIAccessibilityTraitSelected;
    if (!isEnabled()) element.traits |= UIAccessibilityTraitNotEnabled;
    element.frame = convertRectToView(rectForSegmentAtIndex(i), nullptr);
    element.view = weak;
    element.activate = [weak, i] {
      auto control = weak.lock();
      if (!control || !control->isEnabled()) return false;
      control->chooseSegment(int(i));
      return true;
    };
    elements.push_back(std::move(element));
  }
  return elements;
}
