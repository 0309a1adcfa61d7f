// Rows that act rather than hold a value (buttons, links), rows a pane draws itself, and specifier
// files that cannot be read, as a person meets them on the screen.
#include <gtest/gtest.h>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSLog.h"
#include "platform/preferences/PreferencesTableCustomView.h"
#include "platform/preferences/PSTableCell.h"
#include "tests/platform/preferences/SettingsScreen.h"
#include "tests/platform/preferences/TestPanes.h"
#include "tests/support/TempDeviceRoot.h"

using platform::Array;
using platform::Dictionary;
using platform::Value;

namespace {

int gResprings = 0;
std::string gDescribed;
void respringImp(objc::Object*, objc::SEL) { ++gResprings; }
void describeImp(objc::Object*, objc::SEL, PSSpecifier* specifier) { gDescribed = specifier->key(); }

objc::Class* actionPaneClass() {
  static objc::Class* const k = objc::defineClass<FilePane, FilePane>(
      "TestActionPane", objc::method("respring", &respringImp), objc::method("describe:", &describeImp));
  return k;
}

// A screen a link row opens.
class DetailScreen : public PSViewController {
 public:
  using PSViewController::PSViewController;
};

// A banner the pane draws itself: a label of its own, 150 points high whatever the width.
class BannerCell : public PSTableCell, public PreferencesTableCustomView {
 public:
  using PSTableCell::PSTableCell;
  objc::Object* initWithSpecifier(PSSpecifier* specifier) override {
    initWithStyle(UITableViewCellStyleDefault, "Cell");
    if (specifier->key() == "refuse") return nullptr;
    auto label = UILabel::alloc();
    label->setText("Banner text");
    label->setFrame(CGRectMake(0, 0, 200, 40));
    addSubview(label);
    return this;
  }
  double preferredHeightForWidth(double width) override {
    widthAsked = width;
    return 150;
  }
  double widthAsked = -1;
};

class ListRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::saveDeviceSettings(platform::DeviceSettings{}));
    static bool registered = [] {
      objc::defineClass<DetailScreen, PSViewController>("TestDetailScreen");
      objc::defineClass<BannerCell, PSTableCell>("TestBannerCell", PSTableCustomViewMethods<BannerCell>());
      return true;
    }();
    (void)registered;
  }
  TempDeviceRoot root_;
};

TEST_F(ListRowsTest, ButtonsAndLinksActOrLogWhenTheyCannot) {
  writeSpecifierFile("Root", Dictionary{{"items", Array{
      entry({{"cell", "PSButtonCell"}, {"label", "Restart"}, {"action", "respring"}}),
      entry({{"cell", "PSButtonCell"}, {"label", "Describe"}, {"key", "Described"}, {"action", "describe:"}}),
      entry({{"cell", "PSButtonCell"}, {"label", "Broken"}, {"action", "noSuchThing"}}),
      entry({{"cell", "PSButtonCell"}, {"label", "Mute"}}),
      entry({{"cell", "PSLinkCell"}, {"label", "Nowhere"}, {"detail", "NoSuchController"}}),
      entry({{"cell", "PSLinkCell"}, {"label", "Not a screen"}, {"detail", "PSSpecifier"}}),
      entry({{"cell", "PSLinkCell"}, {"label", "Restart too"}, {"action", "respring"}}),
      entry({{"cell", "PSLinkCell"}, {"label", "More"}, {"detail", "TestDetailScreen"}}),
  }}});
  auto list = makeController(actionPaneClass());
  SettingsScreen screen(list);
  gResprings = 0;
  gDescribed.clear();

  struct Case {
    const char* row;
    const char* logged;  // nullptr: acts without a word
  } cases[] = {
      {"Restart", nullptr},
      {"Describe", nullptr},
      {"Broken", "TestActionPane does not answer noSuchThing; the row \"Broken\" does nothing"},
      {"Mute", "the row \"Mute\" has no action; nothing done"},
      {"Nowhere", "the class NoSuchController that \"Nowhere\" opens does not exist; nothing opened"},
      {"Not a screen", "PSSpecifier that \"Not a screen\" opens is no view controller; nothing opened"},
      {"Restart too", nullptr},
  };
  for (const auto& c : cases) {
    platform::LogCapture log;
    ASSERT_TRUE(screen.tap(c.row)) << c.row;
    EXPECT_EQ(screen.top(), list) << c.row << " opened a screen";
    if (c.logged) EXPECT_TRUE(log.containsSubstring(c.logged)) << c.row;
    else EXPECT_TRUE(log.lines().empty()) << c.row << ": " << (log.lines().empty() ? "" : log.lines()[0]);
    EXPECT_FALSE(list->table()->indexPathForSelectedRow()) << c.row << " stays selected";
  }
  EXPECT_EQ(gResprings, 2);
  EXPECT_EQ(gDescribed, "Described") << "an action ending in a colon receives its row";

  ASSERT_TRUE(screen.tap("More"));
  auto detail = std::dynamic_pointer_cast<DetailScreen>(screen.top());
  ASSERT_TRUE(detail) << "the link pushed nothing";
  EXPECT_EQ(detail->title(), "More");
  EXPECT_EQ(detail->specifier(), list->specifierForID("More"));
  EXPECT_EQ(detail->parentController(), list);
  ASSERT_TRUE(screen.goBack());
  EXPECT_FALSE(list->table()->indexPathForSelectedRow()) << "the row left through stays grey";
}

TEST_F(ListRowsTest, ACustomCellIsMadeByNameAndSizesItsRow) {
  writeSpecifierFile("Root", Dictionary{{"items", Array{
      entry({{"cellClass", "TestBannerCell"}}),
      entry({{"cell", "PSGroupCell"}, {"label", "Rest"}}),
      entry({{"cellClass", "NoSuchCell"}, {"label", "Missing class"}, {"height", 60}}),
      entry({{"cellClass", "TestBannerCell"}, {"key", "refuse"}, {"label", "Refused"}}),
      entry({{"cellClass", "PSSpecifier"}, {"label", "Not a cell"}}),
      entry({{"cell", "PSStaticTextCell"}, {"label", "Tall"}, {"height", 80}}),
      entry({{"cell", "PSStaticTextCell"}, {"label", "Plain"}}),
  }}});
  platform::LogCapture log;
  auto list = makeController(FilePane::cls());
  SettingsScreen screen(list);
  auto table = list->table();

  auto banner = std::dynamic_pointer_cast<BannerCell>(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0)));
  ASSERT_TRUE(banner) << "the row's cell is not the pane's class";
  EXPECT_EQ(table->rectForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0)).height(), 150);
  EXPECT_EQ(banner->widthAsked, table->bounds().width());
  EXPECT_TRUE(screen.shows("Banner text")) << "the banner's own label is hidden from a reader";

  struct Row {
    int row;
    const char* label;
    double height;
    const char* logged;
  } rows[] = {
      {0, "Missing class", 60, "the cell class NoSuchCell of \"Missing class\" does not exist"},
      {1, "Refused", 44, "TestBannerCell refused the row \"Refused\""},
      {2, "Not a cell", 44, "PSSpecifier of \"Not a cell\" is no table cell"},
      {3, "Tall", 80, nullptr},
      {4, "Plain", 44, nullptr},
  };
  for (const auto& r : rows) {
    auto ip = NSIndexPath::indexPathForRow(r.row, 1);
    EXPECT_EQ(table->rectForRowAtIndexPath(ip).height(), r.height) << r.label;
    EXPECT_TRUE(screen.shows(r.label)) << r.label;
    if (r.logged) {
      EXPECT_TRUE(log.containsSubstring(r.logged)) << r.label;
    }
  }
}

TEST_F(ListRowsTest, GroupsMakeSectionsWithHeadersAndFooters) {
  writeSpecifierFile("Root", Dictionary{{"items", Array{
      entry({{"cell", "PSStaticTextCell"}, {"label", "Before any group"}}),
      entry({{"cell", "PSGroupCell"}, {"label", "First"}, {"footerText", "Under the first."}}),
      entry({{"cell", "PSStaticTextCell"}, {"label", "One"}}),
      entry({{"cell", "PSStaticTextCell"}, {"label", "Two"}}),
      entry({{"cell", "PSGroupCell"}}),
      entry({{"cell", "PSGroupCell"}, {"label", "Third"}}),
      entry({{"cell", "PSStaticTextCell"}, {"label", "Three"}}),
  }}});
  auto list = makeController(FilePane::cls());
  SettingsScreen screen(list);
  auto table = list->table();
  ASSERT_EQ(table->numberOfSections(), 4);
  int rows[] = {1, 2, 0, 1};
  for (int s = 0; s < 4; ++s) EXPECT_EQ(table->numberOfRowsInSection(s), rows[s]) << s;
  auto labels = screen.labels();
  auto at = [&](const std::string& l) { return std::find(labels.begin(), labels.end(), l) - labels.begin(); };
  ASSERT_LT(at("Under the first."), std::ptrdiff_t(labels.size()));
  ASSERT_LT(at("First"), std::ptrdiff_t(labels.size()));
  EXPECT_LT(at("Before any group"), at("First")) << "the rows before the first group form a section of their own";
  EXPECT_LT(at("Two"), at("Under the first."));
  EXPECT_LT(at("Under the first."), at("Three"));
  EXPECT_EQ(list->indexPathForSpecifier(list->specifierForID("Three").get()), NSIndexPath::indexPathForRow(0, 3));
}

TEST_F(ListRowsTest, AFileThatCannotBeReadGivesAnEmptyPaneThatStillShows) {
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"malformed XML", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>items</key>"},
      {"items not an array", platform::xmlPropertyList(Dictionary{{"items", Dictionary{}}})},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(platform::createDirectoryAtPath(kTestBundle));
    ASSERT_TRUE(platform::writeFile(std::string(kTestBundle) + "/Root.plist", c.bytes));
    platform::LogCapture log;
    auto list = makeController(FilePane::cls());
    SettingsScreen screen(list);
    EXPECT_EQ(list->table()->numberOfSections(), 0) << c.what;
    EXPECT_TRUE(log.containsSubstring("the list is empty")) << c.what;
    EXPECT_EQ(screen.top(), list) << c.what;
  }
  platform::LogCapture log;
  auto unbundled = std::dynamic_pointer_cast<PSListController>(objc::class_createInstance(FilePane::cls()));
  EXPECT_TRUE(unbundled->specifiers().empty());
  EXPECT_TRUE(log.containsSubstring("TestFilePane has no bundle to read Root.plist from"));
}

}  // namespace
