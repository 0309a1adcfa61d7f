// The photo picker over the device's library, the time wheel, and view animation completions.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/uikit/CADisplayLink.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UIDatePicker.h"
#include "platform/uikit/UIImagePickerController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

// Remembers what the picker handed over, and dismisses it as a screen does.
class Chooser : public UIImagePickerControllerDelegate {
 public:
  std::vector<std::shared_ptr<UIImage>> picked;
  std::vector<std::string> descriptions;
  std::optional<std::string> identifier;
  void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker,
                                                          const UIImagePickerInfo& info) override {
    picked.push_back(info.imageForKey(UIImagePickerControllerOriginalImage));
    descriptions.push_back(info.description());
    identifier = info.stringForKey(UIImagePickerControllerPHAssetIdentifier);
    picker->dismissViewControllerAnimated(true, nullptr);
  }
};

class PickerTest : public SmallPhoneTest {
 protected:
  void SetUp() override {
    SmallPhoneTest::SetUp();
    window_ = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
    window_->setRootViewController(UIViewController::create());
    window_->makeKeyAndVisible();
    platform::setFixedNow(1'700'000'000);
  }

  // A photo of that size and red, created a minute after the one before.
  std::string addPhoto(std::uint32_t width, std::uint32_t height, int red) {
    platform::advanceFixedNow(60);
    auto png = UIImagePNGRepresentation(solidImage(width, height, RGB{red, 0, 0}).get());
    auto id = platform::photoLibraryAddPictureData(*png, "png");
    EXPECT_TRUE(id.has_value());
    return id.value_or("");
  }

  std::shared_ptr<UIImagePickerController> present() {
    auto picker = UIImagePickerController::create();
    picker->setSourceType(UIImagePickerControllerSourceTypePhotoLibrary);
    picker->setAllowsEditing(false);
    picker->setDelegate(chooser_);
    window_->rootViewController()->presentViewController(picker, true, nullptr);
    picker->view()->layoutIfNeeded();
    return picker;
  }

  // Where tile `item` is on the screen.
  CGPoint tileCentre(UIImagePickerController& picker, int item) {
    auto grid = picker.collectionView();
    grid->scrollToItemAtIndexPath(NSIndexPath::indexPathForRow(item, 0), UICollectionViewScrollPositionNone, false);
    auto cell = grid->cellForItemAtIndexPath(NSIndexPath::indexPathForRow(item, 0));
    EXPECT_NE(cell, nullptr);
    CGRect r = cell ? cell->convertRectToView(cell->bounds(), nullptr) : CGRect{};
    return CGPoint{r.midX(), r.midY()};
  }

  std::shared_ptr<UIWindow> window_;
  std::shared_ptr<Chooser> chooser_ = std::make_shared<Chooser>();
};

TEST_F(PickerTest, ShowsTheLibraryNewestFirstAndHandsTheTappedPhotoOverInFull) {
  std::string oldest = addPhoto(300, 200, 100);
  addPhoto(640, 480, 150);
  std::string newest = addPhoto(1200, 900, 250);
  auto picker = present();
  ASSERT_EQ(picker->photos().size(), 3u);
  EXPECT_EQ(picker->photos().front().localIdentifier, newest);
  EXPECT_EQ(picker->photos().back().localIdentifier, oldest);
  EXPECT_EQ(picker->topViewController()->title(), "Photos");

  // Tiles are drawn from pictures decoded at tile size, not in full.
  auto tile = picker->collectionView()->cellForItemAtIndexPath(NSIndexPath::indexPathForRow(0, 0));
  ASSERT_NE(tile, nullptr);
  EXPECT_EQ(tile->accessibilityLabel().rfind("Photo, IMG_", 0), 0u);

  ASSERT_NE(platform::tapAtPoint(tileCentre(*picker, 2)), nullptr);
  ASSERT_EQ(chooser_->picked.size(), 1u);
  ASSERT_NE(chooser_->picked[0], nullptr);
  EXPECT_EQ(chooser_->picked[0]->width(), 300);
  EXPECT_EQ(chooser_->picked[0]->height(), 200);
  EXPECT_EQ(chooser_->identifier, oldest);
  const std::string& d = chooser_->descriptions[0];
  EXPECT_NE(d.find("UIImagePickerControllerMediaType = \"public.image\";"), std::string::npos) << d;
  EXPECT_NE(d.find("UIImagePickerControllerOriginalImage = <UIImage: "), std::string::npos) << d;
  EXPECT_EQ(d.find("UIImagePickerControllerEditedImage"), std::string::npos) << d;
  EXPECT_EQ(window_->rootViewController()->presentedViewController(), nullptr);
}

TEST_F(PickerTest, CancelDismissesThroughTheDelegatesDefault) {
  addPhoto(100, 100, 200);
  auto picker = present();
  ASSERT_TRUE(platform::tapControlWithTitle("Cancel"));
  EXPECT_EQ(window_->rootViewController()->presentedViewController(), nullptr);
  EXPECT_TRUE(chooser_->picked.empty());
}

TEST_F(PickerTest, APhotoThatNoLongerDecodesIsNotHandedOn) {
  addPhoto(100, 100, 200);
  auto picker = present();
  platform::LogCapture log;
  ASSERT_TRUE(platform::writeFile(picker->photos()[0].path, "not a picture any more"));
  EXPECT_FALSE(picker->pickPhotoAtIndex(0));
  EXPECT_FALSE(picker->pickPhotoAtIndex(7));
  EXPECT_TRUE(chooser_->picked.empty());
  EXPECT_EQ(window_->rootViewController()->presentedViewController(), picker);
  EXPECT_TRUE(log.containsSubstring("cannot be read; nothing was picked"));
  EXPECT_TRUE(log.containsSubstring("there is no photo 7"));
}

TEST_F(PickerTest, EmptyAndRefusedLibrariesSaySoAndListNothing) {
  struct Case {
    const char* name;
    bool access;
    const char* message;
  };
  for (const Case& c : {Case{"empty", true, "No Photos or Videos"},
                        Case{"refused", false, "This app does not have access to your photos."}}) {
    SCOPED_TRACE(c.name);
    if (!c.access) addPhoto(100, 100, 10);
    auto settings = platform::deviceSettings();
    settings.photoLibraryAccess = c.access;
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
    auto picker = present();
    EXPECT_TRUE(picker->photos().empty());
    bool found = false;
    for (const auto& e : platform::accessibilityElements()) found |= e.label.rfind(c.message, 0) == 0;
    EXPECT_TRUE(found);
    EXPECT_FALSE(picker->pickPhotoAtIndex(0));
    picker->cancel();
  }
}

TEST_F(PickerTest, ALargeLibraryMakesTilesOnlyForTheScreen) {
  for (int i = 0; i < 150; ++i) addPhoto(64, 48, i);
  auto picker = present();
  ASSERT_EQ(picker->photos().size(), 150u);
  auto grid = picker->collectionView();
  std::size_t cells = 0;
  for (const auto& view : grid->subviews()) cells += dynamic_cast<UICollectionViewCell*>(view.get()) != nullptr;
  EXPECT_LT(cells, 80u);
  ASSERT_NE(platform::tapAtPoint(tileCentre(*picker, 149)), nullptr);
  ASSERT_EQ(chooser_->picked.size(), 1u);
  EXPECT_EQ(chooser_->identifier, picker->photos()[149].localIdentifier);
}

// ---- The time wheel ----

class DatePickerTest : public SmallPhoneTest {};

TEST_F(DatePickerTest, TurningTheWheelsKeepsTheDaySendsValueChangedAndRefusesNonsense) {
  platform::setFixedNow(platform::dateFromComponents({2024, 5, 17, 14, 42, 31}));
  auto picker = UIDatePicker::alloc()->initWithFrame(CGRectMake(0, 250, 325, 300));
  picker->setDatePickerMode(UIDatePickerModeTime);
  EXPECT_EQ(picker->date(), platform::now());
  int changes = 0;
  picker->addHandler([&](UIControl*) { ++changes; }, UIControlEventValueChanged);

  picker->setDate(platform::dateFromComponents({2024, 5, 17, 9, 0, 0}));
  EXPECT_EQ(changes, 0);  // set in code: no event
  EXPECT_EQ(picker->accessibilityValue(), "09:00");

  struct Turn {
    int hour, minute;
    bool turns;
  };
  for (Turn t : {Turn{7, 5, true}, Turn{0, 0, true}, Turn{23, 59, true}, Turn{24, 0, false}, Turn{-1, 30, false},
                 Turn{12, 60, false}}) {
    SCOPED_TRACE(::testing::Message() << t.hour << ":" << t.minute);
    double before = picker->date();
    int changesBefore = changes;
    EXPECT_EQ(picker->turnWheelsTo(t.hour, t.minute), t.turns);
    if (!t.turns) {
      EXPECT_EQ(picker->date(), before);
      EXPECT_EQ(changes, changesBefore);
      continue;
    }
    EXPECT_EQ(changes, changesBefore + 1);
    auto c = platform::calendarComponents(picker->date());
    EXPECT_EQ((std::vector<int>{c.year, c.month, c.day, c.hour, c.minute, c.second}),
              (std::vector<int>{2024, 5, 17, t.hour, t.minute, 0}));
  }
  picker->setEnabled(false);
  EXPECT_FALSE(picker->turnWheelsTo(8, 0));
}

TEST_F(DatePickerTest, AFingerTurnsAWheelWhichSettlesOnAWholeRowAndSaysSoOnce) {
  platform::setFixedNow(platform::dateFromComponents({2024, 5, 17, 9, 58, 0}));
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  window->makeKeyAndVisible();
  auto picker = UIDatePicker::alloc()->initWithFrame(CGRectMake(0, 134, 320, 300));
  picker->setDatePickerMode(UIDatePickerModeTime);
  window->rootViewController()->view()->addSubview(picker);
  std::vector<std::string> changes;
  picker->addHandler([&](UIControl*) { changes.push_back(picker->accessibilityValue()); }, UIControlEventValueChanged);
  double frame = 10;
  auto settle = [&] {
    for (int i = 0; i < 300 && picker->isTurning(); ++i) fireDisplayLinks(frame += CADisplayLink::kFrameDuration);
    EXPECT_FALSE(picker->isTurning());
  };
  const double minutes = 160 + 44, hours = 160 - 44, middle = 134 + 150, row = UIDatePicker::kRowHeight;

  // The minutes dragged up 2.4 rows, held still and lifted: they settle two rows on, past 59,
  // and the hour stays.
  ASSERT_TRUE(platform::touchScreen(UITouchPhaseBegan, CGPoint{minutes, middle}, 1));
  std::uint64_t drawn = picker->displayGeneration();
  platform::touchScreen(UITouchPhaseMoved, CGPoint{minutes, middle - 2.4 * row}, 1.05);
  EXPECT_GT(picker->displayGeneration(), drawn) << "the turning wheel is drawn anew";
  platform::touchScreen(UITouchPhaseEnded, CGPoint{minutes, middle - 2.4 * row}, 1.5);
  EXPECT_TRUE(changes.empty()) << "nothing said before it settles";
  settle();
  EXPECT_EQ(changes, std::vector<std::string>{"09:00"});

  // The hours flicked down run on further than the finger went, onto a whole hour.
  platform::touchScreen(UITouchPhaseBegan, CGPoint{hours, middle}, 2);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{hours, middle + row}, 2.02);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{hours, middle + row}, 2.03);
  settle();
  ASSERT_EQ(changes.size(), 2u);
  int turned = (9 - platform::calendarComponents(picker->date()).hour + 24) % 24;
  EXPECT_GT(turned, 1) << changes.back();
  EXPECT_EQ(platform::calendarComponents(picker->date()).minute, 0);

  // Dragged less than half a row, it comes back and says nothing; a disabled picker does not turn.
  platform::touchScreen(UITouchPhaseBegan, CGPoint{minutes, middle}, 3);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{minutes, middle - 0.4 * row}, 3.05);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{minutes, middle - 0.4 * row}, 3.5);
  settle();
  EXPECT_EQ(changes.size(), 2u);
  picker->setEnabled(false);
  EXPECT_FALSE(platform::dragAtPoint(CGPoint{minutes, middle}, CGPoint{0, -3 * row}));
  EXPECT_EQ(changes.size(), 2u);
}

// The mouse wheel over a column, inside a list as in the entry editor: the column turns and not
// the list, and once the wheel rests it settles on a whole row and says so once.
TEST_F(DatePickerTest, TheMouseWheelTurnsAColumnWhichSettlesOnceTheWheelRests) {
  platform::setFixedNow(platform::dateFromComponents({2024, 5, 17, 9, 58, 0}));
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  window->makeKeyAndVisible();
  auto list = UIScrollView::alloc()->initWithFrame(CGRectMake(0, 0, 320, 568));
  list->setContentSize(CGSize{320, 2000});
  window->rootViewController()->view()->addSubview(list);
  auto picker = UIDatePicker::alloc()->initWithFrame(CGRectMake(0, 134, 320, 300));
  picker->setDatePickerMode(UIDatePickerModeTime);
  list->addSubview(picker);
  std::vector<std::string> changes;
  picker->addHandler([&](UIControl*) { changes.push_back(picker->accessibilityValue()); }, UIControlEventValueChanged);
  double frame = 10;
  auto frames = [&](int n) {
    for (int i = 0; i < n; ++i) fireDisplayLinks(frame += CADisplayLink::kFrameDuration);
  };
  const double minutes = 160 + 44, hours = 160 - 44, middle = 134 + 150, row = UIDatePicker::kRowHeight;

  // A touchpad's small turns, 1.35 rows in all with fewer resting frames between them than it
  // waits for: the minutes settle one row on, past 59, and say so once.
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(platform::scrollWheelAtPoint(CGPoint{minutes, middle}, CGPoint{0, 0.45 * row}));
    frames(UIDatePicker::kWheelRestFrames - 2);
  }
  EXPECT_TRUE(changes.empty()) << "nothing said while the wheel turns";
  EXPECT_TRUE(picker->isTurning());
  frames(300);
  EXPECT_FALSE(picker->isTurning());
  EXPECT_EQ(changes, std::vector<std::string>{"09:59"});
  EXPECT_EQ(list->contentOffset().y, 0) << "the list around it stays";

  // Turned back over the hours, across midnight; sideways, or on a disabled picker, it is the
  // list's.
  ASSERT_TRUE(platform::scrollWheelAtPoint(CGPoint{hours, middle}, CGPoint{0, -10.2 * row}));
  frames(300);
  EXPECT_EQ(changes, (std::vector<std::string>{"09:59", "23:59"}));
  EXPECT_FALSE(platform::scrollWheelAtPoint(CGPoint{hours, middle}, CGPoint{40, 0}));
  picker->setEnabled(false);
  EXPECT_TRUE(platform::scrollWheelAtPoint(CGPoint{minutes, middle}, CGPoint{0, row}));
  EXPECT_EQ(list->contentOffset().y, row);
  frames(300);
  EXPECT_EQ(changes.size(), 2u);
}

TEST_F(DatePickerTest, TextColourThroughKeyValueCodingIsWhatTheWheelsAreDrawnIn) {
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  window->setRootViewController(UIViewController::create());
  window->rootViewController()->view()->setBackgroundColor(UIColor::whiteColor());
  window->makeKeyAndVisible();
  auto picker = UIDatePicker::alloc()->initWithFrame(CGRectMake(0, 134, 320, 300));
  picker->setDatePickerMode(UIDatePickerModeTime);
  window->rootViewController()->view()->addSubview(picker);
  EXPECT_EQ(picker->textColor(), UIColor::blackColor());
  picker->setValueForKey("textColor", UIColor::colorWithRed(1, 0, 0));
  EXPECT_EQ(picker->textColor(), UIColor::colorWithRed(1, 0, 0));

  // The chosen row's digits, in the middle band, come out red.
  auto png = root_.path() + "/wheel.png";
  ASSERT_TRUE(platform::renderWindowToPNG(window, png));
  auto image = UIImage::imageWithData(*platform::readFile(platform::devicePathFromHost(png)));
  ASSERT_NE(image, nullptr);
  int red = 0;
  for (int y = int((134 + 150 - 12) * kScale); y < int((134 + 150 + 12) * kScale); ++y)
    for (int x = int(60 * kScale); x < int(260 * kScale); ++x) {
      RGB p = pixelAt(image->bitmap(), std::uint32_t(x), std::uint32_t(y));
      red += p.r > 180 && p.g < 90 && p.b < 90;
    }
  EXPECT_GT(red, 50);

  // A value that is no colour is refused when drawn; the wheels stay readable.
  picker->setValueForKey("textColor", std::string("blue"));
  EXPECT_EQ(picker->textColor(), UIColor::blackColor());
}

// ---- Animation ----

class AnimationTest : public SmallPhoneTest {};

TEST_F(AnimationTest, ChangesHoldAtOnceAndTheCompletionComesLaterOnTheMainQueue) {
  auto view = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 10, 10));
  for (double duration : {0.2, 0.0}) {
    SCOPED_TRACE(duration);
    std::vector<bool> finished;
    view->setAlpha(1);
    UIView::animateWithDuration(
        duration, 0, UIViewAnimationOptionTransitionCrossDissolve, [&] { view->setAlpha(0); },
        [&](bool done) { finished.push_back(done); });
    EXPECT_EQ(view->alpha(), 0);
    EXPECT_TRUE(finished.empty());  // never before the call returns
    ASSERT_TRUE(platform::settleAllQueues(std::chrono::seconds(10)));
    EXPECT_EQ(finished, std::vector<bool>{true});
  }
  // Nonsense durations neither hang nor skip the completion.
  int completions = 0;
  UIView::animateWithDuration(NAN, -5, 0, nullptr, [&](bool) { ++completions; });
  ASSERT_TRUE(platform::settleAllQueues(std::chrono::seconds(10)));
  EXPECT_EQ(completions, 1);
}

}  // namespace
