// The timeline list: what its rows show, how entries are added and refused, and what deleting an
// entry does to the stored timeline and to the pictures on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <string_view>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/substrate/MSHookFunction.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UINavigationItem.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/prefs/editors/TimelineTestSupport.h"

namespace {

using platform::Array;
using platform::Dictionary;
using platform::Value;
using Strings = std::vector<std::string>;

const std::string kFolder = kTimelineImagesPath;

class TimelineListTest : public testing::Test {
 protected:
  // Whether the item itself is there: a link counts, whatever it names.
  bool itemAt(const std::string& devicePath) {
    struct stat st {};
    return ::lstat(root.host(devicePath).c_str(), &st) == 0;
  }
  TempDeviceRoot root;
};

TEST_F(TimelineListTest, RowsShowEachEntrysRangeUpToTheNextStartWrappingOverMidnight) {
  const std::string picture = writePicture(kFolder + "/A.png");
  struct Case {
    const char* name;
    Array stored;
    Strings texts;
    Strings subtitles;
  } cases[] = {
      {"empty", {}, {}, {}},
      {"one entry", {timelineEntry("07:05:00", picture)}, {"All Day"}, {"Custom Image"}},
      {"two entries",
       {timelineEntry("07:00:00", picture), timelineEntry("19:30:00", kRandomImageMarker)},
       {"07:00 - 19:29", "19:30 - 06:59"},
       {"Custom Image", "Random Image"}},
      {"midnight first",
       {timelineEntry("00:00:00", kRandomImageMarker), timelineEntry("12:00:00", kRandomImageMarker)},
       {"00:00 - 11:59", "12:00 - 23:59"},
       {"Random Image", "Random Image"}},
      {"missing picture",
       {timelineEntry("08:00:00", kFolder + "/gone.png"), timelineEntry("09:15:00", kRandomImageMarker)},
       {"08:00 - 09:14", "09:15 - 07:59"},
       {"Custom Image", "Random Image"}},
      // Not written by the pane: shown as stored, the other ends worked out where they can be.
      {"start without a colon",
       {timelineEntry("0700", kRandomImageMarker), timelineEntry("12:00:00", kRandomImageMarker),
        timelineEntry("", kRandomImageMarker)},
       {"0700 - 11:59", "12:00 - ", " - 0700"},
       {"Random Image", "Random Image", "Random Image"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    storeTimeline(c.stored);
    TimelineScreen screen;
    EXPECT_EQ(screen.rowTexts(), c.texts);
    EXPECT_EQ(screen.rowSubtitles(), c.subtitles);
  }
}

TEST_F(TimelineListTest, AddingKeepsTheTimelineSortedAndRefusesATakenTime) {
  TimelineScreen screen;
  EXPECT_EQ(screen.list->title(), "Timeline");
  ASSERT_TRUE(screen.list->navigationItem()->rightBarButtonItem());
  EXPECT_EQ(screen.list->navigationItem()->rightBarButtonItem()->title(), "Add");
  EXPECT_FALSE(storedTimelineArray());  // opening the screen writes nothing
  EXPECT_TRUE(screen.list->addToTimelineWithTime("12:00:00", kRandomImageMarker));
  EXPECT_EQ(screen.rowTexts(), (Strings{"All Day"}));

  EXPECT_FALSE(screen.list->addToTimelineWithTime("12:00:00", kRandomImageMarker));
  auto alert = std::dynamic_pointer_cast<UIAlertController>(screen.presented());
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "Time Exists");
  EXPECT_EQ(alert->message(), "An entry already exists for this time. Please delete it first.");
  ASSERT_EQ(alert->actions().size(), 1u);
  EXPECT_EQ(alert->actions()[0]->title(), "OK");
  EXPECT_EQ(alert->actions()[0]->style(), UIAlertActionStyleDefault);
  alert->performAction(alert->actions()[0]);
  EXPECT_FALSE(screen.presented());
  EXPECT_EQ(storedStarts(), (Strings{"12:00:00"}));

  // The order comes from the numbers, not from when entries were added.
  for (const char* start : {"12:01:00", "07:00:00", "23:00:00", "00:00:00", "19:30:00"})
    EXPECT_TRUE(screen.list->addToTimelineWithTime(start, kRandomImageMarker)) << start;
  EXPECT_FALSE(screen.presented());
  EXPECT_EQ(storedStarts(), (Strings{"00:00:00", "07:00:00", "12:00:00", "12:01:00", "19:30:00", "23:00:00"}));
  EXPECT_EQ(screen.rowTexts(), (Strings{"00:00 - 06:59", "07:00 - 11:59", "12:00 - 12:00", "12:01 - 19:29",
                                        "19:30 - 22:59", "23:00 - 23:59"}));
}

TEST_F(TimelineListTest, AddingKeepsWhatElseTheFileHoldsEvenWhenWrittenAfterTheScreenOpened) {
  storeTimeline({timelineEntry("07:00:00", kRandomImageMarker), timelineEntry("19:30:00", kRandomImageMarker)});
  TimelineScreen screen;
  // Written by the engine while the screen is open.
  TovalunePreferencesManager::setPrefForKey("Version", 1);
  TovalunePreferencesManager::setPrefForKey("ImageMode", 5);
  EXPECT_TRUE(screen.list->addToTimelineWithTime("23:00:00", kRandomImageMarker));
  EXPECT_EQ(storedStarts(), (Strings{"07:00:00", "19:30:00", "23:00:00"}));
  EXPECT_EQ(screen.rowTexts().back(), "23:00 - 06:59");
  auto prefs = TovalunePreferencesManager::getPrefs();
  ASSERT_TRUE(prefs);
  EXPECT_EQ(platform::find(*prefs, "Version")->intValue(), 1);
  EXPECT_EQ(platform::find(*prefs, "ImageMode")->intValue(), 5);
}

TEST_F(TimelineListTest, ARefusedEntryLeavesNoPictureBehindButNothingOutsideTheFolderIsTouched) {
  const std::string kept = writePicture(kFolder + "/KEPT.png");
  storeTimeline({timelineEntry("07:00:00", kRandomImageMarker), timelineEntry("08:00:00", kept)});
  const std::string outside = writePicture("/var/mobile/Library/Tovalune/mine.png");
  const std::string linkToKept = kFolder + "/LINK.png";
  ASSERT_EQ(::symlink("KEPT.png", root.host(linkToKept).c_str()), 0);
  // The path of a taken time that the editor just wrote, and paths that are no picture of its own.
  struct Case {
    std::string source;
    bool deleted;
  } cases[] = {
      {writePicture(kFolder + "/NEW.png"), true},
      {kFolder + "/../Tovalune/mine.png", false},
      {outside, false},
      {linkToKept, true},  // a link the editor left: it goes, the picture it names stays
      {kept, false},       // the picture of another entry
  };
  TimelineScreen screen;
  for (const auto& c : cases) {
    EXPECT_FALSE(screen.list->addToTimelineWithTime("07:00:00", c.source)) << c.source;
    screen.presented()->dismissViewControllerAnimated(false, nullptr);
    waitForBackgroundWork();
    EXPECT_EQ(itemAt(c.source), !c.deleted) << c.source;
  }
  EXPECT_EQ(storedTimelineArray()->size(), 2u);
  EXPECT_TRUE(platform::fileExistsAtPath(kept));
}

TEST_F(TimelineListTest, AnUnreadablePreferencesFileIsNeverReplaced) {
  const std::string garbage = "not a property list";
  platform::createDirectoryAtPath("/var/mobile/Library/Preferences");
  platform::writeFile(TovalunePreferencesManager::kPreferencesPath, garbage);
  const std::string picture = writePicture(kFolder + "/NEW.png");
  TimelineScreen screen;
  EXPECT_FALSE(screen.list->addToTimelineWithTime("08:00:00", picture));
  waitForBackgroundWork();
  EXPECT_TRUE(screen.rowTexts().empty());
  EXPECT_EQ(platform::readFile(TovalunePreferencesManager::kPreferencesPath), garbage);
  EXPECT_FALSE(platform::fileExistsAtPath(picture)) << "the refused entry's picture stayed";
}

TEST_F(TimelineListTest, DeletingAnEntryRemovesItAndOnlyItsOwnPicture) {
  const std::string a = writePicture(kFolder + "/A.png");
  const std::string b = writePicture(kFolder + "/B.png");
  // A file named like the marker must survive deleting a random entry.
  const std::string marker = writePicture(std::string("/") + kRandomImageMarker);
  storeTimeline({timelineEntry("07:00:00", a), timelineEntry("12:00:00", kRandomImageMarker),
                 timelineEntry("19:30:00", b)});
  TimelineScreen screen;
  auto table = screen.list->tableView();
  auto row = [&](int i) { return screen.list->cellForRowAtIndexPath(table.get(), NSIndexPath::indexPathForRow(i, 0)); };
  ASSERT_TRUE(row(0)->imageView()->image());
  EXPECT_EQ(row(0)->imageView()->image()->width(), 8);
  EXPECT_FALSE(row(1)->imageView()->image());

  screen.swipeAndDeleteRow(1);
  EXPECT_EQ(storedStarts(), (Strings{"07:00:00", "19:30:00"}));
  EXPECT_EQ(screen.rowTexts(), (Strings{"07:00 - 19:29", "19:30 - 06:59"}));
  screen.swipeAndDeleteRow(0);
  EXPECT_EQ(screen.rowTexts(), (Strings{"All Day"}));  // gone at once, before the file is
  waitForBackgroundWork();
  EXPECT_FALSE(platform::fileExistsAtPath(a));
  EXPECT_TRUE(platform::fileExistsAtPath(b));
  EXPECT_TRUE(platform::fileExistsAtPath(marker));

  screen.swipeAndDeleteRow(0);
  waitForBackgroundWork();
  EXPECT_FALSE(platform::fileExistsAtPath(b));
  auto stored = storedTimelineArray();
  ASSERT_TRUE(stored) << "the last deletion removed the key instead of storing an empty list";
  EXPECT_TRUE(stored->empty());
  EXPECT_TRUE(screen.rowTexts().empty());
}

TEST_F(TimelineListTest, DeletingAnEntryNamingAFileOutsideTheFolderKeepsTheFile) {
  const std::string prefsNeighbour = writePicture("/var/mobile/Library/Preferences/keep.png");
  const std::string local = writePicture("/var/mobile/Library/Tovalune/keep.png");
  platform::createDirectoryAtPath(kFolder);
  ASSERT_EQ(::symlink(root.host("/var/mobile/Library/Tovalune").c_str(), root.host(kFolder + "/out").c_str()), 0);
  const std::string subfolder = kFolder + "/sub";
  platform::createDirectoryAtPath(subfolder + "/deep");
  struct Case {
    std::string path;
    std::string keeps;
  } cases[] = {
      {prefsNeighbour, prefsNeighbour},
      {kFolder + "/../Preferences/keep.png", prefsNeighbour},
      {kFolder + "/out/keep.png", local},   // through a linked folder
      {kFolder, kFolder},                   // the folder itself
      {subfolder, subfolder + "/deep"},     // a folder inside it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    storeTimeline({timelineEntry("07:00:00", c.path)});
    TimelineScreen screen;
    platform::LogCapture log;
    screen.swipeAndDeleteRow(0);
    waitForBackgroundWork();
    EXPECT_TRUE(storedTimelineArray()->empty());
    EXPECT_TRUE(platform::fileExistsAtPath(c.keeps));
    EXPECT_TRUE(log.contains(fmt::format("Not deleting {}: it is not a picture inside {}", c.path, kFolder)));
  }
}

// An entry's file may be a link: deleting the entry removes the link, never what it names (here
// another entry's picture, and a picture outside the folder).
TEST_F(TimelineListTest, DeletingAnEntryWhosePictureIsALinkRemovesTheLinkAlone) {
  const std::string a = writePicture(kFolder + "/A.png");
  const std::string local = writePicture("/var/mobile/Library/Tovalune/keep.png");
  const std::string toA = kFolder + "/TO-A.png", out = kFolder + "/OUT.png";
  ASSERT_EQ(::symlink("A.png", root.host(toA).c_str()), 0);
  ASSERT_EQ(::symlink("../Tovalune/keep.png", root.host(out).c_str()), 0);
  storeTimeline({timelineEntry("07:00:00", a), timelineEntry("08:00:00", toA), timelineEntry("09:00:00", out)});
  TimelineScreen screen;
  screen.swipeAndDeleteRow(2);
  screen.swipeAndDeleteRow(1);
  waitForBackgroundWork();
  EXPECT_EQ(storedStarts(), (Strings{"07:00:00"}));
  EXPECT_FALSE(itemAt(toA));
  EXPECT_FALSE(itemAt(out));
  EXPECT_TRUE(platform::fileExistsAtPath(a));
  EXPECT_TRUE(platform::fileExistsAtPath(local));
}

// A picture that cannot be deleted is tried five times, half a second apart, and then left; the
// entry goes at once all the same. The C library's unlink refuses it, as a busy file would be.
std::atomic<int> stuckUnlinks{0};
int (*previousUnlink)(const char*) = nullptr;
int unlinkRefusingStuckFiles(const char* path) {
  if (std::string_view(path).ends_with("/STUCK.png")) {
    ++stuckUnlinks;
    errno = EBUSY;
    return -1;
  }
  return previousUnlink(path);
}

TEST_F(TimelineListTest, APictureThatCannotBeDeletedIsTriedFiveTimesAndKept) {
  static std::once_flag hooked;
  std::call_once(hooked, [] {
    MSHookFunction(reinterpret_cast<void*>(&::unlink), reinterpret_cast<void*>(&unlinkRefusingStuckFiles),
                   reinterpret_cast<void**>(&previousUnlink));
  });
  const std::string stuck = writePicture(kFolder + "/STUCK.png");
  storeTimeline({timelineEntry("07:00:00", stuck)});
  TimelineScreen screen;
  platform::LogCapture log;
  stuckUnlinks = 0;
  screen.swipeAndDeleteRow(0);
  EXPECT_TRUE(screen.rowTexts().empty());
  const auto started = std::chrono::steady_clock::now();
  waitForBackgroundWork();
  EXPECT_EQ(stuckUnlinks, 5);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2000)) << "no pause between tries";
  EXPECT_TRUE(platform::fileExistsAtPath(stuck));
  EXPECT_TRUE(log.contains(fmt::format("Could not delete {} after 5 attempts", stuck)));
}

TEST_F(TimelineListTest, MalformedStoredTimelinesShowSafelyAndCanBeCleaned) {
  TovalunePreferencesManager::setPrefForKey("ImageTimeline", "not a list");
  {
    TimelineScreen screen;
    EXPECT_TRUE(screen.rowTexts().empty());
    EXPECT_TRUE(screen.list->addToTimelineWithTime("08:00:00", kRandomImageMarker));
    EXPECT_EQ(storedStarts(), (Strings{"08:00:00"}));
  }
  storeTimeline({Value(42), timelineEntry("08:00:00", kRandomImageMarker), Value(Dictionary{{"Start", 7}})});
  TimelineScreen screen;
  EXPECT_EQ(screen.rowTexts().size(), 3u);
  screen.swipeAndDeleteRow(0);
  EXPECT_EQ(storedTimelineArray()->size(), 2u);
}

}  // namespace
