#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include <fmt/format.h>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/support/TempDeviceRoot.h"

using platform::Dictionary;
using platform::Value;
using Prefs = TovalunePreferencesManager;

namespace {

class PreferencesStore : public ::testing::Test {
 protected:
  void writeRaw(const std::string& bytes) {
    platform::createDirectoryAtPath("/var/mobile/Library/Preferences");
    ASSERT_TRUE(platform::writeFile(Prefs::kPreferencesPath, bytes));
  }
  TempDeviceRoot root;
  platform::LogCapture log;
};

TEST_F(PreferencesStore, DefaultsCoverTheEightKeysWithTheirValues) {
  Dictionary d = Prefs::defaultPrefs();
  const Dictionary expected{{"Enabled", 1},          {"Location", 1},       {"ImageMode", 2},
                            {"DisableOnCellular", 0}, {"FullResolution", 1}, {"CustomURL", kDefaultCustomURL},
                            {"StoreLastTen", 1},      {"UpdateMode", 0}};
  EXPECT_EQ(d, expected);
  EXPECT_EQ(Prefs::kCurrentVersion(), 2);
}

TEST_F(PreferencesStore, NoFileFallsBackToDefaultsAndLogsKeysWithoutOne) {
  EXPECT_EQ(Prefs::getPrefs(), Dictionary{});
  EXPECT_EQ(Prefs::getPrefForKey("ImageMode")->intValue(), 2);
  EXPECT_EQ(Prefs::getPrefForKey("UpdateMode")->intValue(), 0);
  EXPECT_EQ(*Prefs::getPrefForKey("CustomURL")->string(), "https://loremflickr.com/1080/1920/car");
  EXPECT_TRUE(log.lines().empty());
  for (const char* key : {"ImageTimeline", "SelectedPhotoAlbum", "Version"}) {
    EXPECT_FALSE(Prefs::getPrefForKey(key).has_value()) << key;
    EXPECT_TRUE(log.contains(fmt::format("OrbelDev - Preference {} not found.", key))) << key;
  }
}

TEST_F(PreferencesStore, StoredKeyWinsOthersKeepDefaults) {
  Prefs::savePrefs({{"ImageMode", 5}});
  EXPECT_EQ(Prefs::getPrefForKey("ImageMode")->intValue(), 5);
  EXPECT_EQ(Prefs::getPrefForKey("Enabled")->intValue(), 1);
}

TEST_F(PreferencesStore, BooleanAndIntegerEncodingsReadAlike) {
  Prefs::savePrefs({{"Enabled", false}, {"DisableOnCellular", true}, {"StoreLastTen", 0}, {"FullResolution", 7}});
  EXPECT_FALSE(Prefs::getPrefForKey("Enabled")->boolValue());
  EXPECT_EQ(Prefs::getPrefForKey("DisableOnCellular")->intValue(), 1);
  EXPECT_FALSE(Prefs::getPrefForKey("StoreLastTen")->boolValue());
  EXPECT_TRUE(Prefs::getPrefForKey("FullResolution")->boolValue());
}

TEST_F(PreferencesStore, ValueOfUnexpectedTypeStillWins) {
  Prefs::savePrefs({{"ImageMode", "7 dwarves"}, {"Location", Value(platform::Array{})}, {"CustomURL", 12}});
  EXPECT_EQ(Prefs::getPrefForKey("ImageMode")->intValue(), 7);
  EXPECT_TRUE(Prefs::getPrefForKey("Location")->isArray());
  EXPECT_EQ(Prefs::getPrefForKey("Location")->intValue(), 0);
  EXPECT_EQ(Prefs::getPrefForKey("CustomURL")->intValue(), 12);
}

TEST_F(PreferencesStore, SaveReplacesAllKeys) {
  Prefs::savePrefs({{"ImageMode", 5}, {"Location", 3}});
  Prefs::savePrefs({{"Location", 2}});
  EXPECT_EQ(Prefs::getPrefs(), (Dictionary{{"Location", 2}}));
  EXPECT_EQ(Prefs::getPrefForKey("ImageMode")->intValue(), 2);
}

TEST_F(PreferencesStore, UnreadableFilesReadAsNothingAndLookupsUseDefaults) {
  const std::string xml = platform::xmlPropertyList(Value(Dictionary{{"ImageMode", 5}, {"Location", 3}}));
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"zero bytes", ""},
      {"truncated xml", xml.substr(0, xml.size() / 2)},
      {"garbage", std::string("\x00\xff\x13garbage\x01", 12)},
      {"array root", platform::xmlPropertyList(Value(platform::Array{1, 2}))},
      {"string root", platform::xmlPropertyList(Value("ImageMode"))},
      {"truncated binary", platform::binaryPropertyList(Value(Dictionary{{"ImageMode", 5}})).substr(0, 20)},
      {"json", R"({"ImageMode": 5})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeRaw(c.bytes);
    EXPECT_FALSE(Prefs::getPrefs().has_value());
    EXPECT_EQ(Prefs::getPrefForKey("ImageMode")->intValue(), 2);
    EXPECT_EQ(Prefs::getPrefForKey("Location")->intValue(), 1);
  }
}

TEST_F(PreferencesStore, ReadModifyWriteOfUnreadableFileWritesNothingUnlessGivenAFallback) {
  writeRaw("not a plist");
  EXPECT_FALSE(Prefs::setPrefForKey("ImageMode", 4));
  EXPECT_EQ(*platform::readFile(Prefs::kPreferencesPath), "not a plist");
  EXPECT_TRUE(Prefs::modifyPrefs([](Dictionary& d) { d["Version"] = 1; }, Dictionary{}));
  EXPECT_EQ(Prefs::getPrefs(), (Dictionary{{"Version", 1}}));
}

TEST_F(PreferencesStore, BinaryFilesAreRead) {
  writeRaw(platform::binaryPropertyList(Value(Dictionary{{"ImageMode", 6}, {"Enabled", false}})));
  EXPECT_EQ(Prefs::getPrefForKey("ImageMode")->intValue(), 6);
  EXPECT_FALSE(Prefs::getPrefForKey("Enabled")->boolValue());
}

TEST_F(PreferencesStore, UnicodeKeysAndValuesSurvive) {
  const std::string key = "Schlüssel-🗝";
  const std::string value = "Ünïcødé ✓ 壁紙";
  ASSERT_TRUE(Prefs::setPrefForKey(key, value));
  EXPECT_EQ(*Prefs::getPrefForKey(key)->string(), value);
}

TEST_F(PreferencesStore, TimelineArrayRoundTrips) {
  platform::Array timeline{Dictionary{{"Start", "08:00:00"}, {"ImagePath", "||RANDOM||"}},
                           Dictionary{{"Start", "20:00:00"}, {"ImagePath", "/var/mobile/Library/TovaluneTimeline/A.png"}}};
  ASSERT_TRUE(Prefs::setPrefForKey("ImageTimeline", timeline));
  EXPECT_EQ(*Prefs::getPrefForKey("ImageTimeline"), Value(timeline));
}

TEST_F(PreferencesStore, WrittenFileIsReadByAnIndependentReader) {
  if (::access(PYTHON3, X_OK) != 0) GTEST_SKIP() << "python3 not present";
  Prefs::savePrefs({{"Enabled", false}, {"ImageMode", 5}, {"CustomURL", "https://example.com/ä b"},
                    {"ImageTimeline", platform::Array{Dictionary{{"Start", "07:05:00"}, {"ImagePath", "||RANDOM||"}}}}});
  std::string script = fmt::format(
      "{} -c 'import plistlib,json,sys; d=plistlib.load(open(sys.argv[1],\"rb\")); print(json.dumps(d, sort_keys=True))' "
      "{} > {}",
      PYTHON3, root.host(Prefs::kPreferencesPath), root.host("/out.json"));
  ASSERT_EQ(std::system(script.c_str()), 0);
  std::string out = *platform::readFile("/out.json");
  EXPECT_EQ(out,
            "{\"CustomURL\": \"https://example.com/\\u00e4 b\", \"Enabled\": false, \"ImageMode\": 5, "
            "\"ImageTimeline\": [{\"ImagePath\": \"||RANDOM||\", \"Start\": \"07:05:00\"}]}\n");
}

// A binary file as the phone may hold it, with a keyed archive's UIDs among the settings (written
// by an independent writer): it is read whole, and a change keeps every value, a UID as a UID.
TEST_F(PreferencesStore, AFileHoldingArchiverUIDsIsReadWholeAndWrittenBackAsItWas) {
  if (::access(PYTHON3, X_OK) != 0) GTEST_SKIP() << "python3 not present";
  const std::string file = root.host(Prefs::kPreferencesPath);
  platform::createDirectoryAtPath("/var/mobile/Library/Preferences");
  auto python = [&](const std::string& code) {
    std::string command = fmt::format("{} -c 'import plistlib,sys\n{}' {} > {}", PYTHON3, code, file, root.host("/out.txt"));
    EXPECT_EQ(std::system(command.c_str()), 0) << code;
    return platform::readFile("/out.txt").value_or("");
  };
  python(
      "d={\"ImageMode\": 0, \"UpdateMode\": 1, \"ImageTimeline\": [{\"Start\": \"07:00:00\", \"ImagePath\": \"||RANDOM||\"}], "
      "\"Archive\": {\"$top\": {\"root\": plistlib.UID(1)}, \"$objects\": [\"$null\", plistlib.UID(300)]}}\n"
      "open(sys.argv[1], \"wb\").write(plistlib.dumps(d, fmt=plistlib.FMT_BINARY))");
  auto prefs = Prefs::getPrefs();
  ASSERT_TRUE(prefs) << "the file counted as unreadable";
  EXPECT_EQ(prefs->size(), 4u);
  EXPECT_EQ(Prefs::getPrefForKey("UpdateMode")->intValue(), 1);
  ASSERT_TRUE(Prefs::setPrefForKey("Location", 3));
  EXPECT_EQ(python("d=plistlib.load(open(sys.argv[1], \"rb\"))\nprint(sorted(d), d[\"Archive\"], d[\"ImageTimeline\"])"),
            "['Archive', 'ImageMode', 'ImageTimeline', 'Location', 'UpdateMode'] "
            "{'$objects': ['$null', UID(300)], '$top': {'root': UID(1)}} "
            "[{'ImagePath': '||RANDOM||', 'Start': '07:00:00'}]\n");
}

}  // namespace
