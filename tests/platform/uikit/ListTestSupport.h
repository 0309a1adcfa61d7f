#pragma once
// A list's rows as plain data, served to a table by a data source that counts what it is asked,
// and a window that shows a controller on the small phone of UIKitTestSupport.h.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITableView.h"
#include "platform/uikit/UITableViewController.h"
#include "platform/uikit/UIWindow.h"

struct RowData {
  explicit RowData(std::string text = {}, std::string detail = {},
                   UITableViewCellAccessoryType accessory = UITableViewCellAccessoryNone,
                   double height = UITableViewAutomaticDimension)
      : text(std::move(text)), detail(std::move(detail)), accessory(accessory), height(height) {}
  std::string text;
  std::string detail;
  UITableViewCellAccessoryType accessory = UITableViewCellAccessoryNone;
  std::shared_ptr<UIView> accessoryView;
  double height = UITableViewAutomaticDimension;
  bool editable = false;
};

struct SectionData {
  std::string header;
  std::string footer;
  std::vector<RowData> rows;
};

inline std::vector<RowData> numberedRows(int count, const std::string& prefix = "Row ") {
  std::vector<RowData> rows;
  for (int i = 0; i < count; ++i) rows.push_back(RowData(prefix + std::to_string(i)));
  return rows;
}

// Serves the sections through value1 cells from the reuse queue, and notes what the list asks
// and tells.
class ListModel : public UITableViewDataSource, public UITableViewDelegate {
 public:
  std::vector<SectionData> sections;
  int cellsMade = 0;                       // new cells, not reused ones
  std::vector<NSIndexPath> cellRequests;   // every cellForRowAtIndexPath
  std::vector<NSIndexPath> selections;     // didSelectRowAtIndexPath
  std::vector<NSIndexPath> deselections;   // didDeselectRowAtIndexPath
  std::vector<NSIndexPath> displayed;      // willDisplayCell
  std::vector<NSIndexPath> deletions;      // commitEditingStyle (the row is then removed)

  int numberOfSectionsInTableView(UITableView*) override { return int(sections.size()); }
  int numberOfRowsInSection(UITableView*, int section) override {
    return int(sections.at(std::size_t(section)).rows.size());
  }
  std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(UITableView* table, const NSIndexPath& ip) override {
    cellRequests.push_back(ip);
    auto cell = table->dequeueReusableCellWithIdentifier("row");
    if (!cell) {
      cell = UITableViewCell::alloc()->initWithStyle(UITableViewCellStyleValue1, "row");
      ++cellsMade;
    }
    const RowData& row = rowAt(ip);
    cell->textLabel()->setText(row.text);
    cell->detailTextLabel()->setText(row.detail);
    cell->setAccessoryType(row.accessory);
    cell->setAccessoryView(row.accessoryView);
    return cell;
  }
  std::string titleForHeaderInSection(UITableView*, int section) override { return sections.at(std::size_t(section)).header; }
  std::string titleForFooterInSection(UITableView*, int section) override { return sections.at(std::size_t(section)).footer; }
  bool canEditRowAtIndexPath(UITableView*, const NSIndexPath& ip) override { return rowAt(ip).editable; }
  void commitEditingStyle(UITableView* table, UITableViewCellEditingStyle style, const NSIndexPath& ip) override {
    if (style != UITableViewCellEditingStyleDelete) return;
    deletions.push_back(ip);
    auto& rows = sections.at(std::size_t(ip.section)).rows;
    rows.erase(rows.begin() + ip.row);
    table->deleteRowsAtIndexPaths({ip}, UITableViewRowAnimationAutomatic);
  }

  double heightForRowAtIndexPath(UITableView*, const NSIndexPath& ip) override { return rowAt(ip).height; }
  void willDisplayCell(UITableView*, UITableViewCell*, const NSIndexPath& ip) override { displayed.push_back(ip); }
  void didSelectRowAtIndexPath(UITableView*, const NSIndexPath& ip) override { selections.push_back(ip); }
  void didDeselectRowAtIndexPath(UITableView*, const NSIndexPath& ip) override { deselections.push_back(ip); }

  const RowData& rowAt(const NSIndexPath& ip) const {
    return sections.at(std::size_t(ip.section)).rows.at(std::size_t(ip.row));
  }
};

// A table filling a window of the screen's size, served by the model, laid out and visible.
struct ShownList {
  std::shared_ptr<ListModel> model = std::make_shared<ListModel>();
  std::shared_ptr<UIWindow> window;
  std::shared_ptr<UITableView> table;

  explicit ShownList(UITableViewStyle style, std::vector<SectionData> sections, std::optional<CGRect> frame = {}) {
    model->sections = std::move(sections);
    CGRect screen = UIScreen::mainScreen().bounds();
    window = UIWindow::alloc()->initWithFrame(screen);
    auto root = UIViewController::create();
    window->setRootViewController(root);
    table = UITableView::alloc()->initWithFrame(frame.value_or(screen), style);
    table->setDataSource(model);
    table->setDelegate(model);
    root->view()->addSubview(table);
    window->makeKeyAndVisible();
    window->layoutIfNeeded();
  }

  // The middle of a row on the screen, as it is now.
  CGPoint rowCentre(const NSIndexPath& ip) {
    CGRect r = table->convertRectToView(table->rectForRowAtIndexPath(ip), nullptr);
    return CGPoint{r.midX(), r.midY()};
  }
  std::vector<std::string> visibleTexts() {
    table->layoutIfNeeded();
    std::vector<std::string> texts;
    for (const auto& ip : table->indexPathsForVisibleRows())
      texts.push_back(table->cellForRowAtIndexPath(ip)->textLabel()->text());
    return texts;
  }
};
