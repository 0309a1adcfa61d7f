// The footer's line over the device's real package database, alone and as the list's last row.
#include "prefs/root/TovaluneFooterCell.h"

#include <gtest/gtest.h>

#include "platform/uikit/UINavigationController.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/prefs/support/DevicePackageDatabase.h"
#include "tests/prefs/support/PaneFixture.h"

namespace {

constexpr const char* kFooterPackage = "com.orbel.tovalune";

std::shared_ptr<TovaluneFooterCell> makeFooter() {
  auto cell = std::static_pointer_cast<TovaluneFooterCell>(
      objc::class_createInstance(objc::objc_getClass("TovaluneFooterCell")));
  objc::Object* made = objc::msgSend<objc::Object*>(cell.get(), objc::sel("initWithSpecifier:"),
                                                    static_cast<PSSpecifier*>(nullptr));
  return made ? cell : nullptr;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class FooterCellTest : public testing::Test {
 protected:
  TempDeviceRoot root;
  DevicePackageDatabase database;
};

TEST_F(FooterCellTest, EndsWithTheInstalledVersionOrWithTheProductName) {
  struct Case {
    const char* what;
    std::string status;
    std::string end;
  } cases[] = {
      {"installed", DevicePackageDatabase::installedRecord(kFooterPackage, "1.0.2"), "Tovalune 1.0.2"},
      {"a description naming another version",
       DevicePackageDatabase::installedRecord(kFooterPackage, "1.0.2", " Version: 2.0 brings timelines: see below\n"),
       "Tovalune 1.0.2"},
      {"not installed", DevicePackageDatabase::installedRecord("mobilesubstrate", "0.9.7"), "Tovalune"},
  };
  for (const auto& c : cases) {
    database.setStatus(c.status);
    auto footer = makeFooter();
    ASSERT_TRUE(footer) << c.what;
    const std::string& text = footer->mainTitleLabel()->text();
    EXPECT_TRUE(endsWith(text, " " + c.end)) << c.what << ": " << text;
  }

  DevicePackageDatabase::replaceQueryProgram("echo 'dpkg-query: error: database is locked' >&2\nexit 2\n");
  auto footer = makeFooter();
  ASSERT_TRUE(footer);
  EXPECT_TRUE(endsWith(footer->mainTitleLabel()->text(), " Tovalune"));
}

TEST_F(FooterCellTest, OneSmallGreyCentredLineAcrossTheCell) {
  database.setStatus(DevicePackageDatabase::installedRecord(kFooterPackage, "1.0.2"));
  auto footer = makeFooter();
  double width = footer->bounds().width();
  ASSERT_EQ(footer->subviews().back(), footer->mainTitleLabel());
  const auto& label = *footer->mainTitleLabel();
  EXPECT_EQ(label.frame(), CGRectMake(0, 0, width, 15));
  EXPECT_EQ(label.font(), UIFont::systemFontOfSize(12));
  EXPECT_EQ(label.textColor(), UIColor::grayColor());
  EXPECT_EQ(label.textAlignment(), NSTextAlignmentCenter);
  EXPECT_EQ(label.numberOfLines(), 1);
  EXPECT_EQ(objc::msgSend<double>(footer.get(), objc::sel("preferredHeightForWidth:"), 414.0), 25);

  footer->setFrame(CGRectMake(0, 0, width + 94, 25));
  EXPECT_EQ(footer->mainTitleLabel()->frame().width(), width + 94);
}

TEST_F(FooterCellTest, TheShippedListEndsWithTheFooterShowingTheVersion) {
  database.setStatus(DevicePackageDatabase::installedRecord(kFooterPackage, "1.0.2"));
  installBuiltBundleResources();
  auto list = makeRootList();
  auto navigation = UINavigationController::initWithRootViewController(list);
  auto rows = list->specifiers();
  auto cell = std::dynamic_pointer_cast<TovaluneFooterCell>(list->cachedCellForSpecifier(rows.back().get()));
  ASSERT_TRUE(cell);
  EXPECT_TRUE(endsWith(cell->mainTitleLabel()->text(), " Tovalune 1.0.2"));
  auto path = list->indexPathForSpecifier(rows.back().get());
  ASSERT_TRUE(path);
  EXPECT_EQ(list->table()->rectForRowAtIndexPath(*path).height(), 25);
}

}  // namespace
