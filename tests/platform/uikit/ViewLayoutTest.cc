// Views: geometry, autoresizing, when layout runs, what a view hears as it moves, coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

void expectRectNear(const CGRect& actual, const CGRect& expected) {
  EXPECT_NEAR(actual.origin.x, expected.origin.x, 1e-9);
  EXPECT_NEAR(actual.origin.y, expected.origin.y, 1e-9);
  EXPECT_NEAR(actual.size.width, expected.size.width, 1e-9);
  EXPECT_NEAR(actual.size.height, expected.size.height, 1e-9);
}

// Counts its layout passes and records the frame its subview had when it was laid out.
class CountingView : public UIView {
 public:
  int layouts = 0;
  void layoutSubviews() override {
    ++layouts;
    if (!subviews().empty()) subviews().front()->setFrame(CGRectMake(0, 0, bounds().width() / 2, 10));
  }
};

// Writes what it hears into a shared log, naming views by their tag.
std::string nameOf(const UIView* v) { return v ? "v" + std::to_string(v->tag()) : "null"; }

class LoggingView : public UIView {
 public:
  LoggingView(std::vector<std::string>* log, int tag) : log_(log) { setTag(tag); }
  void willMoveToSuperview(UIView* s) override {
    log_->push_back(nameOf(this) + " willMove " + nameOf(s) + " (in " + nameOf(superview()) + ")");
  }
  void didMoveToSuperview() override { log_->push_back(nameOf(this) + " didMove " + nameOf(superview())); }
  void didAddSubview(UIView* s) override { log_->push_back(nameOf(this) + " didAdd " + nameOf(s)); }
  void willRemoveSubview(UIView* s) override { log_->push_back(nameOf(this) + " willRemove " + nameOf(s)); }

 private:
  std::vector<std::string>* log_;
};

}  // namespace

TEST(ViewGeometry, CenterAndBoundsMoveAndResizeAroundTheMiddle) {
  auto view = UIView::alloc()->initWithFrame(CGRectMake(10, 20, 100, 40));
  EXPECT_EQ(view->center(), (CGPoint{60, 40}));
  view->setCenter(CGPoint{0, 0});
  EXPECT_EQ(view->frame(), CGRectMake(-50, -20, 100, 40));
  view->setBounds(CGRectMake(33, 44, 20, 10));  // the origin is not taken
  EXPECT_EQ(view->frame(), CGRectMake(-10, -5, 20, 10));
  EXPECT_EQ(view->bounds(), CGRectMake(0, 0, 20, 10));
  view->setBounds(CGRectMake(0, 0, -5, NAN));
  EXPECT_EQ(view->bounds(), CGRectMake(0, 0, 0, 0));
  EXPECT_EQ(view->center(), (CGPoint{0, 0}));
}

TEST(ViewGeometry, AutoresizingSharesTheSuperviewsChangeAmongTheFlexibleParts) {
  // A 100 x 50 subview at (10, 20) in a 300 x 200 superview: margins 10 / 190 across, 20 / 130 down.
  constexpr unsigned L = UIViewAutoresizingFlexibleLeftMargin, W = UIViewAutoresizingFlexibleWidth,
                     R = UIViewAutoresizingFlexibleRightMargin, T = UIViewAutoresizingFlexibleTopMargin,
                     H = UIViewAutoresizingFlexibleHeight, B = UIViewAutoresizingFlexibleBottomMargin;
  struct Case {
    unsigned mask;
    CGSize newSuper;
    CGRect expected;
  } cases[] = {
      {UIViewAutoresizingNone, {400, 100}, CGRectMake(10, 20, 100, 50)},
      {W, {400, 200}, CGRectMake(10, 20, 200, 50)},
      {W, {250, 200}, CGRectMake(10, 20, 50, 50)},
      {W, {50, 200}, CGRectMake(10, 20, 0, 50)},  // never below zero
      {L, {400, 200}, CGRectMake(110, 20, 100, 50)},
      {R, {400, 200}, CGRectMake(10, 20, 100, 50)},
      {L | R, {400, 200}, CGRectMake(10 + 100 * 10.0 / 200, 20, 100, 50)},
      {W | R, {400, 200}, CGRectMake(10, 20, 100 + 100 * 100.0 / 290, 50)},
      {L | W | R, {600, 200}, CGRectMake(10 + 300 * 10.0 / 300, 20, 200, 50)},
      {H, {300, 230}, CGRectMake(10, 20, 100, 80)},
      {T | H, {300, 165}, CGRectMake(10, 10, 100, 25)},
      {B, {300, 100}, CGRectMake(10, 20, 100, 50)},
      {T, {300, 100}, CGRectMake(10, -80, 100, 50)},
      {W | H, {320, 568}, CGRectMake(10, 20, 120, 418)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mask " << c.mask << " to " << c.newSuper.width << "x" << c.newSuper.height);
    auto parent = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 300, 200));
    auto child = UIView::alloc()->initWithFrame(CGRectMake(10, 20, 100, 50));
    child->setAutoresizingMask(c.mask);
    parent->addSubview(child);
    parent->setFrame(CGRect{{0, 0}, c.newSuper});
    expectRectNear(child->frame(), c.expected);
  }
}

TEST(ViewGeometry, AutoresizingEdgeCases) {
  // Both margins flexible but both zero: the change is shared evenly, so the view stays centred.
  auto parent = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 300, 200));
  auto full = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 300, 200));
  full->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin);
  parent->addSubview(full);
  parent->setFrame(CGRectMake(0, 0, 400, 200));
  EXPECT_EQ(full->frame(), CGRectMake(50, 0, 300, 200));

  // Growing and shrinking back leaves the subview where it was.
  auto child = UIView::alloc()->initWithFrame(CGRectMake(10, 20, 100, 50));
  child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleLeftMargin);
  parent->addSubview(child);
  parent->setFrame(CGRectMake(0, 0, 700, 200));
  parent->setFrame(CGRectMake(0, 0, 400, 200));
  expectRectNear(child->frame(), CGRectMake(10, 20, 100, 50));

  // Moving the superview without resizing it changes nothing inside.
  parent->setFrame(CGRectMake(99, 99, 400, 200));
  expectRectNear(child->frame(), CGRectMake(10, 20, 100, 50));

  // A flexible grandchild follows its parent's change, which followed the grandparent's.
  auto grandchild = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 100, 10));
  grandchild->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  child->addSubview(grandchild);
  child->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  parent->setFrame(CGRectMake(99, 99, 500, 200));
  EXPECT_NEAR(child->frame().width(), 200, 1e-9);
  EXPECT_NEAR(grandchild->frame().width(), 200, 1e-9);

  // A superview that does not autoresize leaves its subviews alone.
  child->setAutoresizesSubviews(false);
  child->setFrame(CGRectMake(10, 20, 50, 50));
  EXPECT_NEAR(grandchild->frame().width(), 200, 1e-9);
}

TEST(ViewGeometry, AWindowsRootViewFollowsTheWindow) {
  auto window = UIWindow::alloc()->initWithFrame(CGRectMake(0, 0, 320, 568));
  window->setRootViewController(UIViewController::create());
  auto bar = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 320, 44));
  bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  window->rootViewController()->view()->addSubview(bar);
  window->setFrame(CGRectMake(0, 0, 568, 320));
  window->layoutIfNeeded();
  EXPECT_EQ(window->rootViewController()->view()->frame(), CGRectMake(0, 0, 568, 320));
  EXPECT_EQ(bar->frame(), CGRectMake(0, 0, 568, 44));
}

TEST(ViewLayout, LayoutRunsOnceWhenNeededAndBeforeDrawingAndHitTesting) {
  auto view = std::make_shared<CountingView>();
  view->setFrame(CGRectMake(0, 0, 200, 100));
  auto child = UIView::alloc();
  view->addSubview(child);
  EXPECT_EQ(view->layouts, 0) << "layout waits for a reason to run";

  view->layoutIfNeeded();
  EXPECT_EQ(view->layouts, 1);
  EXPECT_EQ(child->frame().width(), 100) << "laid out for the current bounds";
  view->layoutIfNeeded();
  EXPECT_EQ(view->layouts, 1) << "nothing changed";

  view->setFrame(CGRectMake(50, 50, 200, 100));
  view->layoutIfNeeded();
  EXPECT_EQ(view->layouts, 1) << "a move is no reason to lay out";

  view->setFrame(CGRectMake(0, 0, 300, 100));
  EXPECT_EQ(view->layouts, 1) << "a resize only marks the view";
  EXPECT_TRUE(view->needsLayout());
  auto surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 10, 10);
  auto cr = cairo_create(surface);
  view->renderInContext(cr);
  EXPECT_EQ(view->layouts, 2) << "drawing lays out first";
  EXPECT_EQ(child->frame().width(), 150);
  view->renderInContext(cr);
  EXPECT_EQ(view->layouts, 2);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);

  view->setNeedsLayout();
  EXPECT_EQ(view->hitTest(CGPoint{1, 1}), child.get());
  EXPECT_EQ(view->layouts, 3) << "hit-testing lays out first";

  // A subview marks its superview when it arrives or leaves; layoutIfNeeded reaches down the tree.
  auto inner = std::make_shared<CountingView>();
  child->addSubview(inner);
  view->layoutIfNeeded();
  EXPECT_EQ(inner->layouts, 1);
  inner->setNeedsLayout();
  view->layoutIfNeeded();
  EXPECT_EQ(inner->layouts, 2);
  EXPECT_EQ(view->layouts, 3);
  child->removeFromSuperview();
  view->layoutIfNeeded();
  EXPECT_EQ(view->layouts, 4);
}

TEST(ViewHierarchy, MovingAViewTellsItAndBothSuperviewsInOrder) {
  std::vector<std::string> log;
  auto a = std::make_shared<LoggingView>(&log, 1);
  auto b = std::make_shared<LoggingView>(&log, 2);
  auto child = std::make_shared<LoggingView>(&log, 3);

  a->addSubview(child);
  EXPECT_EQ(log, (std::vector<std::string>{"v3 willMove v1 (in null)", "v1 didAdd v3", "v3 didMove v1"}));
  log.clear();
  a->addSubview(child);  // already there: only brought to the front, nothing to hear
  EXPECT_TRUE(log.empty());

  b->addSubview(child);
  EXPECT_EQ(log, (std::vector<std::string>{"v3 willMove v2 (in v1)", "v1 willRemove v3", "v2 didAdd v3",
                                           "v3 didMove v2"}));
  EXPECT_TRUE(a->subviews().empty());
  log.clear();
  child->removeFromSuperview();
  EXPECT_EQ(log, (std::vector<std::string>{"v3 willMove null (in v2)", "v2 willRemove v3", "v3 didMove null"}));
  log.clear();
  child->removeFromSuperview();
  EXPECT_TRUE(log.empty());
}

TEST(ViewHierarchy, AViewKnowsItsWindowAndItsPlaceAmongSiblings) {
  auto window = UIWindow::alloc()->initWithFrame(CGRectMake(0, 0, 320, 480));
  auto holder = UIView::alloc();
  auto view = UIView::alloc();
  holder->addSubview(view);
  EXPECT_EQ(view->window(), nullptr);
  window->addSubview(holder);
  EXPECT_EQ(view->window(), window.get());
  EXPECT_EQ(window->window(), window.get());

  auto front = UIView::alloc(), back = UIView::alloc();
  holder->addSubview(front);
  holder->insertSubviewAtIndex(back, 0);
  holder->insertSubviewAtIndex(UIView::alloc(), 99);  // past the end: on top
  ASSERT_EQ(holder->subviews().size(), 4u);
  EXPECT_EQ(holder->subviews()[0], back);
  EXPECT_EQ(holder->subviews()[2], front);
  holder->bringSubviewToFront(back.get());
  EXPECT_EQ(holder->subviews().back(), back);
  holder->insertSubviewAtIndex(holder, 0);  // a loop is refused
  EXPECT_EQ(holder->superview(), window.get());
}

TEST(ViewGeometry, PointsAndRectsConvertBetweenViewsAndWindows) {
  auto window = UIWindow::alloc()->initWithFrame(CGRectMake(0, 20, 320, 460));
  auto a = UIView::alloc()->initWithFrame(CGRectMake(10, 10, 200, 200));
  auto b = UIView::alloc()->initWithFrame(CGRectMake(5, 5, 50, 50));
  auto sibling = UIView::alloc()->initWithFrame(CGRectMake(100, 0, 50, 50));
  window->addSubview(a);
  a->addSubview(b);
  window->addSubview(sibling);

  EXPECT_EQ(b->convertPointToView(CGPoint{1, 1}, nullptr), (CGPoint{16, 16})) << "window coordinates";
  EXPECT_EQ(b->convertPointToView(CGPoint{1, 1}, window.get()), (CGPoint{16, 16}));
  EXPECT_EQ(b->convertPointFromView(CGPoint{16, 16}, nullptr), (CGPoint{1, 1}));
  EXPECT_EQ(b->convertPointToView(CGPoint{0, 0}, sibling.get()), (CGPoint{-85, 15}));
  EXPECT_EQ(sibling->convertPointFromView(CGPoint{0, 0}, b.get()), (CGPoint{-85, 15}));
  EXPECT_EQ(b->convertRectToView(CGRectMake(1, 2, 3, 4), a.get()), CGRectMake(6, 7, 3, 4));
  EXPECT_EQ(a->convertRectFromView(CGRectMake(1, 2, 3, 4), b.get()), CGRectMake(6, 7, 3, 4));

  // Another window further down the screen: through the screen's coordinates.
  auto other = UIWindow::alloc()->initWithFrame(CGRectMake(0, 100, 320, 100));
  auto inOther = UIView::alloc()->initWithFrame(CGRectMake(10, 10, 10, 10));
  other->addSubview(inOther);
  EXPECT_EQ(b->convertPointToView(CGPoint{0, 0}, inOther.get()), (CGPoint{5, -75}));
}

TEST(ViewAppearance, TintIsInheritedUntilAViewSetsItsOwn) {
  auto outer = UIView::alloc(), inner = UIView::alloc();
  outer->addSubview(inner);
  EXPECT_EQ(inner->tintColor(), UIColor::systemBlueColor());
  outer->setTintColor(UIColor::systemRedColor());
  EXPECT_EQ(inner->tintColor(), UIColor::systemRedColor());
  inner->setTintColor(UIColor::blackColor());
  EXPECT_EQ(inner->tintColor(), UIColor::blackColor());
  inner->setTintColor(std::nullopt);
  EXPECT_EQ(inner->tintColor(), UIColor::systemRedColor());
  inner->removeFromSuperview();
  EXPECT_EQ(inner->tintColor(), UIColor::systemBlueColor());
}
