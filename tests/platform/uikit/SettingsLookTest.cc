// The settings look as pixels: a grouped list under a navigation bar, drawn by the screen renderer.
#include <gtest/gtest.h>

#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UITableViewController.h"
#include "tests/platform/uikit/ListTestSupport.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

// A settings screen: a list controller over the model, in the inset-grouped look.
class ListController : public UITableViewController {
 public:
  explicit ListController(std::shared_ptr<ListModel> model) : model_(std::move(model)) {}
  int numberOfSectionsInTableView(UITableView* t) override { return model_->numberOfSectionsInTableView(t); }
  int numberOfRowsInSection(UITableView* t, int s) override { return model_->numberOfRowsInSection(t, s); }
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* t, const NSIndexPath& ip) override {
    return model_->cellForRowAtIndexPath(t, ip);
  }
  std::string titleForHeaderInSection(UITableView* t, int s) override { return model_->titleForHeaderInSection(t, s); }
  double heightForRowAtIndexPath(UITableView* t, const NSIndexPath& ip) override {
    return model_->heightForRowAtIndexPath(t, ip);
  }

 private:
  std::shared_ptr<ListModel> model_;
};

// A cell insisting on a frame 195 high wherever its row is, filled red.
class TallCell : public UITableViewCell {
 public:
  TallCell() { setBackgroundColor(UIColor::colorWithRed(1, 0, 0)); }
  void setFrame(const CGRect& frame) override { UITableViewCell::setFrame(CGRect{frame.origin, {frame.size.width, 195}}); }
};

class TallModel : public ListModel {
 public:
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* table, const NSIndexPath& ip) override {
    if (ip.section == 0) return std::make_shared<TallCell>();
    return ListModel::cellForRowAtIndexPath(table, ip);
  }
};

bool near(RGB a, RGB b, int tolerance = 3) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

constexpr RGB kGroupedBackground{242, 242, 247};
constexpr RGB kWhite{255, 255, 255};

}  // namespace

class SettingsLookTest : public SmallPhoneTest {
 protected:
  platform::Bitmap show(const std::shared_ptr<ListModel>& model, const std::string& title) {
    auto list = std::make_shared<ListController>(model);
    list->initWithStyle(UITableViewStyleInsetGrouped);
    list->setTitle(title);
    nav_ = UINavigationController::initWithRootViewController(list);
    window_ = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
    window_->setRootViewController(nav_);
    window_->makeKeyAndVisible();
    list_ = list;
    return platform::renderScreen(nullptr, kPixelWidth, kPixelHeight);
  }
  RGB at(const platform::Bitmap& screen, double x, double y) {
    return pixelAt(screen, std::uint32_t(x * kScale), std::uint32_t(y * kScale));
  }
  // Rows of the picture (in points) whose pixel at x is not of the colour.
  int darkPixelsIn(const platform::Bitmap& screen, CGRect area) {
    int dark = 0;
    for (double y = area.minY(); y < area.maxY(); y += 0.5)
      for (double x = area.minX(); x < area.maxX(); x += 0.5)
        if (at(screen, x, y).luminance() < 200) ++dark;
    return dark;
  }

  std::shared_ptr<UINavigationController> nav_;
  std::shared_ptr<UIWindow> window_;
  std::shared_ptr<ListController> list_;
};

TEST_F(SettingsLookTest, GroupedListUnderABarLooksLikeSettings) {
  auto model = std::make_shared<ListModel>();
  model->sections = {SectionData{"", "", {RowData("General", "", UITableViewCellAccessoryDisclosureIndicator),
                                          RowData("Display", "", UITableViewCellAccessoryDisclosureIndicator)}}};
  auto screen = show(model, "Settings");
  // Status bar 20 and bar 44 on this phone; the first group 35 below, 16 in from each side.
  const double top = 64 + 35;

  EXPECT_TRUE(near(at(screen, 8, top + 20), kGroupedBackground)) << "margin beside the group";
  EXPECT_TRUE(near(at(screen, 8, 64 + 10), kGroupedBackground)) << "space above the group";
  EXPECT_TRUE(near(at(screen, 200, top + 22), kWhite)) << "inside the first row";
  EXPECT_TRUE(near(at(screen, 200, top + 66), kWhite)) << "inside the second row";
  EXPECT_TRUE(near(at(screen, 16.5, top + 0.5), kGroupedBackground)) << "the group's corner is rounded off";
  EXPECT_TRUE(near(at(screen, 16 + 10, top + 1), kWhite));

  // Between the rows, a hairline from the text's edge (16 in) to the group's right edge.
  RGB separator = at(screen, 100, top + 44 - 0.25);
  EXPECT_LT(separator.luminance(), 240);
  EXPECT_TRUE(near(at(screen, 16 + 8, top + 44 - 0.25), kWhite)) << "inset by 16 points";
  EXPECT_TRUE(near(at(screen, 200, top + 88 - 0.25), kWhite)) << "none under the last row";

  // The chevron: grey strokes 16 in from the group's right edge, in each row.
  EXPECT_GT(darkPixelsIn(screen, CGRectMake(320 - 16 - 16 - 8, top + 15, 8, 14)), 6);
  EXPECT_EQ(darkPixelsIn(screen, CGRectMake(320 - 16 - 14, top + 15, 8, 14)), 0) << "nothing right of it";

  // The bar: light, with its title in dark strokes in the middle and a hairline under it.
  RGB bar = at(screen, 10, 40);
  EXPECT_GT(bar.luminance(), 235);
  EXPECT_GT(darkPixelsIn(screen, CGRectMake(110, 30, 100, 24)), 40);
  EXPECT_LT(at(screen, 10, 64 - 0.25).luminance(), bar.luminance());
}

TEST_F(SettingsLookTest, ACellTallerThanItsRowIsDrawnWhole) {
  auto model = std::make_shared<TallModel>();
  model->sections = {SectionData{"", "", {RowData("Banner", "", UITableViewCellAccessoryNone, 150)}},
                     SectionData{"", "", {RowData("Enabled")}}};
  auto screen = show(model, "");
  const double rowTop = 64 + 35;
  RGB red{255, 0, 0};
  EXPECT_TRUE(near(at(screen, 100, rowTop + 140), red));
  // Past its 150-point row, over the next group's header...
  EXPECT_TRUE(near(at(screen, 100, rowTop + 150 + 20), red));
  // ...and under the next row, which lies over it.
  double nextRow = rowTop + 150 + 35;
  EXPECT_TRUE(near(at(screen, 200, nextRow + 5), kWhite));
  EXPECT_TRUE(near(at(screen, 200, nextRow + 50), kGroupedBackground)) << "the tall cell ends at 195";
  EXPECT_EQ(list_->tableView()->rectForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0)).height(), 150);
}
