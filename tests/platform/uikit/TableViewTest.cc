// Lists: reuse of cells, which rows get cells, the grouped geometry, selection and swipe to delete
// by finger, and the rows a screen reader finds (those out of sight included).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/CADisplayLink.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UISwitch.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UITouchDelivery.h"
#include "tests/platform/uikit/ListTestSupport.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

// Counts what the list does to it, and forgets a mark it was given when reused.
class CountingCell : public UITableViewCell {
 public:
  explicit CountingCell(objc::Class* isa) : UITableViewCell(isa) {}
  int reuses = 0;
  std::string mark;
  void prepareForReuse() override {
    UITableViewCell::prepareForReuse();
    ++reuses;
    mark.clear();
  }
  static objc::Class* cls() {
    static objc::Class* const c = objc::defineClass<CountingCell, UITableViewCell>("TestCountingCell");
    return c;
  }
};

// Rows of registered counting cells, each marked with the row it was made for.
class RegisteredModel : public UITableViewDataSource {
 public:
  int rows = 100;
  std::vector<std::shared_ptr<CountingCell>> everyCell;
  int numberOfRowsInSection(UITableView*, int) override { return rows; }
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* table, const NSIndexPath& ip) override {
    auto cell = std::dynamic_pointer_cast<CountingCell>(table->dequeueReusableCellWithIdentifier("counting", ip));
    if (!cell) return nullptr;
    if (std::find(everyCell.begin(), everyCell.end(), cell) == everyCell.end()) everyCell.push_back(cell);
    cell->mark = "row " + std::to_string(ip.row);
    return cell;
  }
};

std::set<int> visibleRows(UITableView& table) {
  table.layoutIfNeeded();
  std::set<int> rows;
  for (const auto& ip : table.indexPathsForVisibleRows()) rows.insert(ip.row);
  return rows;
}

}  // namespace

class TableViewTest : public SmallPhoneTest {};

TEST_F(TableViewTest, ScrolledOffCellsAreReusedAfterPrepareForReuse) {
  auto model = std::make_shared<RegisteredModel>();
  auto table = UITableView::alloc()->initWithFrame(CGRectMake(0, 0, 320, 440), UITableViewStylePlain);
  table->registerClass(CountingCell::cls(), "counting");
  table->setDataSource(model);

  EXPECT_EQ(visibleRows(*table), (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  ASSERT_EQ(model->everyCell.size(), 10u);
  table->selectRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0), false, UITableViewScrollPositionNone);
  ASSERT_TRUE(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0))->isSelected());

  // A whole screen further: the same ten cells, each told before it serves its new row.
  table->setContentOffset(CGPoint{0, 440});
  EXPECT_EQ(visibleRows(*table), (std::set<int>{10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
  EXPECT_EQ(model->everyCell.size(), 10u);
  for (const auto& cell : model->everyCell) {
    EXPECT_EQ(cell->reuses, 1);
    EXPECT_FALSE(cell->isSelected()) << "a reused cell does not carry the old row's selection";
  }
  auto cell = std::dynamic_pointer_cast<CountingCell>(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(13, 0)));
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->mark, "row 13");
  EXPECT_EQ(cell->reuseIdentifier(), "counting");
  EXPECT_EQ(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0)), nullptr) << "visible rows only";

  // Half a row further: eleven rows show, so one more cell is made.
  table->setContentOffset(CGPoint{0, 462});
  EXPECT_EQ(visibleRows(*table).size(), 11u);
  EXPECT_EQ(model->everyCell.size(), 11u);

  // Back at the top the selection is drawn again, on whichever cell serves the row now.
  table->setContentOffset(CGPoint{0, 0});
  table->layoutIfNeeded();
  EXPECT_TRUE(table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0))->isSelected());
}

TEST_F(TableViewTest, DequeueingWithoutARegisteredClassLogsAndTheRowStillShows) {
  platform::LogCapture log;
  auto model = std::make_shared<RegisteredModel>();
  model->rows = 3;
  auto table = UITableView::alloc()->initWithFrame(CGRectMake(0, 0, 320, 440), UITableViewStylePlain);
  table->setDataSource(model);
  EXPECT_EQ(table->dequeueReusableCellWithIdentifier("counting"), nullptr);
  table->layoutIfNeeded();
  EXPECT_TRUE(log.containsSubstring("unable to dequeue a cell with identifier counting"));
  EXPECT_TRUE(log.containsSubstring("gave no cell for row {0, 0}"));
  EXPECT_EQ(table->visibleCells().size(), 3u) << "empty rows stand in";

  table->registerClass(UIView::cls(), "counting");
  EXPECT_TRUE(log.containsSubstring("is no kind of UITableViewCell"));
}

TEST_F(TableViewTest, OnlyRowsComingIntoViewAreAskedForWhileScrolling) {
  ShownList list(UITableViewStylePlain, {SectionData{"", "", numberedRows(200)}});
  std::set<NSIndexPath> shown;
  for (const auto& ip : list.table->indexPathsForVisibleRows()) shown.insert(ip);
  EXPECT_EQ(shown.size(), 13u) << "568 points of 44-point rows";

  for (double offset = 0; offset <= 200 * 44; offset += 97) {
    list.model->cellRequests.clear();
    list.model->displayed.clear();
    list.table->setContentOffset(CGPoint{0, offset});
    list.window->layoutIfNeeded();
    std::set<NSIndexPath> now;
    for (const auto& ip : list.table->indexPathsForVisibleRows()) now.insert(ip);
    for (const auto& ip : list.model->cellRequests)
      EXPECT_TRUE(now.count(ip) && !shown.count(ip)) << "row " << ip.row << " asked for at offset " << offset;
    EXPECT_EQ(list.model->cellRequests.size(), list.model->displayed.size());
    for (const auto& ip : now) {
      CGRect r = list.table->rectForRowAtIndexPath(ip);
      EXPECT_TRUE(r.maxY() > list.table->contentOffset().y && r.minY() < list.table->contentOffset().y + kHeight);
    }
    shown = now;
  }
  EXPECT_LE(list.model->cellsMade, 14) << "cells are reused, not made anew";
  EXPECT_DOUBLE_EQ(list.table->contentOffset().y, 200 * 44 - kHeight) << "clamped at the end";
}

TEST_F(TableViewTest, GroupedGeometryFollowsTheSettingsLook) {
  const double line = platform::lineHeight(UIFont::systemFontOfSize(13));
  std::string longFooter(40, 'x');
  for (int i = 0; i < 12; ++i) longFooter += " words";
  struct Case {
    UITableViewStyle style;
    double width;
    double margin;
  };
  for (const Case& c : {Case{UITableViewStyleInsetGrouped, 320, 16}, Case{UITableViewStyleInsetGrouped, 414, 20},
                        Case{UITableViewStyleGrouped, 320, 0}}) {
    SCOPED_TRACE(testing::Message() << "style " << c.style << " width " << c.width);
    ShownList list(c.style,
                   {SectionData{"", "", numberedRows(2)}, SectionData{"General", longFooter, numberedRows(3)},
                    SectionData{"", "", numberedRows(1)}},
                   CGRectMake(0, 0, c.width, 500));
    auto& t = *list.table;
    EXPECT_EQ(t.groupMargin(), c.margin);
    EXPECT_EQ(t.rectForHeaderInSection(0), CGRectMake(0, 0, c.width, 35)) << "35 points above a group without title";
    EXPECT_EQ(t.rectForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0)), CGRectMake(c.margin, 35, c.width - 2 * c.margin, 44));
    EXPECT_EQ(t.rectForFooterInSection(0).height(), 0);

    double header1 = 17 + line + 6;
    EXPECT_EQ(t.rectForHeaderInSection(1), CGRectMake(0, 35 + 88, c.width, header1));
    CGRect firstOfSecond = t.rectForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 1));
    EXPECT_EQ(firstOfSecond.minY(), 35 + 88 + header1);
    CGRect footer1 = t.rectForFooterInSection(1);
    EXPECT_EQ(footer1.minY(), firstOfSecond.minY() + 3 * 44);
    EXPECT_GE(footer1.height(), 12 + 2 * line) << "a long footer wraps";
    EXPECT_EQ(std::fmod(footer1.height() - 12, line), 0);
    EXPECT_EQ(t.rectForSection(2).minY(), footer1.maxY());
    EXPECT_EQ(t.contentSize().height, t.rectForSection(2).maxY() + 35) << "35 more after the last group";

    EXPECT_EQ(t.indexPathForRowAtPoint(CGPoint{100, 20}), std::nullopt) << "a header is no row";
    EXPECT_EQ(t.indexPathForRowAtPoint(CGPoint{100, 35 + 44 + 1}), NSIndexPath::indexPathForRow(1, 0));
    EXPECT_EQ(t.indexPathForRowAtPoint(CGPoint{100, firstOfSecond.minY()}), NSIndexPath::indexPathForRow(0, 1));
    EXPECT_EQ(t.rectForRowAtIndexPath(NSIndexPath::indexPathForRow(5, 0)), CGRect{}) << "no such row";
  }
}

TEST_F(TableViewTest, CellsKnowTheirPlaceInTheirGroup) {
  ShownList list(UITableViewStyleInsetGrouped, {SectionData{"", "", numberedRows(3)}, SectionData{"", "", numberedRows(1)}});
  struct Expect {
    NSIndexPath ip;
    bool first, last, separator;
  };
  for (const Expect& e : {Expect{NSIndexPath::indexPathForRow(0, 0), true, false, true},
                          Expect{NSIndexPath::indexPathForRow(1, 0), false, false, true},
                          Expect{NSIndexPath::indexPathForRow(2, 0), false, true, false},
                          Expect{NSIndexPath::indexPathForRow(0, 1), true, true, false}}) {
    auto cell = list.table->cellForRowAtIndexPath(e.ip);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->placement().firstInSection, e.first) << e.ip.description();
    EXPECT_EQ(cell->placement().lastInSection, e.last) << e.ip.description();
    EXPECT_EQ(cell->placement().separator, e.separator) << e.ip.description();
    EXPECT_EQ(cell->placement().cornerRadius, 10);
    EXPECT_EQ(cell->separatorInset().left, 16) << "inset to the text";
  }

  // A picture moves the text, and the separator with it.
  auto cell = list.table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(0, 0));
  cell->imageView()->setImage(solidImage(29, 29, RGB{0, 0, 255}));
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->imageView()->frame(), CGRectMake(16, (44 - 29) / 2.0, 29, 29));
  EXPECT_EQ(cell->textLabel()->frame().minX(), 16 + 29 + 16);
  EXPECT_EQ(cell->separatorInset().left, 16 + 29 + 16);
}

TEST_F(TableViewTest, TapsSelectRowsAndTellTheDelegate) {
  ShownList list(UITableViewStyleInsetGrouped, {SectionData{"Header", "", numberedRows(5)}});
  auto& model = *list.model;
  auto row = [](int r) { return NSIndexPath::indexPathForRow(r, 0); };

  ASSERT_TRUE(platform::tapAtPoint(list.rowCentre(row(2))));
  EXPECT_EQ(model.selections, std::vector<NSIndexPath>{row(2)});
  EXPECT_EQ(list.table->indexPathForSelectedRow(), row(2));
  EXPECT_TRUE(list.table->cellForRowAtIndexPath(row(2))->isSelected());

  // The grey stays until the row is deselected.
  CGPoint centre = list.rowCentre(row(2));
  auto pixel = [&] {
    return pixelAt(platform::renderScreen(nullptr, kPixelWidth, kPixelHeight), std::uint32_t(200 * kScale),
                   std::uint32_t(centre.y * kScale));
  };
  RGB grey = pixel();
  EXPECT_EQ(grey.r, 209);
  EXPECT_EQ(grey.b, 214);
  list.table->deselectRowAtIndexPath(row(2), true);
  EXPECT_EQ(pixel().r, 255);

  ASSERT_TRUE(platform::tapAtPoint(list.rowCentre(row(4))));
  ASSERT_TRUE(platform::tapAtPoint(list.rowCentre(row(0))));
  EXPECT_EQ(model.selections, (std::vector<NSIndexPath>{row(2), row(4), row(0)}));
  EXPECT_EQ(model.deselections, std::vector<NSIndexPath>{row(4)}) << "the user's new choice takes the old one away";
  EXPECT_FALSE(list.table->cellForRowAtIndexPath(row(4))->isSelected());

  // The header and the empty space under the rows are no rows.
  EXPECT_EQ(platform::tapAtPoint(CGPoint{100, 20}), nullptr);
  EXPECT_EQ(platform::tapAtPoint(CGPoint{100, 500}), nullptr);
  list.table->setAllowsSelection(false);
  platform::tapAtPoint(list.rowCentre(row(1)));
  EXPECT_EQ(model.selections.size(), 3u);
  EXPECT_EQ(list.table->indexPathForSelectedRow(), std::nullopt);
}

TEST_F(TableViewTest, ATapOnAnAccessoryControlReachesTheControlNotTheRow) {
  auto button = UIButton::buttonWithType(UIButtonTypeSystem);
  button->setTitle("Go");
  button->setFrame(CGRectMake(0, 0, 40, 30));
  int taps = 0;
  button->addHandler([&](UIControl*) { ++taps; }, UIControlEventTouchUpInside);
  RowData withButton("Action");
  withButton.accessoryView = button;
  ShownList list(UITableViewStyleInsetGrouped, {SectionData{"", "", {withButton}}});

  CGRect b = button->convertRectToView(button->bounds(), nullptr);
  EXPECT_EQ(b.maxX(), 320 - 16 - 16) << "16 from the group's right edge";
  EXPECT_EQ(platform::tapAtPoint(CGPoint{b.midX(), b.midY()}), button);
  EXPECT_EQ(taps, 1);
  EXPECT_TRUE(list.model->selections.empty());

  // A screen reader's activation of the row works its control too.
  auto elements = platform::accessibilityElements();
  auto it = std::find_if(elements.begin(), elements.end(), [](const auto& e) { return e.label == "Action"; });
  ASSERT_NE(it, elements.end());
  ASSERT_TRUE(it->activate());
  EXPECT_EQ(taps, 2);
}

TEST_F(TableViewTest, SwipingAnEditableRowOffersDeleteAndTappingItCommits) {
  std::vector<RowData> rows = numberedRows(4);
  for (auto& r : rows) r.editable = true;
  rows[3].editable = false;
  ShownList list(UITableViewStyleInsetGrouped, {SectionData{"", "", rows}});
  auto row = [](int r) { return NSIndexPath::indexPathForRow(r, 0); };

  EXPECT_FALSE(platform::dragAtPoint(list.rowCentre(row(3)), CGPoint{-120, 0})) << "not editable";
  EXPECT_FALSE(platform::dragAtPoint(list.rowCentre(row(1)), CGPoint{-5, 0})) << "too short for a swipe";
  EXPECT_FALSE(platform::tapControlWithTitle("Delete"));

  ASSERT_TRUE(platform::dragAtPoint(list.rowCentre(row(1)), CGPoint{-120, 4}));
  EXPECT_EQ(list.table->indexPathForDeleteConfirmation(), row(1));
  auto cell = list.table->cellForRowAtIndexPath(row(1));
  ASSERT_TRUE(cell->showingDeleteConfirmation());
  CGRect button = cell->deleteConfirmationButton()->convertRectToView(cell->deleteConfirmationButton()->bounds(), nullptr);
  EXPECT_EQ(button.maxX(), 320 - 16) << "at the row's right edge";
  EXPECT_GE(button.width(), 74);

  // A tap elsewhere puts it away without selecting anything.
  platform::tapAtPoint(list.rowCentre(row(2)));
  EXPECT_FALSE(cell->showingDeleteConfirmation());
  EXPECT_TRUE(list.model->selections.empty());
  EXPECT_TRUE(list.model->deletions.empty());

  ASSERT_TRUE(platform::dragAtPoint(list.rowCentre(row(1)), CGPoint{-120, 0}));
  ASSERT_TRUE(platform::tapAtPoint(CGPoint{button.midX(), button.midY()}));
  EXPECT_EQ(list.model->deletions, std::vector<NSIndexPath>{row(1)});
  EXPECT_EQ(list.visibleTexts(), (std::vector<std::string>{"Row 0", "Row 2", "Row 3"}));
  EXPECT_EQ(list.table->indexPathForDeleteConfirmation(), std::nullopt);

  // The same through the button's title, as a host taps by text.
  ASSERT_TRUE(platform::dragAtPoint(list.rowCentre(row(0)), CGPoint{-120, 0}));
  ASSERT_TRUE(platform::tapControlWithTitle("Delete"));
  EXPECT_EQ(list.visibleTexts(), (std::vector<std::string>{"Row 2", "Row 3"}));
}

TEST_F(TableViewTest, ARowDraggedLeftShowsItsDeleteAsTheFingerMovesAndStaysOpenPastHalfway) {
  std::vector<RowData> rows = numberedRows(4);
  for (auto& r : rows) r.editable = true;
  ShownList list(UITableViewStyleInsetGrouped, {SectionData{"", "", rows}});
  auto row = NSIndexPath::indexPathForRow(1, 0);
  CGPoint centre = list.rowCentre(row);
  auto shownWidth = [&] {
    auto cell = list.table->cellForRowAtIndexPath(row);
    return cell && cell->showingDeleteConfirmation() ? cell->deleteConfirmationButton()->frame().width() : 0.0;
  };
  struct Case {
    double to;  // how far left the finger goes, and lifts there at rest
    bool open;
  };
  for (Case c : {Case{30, false}, Case{60, true}}) {
    SCOPED_TRACE(c.to);
    ASSERT_TRUE(platform::touchScreen(UITouchPhaseBegan, centre, 1));
    platform::touchScreen(UITouchPhaseMoved, CGPoint{centre.x - 20, centre.y}, 1.05);
    EXPECT_EQ(shownWidth(), 20) << "as wide as the finger has gone";
    platform::touchScreen(UITouchPhaseMoved, CGPoint{centre.x - c.to, centre.y + 3}, 1.1);
    EXPECT_EQ(shownWidth(), c.to);
    platform::touchScreen(UITouchPhaseEnded, CGPoint{centre.x - c.to, centre.y + 3}, 1.5);
    EXPECT_EQ(list.table->indexPathForDeleteConfirmation().has_value(), c.open);
    if (c.open) {
      EXPECT_GE(shownWidth(), 74) << "whole once it stays open";
    }
  }
  EXPECT_EQ(list.table->contentOffset().y, 0) << "a sideways drag does not scroll";
  // Dragged back to the right, it closes with the finger.
  platform::touchScreen(UITouchPhaseBegan, centre, 2);
  platform::touchScreen(UITouchPhaseMoved, CGPoint{centre.x + 50, centre.y}, 2.05);
  EXPECT_EQ(shownWidth(), list.table->cellForRowAtIndexPath(row)->deleteConfirmationWidth() - 50);
  platform::touchScreen(UITouchPhaseEnded, CGPoint{centre.x + 50, centre.y}, 2.5);
  EXPECT_EQ(list.table->indexPathForDeleteConfirmation(), std::nullopt);
  EXPECT_TRUE(list.model->deletions.empty());
}

TEST_F(TableViewTest, AVerticalDragScrollsAndPutsAwayTheDeleteButton) {
  std::vector<RowData> rows = numberedRows(40);
  rows[0].editable = true;
  ShownList list(UITableViewStylePlain, {SectionData{"", "", rows}});
  ASSERT_TRUE(platform::dragAtPoint(list.rowCentre(NSIndexPath::indexPathForRow(0, 0)), CGPoint{-100, 0}));
  ASSERT_TRUE(platform::dragAtPoint(CGPoint{160, 300}, CGPoint{10, -130}));
  EXPECT_EQ(list.table->contentOffset().y, 130);
  EXPECT_EQ(list.table->indexPathForDeleteConfirmation(), std::nullopt);
  ASSERT_TRUE(platform::dragAtPoint(CGPoint{160, 300}, CGPoint{0, 1000}));
  EXPECT_LT(list.table->contentOffset().y, 0) << "stretched past the top";
  for (double t = 1; list.table->isDecelerating() && t < 5; t += CADisplayLink::kFrameDuration) fireDisplayLinks(t);
  EXPECT_EQ(list.table->contentOffset().y, 0) << "and back onto it";
}

TEST_F(TableViewTest, AReaderListsEveryRowAndReachesOnesOutOfSight) {
  std::vector<RowData> rows = numberedRows(30);
  rows[0] = RowData("Wi-Fi", "Home", UITableViewCellAccessoryDisclosureIndicator);
  rows[1] = RowData("Chosen", "", UITableViewCellAccessoryCheckmark);
  ShownList list(UITableViewStyleInsetGrouped, {SectionData{"Things", "About things", rows}});
  list.model->cellRequests.clear();

  auto elements = platform::accessibilityElements();
  std::vector<std::string> labels;
  for (const auto& e : elements) labels.push_back(e.label);
  ASSERT_EQ(labels.size(), 32u);
  EXPECT_EQ(labels.front(), "Things");
  EXPECT_EQ(labels[1], "Wi-Fi");
  EXPECT_EQ(labels[29], "Row 28");
  EXPECT_EQ(labels.back(), "About things");
  EXPECT_TRUE(elements.front().traits & UIAccessibilityTraitHeader);
  EXPECT_TRUE(elements.back().traits & UIAccessibilityTraitStaticText);
  EXPECT_EQ(elements[1].value, "Home");
  EXPECT_TRUE(elements[1].traits & UIAccessibilityTraitButton);
  EXPECT_TRUE(elements[2].traits & UIAccessibilityTraitSelected) << "a checkmark reads as selected";

  const auto& far = elements[28];  // "Row 27"
  EXPECT_GT(far.frame.minY(), kHeight) << "out of sight, listed where it would be";
  EXPECT_EQ(list.table->cellForRowAtIndexPath(NSIndexPath::indexPathForRow(27, 0)), nullptr);
  EXPECT_LE(list.model->cellsMade, 14) << "cells made to read rows out of sight go back to the queue";

  ASSERT_TRUE(far.activate());
  EXPECT_EQ(list.model->selections, std::vector<NSIndexPath>{NSIndexPath::indexPathForRow(27, 0)});
  CGRect now = list.table->convertRectToView(list.table->rectForRowAtIndexPath(NSIndexPath::indexPathForRow(27, 0)), nullptr);
  EXPECT_GE(now.minY(), 0);
  EXPECT_LE(now.maxY(), kHeight) << "scrolled into view before the tap";

  // Tapping by text reaches a row out of sight the same way.
  ASSERT_TRUE(platform::tapControlWithTitle("Row 2"));
  EXPECT_EQ(list.model->selections.back(), NSIndexPath::indexPathForRow(2, 0));
}

TEST_F(TableViewTest, BadAnswersFromTheDataSourceAreSurvived) {
  class Liar : public UITableViewDataSource {
   public:
    int sections = -3;
    int rows = -1;
    std::shared_ptr<UITableViewCell> shared = UITableViewCell::alloc()->initWithStyle(UITableViewCellStyleDefault, "");
    int numberOfSectionsInTableView(UITableView*) override { return sections; }
    int numberOfRowsInSection(UITableView*, int) override { return rows; }
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView*, const NSIndexPath&) override { return shared; }
  };
  platform::LogCapture log;
  auto liar = std::make_shared<Liar>();
  auto table = UITableView::alloc()->initWithFrame(CGRectMake(0, 0, 320, 400), UITableViewStyleGrouped);
  table->setDataSource(liar);
  table->layoutIfNeeded();
  EXPECT_EQ(table->numberOfSections(), 0);
  EXPECT_TRUE(log.containsSubstring("says -3 sections"));

  liar->sections = 1;
  liar->rows = 3;
  table->reloadData();
  table->layoutIfNeeded();
  EXPECT_EQ(table->visibleCells().size(), 3u);
  EXPECT_TRUE(log.containsSubstring("gave the cell of row {0, 0} for row {0, 1} too"));
  std::set<UITableViewCell*> distinct;
  for (const auto& c : table->visibleCells()) distinct.insert(c.get());
  EXPECT_EQ(distinct.size(), 3u) << "one cell is never in two rows";

  // A data source that went away leaves an empty list.
  liar.reset();
  table->reloadData();
  table->layoutIfNeeded();
  EXPECT_EQ(table->numberOfSections(), 0);
  EXPECT_TRUE(table->visibleCells().empty());
  EXPECT_EQ(table->contentSize().height, 0);
}

TEST_F(TableViewTest, DelegateViewsAndHeightsTakeThePlaceOfTitles) {
  class Headers : public ListModel {
   public:
    std::shared_ptr<UIView> viewForHeaderInSection(UITableView*, int section) override {
      if (section != 1) return nullptr;
      auto label = UILabel::alloc();
      label->setText("Custom header");
      return label;
    }
    double heightForHeaderInSection(UITableView*, int section) override {
      return section == 1 ? 60 : UITableViewAutomaticDimension;
    }
    double heightForFooterInSection(UITableView*, int section) override {
      return section == 0 ? 0 : UITableViewAutomaticDimension;
    }
  };
  ShownList list(UITableViewStyleGrouped, {});
  list.model = std::make_shared<Headers>();
  list.model->sections = {SectionData{"", "Hidden footer", numberedRows(1)},
                          SectionData{"Replaced title", "", numberedRows(1)}};
  list.table->setDataSource(list.model);
  list.table->setDelegate(list.model);
  list.window->layoutIfNeeded();

  EXPECT_EQ(list.table->rectForFooterInSection(0).height(), 0);
  CGRect header = list.table->rectForHeaderInSection(1);
  EXPECT_EQ(header, CGRectMake(0, 35 + 44, 320, 60));
  UILabel* shown = nullptr;
  for (const auto& sub : list.table->subviews())
    if (auto* label = dynamic_cast<UILabel*>(sub.get()); label && label->text() == "Custom header") shown = label;
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->frame(), header) << "sized to the header's rectangle";

  std::vector<std::string> labels;
  for (const auto& e : platform::accessibilityElements()) labels.push_back(e.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"Row 0", "Custom header", "Row 0"}));
}

TEST_F(TableViewTest, ScrollingToARowPlacesItAsAsked) {
  ShownList list(UITableViewStylePlain, {SectionData{"", "", numberedRows(100)}}, CGRectMake(0, 0, 320, 440));
  const NSIndexPath row50 = NSIndexPath::indexPathForRow(50, 0);  // content 2200 to 2244
  struct Case {
    UITableViewScrollPosition position;
    double start;
    double offset;
  };
  for (const Case& c : {Case{UITableViewScrollPositionTop, 0, 2200}, Case{UITableViewScrollPositionMiddle, 0, 2002},
                        Case{UITableViewScrollPositionBottom, 0, 1804}, Case{UITableViewScrollPositionNone, 0, 1804},
                        Case{UITableViewScrollPositionNone, 3000, 2200}, Case{UITableViewScrollPositionNone, 2100, 2100}}) {
    list.table->setContentOffset(CGPoint{0, c.start});
    list.table->scrollToRowAtIndexPath(row50, c.position, true);
    EXPECT_EQ(list.table->contentOffset().y, c.offset) << "position " << c.position << " from " << c.start;
    list.table->layoutIfNeeded();
    EXPECT_TRUE(list.table->cellForRowAtIndexPath(row50)) << "in view afterwards";
  }
  platform::LogCapture log;
  list.table->scrollToRowAtIndexPath(NSIndexPath::indexPathForRow(100, 0), UITableViewScrollPositionTop, false);
  EXPECT_EQ(list.table->contentOffset().y, 2100);
  EXPECT_TRUE(log.containsSubstring("cannot scroll to row {0, 100}"));
}

TEST_F(TableViewTest, ASwitchRowReadsOnOrOffAndItsSwitchTakesTheTap) {
  auto toggle = UISwitch::alloc()->initWithFrame(CGRectMake(0, 0, 0, 0));
  toggle->setOn(true);
  int changes = 0;
  toggle->addHandler([&](UIControl*) { ++changes; }, UIControlEventValueChanged);
  RowData row("Enabled");
  row.accessoryView = toggle;
  ShownList list(UITableViewStyleInsetGrouped, {SectionData{"", "", {row}}});

  auto read = [] {
    for (const auto& e : platform::accessibilityElements())
      if (e.label == "Enabled") return e;
    return UIAccessibilityElement{};
  };
  UIAccessibilityElement element = read();
  EXPECT_EQ(element.value, "on");
  EXPECT_TRUE(element.traits & UIAccessibilityTraitToggleButton);
  EXPECT_EQ(platform::accessibilityElements().size(), 1u) << "the switch is part of its row, not read twice";

  CGRect knob = toggle->convertRectToView(toggle->bounds(), nullptr);
  EXPECT_EQ(platform::tapAtPoint(CGPoint{knob.midX(), knob.midY()}), toggle);
  EXPECT_FALSE(toggle->isOn());
  EXPECT_EQ(read().value, "off");
  ASSERT_TRUE(read().activate());
  EXPECT_TRUE(toggle->isOn());
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(list.model->selections.empty()) << "working the switch selects no row";
}

TEST_F(TableViewTest, StandardPartsAreLaidOutByStyle) {
  struct Case {
    UITableViewCellStyle style;
    UITableViewCellAccessoryType accessory;
    CGRect text;         // in the content view
    CGRect detail;
    double contentWidth;
  };
  const double line17 = platform::lineHeight(UIFont::systemFontOfSize(17));
  const double line12 = platform::lineHeight(UIFont::systemFontOfSize(12));
  const double top = (44 - line17 - line12) / 2;
  // A 320-wide row; a chevron is 8 wide, 16 from the right, and the content ends 6 before it.
  const double withChevron = 320 - 16 - 8 - 6;
  const Case cases[] = {
      {UITableViewCellStyleDefault, UITableViewCellAccessoryNone, CGRectMake(16, 0, 288, 44), CGRect{}, 320},
      {UITableViewCellStyleDefault, UITableViewCellAccessoryDisclosureIndicator,
       CGRectMake(16, 0, withChevron - 16, 44), CGRect{}, withChevron},
      {UITableViewCellStyleSubtitle, UITableViewCellAccessoryNone, CGRectMake(16, top, 288, line17),
       CGRectMake(16, top + line17, 288, line12), 320},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << c.style << " accessory " << c.accessory);
    auto cell = UITableViewCell::alloc()->initWithStyle(c.style, "");
    cell->setFrame(CGRectMake(0, 0, 320, 44));
    cell->textLabel()->setText("Title");
    if (auto detail = cell->detailTextLabel()) detail->setText("Detail");
    cell->setAccessoryType(c.accessory);
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->contentView()->frame().width(), c.contentWidth);
    EXPECT_EQ(cell->textLabel()->frame(), c.text);
    if (auto detail = cell->detailTextLabel()) EXPECT_EQ(detail->frame(), c.detail);
    else EXPECT_TRUE(CGRectIsEmpty(c.detail)) << "the default style has no detail";
  }

  // value1: the detail sits at the content's right edge, right-aligned, beside the text.
  auto cell = UITableViewCell::alloc()->initWithStyle(UITableViewCellStyleValue1, "");
  cell->setFrame(CGRectMake(0, 0, 320, 44));
  cell->textLabel()->setText("Location");
  cell->detailTextLabel()->setText("Both");
  cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
  cell->layoutIfNeeded();
  CGRect detail = cell->detailTextLabel()->frame();
  EXPECT_EQ(detail.maxX(), withChevron);
  EXPECT_EQ(cell->detailTextLabel()->textAlignment(), NSTextAlignmentRight);
  EXPECT_GE(detail.minX(), cell->textLabel()->frame().maxX() + 8);
  EXPECT_EQ(cell->detailTextLabel()->textColor(), UIColor::secondaryLabelColor());

  // A long detail takes what the text leaves; against a long text it keeps a third of the row.
  // A new text is laid out by itself, as a row showing a changed value must be.
  cell->detailTextLabel()->setText(std::string(80, 'w'));
  cell->layoutIfNeeded();
  EXPECT_EQ(cell->detailTextLabel()->frame().minX(), cell->textLabel()->frame().maxX() + 8);
  cell->textLabel()->setText(std::string(80, 'm'));
  cell->layoutIfNeeded();
  EXPECT_NEAR(cell->detailTextLabel()->frame().width(), (withChevron - 16) / 3, 0.01);
  EXPECT_NEAR(cell->textLabel()->frame().width(), (withChevron - 16) * 2 / 3 - 8, 0.01);
}
