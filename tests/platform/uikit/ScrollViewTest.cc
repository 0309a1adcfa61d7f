// Scroll views: the offset kept within the content and its insets, scrolling a rectangle into
// view, and content that is drawn, touched and converted where it has been scrolled to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/uikit/CADisplayLink.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

class ScrollViewTest : public SmallPhoneTest {};

TEST_F(ScrollViewTest, TheOffsetStaysWithinTheContentAndItsInsets) {
  struct Case {
    const char* what;
    CGSize content;
    UIEdgeInsets insets;
    CGPoint wanted;
    CGPoint kept;
  };
  // The view is 100 x 200.
  const Case cases[] = {
      {"inside", {100, 1000}, {}, {0, 300}, {0, 300}},
      {"past the end", {100, 1000}, {}, {0, 5000}, {0, 800}},
      {"above the top", {100, 1000}, {}, {-20, -50}, {0, 0}},
      {"content shorter than the view", {50, 120}, {}, {30, 40}, {0, 0}},
      {"the top inset can be shown", {100, 1000}, {64, 0, 0, 0}, {0, -100}, {0, -64}},
      {"the bottom inset too", {100, 1000}, {0, 0, 30, 0}, {0, 5000}, {0, 830}},
      {"sideways within a wide content", {300, 200}, {}, {150, 0}, {150, 0}},
      {"not a number keeps the old value", {100, 1000}, {}, {NAN, INFINITY}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto scroll = UIScrollView::alloc()->initWithFrame(CGRectMake(0, 0, 100, 200));
    scroll->setContentSize(c.content);
    scroll->setContentInset(c.insets);
    scroll->setContentOffset(c.wanted);
    EXPECT_EQ(scroll->contentOffset(), c.kept);
    EXPECT_EQ(scroll->bounds().origin, c.kept) << "the offset is the origin of the bounds";
  }

  // Content that shrinks, or a view that grows, pulls the offset back.
  auto scroll = UIScrollView::alloc()->initWithFrame(CGRectMake(0, 0, 100, 200));
  scroll->setContentSize(CGSize{100, 1000});
  scroll->setContentOffset(CGPoint{0, 800});
  scroll->setContentSize(CGSize{100, 500});
  EXPECT_EQ(scroll->contentOffset().y, 300);
  scroll->setFrame(CGRectMake(0, 0, 100, 450));
  EXPECT_EQ(scroll->contentOffset().y, 50);
}

TEST_F(ScrollViewTest, ScrollRectToVisibleMovesAsLittleAsNeeded) {
  struct Case {
    double start;
    CGRect rect;
    double offset;
  };
  const Case cases[] = {
      {0, CGRectMake(0, 50, 10, 20), 0},       // already in view
      {0, CGRectMake(0, 250, 10, 30), 80},     // below: its bottom at the view's bottom
      {400, CGRectMake(0, 100, 10, 30), 100},  // above: its top at the view's top
      {0, CGRectMake(0, 500, 10, 400), 500},   // taller than the view: its top
      {0, CGRectMake(0, 990, 10, 30), 800},    // past the content: as far as it goes
  };
  for (const Case& c : cases) {
    auto scroll = UIScrollView::alloc()->initWithFrame(CGRectMake(0, 0, 100, 200));
    scroll->setContentSize(CGSize{100, 1000});
    scroll->setContentOffset(CGPoint{0, c.start});
    scroll->scrollRectToVisible(c.rect, false);
    EXPECT_EQ(scroll->contentOffset().y, c.offset) << c.rect.minY();
  }
}

TEST_F(ScrollViewTest, ScrolledContentIsDrawnTouchedAndConvertedWhereItShows) {
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  auto scroll = UIScrollView::alloc()->initWithFrame(CGRectMake(0, 100, 320, 200));
  scroll->setContentSize(CGSize{320, 2000});
  window->rootViewController()->view()->addSubview(scroll);
  auto button = UIButton::buttonWithType(UIButtonTypeCustom);
  button->setFrame(CGRectMake(20, 1000, 100, 50));
  button->setBackgroundColor(UIColor::colorWithRed(0, 0, 1));
  int taps = 0;
  button->addHandler([&](UIControl*) { ++taps; }, UIControlEventTouchUpInside);
  scroll->addSubview(button);
  window->makeKeyAndVisible();

  scroll->setContentOffset(CGPoint{0, 950});
  // Content y 1000 shows 50 below the scroll view's top, which is 100 down the screen.
  EXPECT_EQ(button->convertRectToView(button->bounds(), nullptr), CGRectMake(20, 150, 100, 50));
  EXPECT_EQ(scroll->convertPointFromView(CGPoint{30, 160}, nullptr), (CGPoint{30, 1010}));
  EXPECT_EQ(platform::tapAtPoint(CGPoint{30, 160}), button);
  EXPECT_EQ(taps, 1);

  auto screen = platform::renderScreen(nullptr, kPixelWidth, kPixelHeight);
  EXPECT_EQ(pixelAt(screen, 30 * 2, 160 * 2).b, 255);
  EXPECT_EQ(pixelAt(screen, 30 * 2, 160 * 2).r, 0);

  // Scrolled further, the button leaves the view: clipped away, and no finger reaches it.
  scroll->setContentOffset(CGPoint{0, 1100});
  EXPECT_EQ(platform::tapAtPoint(CGPoint{30, 160}), nullptr);
  scroll->setContentOffset(CGPoint{0, 1000 - 190});  // its top 10 above the view's bottom edge
  screen = platform::renderScreen(nullptr, kPixelWidth, kPixelHeight);
  EXPECT_EQ(pixelAt(screen, 30 * 2, 295 * 2).b, 255);
  EXPECT_NE(pixelAt(screen, 30 * 2, 305 * 2).b, 255) << "nothing drawn below the scroll view";
  EXPECT_EQ(platform::tapAtPoint(CGPoint{30, 305}), nullptr);

  // A drag moves the content with the finger, unless scrolling is off.
  ASSERT_TRUE(platform::dragAtPoint(CGPoint{200, 200}, CGPoint{0, -40}));
  EXPECT_EQ(scroll->contentOffset().y, 850);
  scroll->setScrollEnabled(false);
  EXPECT_FALSE(platform::dragAtPoint(CGPoint{200, 200}, CGPoint{0, -40}));
  EXPECT_EQ(scroll->contentOffset().y, 850);
  EXPECT_FALSE(platform::dragAtPoint(CGPoint{200, 400}, CGPoint{0, -40})) << "no scroll view there";
}

// A finger's touch, report by report, and the display's frames after it lifts.
TEST_F(ScrollViewTest, TheContentFollowsTheFingerAFlickRunsOnAndSlowsToAStop) {
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  auto scroll = UIScrollView::alloc()->initWithFrame(CGRectMake(0, 100, 320, 300));
  scroll->setContentSize(CGSize{320, 20000});
  window->rootViewController()->view()->addSubview(scroll);
  auto button = UIButton::buttonWithType(UIButtonTypeCustom);
  button->setFrame(CGRectMake(0, 0, 320, 20000));
  int taps = 0;
  button->addHandler([&](UIControl*) { ++taps; }, UIControlEventTouchUpInside);
  scroll->addSubview(button);
  window->makeKeyAndVisible();

  // Within the slop nothing moves; past it the content moves with the finger before it lifts.
  ASSERT_TRUE(platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 300}, 1.0));
  platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 295}, 1.01);
  EXPECT_EQ(scroll->contentOffset().y, 0);
  ASSERT_TRUE(platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 250}, 1.02));
  EXPECT_EQ(scroll->contentOffset().y, 50);
  EXPECT_TRUE(scroll->isDragging());
  // 2000 points a second upwards over its last tenth of a second.
  for (int i = 1; i <= 10; ++i) platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 250 - 20.0 * i}, 1.02 + 0.01 * i);
  ASSERT_TRUE(platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 50}, 1.12));
  EXPECT_EQ(scroll->contentOffset().y, 250);
  EXPECT_EQ(taps, 0) << "a drag is no tap";
  ASSERT_TRUE(scroll->isDecelerating());

  // 2 points a millisecond, keeping 0.998 of it each millisecond: 2 / -ln(0.998) ≈ 999 points more.
  std::vector<double> steps;
  double t = 100;
  for (int frame = 0; frame < 600 && scroll->isDecelerating(); ++frame) {
    double before = scroll->contentOffset().y;
    fireDisplayLinks(t += CADisplayLink::kFrameDuration);
    steps.push_back(scroll->contentOffset().y - before);
  }
  EXPECT_FALSE(scroll->isDecelerating());
  EXPECT_NEAR(scroll->contentOffset().y - 250, 999, 15);
  EXPECT_NEAR(steps.front(), 2 * (1 - std::pow(0.998, 1000.0 / 60)) / -std::log(0.998), 0.01);
  EXPECT_TRUE(std::is_sorted(steps.rbegin(), steps.rend())) << "each frame goes less far than the one before";
  EXPECT_GT(steps.size(), 100u) << "it slows over seconds, not at once";

  // A finger that rests before lifting leaves no speed; a touch-down stops a flick and taps nothing.
  double at = scroll->contentOffset().y;
  platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 300}, 2.0);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 200}, 2.02);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 200}, 2.3);
  EXPECT_FALSE(scroll->isDecelerating());
  EXPECT_EQ(scroll->contentOffset().y, at + 100);
  ASSERT_TRUE(platform::dragAtPoint(CGPoint{100, 300}, CGPoint{0, -40}));
  platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 300}, 3.0);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 200}, 3.02);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 200}, 3.03);
  ASSERT_TRUE(scroll->isDecelerating());
  fireDisplayLinks(t += CADisplayLink::kFrameDuration);
  ASSERT_TRUE(platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 300}, 4.0));
  EXPECT_FALSE(scroll->isDecelerating());
  EXPECT_TRUE(platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 300}, 4.05));
  EXPECT_EQ(taps, 0);
  EXPECT_TRUE(platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 300}, 5.0));
  EXPECT_TRUE(platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 303}, 5.05));
  EXPECT_EQ(taps, 1) << "a still list is tapped through";
  EXPECT_FALSE(platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 250}, 6.0)) << "no finger down";

  // The wheel moves the list under the pointer, and says so only while it can move.
  scroll->setContentOffset(CGPoint{0, 100});
  EXPECT_TRUE(platform::scrollWheelAtPoint(CGPoint{100, 300}, CGPoint{0, 120}));
  EXPECT_EQ(scroll->contentOffset().y, 220);
  EXPECT_TRUE(platform::scrollWheelAtPoint(CGPoint{100, 300}, CGPoint{0, -1000}));
  EXPECT_EQ(scroll->contentOffset().y, 0);
  EXPECT_FALSE(platform::scrollWheelAtPoint(CGPoint{100, 300}, CGPoint{0, -10})) << "already at the top";
  EXPECT_FALSE(platform::scrollWheelAtPoint(CGPoint{100, 500}, CGPoint{0, 10})) << "no list there";
}

// Past an end: the finger's pull stretched with resistance, and a spring home after the release,
// in the display's frames, for a drag and for a flick alike.
TEST_F(ScrollViewTest, PastAnEndTheContentStretchesAndSpringsBackOntoIt) {
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  auto scroll = UIScrollView::alloc()->initWithFrame(CGRectMake(0, 100, 320, 300));
  scroll->setContentSize(CGSize{320, 1000});  // 700 points to scroll, none sideways
  window->rootViewController()->view()->addSubview(scroll);
  window->makeKeyAndVisible();
  double t = 1, frame = 100;
  // The display's frames until the content rests: the offsets it went through.
  auto run = [&] {
    std::vector<double> ys;
    for (int i = 0; i < 300 && scroll->isDecelerating(); ++i) {
      fireDisplayLinks(frame += CADisplayLink::kFrameDuration);
      ys.push_back(scroll->contentOffset().y);
    }
    EXPECT_FALSE(scroll->isDecelerating());
    return ys;
  };

  // Pulled down from the top (and sideways, where it cannot go): each further point shows less.
  platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 150}, t);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{160, 250}, t += 0.05);
  double first = -scroll->contentOffset().y;
  platform::touchScreen(UITouchPhaseMoved, CGPoint{160, 350}, t += 0.05);
  double second = -scroll->contentOffset().y - first;
  EXPECT_EQ(scroll->contentOffset().x, 0);
  EXPECT_GT(first, 20);
  EXPECT_LT(first, 100);
  EXPECT_GT(second, 0);
  EXPECT_LT(second, first);

  // Held still and lifted, it springs back onto the top, never past it, in about half a second.
  platform::touchScreen(UITouchPhaseEnded, CGPoint{160, 350}, t += 0.3);
  ASSERT_TRUE(scroll->isDecelerating());
  auto back = run();
  EXPECT_TRUE(std::is_sorted(back.begin(), back.end()));
  EXPECT_EQ(back.back(), 0);
  EXPECT_GT(back.size(), 15u);
  EXPECT_LT(back.size(), 60u);

  // A touch-down on it springing back does not leave it stretched; a drag catches it where it is.
  platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 150}, t += 1);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 300}, t += 0.05);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 300}, t += 0.3);
  fireDisplayLinks(frame += CADisplayLink::kFrameDuration);
  double springing = scroll->contentOffset().y;
  ASSERT_LT(springing, -5);
  platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 150}, t += 0.01);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 150}, t += 0.05);
  EXPECT_EQ(run().back(), 0);
  platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 300}, t += 1);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 450}, t += 0.05);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 450}, t += 0.3);
  fireDisplayLinks(frame += CADisplayLink::kFrameDuration);
  springing = scroll->contentOffset().y;
  platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 300}, t += 0.01);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 312}, t += 0.05);
  EXPECT_LT(scroll->contentOffset().y, springing);
  EXPECT_GT(scroll->contentOffset().y, springing - 12);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 312}, t += 0.3);
  run();

  // Flicked at the bottom, it runs past it and comes back to rest on it.
  scroll->setContentOffset(CGPoint{0, 600});
  platform::touchScreen(UITouchPhaseBegan, CGPoint{100, 350}, t += 1);
  for (int i = 1; i <= 5; ++i) platform::touchScreen(UITouchPhaseMoved, CGPoint{100, 350 - 20.0 * i}, t += 0.01);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{100, 250}, t += 0.01);
  auto flicked = run();
  EXPECT_GT(*std::max_element(flicked.begin(), flicked.end()), 710);
  EXPECT_EQ(flicked.back(), 700);
}
