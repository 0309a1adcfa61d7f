// Bundles: Info.plist, resources by name, and localized strings with their fallbacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "tests/support/TempDeviceRoot.h"

using Table = std::map<std::string, std::string>;

namespace {

std::string utf16(const std::string& ascii, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) {
    if (bigEndian) out += '\0', out += c;
    else out += c, out += '\0';
  }
  return out;
}

}  // namespace

TEST(StringsFile, TheTextFormAndPropertyListsAreRead) {
  struct Case {
    const char* name;
    std::string bytes;
    Table expected;
  } cases[] = {
      {"plain", "\"Save\" = \"Sichern\";\n\"Cancel\" = \"Abbrechen\";", {{"Save", "Sichern"}, {"Cancel", "Abbrechen"}}},
      {"comments and spacing", "/* Title of the alert */\n\"A\"=\"B\" ;// trailing\n\n  \"C\"\t=\n\"D\";",
       {{"A", "B"}, {"C", "D"}}},
      {"escapes", R"("q\"uote" = "line\nbreak\ttab\\slash"; "u" = "\U00e9\u20AC";)",
       {{"q\"uote", "line\nbreak\ttab\\slash"}, {"u", "\xC3\xA9\xE2\x82\xAC"}}},
      {"surrogate pair", R"("emoji" = "\UD83D\UDE00";)", {{"emoji", "\xF0\x9F\x98\x80"}}},
      {"bare key and unquoted words", "\"Done\";\nOK = Okay;", {{"Done", "Done"}, {"OK", "Okay"}}},
      {"braces of an old-style list", "{ \"a\" = \"b\"; }", {{"a", "b"}}},
      {"later wins", "\"k\" = \"1\"; \"k\" = \"2\";", {{"k", "2"}}},
      {"empty", "  // nothing\n", {}},
      {"UTF-8 mark", "\xEF\xBB\xBF\"x\" = \"y\";", {{"x", "y"}}},
      {"UTF-16 little end", utf16("\"x\" = \"y\";", false), {{"x", "y"}}},
      {"UTF-16 big end", utf16("\"x\" = \"y\";", true), {{"x", "y"}}},
      {"XML list", platform::xmlPropertyList(platform::Dictionary{{"k", "v"}, {"n", 3}}), {{"k", "v"}}},
      {"binary list", platform::binaryPropertyList(platform::Dictionary{{"k", "v"}}), {{"k", "v"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto table = platform::stringsTableFromBytes(c.bytes);
    ASSERT_TRUE(table);
    EXPECT_EQ(*table, c.expected);
  }
}

TEST(StringsFile, BrokenFilesAreRefusedWhole) {
  for (const std::string& bytes : std::vector<std::string>{"\"a\" = \"b\"", "\"a\" = \"b", "\"a\" = ;", "\"a\" \"b\";", "/* open", "= \"b\";",
                            "{ \"a\" = \"b\";", "\"a\" = \"b\"; }", "\"bad\\U12\" = \"x\";",
                            platform::xmlPropertyList(platform::Array{"not", "a", "dictionary"})}) {
    SCOPED_TRACE(bytes);
    EXPECT_FALSE(platform::stringsTableFromBytes(bytes));
  }
}

class BundleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NSBundle::setPreferredLanguages({"en"});
    platform::createDirectoryAtPath(kPath + "/en.lproj");
    platform::createDirectoryAtPath(kPath + "/de.lproj");
    platform::writeFile(kPath + "/en.lproj/Localizable.strings", "\"Select Album\" = \"Choose an album\";");
    platform::writeFile(kPath + "/de.lproj/Localizable.strings", "\"Select Album\" = \"Album w\xC3\xA4hlen\";");
    platform::writeFile(kPath + "/de.lproj/Alerts.strings", "\"Delete\" = \"L\xC3\xB6schen\";");
    platform::writeFile(kPath + "/de.lproj/Broken.strings", "\"Delete\" = ");
    platform::writeFile(kPath + "/icon.png", "png");
    platform::writeFile(kPath + "/de.lproj/only-german.txt", "de");
    platform::writeToFile(platform::Dictionary{{"CFBundleIdentifier", "com.example.pane"},
                                               {"CFBundleDevelopmentRegion", "en"}},
                          kPath + "/Info.plist");
  }
  void TearDown() override { NSBundle::setPreferredLanguages({"en"}); }

  const std::string kPath = "/Library/PreferenceBundles/Example.bundle";
  TempDeviceRoot root_;
};

TEST_F(BundleTest, LocalizedStringsFallBackToTheValueThenTheKey) {
  auto bundle = NSBundle::bundleWithPath(kPath);
  ASSERT_TRUE(bundle);
  struct Case {
    std::vector<std::string> languages;
    std::string key, value, table, expected;
  } cases[] = {
      {{"en"}, "Select Album", "", "", "Choose an album"},
      {{"en"}, "Not translated", "", "", "Not translated"},
      {{"en"}, "Not translated", "Shown instead", "", "Shown instead"},
      {{"en"}, "Delete", "", "Alerts", "Delete"},  // English has no such table: the development one neither
      {{"de"}, "Select Album", "", "", "Album w\xC3\xA4hlen"},
      {{"de-AT"}, "Select Album", "", "", "Album w\xC3\xA4hlen"},  // a region takes its language
      {{"de"}, "Delete", "", "Alerts", "L\xC3\xB6schen"},
      {{"de"}, "Delete", "", "NoSuchTable", "Delete"},
      {{"fr", "de"}, "Select Album", "", "", "Album w\xC3\xA4hlen"},  // the first language the bundle has
      {{"fr"}, "Select Album", "", "", "Choose an album"},             // the development region's
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.languages.front() + " " + c.key + " " + c.table);
    NSBundle::setPreferredLanguages(c.languages);
    // A bundle reads each table once; a new object reads it again in the new language.
    EXPECT_EQ(NSBundle(kPath).localizedStringForKey(c.key, c.value, c.table), c.expected);
  }
}

TEST_F(BundleTest, ABrokenTableIsLoggedOnceAndTranslatesNothing) {
  NSBundle::setPreferredLanguages({"de"});
  platform::LogCapture log;
  NSBundle bundle(kPath);
  EXPECT_EQ(bundle.localizedStringForKey("Delete", "", "Broken"), "Delete");
  EXPECT_EQ(bundle.localizedStringForKey("Delete", "Fallback", "Broken"), "Fallback");
  EXPECT_EQ(log.lines().size(), 1u);
  EXPECT_TRUE(log.containsSubstring("Broken.strings is not a strings file"));
}

TEST_F(BundleTest, ResourcesInfoAndIdentity) {
  auto bundle = NSBundle::bundleWithPath(kPath + "/");
  ASSERT_TRUE(bundle);
  EXPECT_EQ(bundle, NSBundle::bundleWithPath(kPath)) << "one object per folder";
  EXPECT_EQ(bundle->bundlePath(), kPath);
  EXPECT_EQ(bundle->bundleIdentifier(), "com.example.pane");
  EXPECT_EQ(bundle->infoDictionary().size(), 2u);

  EXPECT_EQ(bundle->pathForResource("icon", "png"), kPath + "/icon.png");
  EXPECT_EQ(bundle->pathForResource("icon.png", ""), kPath + "/icon.png");
  EXPECT_EQ(bundle->pathForResource("icon", ".png"), kPath + "/icon.png");
  EXPECT_EQ(bundle->pathForResource("icon", "jpg"), std::nullopt);
  EXPECT_EQ(bundle->pathForResource("", "png"), std::nullopt);
  EXPECT_EQ(bundle->pathForResource("only-german", "txt"), std::nullopt) << "English comes before German";
  NSBundle::setPreferredLanguages({"de"});
  EXPECT_EQ(bundle->pathForResource("only-german", "txt"), kPath + "/de.lproj/only-german.txt");
  auto languages = bundle->localizations();
  std::sort(languages.begin(), languages.end());
  EXPECT_EQ(languages, (std::vector<std::string>{"de", "en"}));

  EXPECT_EQ(NSBundle::bundleWithPath("/No/Such.bundle"), nullptr);
  EXPECT_EQ(NSBundle::bundleWithPath(""), nullptr);
  // A bundle without Info.plist is still a bundle, with nothing to say about itself.
  platform::createDirectoryAtPath("/Bare.bundle");
  EXPECT_TRUE(NSBundle::bundleWithPath("/Bare.bundle")->infoDictionary().empty());
  EXPECT_EQ(NSBundle::bundleWithPath("/Bare.bundle")->bundleIdentifier(), std::nullopt);
}

TEST_F(BundleTest, TheMainBundleIsTheOneTheHostNames) {
  NSBundle::setMainBundlePath(kPath);
  EXPECT_EQ(NSBundle::mainBundle(), NSBundle::bundleWithPath(kPath));
  EXPECT_EQ(NSBundle::mainBundle()->localizedStringForKey("Select Album", "", ""), "Choose an album");
  NSBundle::setMainBundlePath("");
  EXPECT_FALSE(NSBundle::mainBundle()->bundlePath().empty()) << "the executable's folder, or the device's root";
}
