// The grid: where the flow layout puts items, which cells exist, reuse, and taps.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITouchDelivery.h"
#include "platform/uikit/UIWindow.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

// ---- Flow layout ----

struct LayoutCase {
  const char* name;
  double width;
  UIEdgeInsets inset;
  std::vector<std::vector<CGSize>> sizes;
  std::vector<std::vector<CGRect>> frames;
  double contentHeight;
};

std::vector<CGSize> squares(int n, double side) { return std::vector<CGSize>(std::size_t(n), CGSize{side, side}); }

TEST(FlowLayoutTest, RowsWrapAtTheWidthAndSpreadAsUIKitDoes) {
  const UIEdgeInsets in20{20, 20, 20, 20};
  const std::vector<LayoutCase> cases = {
      {"two fit in 300 of room: the full row is justified, the last row left-aligned", 340, in20,
       {squares(3, 100)},
       {{CGRectMake(20, 20, 100, 100), CGRectMake(220, 20, 100, 100), CGRectMake(20, 130, 100, 100)}},
       250},
      {"three per row on a 390-point phone; spare room shared between the gaps", 390, in20,
       {squares(4, 100)},
       {{CGRectMake(20, 20, 100, 100), CGRectMake(145, 20, 100, 100), CGRectMake(270, 20, 100, 100),
         CGRectMake(20, 130, 100, 100)}},
       250},
      {"a row that fills the room exactly", 340, UIEdgeInsets{0, 0, 0, 0},
       {squares(3, 100)},
       {{CGRectMake(0, 0, 100, 100), CGRectMake(110, 0, 100, 100), CGRectMake(220, 0, 100, 100)}},
       100},
      {"a lone item in a row that is not the last is centred; the last stays left", 200, UIEdgeInsets{},
       {squares(2, 150)},
       {{CGRectMake(25, 0, 150, 150), CGRectMake(0, 160, 150, 150)}},
       310},
      {"an item wider than the room gets a row of its own", 300, UIEdgeInsets{},
       {{CGSize{400, 50}, CGSize{50, 50}}},
       {{CGRectMake(0, 0, 400, 50), CGRectMake(0, 60, 50, 50)}},
       110},
      {"items of a row are centred on its tallest", 200, UIEdgeInsets{},
       {{CGSize{50, 20}, CGSize{50, 60}}},
       {{CGRectMake(0, 20, 50, 20), CGRectMake(60, 0, 50, 60)}},
       60},
      {"sections follow one another; an empty one takes no room", 340, in20,
       {squares(1, 100), {}, squares(1, 100)},
       {{CGRectMake(20, 20, 100, 100)}, {}, {CGRectMake(20, 160, 100, 100)}},
       280},
      {"nothing at all", 340, in20, {}, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto layout = UICollectionViewFlowLayout::create();
    layout->setSectionInset(c.inset);
    auto g = layout->layout(c.width, c.sizes);
    ASSERT_EQ(g.frames.size(), c.frames.size());
    for (std::size_t s = 0; s < c.frames.size(); ++s) {
      ASSERT_EQ(g.frames[s].size(), c.frames[s].size());
      for (std::size_t i = 0; i < c.frames[s].size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "item " << i << " of section " << s);
        EXPECT_DOUBLE_EQ(g.frames[s][i].minX(), c.frames[s][i].minX());
        EXPECT_DOUBLE_EQ(g.frames[s][i].minY(), c.frames[s][i].minY());
        EXPECT_EQ(g.frames[s][i].size, c.frames[s][i].size);
      }
    }
    EXPECT_DOUBLE_EQ(g.contentHeight, c.contentHeight);
  }
}

TEST(FlowLayoutTest, DefaultsAndNonsenseValues) {
  auto layout = UICollectionViewFlowLayout::create();
  EXPECT_EQ(layout->itemSize(), (CGSize{50, 50}));
  EXPECT_EQ(layout->minimumLineSpacing(), 10);
  EXPECT_EQ(layout->minimumInteritemSpacing(), 10);
  layout->setMinimumLineSpacing(-5);
  layout->setItemSize(CGSize{NAN, -1});
  layout->setSectionInset(UIEdgeInsets{INFINITY, -3, 2, 2});
  EXPECT_EQ(layout->minimumLineSpacing(), 0);
  EXPECT_EQ(layout->itemSize(), (CGSize{0, 0}));
  EXPECT_EQ(layout->sectionInset(), (UIEdgeInsets{0, 0, 2, 2}));
  // Sizes the delegate makes up are tamed the same way, and nothing loops or divides by zero.
  auto g = layout->layout(0, {{CGSize{NAN, 10}, CGSize{-4, INFINITY}}});
  EXPECT_TRUE(std::isfinite(g.contentHeight));
}

// ---- The grid ----

class NumberCell : public UICollectionViewCell {
 public:
  static inline int made = 0;
  int reused = 0;
  std::shared_ptr<UILabel> label = UILabel::alloc();
  NumberCell() {
    ++made;
    contentView()->addSubview(label);
  }
  void prepareForReuse() override {
    UICollectionViewCell::prepareForReuse();
    ++reused;
    label->setText("");
  }
};

class Numbers : public UICollectionViewDataSource, public UICollectionViewDelegate {
 public:
  int count = 0;
  CGSize size{100, 100};
  std::vector<int> selected, deselected;
  int numberOfItemsInSection(UICollectionView*, int) override { return count; }
  std::shared_ptr<UICollectionViewCell> cellForItemAtIndexPath(UICollectionView* grid,
                                                               const NSIndexPath& indexPath) override {
    auto cell = grid->dequeueReusableCellWithReuseIdentifier("number", indexPath);
    if (auto* number = dynamic_cast<NumberCell*>(cell.get())) number->label->setText(std::to_string(indexPath.item()));
    cell->setBackgroundColor(UIColor::systemRedColor());
    return cell;
  }
  CGSize sizeForItemAtIndexPath(UICollectionView*, UICollectionViewFlowLayout*, const NSIndexPath&) override {
    return size;
  }
  void didSelectItemAtIndexPath(UICollectionView*, const NSIndexPath& indexPath) override {
    selected.push_back(indexPath.item());
  }
  void didDeselectItemAtIndexPath(UICollectionView*, const NSIndexPath& indexPath) override {
    deselected.push_back(indexPath.item());
  }
};

class CollectionViewTest : public SmallPhoneTest {
 protected:
  void SetUp() override {
    SmallPhoneTest::SetUp();
    NumberCell::made = 0;
    window_ = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
    window_->setRootViewController(UIViewController::create());
    window_->makeKeyAndVisible();
    auto layout = UICollectionViewFlowLayout::create();
    layout->setSectionInset(UIEdgeInsets{20, 20, 20, 20});
    grid_ = UICollectionView::alloc()->initWithFrame(CGRectMake(0, 0, kWidth, kHeight), layout);
    grid_->registerClass<NumberCell>("number");
    grid_->setDataSource(numbers_);
    grid_->setDelegate(numbers_);
    window_->rootViewController()->view()->addSubview(grid_);
  }

  // Item number -> the text its cell shows, for the cells that exist.
  std::map<int, std::string> shown() {
    std::map<int, std::string> out;
    for (const auto& cell : grid_->visibleCells())
      out[grid_->indexPathForCell(cell.get())->item()] = static_cast<NumberCell*>(cell.get())->label->text();
    return out;
  }

  std::shared_ptr<UIWindow> window_;
  std::shared_ptr<UICollectionView> grid_;
  std::shared_ptr<Numbers> numbers_ = std::make_shared<Numbers>();
};

TEST_F(CollectionViewTest, MakesCellsOnlyNearTheScreenAndReusesThemOnScroll) {
  numbers_->count = 500;
  grid_->layoutIfNeeded();
  // 320 wide with 20-point insets: two 100-point tiles a row, 110 points a row, 250 rows.
  EXPECT_EQ(grid_->contentSize().height, 20 + 250 * 100 + 249 * 10 + 20);
  EXPECT_EQ(grid_->numberOfItemsInSection(0), 500);
  auto visible = grid_->indexPathsForVisibleItems();
  ASSERT_FALSE(visible.empty());
  EXPECT_EQ(visible.front().item(), 0);
  EXPECT_EQ(visible.back().item(), 9);  // rows 0 to 4 meet the 568-point screen
  int madeAtFirst = NumberCell::made;
  EXPECT_LE(madeAtFirst, 20);  // a screen and a half: rows 0 to 8

  grid_->setContentOffset(CGPoint{0, 12000});
  grid_->layoutIfNeeded();
  visible = grid_->indexPathsForVisibleItems();
  ASSERT_FALSE(visible.empty());
  EXPECT_EQ(visible.front().item(), 218);  // row 109 (12010 to 12110) is the first in sight
  EXPECT_LE(NumberCell::made, 2 * madeAtFirst);  // the old cells came back for the new items
  for (const auto& [item, text] : shown()) EXPECT_EQ(text, std::to_string(item));
  int reused = 0;
  for (const auto& cell : grid_->visibleCells()) reused += static_cast<NumberCell*>(cell.get())->reused;
  EXPECT_GT(reused, 0);
  // A cell scrolled away is no longer the item's.
  EXPECT_EQ(grid_->cellForItemAtIndexPath(NSIndexPath::indexPathForRow(0, 0)), nullptr);

  grid_->setContentOffset(grid_->maximumContentOffset());
  visible = grid_->indexPathsForVisibleItems();
  ASSERT_FALSE(visible.empty());
  EXPECT_EQ(visible.back().item(), 499);
  EXPECT_LE(NumberCell::made, 2 * madeAtFirst);
}

TEST_F(CollectionViewTest, AFingerOnATileSelectsItsItemAndTellsTheDelegate) {
  numbers_->count = 5;
  grid_->layoutIfNeeded();
  // Item 3: second row, right-hand tile (the row is justified: 200 to 300).
  CGRect third = grid_->frameForItemAtIndexPath(NSIndexPath::indexPathForRow(3, 0));
  EXPECT_EQ(third, CGRectMake(200, 130, 100, 100));
  EXPECT_TRUE(platform::tapAtPoint(CGPoint{third.midX(), third.midY()}));
  EXPECT_EQ(numbers_->selected, std::vector<int>{3});
  EXPECT_TRUE(grid_->cellForItemAtIndexPath(NSIndexPath::indexPathForRow(3, 0))->isSelected());

  // Between tiles nothing is selected; another tile takes the selection over.
  EXPECT_FALSE(platform::tapAtPoint(CGPoint{160, 60}));
  EXPECT_EQ(numbers_->selected.size(), 1u);
  EXPECT_TRUE(platform::tapAtPoint(CGPoint{70, 70}));
  EXPECT_EQ(numbers_->selected, (std::vector<int>{3, 0}));
  EXPECT_EQ(numbers_->deselected, std::vector<int>{3});
  EXPECT_FALSE(grid_->cellForItemAtIndexPath(NSIndexPath::indexPathForRow(3, 0))->isSelected());

  // A screen reader finds each tile as a button with its text.
  std::set<std::string> labels;
  for (const auto& e : platform::accessibilityElements())
    if (e.traits & UIAccessibilityTraitButton) labels.insert(e.label);
  EXPECT_EQ(labels, (std::set<std::string>{"0", "1", "2", "3", "4"}));
}

TEST_F(CollectionViewTest, ReloadAsksAgainAndForgetsWhatWentAway) {
  numbers_->count = 6;
  grid_->layoutIfNeeded();
  ASSERT_TRUE(grid_->tapItemAtIndexPath(NSIndexPath::indexPathForRow(5, 0)));
  numbers_->count = 2;
  numbers_->size = CGSize{50, 50};
  grid_->reloadData();
  grid_->layoutIfNeeded();
  EXPECT_EQ(shown(), (std::map<int, std::string>{{0, "0"}, {1, "1"}}));
  EXPECT_TRUE(grid_->indexPathsForSelectedItems().empty());
  EXPECT_EQ(grid_->frameForItemAtIndexPath(NSIndexPath::indexPathForRow(1, 0)), CGRectMake(80, 20, 50, 50));
  EXPECT_EQ(grid_->frameForItemAtIndexPath(NSIndexPath::indexPathForRow(2, 0)), CGRect{});
  EXPECT_FALSE(grid_->tapItemAtIndexPath(NSIndexPath::indexPathForRow(5, 0)));
  EXPECT_FALSE(grid_->scrollToItemAtIndexPath(NSIndexPath::indexPathForRow(9, 0), UICollectionViewScrollPositionTop, false));
  // A wider grid lays the items out again.
  grid_->setFrame(CGRectMake(0, 0, 200, kHeight));
  numbers_->size = CGSize{100, 100};
  grid_->reloadData();
  grid_->layoutIfNeeded();
  EXPECT_EQ(grid_->frameForItemAtIndexPath(NSIndexPath::indexPathForRow(1, 0)), CGRectMake(20, 130, 100, 100));
}

// A cell class known to the runtime, as panes register theirs.
class RuntimeCell : public UICollectionViewCell {
 public:
  using UICollectionViewCell::UICollectionViewCell;
  static objc::Class* cls() {
    static objc::Class* const c = objc::defineClass<RuntimeCell, UICollectionViewCell>("TestRuntimeCollectionCell");
    return c;
  }
};

TEST_F(CollectionViewTest, CellsComeFromTheRegisteredClassOrAPlainCellWithALogLine) {
  platform::LogCapture log;
  grid_->registerClass(RuntimeCell::cls(), "runtime");
  grid_->registerClass(UIView::cls(), "view");  // no kind of cell: refused
  auto index = NSIndexPath::indexPathForRow(0, 0);
  numbers_->count = 1;
  auto cell = grid_->dequeueReusableCellWithReuseIdentifier("runtime", index);
  EXPECT_NE(dynamic_cast<RuntimeCell*>(cell.get()), nullptr);
  EXPECT_EQ(cell->reuseIdentifier(), "runtime");
  auto plain = grid_->dequeueReusableCellWithReuseIdentifier("view", index);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->isa(), UICollectionViewCell::cls());
  EXPECT_TRUE(log.containsSubstring("unable to dequeue a cell with identifier view"));
  EXPECT_TRUE(log.containsSubstring("is no kind of UICollectionViewCell"));
}

TEST_F(CollectionViewTest, ScrollingToAnItemBringsItsCellAndTheScreenShowsTheTiles) {
  numbers_->count = 40;
  ASSERT_TRUE(grid_->scrollToItemAtIndexPath(NSIndexPath::indexPathForRow(30, 0),
                                             UICollectionViewScrollPositionCenteredVertically, false));
  auto cell = grid_->cellForItemAtIndexPath(NSIndexPath::indexPathForRow(30, 0));
  ASSERT_NE(cell, nullptr);
  CGRect onScreen = cell->convertRectToView(cell->bounds(), nullptr);
  EXPECT_NEAR(onScreen.midY(), kHeight / 2, 1);

  auto png = root_.path() + "/grid.png";
  ASSERT_TRUE(platform::renderWindowToPNG(window_, png));
  auto image = UIImage::imageWithData(*platform::readFile(platform::devicePathFromHost(png)));
  ASSERT_NE(image, nullptr);
  RGB tile = pixelAt(image->bitmap(), std::uint32_t(onScreen.minX() * kScale + 10), std::uint32_t(onScreen.midY() * kScale));
  RGB gap = pixelAt(image->bitmap(), std::uint32_t(160 * kScale), std::uint32_t(onScreen.midY() * kScale));
  EXPECT_GT(tile.r, 200);
  EXPECT_LT(tile.g, 100);
  EXPECT_GT(gap.g, 200);  // the grid's white between tiles
}

}  // namespace
