// The segmented control and the slider: what a finger changes, what code changes silently, the
// bounds a slider keeps, and how a reader meets the segments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/uikit/UISegmentedControl.h"
#include "platform/uikit/UISlider.h"
#include "platform/uikit/UITouchDelivery.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

class SegmentAndSliderTest : public SmallPhoneTest {};

TEST_F(SegmentAndSliderTest, ATapChoosesTheSegmentUnderTheFingerAndReportsOnlyAChange) {
  auto control = UISegmentedControl::initWithItems({"Left", "Middle", "Right"});
  control->setFrame(CGRectMake(0, 0, 300, 32));
  int changes = 0;
  control->addHandler([&](UIControl*) { ++changes; }, UIControlEventValueChanged);
  EXPECT_EQ(control->selectedSegmentIndex(), UISegmentedControlNoSegment);

  struct Tap {
    double x;
    int chosen;
    int changes;
  } taps[] = {{250, 2, 1}, {250, 2, 1}, {10, 0, 2}, {150, 1, 3}, {299.9, 2, 4}};
  for (const auto& t : taps) {
    EXPECT_TRUE(control->handleTap(CGPoint{t.x, 16}));
    EXPECT_EQ(control->selectedSegmentIndex(), t.chosen) << t.x;
    EXPECT_EQ(changes, t.changes) << t.x;
  }
  control->setSelectedSegmentIndex(7);
  EXPECT_EQ(control->selectedSegmentIndex(), UISegmentedControlNoSegment) << "an index out of range chooses none";
  control->setSelectedSegmentIndex(0);
  EXPECT_EQ(changes, 4) << "choosing in code sent value-changed";
  control->setEnabled(false);
  EXPECT_FALSE(control->handleTap(CGPoint{250, 16}));
  EXPECT_EQ(control->selectedSegmentIndex(), 0);
}

TEST_F(SegmentAndSliderTest, EachSegmentIsAnElementAndActivatingOneChoosesIt) {
  auto control = UISegmentedControl::initWithItems({"Off", "On"});
  control->setFrame(CGRectMake(10, 20, 200, 32));
  auto holder = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 320, 100));
  holder->addSubview(control);
  control->setSelectedSegmentIndex(1);
  auto elements = control->accessibilityElements();
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[0].label, "Off");
  EXPECT_EQ(elements[0].traits & UIAccessibilityTraitSelected, 0u);
  EXPECT_NE(elements[1].traits & UIAccessibilityTraitSelected, 0u);
  EXPECT_EQ(elements[1].frame, CGRectMake(110, 20, 100, 32));
  ASSERT_TRUE(elements[0].activate());
  EXPECT_EQ(control->selectedSegmentIndex(), 0);
}

TEST_F(SegmentAndSliderTest, ASliderKeepsItsValueWithinItsBounds) {
  auto slider = UISlider::alloc();
  slider->setFrame(CGRectMake(0, 0, 228, 34));  // 200 points of travel between the thumb's two ends
  slider->setMinimumValue(-5);
  slider->setMaximumValue(5);
  struct Set {
    double value, kept;
  } sets[] = {{2.5, 2.5}, {12, 5}, {-80, -5}, {std::numeric_limits<double>::quiet_NaN(), -5},
              {std::numeric_limits<double>::infinity(), -5}};
  for (const auto& s : sets) {
    slider->setValue(s.value);
    EXPECT_EQ(slider->value(), s.kept) << s.value;
  }
  slider->setValue(4);
  slider->setMaximumValue(1);
  EXPECT_EQ(slider->value(), 1) << "a lower maximum pulls the value down";
  slider->setMinimumValue(3);
  EXPECT_EQ(slider->maximumValue(), 3) << "a minimum above the maximum moves it up";
  EXPECT_EQ(slider->value(), 3);
}

TEST_F(SegmentAndSliderTest, AFingerOnTheTrackPutsTheThumbThere) {
  auto slider = UISlider::alloc();
  slider->setFrame(CGRectMake(0, 0, 228, 34));
  slider->setMaximumValue(10);
  int changes = 0;
  slider->addHandler([&](UIControl*) { ++changes; }, UIControlEventValueChanged);
  struct Tap {
    double x, value;
  } taps[] = {{14, 0}, {114, 5}, {214, 10}, {0, 0}, {228, 10}, {64, 2.5}};
  for (const auto& t : taps) {
    EXPECT_TRUE(slider->handleTap(CGPoint{t.x, 17}));
    EXPECT_DOUBLE_EQ(slider->value(), t.value) << t.x;
    EXPECT_DOUBLE_EQ(slider->thumbCenterXForValue(slider->value()), std::clamp(t.x, 14.0, 214.0)) << t.x;
  }
  EXPECT_EQ(changes, 6);
  EXPECT_EQ(slider->accessibilityValue(), "25%");
  slider->setValue(7);
  EXPECT_EQ(changes, 6) << "setting the value in code sent value-changed";
}

}  // namespace
