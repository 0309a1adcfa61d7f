// The entry editor: its two steps as the user sees them, and its two endings (the random marker
// after "Confirm", a photo copied into the timeline folder), each handing back once and leaving.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UIDatePicker.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITouchDelivery.h"
#include "prefs/editors/TovaluneTimelineAddViewController.h"
#include "shared/ImageFolders.h"
#include "tests/prefs/editors/TimelineTestSupport.h"

namespace {

using Strings = std::vector<std::string>;

struct Result {
  double date;
  std::string source;
};

// Runs the main queue until `done` holds: the animations' completions come from there. The wait
// is generous; it ends as soon as the screen gets there.
template <typename Predicate>
bool runMainQueueUntil(Predicate done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    platform::runMainQueueFor(std::chrono::milliseconds(20));
  return done();
}

class TimelineEditorTest : public testing::Test {
 protected:
  void SetUp() override {
    // 2026-03-14, a known moment; the wheel starts at it.
    platform::setFixedNow(1773500000);
    editor = TovaluneTimelineAddViewController::initWithHandler(
        [this](double date, const std::string& source) { results.push_back({date, source}); });
    screen.navigation->pushViewController(editor, false);
    screen.window->layoutIfNeeded();
  }
  void TearDown() override { platform::drainMainQueue(); }

  bool onStepTwo() const {
    return editor->titleLabel()->text() == "Select Image Source" && editor->useRandomButton()->alpha() == 1 &&
           editor->selectImageButton()->alpha() == 1;
  }
  void goToStepTwo(int hour, int minute) {
    ASSERT_TRUE(editor->datePicker()->turnWheelsTo(hour, minute));
    editor->nextButton()->tap();
    ASSERT_TRUE(runMainQueueUntil([&] { return onStepTwo(); }));
  }
  bool editorOnTop() const { return screen.navigation->topViewController() == editor; }
  std::shared_ptr<UIAlertController> alert() const {
    return std::dynamic_pointer_cast<UIAlertController>(screen.navigation->presentedViewController());
  }
  std::shared_ptr<UIAlertAction> action(const std::string& title) const {
    for (const auto& a : alert()->actions())
      if (a->title() == title) return a;
    return nullptr;
  }

  TempDeviceRoot root;
  TimelineScreen screen;
  std::shared_ptr<TovaluneTimelineAddViewController> editor;
  std::vector<Result> results;
};

TEST_F(TimelineEditorTest, FirstStepAsksForATimeWithTheSourceButtonsHidden) {
  // Laid out for the screen's size, the view's size when the screen is built.
  const double width = UIScreen::mainScreen().bounds().width();
  const double height = UIScreen::mainScreen().bounds().height();
  auto picker = editor->datePicker();
  EXPECT_EQ(picker->datePickerMode(), UIDatePickerModeTime);
  EXPECT_EQ(picker->date(), platform::now());
  EXPECT_EQ(picker->textColor(), UIColor::blackColor());
  EXPECT_EQ(picker->frame(), CGRectMake(width / 2 - 162.5, height / 2 - 150, 325, 300));
  EXPECT_EQ(editor->titleLabel()->text(), "What time?");
  EXPECT_EQ(editor->titleLabel()->frame(), CGRectMake(0, picker->frame().minY() - 50, width, 50));
  EXPECT_EQ(editor->titleLabel()->font().pointSize, 32);

  const double below = picker->frame().maxY() + 50;
  struct Button {
    std::shared_ptr<UIButton> button;
    const char* title;
    CGRect frame;
    double alpha;
  } buttons[] = {
      {editor->nextButton(), "Next", CGRectMake(0, below, width, 50), 1},
      {editor->useRandomButton(), "Use Random Image", CGRectMake(0, editor->titleLabel()->frame().maxY() + 50, width, 50), 0},
      {editor->selectImageButton(), "Select From Photos",
       CGRectMake(0, editor->titleLabel()->frame().maxY() + 150, width, 50), 0},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.title);
    EXPECT_EQ(b.button->title(), b.title);
    EXPECT_EQ(b.button->frame(), b.frame);
    EXPECT_EQ(b.button->alpha(), b.alpha);
    EXPECT_EQ(b.button->titleColor(), UIColor::colorWithRed(0, 0.47843137383461, 1, 1));
  }
  // Hidden buttons take no taps.
  EXPECT_FALSE(platform::tapControlWithTitle("Use Random Image"));
  EXPECT_TRUE(results.empty());
}

TEST_F(TimelineEditorTest, NextKeepsTheWheelsTimeAndFadesOverToTheSourceStep) {
  ASSERT_TRUE(editor->datePicker()->turnWheelsTo(7, 5));
  const double chosen = editor->datePicker()->date();
  ASSERT_TRUE(platform::tapControlWithTitle("Next"));
  EXPECT_EQ(editor->selectedDate(), chosen);
  // The title changes only once the first fade has finished.
  EXPECT_EQ(editor->titleLabel()->text(), "What time?");
  ASSERT_TRUE(runMainQueueUntil([&] { return onStepTwo(); }));
  EXPECT_EQ(editor->datePicker()->alpha(), 0);
  EXPECT_EQ(editor->nextButton()->alpha(), 0);
  EXPECT_EQ(editor->titleLabel()->alpha(), 1);
  EXPECT_TRUE(editor->datePicker()->superview()) << "the wheel stays, invisible";
  EXPECT_TRUE(results.empty());
}

TEST_F(TimelineEditorTest, RandomAsksFirstAndCancelStaysOnTheSourceStep) {
  goToStepTwo(19, 30);
  ASSERT_TRUE(platform::tapControlWithTitle("Use Random Image"));
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), "Random");
  EXPECT_EQ(alert()->message(),
            "This will use the settings you have for 'Image Provider' in Tovalune. Do you want to continue?");
  ASSERT_EQ(alert()->actions().size(), 2u);
  EXPECT_EQ(alert()->actions()[0]->title(), "Confirm");
  EXPECT_EQ(alert()->actions()[0]->style(), UIAlertActionStyleDefault);
  EXPECT_EQ(alert()->actions()[1]->title(), "Cancel");
  EXPECT_EQ(alert()->actions()[1]->style(), UIAlertActionStyleCancel);

  alert()->performAction(action("Cancel"));
  EXPECT_FALSE(alert());
  EXPECT_TRUE(editorOnTop());
  EXPECT_TRUE(onStepTwo());
  EXPECT_TRUE(results.empty());

  ASSERT_TRUE(platform::tapControlWithTitle("Use Random Image"));
  alert()->performAction(action("Confirm"));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].source, kRandomImageMarker);
  EXPECT_EQ(results[0].date, editor->selectedDate());
  EXPECT_FALSE(editorOnTop());
  EXPECT_FALSE(platform::directoryExistsAtPath(kTimelineImagesPath)) << "the random choice writes no file";
}

TEST_F(TimelineEditorTest, APickedPhotoIsCopiedAsANewPngIntoTheTimelineFolder) {
  ASSERT_TRUE(platform::photoLibraryAddPictureData(*UIImagePNGRepresentation(solidImage(30, 20, 10).get()), "png"));
  platform::LogCapture log;
  std::vector<std::string> paths;
  for (int pick = 0; pick < 2; ++pick) {
    SCOPED_TRACE(pick);
    if (pick == 1) {
      results.clear();
      editor = TovaluneTimelineAddViewController::initWithHandler(
          [this](double date, const std::string& source) { results.push_back({date, source}); });
      screen.navigation->pushViewController(editor, false);
    }
    goToStepTwo(8, 0);
    ASSERT_TRUE(platform::tapControlWithTitle("Select From Photos"));
    auto picker = std::dynamic_pointer_cast<UIImagePickerController>(screen.navigation->presentedViewController());
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->sourceType(), UIImagePickerControllerSourceTypePhotoLibrary);
    EXPECT_FALSE(picker->allowsEditing());
    ASSERT_TRUE(picker->pickPhotoAtIndex(0));

    EXPECT_FALSE(screen.navigation->presentedViewController()) << "the picker stayed up";
    EXPECT_FALSE(editorOnTop());
    ASSERT_EQ(results.size(), 1u);
    const std::string& path = results[0].source;
    EXPECT_TRUE(std::regex_match(path, std::regex("/var/mobile/Library/TovaluneTimeline/"
                                                  "[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.png")))
        << path;
    auto stored = UIImage::imageWithContentsOfFile(path);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->bitmap().width, 30u);  // unscaled
    EXPECT_EQ(stored->bitmap().rgba[0], 10);
    paths.push_back(path);
  }
  EXPECT_NE(paths[0], paths[1]);
  EXPECT_EQ(platform::contentsOfDirectoryAtPath(kTimelineImagesPath)->size(), 2u);
  EXPECT_EQ(log.count(fmt::format("Could not find local folder: {}... Creating...", kTimelineImagesPath)), 1u);
  EXPECT_TRUE(log.containsSubstring("didFinishPickingMediaWithInfo: {"));
}

TEST_F(TimelineEditorTest, APictureThatCannotBeStoredHandsNothingBack) {
  goToStepTwo(8, 0);
  platform::LogCapture log;
  editor->selectedImage(nullptr);
  editor->selectedImage(UIImage::imageWithBitmap(platform::Bitmap{}));
  // The folder's place taken by a file: the copy cannot be written.
  platform::createDirectoryAtPath("/var/mobile/Library");
  platform::writeFile(kTimelineImagesPath, "not a folder");
  editor->selectedImage(solidImage(4, 4, 1));
  EXPECT_TRUE(results.empty());
  EXPECT_TRUE(editorOnTop());
  EXPECT_EQ(log.count("The picked picture cannot be stored as PNG; no entry is made"), 2u);
  EXPECT_TRUE(log.containsSubstring("; no entry is made"));
  EXPECT_EQ(platform::readFile(kTimelineImagesPath), "not a folder");
}

// Through the list: the time the editor hands back is stored as "HH:mm:00", and a taken time
// brings up "Time Exists" over the editor, with the picture it wrote gone again.
TEST_F(TimelineEditorTest, TheListStoresTheChosenTimeAndRefusesATakenOne) {
  screen.navigation->popToRootViewControllerAnimated(false);
  ASSERT_TRUE(platform::photoLibraryAddPictureData(*UIImagePNGRepresentation(solidImage(9, 9, 99).get()), "png"));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    screen.list->addButtonPressed(nullptr);
    editor = std::dynamic_pointer_cast<TovaluneTimelineAddViewController>(screen.navigation->topViewController());
    ASSERT_TRUE(editor);
    goToStepTwo(7, 5);
    ASSERT_TRUE(platform::tapControlWithTitle("Select From Photos"));
    ASSERT_TRUE(std::dynamic_pointer_cast<UIImagePickerController>(screen.navigation->presentedViewController())
                    ->pickPhotoAtIndex(0));
    EXPECT_EQ(screen.navigation->topViewController(), screen.list);
  }
  EXPECT_EQ(storedStarts(), (Strings{"07:05:00"}));
  ASSERT_TRUE(alert()) << "the refusal was not shown";
  EXPECT_EQ(alert()->title(), "Time Exists");
  waitForBackgroundWork();
  EXPECT_EQ(platform::contentsOfDirectoryAtPath(kTimelineImagesPath)->size(), 1u) << "the refused picture stayed";
}

}  // namespace
