#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/preferences/SpecifierPlist.h"
#include "tests/support/TempDeviceRoot.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

Dictionary row(std::initializer_list<std::pair<const std::string, Value>> entries) { return Dictionary(entries); }

// A file with one row of every kind the framework draws, as a pane writes it.
Dictionary everyKind() {
  return Dictionary{
      {"title", "Demo"},
      {"items",
       Array{
           row({{"cell", "PSGroupCell"}, {"label", "General"}, {"footerText", "About the switch."}}),
           row({{"cell", "PSSwitchCell"}, {"label", "Enabled"}, {"key", "Enabled"}, {"default", true},
                {"defaults", "com.test.demo"}, {"PostNotification", "com.test.demo/changed"}}),
           row({{"cell", "PSLinkListCell"}, {"label", "Mode"}, {"key", "Mode"}, {"default", 2},
                {"validValues", Array{0, 1, 2}}, {"validTitles", Array{"Off", "Some", "All"}},
                {"shortTitles", Array{"0", "S", "A"}}}),
           row({{"cell", "PSEditTextCell"}, {"label", "Address"}, {"key", "URL"}, {"placeholder", "https://"}}),
           row({{"cell", "PSButtonCell"}, {"label", "Restart"}, {"action", "respring"}}),
           row({{"cell", "PSLinkCell"}, {"label", "More"}, {"detail", "PSListController"}}),
           row({{"cell", "PSSegmentCell"}, {"key", "Side"}, {"validValues", Array{"l", "r"}},
                {"validTitles", Array{"Left", "Right"}}}),
           row({{"cell", "PSSliderCell"}, {"key", "Level"}, {"min", 0.0}, {"max", 10.0}, {"default", 2.5}}),
           row({{"cell", "PSStaticTextCell"}, {"label", "Note"}}),
           row({{"cell", "PSTitleValueCell"}, {"label", "Version"}, {"key", "Version"}, {"get", "versionValue:"},
                {"set", "ignoreValue:specifier:"}}),
           row({{"cellClass", "DemoBannerCell"}, {"height", 150}}),
       }},
  };
}

class SpecifierFileTest : public ::testing::Test {
 protected:
  platform::SpecifierFile load(const std::string& bytes) {
    platform::createDirectoryAtPath("/Library/PreferenceBundles/Demo.bundle");
    EXPECT_TRUE(platform::writeFile("/Library/PreferenceBundles/Demo.bundle/Root.plist", bytes));
    return platform::specifiersFromFile("/Library/PreferenceBundles/Demo.bundle/Root.plist", nullptr,
                                        [](const std::string& text) { return text == "Enabled" ? "Activé" : text; });
  }
  TempDeviceRoot root_;
};

TEST_F(SpecifierFileTest, XmlAndBinaryFilesGiveTheSameRowsWithTheirProperties) {
  for (std::string bytes : {platform::xmlPropertyList(everyKind()), platform::binaryPropertyList(everyKind())}) {
    auto file = load(bytes);
    ASSERT_EQ(file.specifiers.size(), 11u);
    EXPECT_EQ(file.title, "Demo");
    const auto& s = file.specifiers;
    PSCellType kinds[] = {PSGroupCell,  PSSwitchCell,  PSLinkListCell,   PSEditTextCell,   PSButtonCell,  PSLinkCell,
                          PSSegmentCell, PSSliderCell, PSStaticTextCell, PSTitleValueCell, PSDefaultCell};
    for (std::size_t i = 0; i < s.size(); ++i) EXPECT_EQ(s[i]->cellType(), kinds[i]) << i;

    EXPECT_EQ(s[0]->stringPropertyForKey("footerText"), "About the switch.");
    EXPECT_EQ(s[1]->name(), "Activé") << "labels go through the bundle's strings";
    EXPECT_EQ(s[1]->key(), "Enabled");
    EXPECT_EQ(*s[1]->propertyForKey("default"), Value(true));
    EXPECT_EQ(s[1]->getter()->name, "readPreferenceValue:");
    EXPECT_EQ(s[1]->setter()->name, "setPreferenceValue:specifier:");

    EXPECT_EQ(s[2]->values(), (Array{0, 1, 2}));
    EXPECT_EQ(s[2]->titles(), (std::vector<std::string>{"Off", "Some", "All"}));
    EXPECT_EQ(s[2]->titleForValue(Value(1.0)), "Some") << "a real 1.0 is the integer choice 1";
    EXPECT_EQ(s[2]->titleForValue(Value(7)), std::nullopt);

    EXPECT_EQ(s[4]->action()->name, "respring");
    EXPECT_EQ(s[5]->detailControllerClass(), objc::objc_getClass("PSListController"));
    EXPECT_EQ(s[7]->propertyForKey("max")->doubleValue(), 10.0);
    EXPECT_EQ(s[9]->getter()->name, "versionValue:");
    EXPECT_EQ(s[9]->setter()->name, "ignoreValue:specifier:");
    EXPECT_EQ(s[10]->stringPropertyForKey("cellClass"), "DemoBannerCell");
    EXPECT_EQ(s[10]->identifier(), "") << "a row without id, key or label has no identifier";
    EXPECT_EQ(s[3]->identifier(), "URL");
  }
}

TEST_F(SpecifierFileTest, AFileThatCannotBeReadGivesAnEmptyListAndOneLogLine) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* logged;
  } cases[] = {
      {"broken XML", "<?xml version=\"1.0\"?><plist><dict><key>items</key><array>", "is not a property list"},
      {"not a plist at all", "items = (1, 2", "is not a property list"},
      {"root is an array", platform::xmlPropertyList(Array{everyKind()}), "does not hold a dictionary"},
      {"items is a string", platform::xmlPropertyList(Dictionary{{"items", "PSSwitchCell"}}), "is not an array"},
      {"items is a dictionary", platform::binaryPropertyList(Dictionary{{"items", Dictionary{{"cell", "PSGroupCell"}}}}),
       "is not an array"},
      {"no items", platform::xmlPropertyList(Dictionary{{"title", "Empty"}}), "has no items"},
  };
  for (const auto& c : cases) {
    platform::LogCapture log;
    auto file = load(c.bytes);
    EXPECT_TRUE(file.specifiers.empty()) << c.what;
    EXPECT_TRUE(log.containsSubstring(c.logged)) << c.what;
  }
  platform::LogCapture log;
  EXPECT_TRUE(platform::specifiersFromFile("/Library/PreferenceBundles/Demo.bundle/Missing.plist", nullptr, {})
                  .specifiers.empty());
  EXPECT_TRUE(log.containsSubstring("could not read the specifier file"));
}

TEST_F(SpecifierFileTest, BadRowsAreSkippedOrMendedAndTheOthersStillLoad) {
  Dictionary plist{{"items", Array{
                                 "PSSwitchCell",
                                 row({{"cell", "PSGiantRainbowCell"}, {"label", "Odd"}}),
                                 row({{"cell", "PSLinkListCell"}, {"label", "Short"}, {"validValues", Array{1, 2, 3}},
                                      {"validTitles", Array{"One"}}}),
                                 row({{"cell", "PSLinkListCell"}, {"label", "Loose"}, {"validValues", "1,2"}}),
                                 row({{"cell", "PSSwitchCell"}, {"label", "Fine"}, {"key", "Fine"}}),
                             }}};
  platform::LogCapture log;
  auto file = platform::specifiersFromDictionary(plist, nullptr, {}, "Test.plist");
  ASSERT_EQ(file.specifiers.size(), 4u);
  EXPECT_TRUE(log.containsSubstring("an item of Test.plist is not a dictionary"));
  EXPECT_EQ(file.specifiers[0]->cellType(), PSDefaultCell);
  EXPECT_TRUE(log.containsSubstring("unknown cell PSGiantRainbowCell"));
  EXPECT_EQ(file.specifiers[1]->titles(), (std::vector<std::string>{"One", "2", "3"}));
  EXPECT_TRUE(file.specifiers[2]->values().empty());
  EXPECT_TRUE(log.containsSubstring("validValues of \"Loose\" in Test.plist is not an array"));
  EXPECT_EQ(file.specifiers[3]->key(), "Fine");
}

TEST_F(SpecifierFileTest, RowsForAnotherKindOfDeviceAreLeftOut) {
  Dictionary plist{{"items", Array{
                                 row({{"label", "Everywhere"}, {"cell", "PSSwitchCell"}}),
                                 row({{"label", "Pad only"}, {"cell", "PSSwitchCell"}, {"requiredCapabilities", Array{"ipad"}}}),
                                 row({{"label", "Phone only"}, {"cell", "PSSwitchCell"},
                                      {"requiredCapabilities", Dictionary{{"ipad", false}}}}),
                                 row({{"label", "Calls"}, {"cell", "PSSwitchCell"}, {"requiredCapabilities", Array{"telephony", "wifi"}}}),
                                 row({{"label", "Unknown"}, {"cell", "PSSwitchCell"}, {"requiredCapabilities", Array{"teleporter"}}}),
                                 // Items of an array may be dictionaries of name to wanted presence.
                                 row({{"label", "Phone item"}, {"cell", "PSSwitchCell"},
                                      {"requiredCapabilities", Array{Dictionary{{"ipad", false}}}}}),
                                 row({{"label", "Pad item"}, {"cell", "PSSwitchCell"},
                                      {"requiredCapabilities", Array{"wifi", Dictionary{{"ipad", true}, {"arm64", true}}}}}),
                             }}};
  struct Case {
    double width, height;
    std::vector<std::string> shown;
  } cases[] = {
      {390, 844, {"Everywhere", "Phone only", "Calls", "Phone item"}},
      {1024, 1366, {"Everywhere", "Pad only", "Pad item"}},
      {1366, 1024, {"Everywhere", "Pad only", "Pad item"}},
  };
  for (const auto& c : cases) {
    platform::DeviceSettings settings;
    settings.screenWidth = c.width;
    settings.screenHeight = c.height;
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
    std::vector<std::string> names;
    for (const auto& s : platform::specifiersFromDictionary(plist, nullptr, {}, "Caps.plist").specifiers)
      names.push_back(s->name());
    EXPECT_EQ(names, c.shown) << c.width << "x" << c.height;
  }
}

}  // namespace
