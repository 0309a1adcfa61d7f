// The root list over a specifier file and a preferences file in a temporary device.
#include "prefs/root/TovaluneprefsRootListController.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <future>
#include <set>
#include <thread>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLock.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/prefs/support/PaneFixture.h"

namespace {

using platform::Array;
using platform::Dictionary;
using platform::Value;

const char* const kPrefs = TovalunePreferencesManager::kPreferencesPath;

// Every kind of row the visibility rules tell apart, in file order.
Array visibilityRows() {
  return {
      specifierEntry("PSStaticTextCell", "Banner", nullptr, {{"cellClass", "TovaluneBannerCell"}}),
      specifierEntry("PSGroupCell", "General", nullptr),
      specifierEntry("PSStaticTextCell", "Empty Key", ""),
      specifierEntry("PSSwitchCell", "Enabled", "Enabled", {{"default", 1}}),
      specifierEntry("PSLinkListCell", "Location", "Location", {{"default", 1}}),
      specifierEntry("PSLinkListCell", "Source", "ImageMode"),
      specifierEntry("PSButtonCell", "Local", "ImageSelector", {{"action", "showImageSelector"}}),
      specifierEntry("PSEditTextCell", "URL", "CustomURL"),
      specifierEntry("PSButtonCell", "Album", "AlbumSelector", {{"action", "showAlbumSelector"}}),
      specifierEntry("PSSwitchCell", "Wi-Fi", "DisableOnCellular"),
      specifierEntry("PSSwitchCell", "Full", "FullResolution"),
      specifierEntry("PSSwitchCell", "Keep", "StoreLastTen"),
      specifierEntry("PSButtonCell", "Recent", "ImageViewer", {{"action", "showImageViewer"}}),
      specifierEntry("PSLinkListCell", "Mode", "UpdateMode"),
      specifierEntry("PSButtonCell", "Timeline", "TimePicker", {{"action", "showTimePicker"}}),
      specifierEntry("PSSwitchCell", "Mystery", "Mystery"),
      specifierEntry("PSSwitchCell", "Lower Case", "imagemode"),
      specifierEntry("PSSwitchCell", "Number Key", nullptr, {{"key", 5}}),
      specifierEntry("PSButtonCell", "Restart", nullptr, {{"action", "respring"}}),
      specifierEntry("PSStaticTextCell", "Footer", nullptr, {{"cellClass", "TovaluneFooterCell"}}),
  };
}

// The rows every setting shows, in file order, with the optional ones put in where they belong.
std::vector<std::string> expectedRows(const std::set<std::string>& optional) {
  std::vector<std::string> rows;
  for (const char* row : {"Banner", "General", "", "Enabled", "Location", "ImageMode", "ImageSelector", "CustomURL",
                          "AlbumSelector", "DisableOnCellular", "FullResolution", "StoreLastTen", "ImageViewer",
                          "UpdateMode", "TimePicker", "Restart", "Footer"}) {
    bool isOptional = std::string(row) == "ImageSelector" || std::string(row) == "CustomURL" ||
                      std::string(row) == "AlbumSelector" || std::string(row) == "TimePicker";
    if (!isOptional || optional.contains(row)) rows.push_back(row);
  }
  return rows;
}

class RootListTest : public testing::Test {
 protected:
  void SetUp() override { writeSpecifierFile(visibilityRows()); }
  TempDeviceRoot root;
};

TEST_F(RootListTest, ShowsTheRowsOfTheChosenSourceAndUpdateMode) {
  struct Case {
    const char* what;
    std::optional<std::string> file;  // nothing: no file at all
    std::set<std::string> shown;
  } cases[] = {
      {"no file", std::nullopt, {}},
      {"a corrupt file", "<plist><dict><key>ImageMode</key><integer>0", {}},
      {"a file whose root is an array", platform::xmlPropertyList(Array{Value(0)}), {}},
      {"local folder", platform::xmlPropertyList(Dictionary{{"ImageMode", 0}}), {"ImageSelector"}},
      {"custom URL", platform::xmlPropertyList(Dictionary{{"ImageMode", 1}}), {"CustomURL"}},
      {"Microsoft", platform::xmlPropertyList(Dictionary{{"ImageMode", 2}}), {}},
      {"Unsplash", platform::xmlPropertyList(Dictionary{{"ImageMode", 3}}), {}},
      {"Desktoppr", platform::xmlPropertyList(Dictionary{{"ImageMode", 4}}), {}},
      {"Picsum", platform::xmlPropertyList(Dictionary{{"ImageMode", 5}}), {}},
      {"LoremFlickr", platform::xmlPropertyList(Dictionary{{"ImageMode", 6}}), {}},
      {"TheCatAPI", platform::xmlPropertyList(Dictionary{{"ImageMode", 7}}), {}},
      {"photo album", platform::xmlPropertyList(Dictionary{{"ImageMode", 8}}), {"AlbumSelector"}},
      {"past the last source", platform::xmlPropertyList(Dictionary{{"ImageMode", 9}}), {}},
      {"a negative source", platform::xmlPropertyList(Dictionary{{"ImageMode", -1}}), {}},
      {"the source as a boolean", platform::xmlPropertyList(Dictionary{{"ImageMode", true}}), {"CustomURL"}},
      {"the source as a string", platform::binaryPropertyList(Dictionary{{"ImageMode", "8"}}), {"AlbumSelector"}},
      {"timeline", platform::xmlPropertyList(Dictionary{{"UpdateMode", 1}}), {"TimePicker"}},
      {"screen off", platform::xmlPropertyList(Dictionary{{"UpdateMode", 0}}), {}},
      {"never", platform::xmlPropertyList(Dictionary{{"UpdateMode", 2}}), {}},
      {"local folder on a timeline, written in binary",
       platform::binaryPropertyList(Dictionary{{"ImageMode", 0}, {"UpdateMode", 1}}), {"ImageSelector", "TimePicker"}},
  };
  for (const auto& c : cases) {
    platform::removeItemAtPath(kPrefs);
    if (c.file) {
      platform::createDirectoryAtPath("/var/mobile/Library/Preferences");
      ASSERT_TRUE(platform::writeFile(kPrefs, *c.file));
    }
    auto list = makeRootList();
    EXPECT_EQ(rowNames(list->specifiers()), expectedRows(c.shown)) << c.what;
  }
}

TEST_F(RootListTest, TheListIsBuiltOnceUntilTheSourceOrModeChangesInTheList) {
  TovalunePreferencesManager::savePrefs({{"ImageMode", 0}});
  auto list = makeRootList();
  PSSpecifierList first = list->specifiers();
  TovalunePreferencesManager::savePrefs({{"ImageMode", 1}});
  EXPECT_EQ(list->specifiers(), first);
}

TEST_F(RootListTest, ChangingTheSourceSwapsItsRowsOnTheScreenAndOtherChangesLeaveTheRows) {
  TovalunePreferencesManager::savePrefs({{"ImageMode", 0}});
  auto list = makeRootList();
  auto rows = list->specifiers();
  ASSERT_TRUE(rowWithKey(rows, "ImageSelector"));
  auto table = list->table();
  int rowsBefore = 0;
  for (int s = 0; s < table->numberOfSections(); ++s) rowsBefore += table->numberOfRowsInSection(s);

  rowWithKey(rows, "ImageMode")->performSetterWithValue(Value(1));
  auto after = list->loadedSpecifiers();
  EXPECT_FALSE(rowWithKey(after, "ImageSelector"));
  EXPECT_TRUE(rowWithKey(after, "CustomURL"));
  int rowsAfter = 0;
  for (int s = 0; s < table->numberOfSections(); ++s) rowsAfter += table->numberOfRowsInSection(s);
  EXPECT_EQ(rowsAfter, rowsBefore);
  EXPECT_TRUE(list->indexPathForSpecifier(rowWithKey(after, "CustomURL").get()));

  // Another process moves the source on; a change of Enabled in the list does not rebuild it.
  TovalunePreferencesManager::setPrefForKey("ImageMode", 8);
  rowWithKey(after, "Enabled")->performSetterWithValue(Value(false));
  EXPECT_EQ(list->loadedSpecifiers(), after);
  EXPECT_EQ(storedPrefs()->at("Enabled"), Value(false));

  rowWithKey(after, "UpdateMode")->performSetterWithValue(Value(1));
  EXPECT_EQ(rowNames(list->loadedSpecifiers()), expectedRows({"AlbumSelector", "TimePicker"}));
}

TEST_F(RootListTest, ValuesAreReadFromTheFileEveryTime) {
  auto list = makeRootList();
  auto rows = allRows(*list);
  auto row = rowWithKey(rows, "Enabled");
  auto bare = rowWithKey(rows, "Mystery");
  ASSERT_TRUE(row);

  EXPECT_EQ(list->readPreferenceValue(row.get()), Value(1));
  EXPECT_EQ(list->readPreferenceValue(bare.get()), std::nullopt);

  TovalunePreferencesManager::savePrefs({{"Enabled", false}});
  EXPECT_EQ(row->performGetter(), Value(false));

  // Another process writes in binary, as devices may.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool ok = platform::writeFile(kPrefs, platform::binaryPropertyList(Dictionary{{"Enabled", 7}, {"Mystery", "x"}}));
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(row->performGetter(), Value(7));
  EXPECT_EQ(list->readPreferenceValue(bare.get()), Value("x"));

  ASSERT_TRUE(platform::writeFile(kPrefs, "not a property list"));
  EXPECT_EQ(row->performGetter(), Value(1));
}

TEST_F(RootListTest, AMissingOrCorruptFileShowsDefaultsAndTheFirstChangeWritesOnlyItsKey) {
  struct Case {
    const char* what;
    std::optional<std::string> file;
  } cases[] = {
      {"missing", std::nullopt},
      {"corrupt", "\x00\x01garbage"},
      {"truncated", platform::xmlPropertyList(Dictionary{{"ImageMode", 0}, {"Enabled", 0}}).substr(0, 150)},
      {"an array", platform::xmlPropertyList(Array{Value(1)})},
  };
  for (const auto& c : cases) {
    platform::removeItemAtPath("/var/mobile/Library/Preferences");
    if (c.file) {
      platform::createDirectoryAtPath("/var/mobile/Library/Preferences");
      ASSERT_TRUE(platform::writeFile(kPrefs, *c.file));
    }
    auto list = makeRootList();
    auto rows = list->specifiers();
    auto location = rowWithKey(rows, "Location");
    EXPECT_EQ(location->performGetter(), Value(1)) << c.what;
    location->performSetterWithValue(Value(4));
    EXPECT_EQ(storedPrefs(), (Dictionary{{"Location", 4}})) << c.what;
  }
}

TEST_F(RootListTest, AWriteWaitsForAnotherWriterAndKeepsItsKey) {
  TovalunePreferencesManager::savePrefs({{"ImageMode", 3}});
  auto list = makeRootList();
  auto rows = list->specifiers();
  auto location = rowWithKey(rows, "Location");

  std::optional<std::thread> pane;
  {
    // The engine is half way through its own read-modify-write when the user changes a row.
    platform::FileLock lock(TovalunePreferencesManager::kPreferencesLockPath);
    ASSERT_TRUE(lock.locked());
    Dictionary engine = *TovalunePreferencesManager::getPrefs();
    pane.emplace([&] { location->performSetterWithValue(Value(2)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    engine["Version"] = 1;
    TovalunePreferencesManager::savePrefs(engine);
  }
  pane->join();
  EXPECT_EQ(storedPrefs(), (Dictionary{{"ImageMode", 3}, {"Version", 1}, {"Location", 2}}));
}

TEST_F(RootListTest, AWriterThatNeverLetsGoOfTheLockHoldsTheListUpOnlyBriefly) {
  TovalunePreferencesManager::savePrefs({{"ImageMode", 3}});
  auto list = makeRootList();
  auto location = rowWithKey(list->specifiers(), "Location");
  // A writer stopped while it holds the lock.
  std::optional<platform::FileLock> stuck(std::in_place, TovalunePreferencesManager::kPreferencesLockPath);
  ASSERT_TRUE(stuck->locked());
  platform::LogCapture log;
  auto tap = std::async(std::launch::async, [&] { location->performSetterWithValue(Value(2)); });
  const bool finished = tap.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  stuck.reset();
  tap.wait();
  ASSERT_TRUE(finished) << "the write waited for the lock without bound";
  EXPECT_EQ(storedPrefs(), (Dictionary{{"ImageMode", 3}, {"Location", 2}}));
  EXPECT_EQ(log.count("The preferences lock has been held for 2 seconds; writing without it"), 1u);
}

// Whether a write reached the file or not, a change of the source or the mode rebuilds the rows
// and a change of any other setting leaves them.
TEST_F(RootListTest, AFailedWriteStillRebuildsTheListForTheSourceAndTheMode) {
  // A folder where the file should be: nothing can be written there.
  ASSERT_TRUE(platform::createDirectoryAtPath(std::string(kPrefs) + "/in-the-way"));
  auto list = makeRootList();
  for (const auto& [key, rebuilt] : {std::pair{"ImageMode", true}, {"UpdateMode", true}, {"Enabled", false}}) {
    const PSSpecifierList before = list->specifiers();
    rowWithKey(before, key)->performSetterWithValue(Value(1));
    EXPECT_EQ(list->loadedSpecifiers() != before, rebuilt) << key;
    EXPECT_EQ(rowNames(list->loadedSpecifiers()), expectedRows({})) << key;
  }
  EXPECT_TRUE(platform::directoryExistsAtPath(kPrefs));
}

TEST_F(RootListTest, AValueTheFileCannotHoldIsRefusedAndTheFileKept) {
  TovalunePreferencesManager::savePrefs({{"ImageMode", 0}, {"CustomURL", "https://pictures.example/a.png"}});
  auto before = platform::readFile(kPrefs);
  auto list = makeRootList();
  auto rows = allRows(*list);
  Value deep = Value(1);
  for (int i = 0; i < 300; ++i) deep = Value(Array{deep});

  struct Case {
    const char* what;
    PSValue value;
    std::shared_ptr<PSSpecifier> row;
    std::string logged;
  } cases[] = {
      {"nothing", std::nullopt, rowWithKey(rows, "CustomURL"), "Not saving nothing for CustomURL: it is not a property-list value"},
      {"a NUL character", Value(std::string("https://a\0b", 11)), rowWithKey(rows, "CustomURL"), "for CustomURL: it is not a property-list value"},
      {"a NUL in a key", Value(Dictionary{{std::string("a\0", 2), 1}}), rowWithKey(rows, "CustomURL"), "for CustomURL: it is not a property-list value"},
      {"nesting past reading", deep, rowWithKey(rows, "ImageMode"), "for ImageMode: it is not a property-list value"},
      {"a row without a key", Value(1), rows.front(), "Not saving a value for the row Banner: it has no key"},
      {"a row with an empty key", Value(1), rowNamed(rows, "Empty Key"), "it has no key"},
  };
  for (const auto& c : cases) {
    platform::LogCapture log;
    list->setPreferenceValue(c.value, c.row.get());
    EXPECT_TRUE(log.containsSubstring(c.logged)) << c.what;
    EXPECT_EQ(platform::readFile(kPrefs), before) << c.what;
  }
}

TEST_F(RootListTest, EveryKindOfPropertyListValueIsStoredAsGiven) {
  auto list = makeRootList();
  auto row = rowWithKey(allRows(*list), "CustomURL");
  const Value values[] = {
      Value(true), Value(-3), Value(0.1), Value("https://pictures.example/\u00e9t\u00e9.png"),
      Value(Array{Value(1), Value("two")}), Value(Dictionary{{"a", Value(Array{})}}),
      Value(platform::Data{{0, 1, 255}}), Value(platform::Date{1700000000}),
  };
  for (const auto& value : values) {
    list->setPreferenceValue(value, row.get());
    EXPECT_EQ(list->readPreferenceValue(row.get()), value) << value.description();
  }
}

}  // namespace
