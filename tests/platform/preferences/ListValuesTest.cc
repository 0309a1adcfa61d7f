// Value rows of a settings list, driven by a finger: what they write, where, with which type, and
// who is asked to read and write.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/preferences/DefaultsDomain.h"
#include "platform/preferences/PSEditableTableCell.h"
#include "platform/preferences/PSListItemsController.h"
#include "platform/preferences/PSSegmentTableCell.h"
#include "platform/preferences/PSSliderTableCell.h"
#include "platform/preferences/PSSwitchTableCell.h"
#include "platform/system/CFNotificationCenter.h"
#include "platform/uikit/UISegmentedControl.h"
#include "platform/uikit/UISlider.h"
#include "platform/uikit/UISwitch.h"
#include "platform/uikit/UITextField.h"
#include "tests/platform/preferences/SettingsScreen.h"
#include "tests/platform/preferences/TestPanes.h"
#include "tests/support/TempDeviceRoot.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

constexpr const char* kValuesDomain = "com.test.values";

Dictionary valueRows() {
  auto kept = [](std::initializer_list<std::pair<const std::string, Value>> more) {
    Dictionary d(more);
    d["defaults"] = kValuesDomain;
    return Value(d);
  };
  return Dictionary{
      {"title", "Values"},
      {"items", Array{
                    entry({{"cell", "PSGroupCell"}, {"label", "Kept"}, {"footerText", "Stored in a defaults domain."}}),
                    kept({{"cell", "PSSwitchCell"}, {"label", "Enabled"}, {"key", "Enabled"}, {"default", false},
                          {"PostNotification", "com.test.values/changed"}}),
                    kept({{"cell", "PSSegmentCell"}, {"label", "Side"}, {"key", "Side"}, {"default", "left"},
                          {"validValues", Array{"left", "right"}}, {"validTitles", Array{"Left", "Right"}}}),
                    kept({{"cell", "PSSliderCell"}, {"label", "Level"}, {"key", "Level"}, {"default", 5.0},
                          {"min", 0.0}, {"max", 10.0}}),
                    kept({{"cell", "PSEditTextCell"}, {"label", "Name"}, {"key", "Name"}, {"placeholder", "Nobody"}}),
                    kept({{"cell", "PSLinkListCell"}, {"label", "Mode"}, {"key", "Mode"}, {"default", 1},
                          {"validValues", Array{0, 1, 2}}, {"validTitles", Array{"Off", "Some", "All"}}}),
                    kept({{"cell", "PSTitleValueCell"}, {"label", "Stored level"}, {"key", "Level"}, {"default", 5}}),
                }},
  };
}

int gChanges = 0;
void countChange(platform::CFNotificationCenterRef, void*, const std::string&, const void*, const Dictionary*) {
  ++gChanges;
}

template <typename Cell>
std::shared_ptr<Cell> cellOf(PSListController& list, const std::string& id) {
  auto cell = std::dynamic_pointer_cast<Cell>(list.cachedCellForSpecifier(list.specifierForID(id).get()));
  EXPECT_TRUE(cell) << id;
  return cell;
}

class ListValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::DeviceSettings settings;  // a tall phone: every row of these lists is in view
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
  }
  std::optional<Value> stored(const std::string& key) { return platform::defaultsValueForKey(kValuesDomain, key); }
  TempDeviceRoot root_;
};

TEST_F(ListValuesTest, EachKindOfValueRowWritesItsOwnTypeIntoTheDefaultsDomain) {
  writeSpecifierFile("Root", valueRows(), true);
  auto list = makeController(FilePane::cls());
  SettingsScreen screen(list);
  gChanges = 0;
  auto center = platform::CFNotificationCenterGetDarwinNotifyCenter();
  platform::CFNotificationCenterAddObserver(center, this, &countChange, "com.test.values/changed", nullptr,
                                            platform::CFNotificationSuspensionBehaviorDeliverImmediately);

  EXPECT_EQ(list->title(), "Values");
  ASSERT_TRUE(screen.find("Enabled"));
  EXPECT_EQ(screen.find("Enabled")->value, "off") << "the row's default shows while nothing is stored";
  EXPECT_EQ(screen.find("Stored level")->value, "5");

  ASSERT_TRUE(screen.tapView(cellOf<PSSwitchTableCell>(*list, "Enabled")->control().get()));
  ASSERT_TRUE(screen.tapView(cellOf<PSSegmentTableCell>(*list, "Side")->control().get(), 0.75));
  ASSERT_TRUE(screen.tapView(cellOf<PSSliderTableCell>(*list, "Level")->control().get(), 0.75));
  ASSERT_TRUE(screen.tap("Name"));
  ASSERT_TRUE(cellOf<PSEditableTableCell>(*list, "Name")->textField()->isFirstResponder());
  ASSERT_TRUE(platform::typeText("Tova"));
  EXPECT_FALSE(stored("Name")) << "written before editing ended";
  cellOf<PSEditableTableCell>(*list, "Name")->textField()->insertText("\n");  // the return key

  struct Expect {
    const char* key;
    bool (Value::*is)() const;
  } expects[] = {{"Enabled", &Value::isBool}, {"Side", &Value::isString}, {"Level", &Value::isReal},
                 {"Name", &Value::isString}};
  for (const auto& e : expects) {
    auto v = stored(e.key);
    ASSERT_TRUE(v) << e.key;
    EXPECT_TRUE(((*v).*e.is)()) << e.key << " stored as " << v->toJSON();
  }
  EXPECT_EQ(*stored("Enabled"), Value(true));
  EXPECT_EQ(*stored("Side"), Value("right"));
  EXPECT_NEAR(stored("Level")->doubleValue(), 7.5, 0.6);
  EXPECT_EQ(*stored("Name"), Value("Tova"));
  EXPECT_EQ(gChanges, 1) << "only the switch row names a notification";
  EXPECT_EQ(screen.find("Enabled")->value, "on");
  platform::CFNotificationCenterRemoveEveryObserver(center, this);
}

TEST_F(ListValuesTest, ALinkListOpensItsChoicesAndTheCheckmarkFollowsTheTap) {
  writeSpecifierFile("Root", valueRows());
  auto list = makeController(FilePane::cls());
  SettingsScreen screen(list);
  EXPECT_EQ(screen.find("Mode")->value, "Some");

  ASSERT_TRUE(screen.tap("Mode"));
  auto choices = std::dynamic_pointer_cast<PSListItemsController>(screen.top());
  ASSERT_TRUE(choices) << "the row opened no list of choices";
  EXPECT_EQ(choices->title(), "Mode");
  auto checked = [&] {
    std::vector<std::string> out;
    for (const auto& e : screen.elements())
      if (e.traits & UIAccessibilityTraitSelected) out.push_back(e.label);
    return out;
  };
  EXPECT_EQ(checked(), std::vector<std::string>{"Some"});

  ASSERT_TRUE(screen.tap("All"));
  EXPECT_EQ(stored("Mode"), Value(2));
  EXPECT_TRUE(stored("Mode")->isInteger());
  EXPECT_EQ(screen.top(), choices) << "the list of choices stays on screen";
  EXPECT_EQ(checked(), std::vector<std::string>{"All"});

  ASSERT_TRUE(screen.goBack());
  EXPECT_EQ(screen.top(), list);
  EXPECT_EQ(screen.find("Mode")->value, "All");
}

TEST_F(ListValuesTest, ValuesAreReadAfreshEachTimeTheListComesBack) {
  writeSpecifierFile("Root", valueRows());
  auto list = makeController(FilePane::cls());
  SettingsScreen screen(list);
  ASSERT_TRUE(screen.tap("Mode"));
  // Another process changes the file while the choices are shown.
  ASSERT_TRUE(platform::setDefaultsValueForKey(kValuesDomain, "Enabled", Value(true)));
  ASSERT_TRUE(screen.goBack());
  EXPECT_EQ(screen.find("Enabled")->value, "on");
}

TEST_F(ListValuesTest, ATextRowWritesOnlyWhatTheUserChangedAndOnlyWhenEditingEnds) {
  writeSpecifierFile("Root", Dictionary{{"items", Array{entry({{"cell", "PSEditTextCell"}, {"label", "Port"},
                                                               {"key", "Port"}, {"defaults", kValuesDomain}})}}});
  ASSERT_TRUE(platform::setDefaultsValueForKey(kValuesDomain, "Port", Value(8080)));
  auto list = makeController(FilePane::cls());
  SettingsScreen screen(list);
  auto field = cellOf<PSEditableTableCell>(*list, "Port")->textField();
  EXPECT_EQ(field->text(), "8080");

  ASSERT_TRUE(screen.tap("Port"));
  ASSERT_TRUE(field->isFirstResponder());
  field->resignFirstResponder();
  EXPECT_EQ(stored("Port"), Value(8080)) << "an edit that changed nothing rewrote the value as text";
  EXPECT_TRUE(stored("Port")->isInteger());

  ASSERT_TRUE(screen.tap("Port"));
  ASSERT_TRUE(platform::typeText("9090"));
  list->reloadSpecifierID("Port");
  EXPECT_EQ(field->text(), "9090") << "a refresh put the stored value over the text being typed";
  field->insertText("\n");
  EXPECT_EQ(stored("Port"), Value("9090"));
}

// Lists that keep their values elsewhere: as a C++ override, and as runtime methods a pane adds.
class MemoryPane : public FilePane {
 public:
  using FilePane::FilePane;
  PSValue readPreferenceValue(PSSpecifier* s) override {
    auto it = values.find(s->key());
    return it == values.end() ? PSValue(Value(true)) : PSValue(it->second);
  }
  void setPreferenceValue(PSValue value, PSSpecifier* s) override { values[s->key()] = *value; }
  std::map<std::string, Value> values;
};

std::vector<std::pair<std::string, Value>> gRuntimeWrites;
PSValue runtimeRead(objc::Object*, objc::SEL, PSSpecifier*) { return Value(true); }
void runtimeWrite(objc::Object*, objc::SEL, PSValue value, PSSpecifier* s) {
  gRuntimeWrites.emplace_back(s->key(), value.value_or(Value("nil")));
}

TEST_F(ListValuesTest, ASubclassThatReadsAndWritesItselfIsTheOneAsked) {
  writeSpecifierFile("Root", valueRows());
  static objc::Class* cxx = objc::defineClass<MemoryPane, PSListController>("TestMemoryPane");
  static objc::Class* runtime = objc::defineClass<FilePane, FilePane>(
      "TestRuntimeValuesPane", objc::method("readPreferenceValue:", &runtimeRead),
      objc::method("setPreferenceValue:specifier:", &runtimeWrite));
  for (objc::Class* cls : {cxx, runtime}) {
    gRuntimeWrites.clear();
    auto list = makeController(cls);
    SettingsScreen screen(list);
    EXPECT_EQ(screen.find("Enabled")->value, "on") << cls->name() << ": the subclass's read is not shown";
    ASSERT_TRUE(screen.tapView(cellOf<PSSwitchTableCell>(*list, "Enabled")->control().get()));
    EXPECT_FALSE(platform::fileExistsAtPath("/var/mobile/Library/Preferences/com.test.values.plist")) << cls->name();
    if (cls == cxx) {
      EXPECT_EQ(static_cast<MemoryPane&>(*list).values.at("Enabled"), Value(false));
    } else {
      ASSERT_EQ(gRuntimeWrites.size(), 1u);
      EXPECT_EQ(gRuntimeWrites[0], (std::pair<std::string, Value>{"Enabled", Value(false)}));
    }
  }
}

// A pane that shows a row only while a switch is on, as panes hide rows that do not apply.
class ConditionalPane : public PSListController {
 public:
  using PSListController::PSListController;
  PSSpecifierList specifiers() override {
    if (_specifiers) return *_specifiers;
    PSSpecifierList rows = loadSpecifiersFromPlistName("Root", this);
    bool extra = platform::defaultsValueForKey(kValuesDomain, "ShowExtra").value_or(Value(false)).boolValue();
    if (!extra) std::erase_if(rows, [](const auto& s) { return s->key() == "Extra"; });
    _specifiers = rows;
    return rows;
  }
  void setPreferenceValue(PSValue value, PSSpecifier* s) override {
    std::string key = s->key();
    PSListController::setPreferenceValue(std::move(value), s);
    if (key == "ShowExtra") reloadSpecifiers();
  }
};

TEST_F(ListValuesTest, ReloadingTheSpecifiersChangesTheRowsOnScreenAtOnce) {
  writeSpecifierFile("Root", Dictionary{{"items", Array{
                                                      entry({{"cell", "PSSwitchCell"}, {"label", "Show extra"},
                                                             {"key", "ShowExtra"}, {"defaults", kValuesDomain}}),
                                                      entry({{"cell", "PSSwitchCell"}, {"label", "Extra"},
                                                             {"key", "Extra"}, {"defaults", kValuesDomain}}),
                                                      entry({{"cell", "PSStaticTextCell"}, {"label", "Last"}}),
                                                  }}});
  static objc::Class* k = objc::defineClass<ConditionalPane, PSListController>("TestConditionalPane");
  auto list = makeController(k);
  SettingsScreen screen(list);
  EXPECT_FALSE(screen.shows("Extra"));
  for (bool on : {true, false}) {
    ASSERT_TRUE(screen.tapView(cellOf<PSSwitchTableCell>(*list, "ShowExtra")->control().get()));
    EXPECT_EQ(screen.top(), list);
    EXPECT_EQ(screen.shows("Extra"), on);
    EXPECT_TRUE(screen.shows("Last"));
    EXPECT_EQ(screen.find("Show extra")->value, on ? "on" : "off");
  }
}

TEST_F(ListValuesTest, ASimpleEntryShowsItsItemsTranslatedThroughTheBase) {
  ASSERT_TRUE(platform::createDirectoryAtPath(std::string(kTestBundle) + "/en.lproj"));
  ASSERT_TRUE(platform::writeFile(std::string(kTestBundle) + "/en.lproj/Chimes.strings",
                                  "\"Chime\" = \"Carillon\";\n\"Sound\" = \"Son\";\n"));
  auto list = makeController(PSListController::cls());
  list->setSpecifierSource(
      Dictionary{{"entry", entry({{"cell", "PSLinkCell"}, {"label", "Chimes"}})},
                 {"items", Array{entry({{"cell", "PSGroupCell"}, {"label", "Sound"}}),
                                 entry({{"cell", "PSSwitchCell"}, {"label", "Chime"}, {"key", "Chime"},
                                        {"defaults", "com.test.entry"}})}}},
      "Chimes");
  SettingsScreen screen(list);
  ASSERT_TRUE(screen.shows("Carillon"));
  EXPECT_EQ(screen.find("Son")->traits & UIAccessibilityTraitHeader, UIAccessibilityTraitHeader);
  ASSERT_TRUE(screen.tapView(cellOf<PSSwitchTableCell>(*list, "Chime")->control().get()));
  EXPECT_EQ(platform::defaultsValueForKey("com.test.entry", "Chime"), Value(true));
}

TEST_F(ListValuesTest, ARowWithoutADefaultsDomainShowsItsDefaultAndKeepsNothing) {
  writeSpecifierFile("Root", Dictionary{{"items", Array{entry({{"cell", "PSSwitchCell"}, {"label", "Loose"},
                                                               {"key", "Loose"}, {"default", true}})}}});
  auto list = makeController(FilePane::cls());
  SettingsScreen screen(list);
  EXPECT_EQ(screen.find("Loose")->value, "on");
  platform::LogCapture log;
  ASSERT_TRUE(screen.tapView(cellOf<PSSwitchTableCell>(*list, "Loose")->control().get()));
  EXPECT_TRUE(log.containsSubstring("\"Loose\" has no defaults domain; its value is not kept"));
  EXPECT_FALSE(platform::directoryExistsAtPath("/var/mobile/Library/Preferences"));
}

}  // namespace
