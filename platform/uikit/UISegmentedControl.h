#pragma once
// UISegmentedControl: a row of titled segments of which at most one is chosen, drawn as on the
// device: a light grey rounded track, the chosen segment a white rounded plate, hairlines between
// the others. A tap on a segment chooses it and, when that changes the choice, sends
// value-changed; choosing in code sends nothing.
#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/UIControl.h"
#include "platform/uikit/UIFont.h"

inline constexpr int UISegmentedControlNoSegment = -1;

class UISegmentedControl : public UIControl {
 public:
  static objc::Class* cls();
  // initWithItems:.
  static std::shared_ptr<UISegmentedControl> initWithItems(std::vector<std::string> titles);
  explicit UISegmentedControl(objc::Class* isa = UISegmentedControl::cls());

  std::size_t numberOfSegments() const { return titles_.size(); }
  // Empty for an index out of range.
  std::string titleForSegmentAtIndex(std::size_t index) const;
  void setTitle(std::string title, std::size_t index);
  // At `index` (clamped to the end); the chosen segment keeps its title.
  void insertSegmentWithTitle(std::string title, std::size_t index, bool animated);
  void removeAllSegments();

  // UISegmentedControlNoSegment when none is chosen; an index out of range chooses none.
  int selectedSegmentIndex() const { return selected_; }
  void setSelectedSegmentIndex(int index);

  // The segment's rectangle in the control's coordinates (all segments are equally wide).
  CGRect rectForSegmentAtIndex(std::size_t index) const;

  CGSize sizeThatFits(const CGSize& size) const override;
  void draw(cairo_t* cr) override;
  bool handleTap(const CGPoint& point) override;
  // One element per segment: its title, "selected" for the chosen one; activating chooses it.
  std::vector<UIAccessibilityElement> accessibilityElements() override;

 private:
  bool chooseSegment(int index);
  std::vector<std::string> titles_;
  int selected_ = UISegmentedControlNoSegment;
};
