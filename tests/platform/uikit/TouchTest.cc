// Where a finger lands, what takes the tap, and the screen as a reader finds it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIApplication.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

// Takes taps itself, as a list row does, and remembers where.
class TappableView : public UIView {
 public:
  int taps = 0;
  CGPoint last;
  bool handleTap(const CGPoint& point) override {
    ++taps;
    last = point;
    return true;
  }
};

// A touch area 10 points larger on every side than the view, as small controls have.
class GenerousView : public UIView {
 public:
  bool pointInside(const CGPoint& p) const override { return CGRectContainsPoint(CGRectInset(bounds(), -10, -10), p); }
};

// Shows one row that is no view: further down than the screen reaches.
class ListView : public UIView {
 public:
  int activated = 0;
  std::vector<UIAccessibilityElement> accessibilityElements() override {
    auto elements = accessibilityElementsOfSubviews();
    UIAccessibilityElement row;
    row.label = "Row 40";
    row.traits = UIAccessibilityTraitButton;
    row.frame = convertRectToView(CGRectMake(0, 2000, bounds().width(), 44), nullptr);
    row.activate = [this] {
      ++activated;
      return true;
    };
    elements.push_back(row);
    return elements;
  }
};

template <typename V>
std::shared_ptr<V> add(UIView& parent, const CGRect& frame, int tag) {
  auto view = std::make_shared<V>();
  view->setFrame(frame);
  view->setTag(tag);
  parent.addSubview(view);
  return view;
}

std::shared_ptr<UIWindow> screenWindow() {
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  window->makeKeyAndVisible();
  return window;
}

std::shared_ptr<UIButton> button(const std::string& title, const CGRect& frame, int* taps) {
  auto b = UIButton::buttonWithType(UIButtonTypeSystem);
  b->setTitle(title);
  b->setFrame(frame);
  b->addHandler([taps](UIControl*) { ++*taps; }, UIControlEventTouchUpInside);
  return b;
}

}  // namespace

class HitTestTest : public SmallPhoneTest {};

TEST_F(HitTestTest, TheFrontmostViewThatTakesTouchesIsFound) {
  auto root = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 320, 568));
  root->setTag(1);
  add<UIView>(*root, CGRectMake(0, 0, 100, 100), 2);
  add<UIView>(*root, CGRectMake(50, 50, 100, 100), 3);  // above 2 where they overlap
  add<UIView>(*root, CGRectMake(0, 200, 100, 100), 4);
  add<UIView>(*root, CGRectMake(0, 200, 100, 100), 5)->setHidden(true);
  add<UIView>(*root, CGRectMake(0, 200, 100, 100), 6)->setAlpha(0.005);
  auto label = add<UILabel>(*root, CGRectMake(0, 200, 50, 50), 7);  // labels let touches through
  auto off = add<UIView>(*root, CGRectMake(200, 0, 100, 100), 8);
  off->setUserInteractionEnabled(false);
  add<UIView>(*off, CGRectMake(0, 0, 50, 50), 9);  // unreachable inside a view without touches
  auto box = add<UIView>(*root, CGRectMake(200, 200, 50, 50), 10);
  add<UIView>(*box, CGRectMake(40, 40, 50, 50), 11);  // sticks out of its superview
  auto clipped = add<UIView>(*root, CGRectMake(200, 400, 50, 50), 12);
  clipped->setClipsToBounds(true);
  add<UIView>(*clipped, CGRectMake(40, 40, 50, 50), 13);
  add<GenerousView>(*root, CGRectMake(100, 480, 20, 20), 14);
  add<UIView>(*root, CGRectMake(0, 300, 10, 10), 15)->setAlpha(0.02);

  std::map<std::pair<double, double>, int> expected = {
      {{10, 10}, 2},     // only the back view there
      {{60, 60}, 3},     // the front one where both are
      {{120, 120}, 3},   //
      {{10, 210}, 4},    // hidden, nearly transparent and label above it are passed over
      {{210, 10}, 1},    // interaction off: neither it nor its subview
      {{245, 245}, 11},  // the part of the subview inside its superview
      {{260, 260}, 1},   // the part outside is not reached
      {{245, 445}, 13},  //
      {{260, 460}, 1},   // clipped or not
      {{95, 475}, 14},   // the wider touch area counts
      {{5, 305}, 15},    // faint but not invisible
      {{-1, 5}, 0},      // outside everything
      {{320, 100}, 0},   //
  };
  for (auto [point, tag] : expected) {
    SCOPED_TRACE(::testing::Message() << point.first << "," << point.second);
    UIView* hit = root->hitTest(CGPoint{point.first, point.second});
    EXPECT_EQ(hit ? hit->tag() : 0, tag);
  }
  root->setHidden(true);
  EXPECT_EQ(root->hitTest(CGPoint{10, 10}), nullptr);
}

class TapTest : public SmallPhoneTest {};

TEST_F(TapTest, ATapReachesTheControlUnderTheFingerOrPassesUpToWhatTakesIt) {
  auto window = screenWindow();
  auto& view = *window->rootViewController()->view();
  int saves = 0, deletes = 0;
  view.addSubview(button("Save", CGRectMake(10, 100, 100, 44), &saves));
  auto row = add<TappableView>(view, CGRectMake(0, 200, 320, 44), 1);
  auto rowLabel = add<UILabel>(*row, CGRectMake(16, 0, 200, 44), 2);
  rowLabel->setText("Wallpaper");
  auto disabled = button("Delete", CGRectMake(220, 0, 100, 44), &deletes);
  disabled->setEnabled(false);
  row->addSubview(disabled);

  EXPECT_EQ(platform::tapAtPoint(CGPoint{50, 120}).get(), view.subviews()[0].get());
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(platform::tapAtPoint(CGPoint{50, 210}), row) << "through the label to its row";
  EXPECT_EQ(row->last, (CGPoint{50, 10})) << "in the row's own coordinates";
  EXPECT_EQ(platform::tapAtPoint(CGPoint{300, 210}), row) << "a disabled control passes the tap on";
  EXPECT_EQ(deletes, 0);
  EXPECT_EQ(row->taps, 2);
  EXPECT_EQ(platform::tapAtPoint(CGPoint{50, 400}), nullptr) << "the plain root view does nothing";
  EXPECT_EQ(platform::tapAtPoint(CGPoint{-5, 120}), nullptr);

  window->setHidden(true);
  EXPECT_EQ(platform::tapAtPoint(CGPoint{50, 120}), nullptr);
  EXPECT_EQ(saves, 1);
}

TEST_F(TapTest, WindowsAndPresentedControllersCoverWhatLiesBeneath) {
  auto below = screenWindow();
  int taps = 0;
  below->rootViewController()->view()->addSubview(button("Under", CGRectMake(0, 0, 320, 100), &taps));
  // A small window higher up covers only its own frame.
  auto banner = UIWindow::alloc()->initWithFrame(CGRectMake(0, 50, 320, 30));
  banner->setRootViewController(UIViewController::create());
  banner->setWindowLevel(UIWindowLevelAlert);
  banner->makeKeyAndVisible();
  int bannerTaps = 0;
  banner->rootViewController()->view()->addSubview(button("Banner", CGRectMake(0, 0, 320, 30), &bannerTaps));

  platform::tapAtPoint(CGPoint{10, 60});
  platform::tapAtPoint(CGPoint{10, 20});
  EXPECT_EQ(bannerTaps, 1);
  EXPECT_EQ(taps, 1);

  // An alert's backdrop takes the finger: nothing beneath it is reached, outside its panel too.
  auto alert = UIAlertController::alertControllerWithTitle("Sure?", "", UIAlertControllerStyleAlert);
  int oks = 0;
  alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault, [&](UIAlertAction*) { ++oks; }));
  below->rootViewController()->presentViewController(alert, false, nullptr);
  EXPECT_EQ(platform::tapAtPoint(CGPoint{10, 20}), nullptr);
  EXPECT_EQ(taps, 1);
  alert->view()->layoutIfNeeded();
  CGRect panel = alert->panelFrame();
  ASSERT_TRUE(platform::tapAtPoint(CGPoint{panel.midX(), panel.maxY() - 10}));
  EXPECT_EQ(oks, 1);
  EXPECT_EQ(below->rootViewController()->presentedViewController(), nullptr);
}

class ReadingTest : public SmallPhoneTest {};

TEST_F(ReadingTest, TheScreenReadsTopToBottomAndLeftToRightWithWhatEachElementIs) {
  auto window = screenWindow();
  auto& view = *window->rootViewController()->view();
  auto list = add<ListView>(view, CGRectMake(0, 0, 320, 568), 0);
  int taps = 0;
  // Added in a jumbled order; the row's switch-like button sits a little higher than its label.
  list->addSubview(button("Go", CGRectMake(250, 96, 60, 30), &taps));
  auto rowLabel = add<UILabel>(*list, CGRectMake(16, 100, 200, 24), 0);
  rowLabel->setText("Enabled");
  auto header = add<UILabel>(*list, CGRectMake(16, 40, 200, 20), 0);
  header->setText("WALLPAPER");
  header->setAccessibilityTraits(UIAccessibilityTraitHeader);
  auto off = button("Off", CGRectMake(16, 150, 100, 44), &taps);
  off->setEnabled(false);
  list->addSubview(off);
  add<UILabel>(*list, CGRectMake(16, 300, 100, 20), 0);  // no text: nothing to read
  auto hidden = button("Hidden", CGRectMake(16, 350, 100, 44), &taps);
  hidden->setHidden(true);
  list->addSubview(hidden);
  add<UIView>(*list, CGRectMake(0, 0, 320, 568), 0);  // a plain overlay is no element

  auto elements = platform::accessibilityElements();
  std::vector<std::string> read;
  for (const auto& e : elements) read.push_back(e.label + " (" + platform::describeTraits(e.traits) + ")");
  EXPECT_EQ(read, (std::vector<std::string>{"WALLPAPER (header)", "Enabled (text)", "Go (button)",
                                            "Off (button, not enabled)", "Row 40 (button)"}));
  ASSERT_EQ(elements.size(), 5u);
  EXPECT_EQ(elements[2].frame, CGRectMake(250, 96, 60, 30));
  EXPECT_EQ(elements[4].frame, CGRectMake(0, 2000, 320, 44));

  ASSERT_TRUE(elements[2].activate());
  EXPECT_EQ(taps, 1);
  EXPECT_FALSE(elements[3].activate()) << "a disabled button does nothing";
  EXPECT_FALSE(elements[1].activate()) << "nothing behind the label takes the tap";
  ASSERT_TRUE(elements[4].activate());
  EXPECT_EQ(list->activated, 1);

  // Tapping by label goes through the same elements, rows out of sight included.
  EXPECT_TRUE(platform::tapControlWithTitle("Row 40"));
  EXPECT_EQ(list->activated, 2);
  EXPECT_FALSE(platform::tapControlWithTitle("Off"));
  EXPECT_FALSE(platform::tapControlWithTitle("Hidden"));
}

TEST_F(ReadingTest, APresentedAlertIsAllAReaderFindsAndFramesAreInScreenPoints) {
  auto window = UIWindow::alloc()->initWithFrame(CGRectMake(0, 20, 320, 548));
  window->setRootViewController(UIViewController::create());
  window->makeKeyAndVisible();
  auto label = add<UILabel>(*window->rootViewController()->view(), CGRectMake(10, 10, 100, 20), 0);
  label->setText("Beneath");
  auto elements = platform::accessibilityElements();
  ASSERT_EQ(elements.size(), 1u);
  EXPECT_EQ(elements[0].frame, CGRectMake(10, 30, 100, 20));

  auto alert = UIAlertController::alertControllerWithTitle("Delete picture?", "It cannot be undone.",
                                                           UIAlertControllerStyleAlert);
  alert->addAction(UIAlertAction::actionWithTitle("Cancel", UIAlertActionStyleCancel, nullptr));
  alert->addAction(UIAlertAction::actionWithTitle("Delete", UIAlertActionStyleDestructive, nullptr));
  window->rootViewController()->presentViewController(alert, false, nullptr);
  std::vector<std::string> labels;
  for (const auto& e : platform::accessibilityElements()) labels.push_back(e.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"Delete picture?", "It cannot be undone.", "Cancel", "Delete"}));

  // Disabling an action shows at once.
  alert->actions()[1]->setEnabled(false);
  auto last = platform::accessibilityElements().back();
  EXPECT_EQ(last.label, "Delete");
  EXPECT_TRUE(last.traits & UIAccessibilityTraitNotEnabled);
}

TEST(AccessibilityTraits, AreDescribedInWords) {
  EXPECT_EQ(platform::describeTraits(UIAccessibilityTraitNone), "");
  EXPECT_EQ(platform::describeTraits(UIAccessibilityTraitSelected | UIAccessibilityTraitButton), "button, selected");
  EXPECT_EQ(platform::describeTraits(UIAccessibilityTraitToggleButton | UIAccessibilityTraitNotEnabled),
            "switch, not enabled");
}
