#pragma once
// UITableViewCell: one row of a list. A cell has a content view holding its standard parts (text,
// detail text and picture, made on first use), an accessory at its right (a chevron, a checkmark,
// or any view such as a switch), and a background it draws itself: white, the grey highlight
// while it is selected or highlighted, and a hairline separator along its bottom.
//
// Custom cells may add subviews to the content view or directly to the cell, and may insist on a
// frame other than their row's (a banner taller than its row is drawn whole). A cell's own
// backgroundColor, when set, paints its whole frame beneath that background, square-cornered.
//
// Geometry of the standard parts, in the cell's coordinates (points):
//   picture      16 from the left, centred vertically, at its own size (no taller than the row
//                less 8)
//   text         17 pt, 16 from the left, or 16 past the picture
//   detail       value1: 17 pt grey, right-aligned at the content's right edge; subtitle: 12 pt
//                grey, under the text, the two centred together
//   accessory    16 from the right edge, centred vertically; the content view ends 6 before it
//   separator    one pixel at the bottom, from the text's left edge (16, or past the picture) to
//                the right edge
#include <memory>
#include <optional>
#include <string>

#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIScrollView.h"
#include "platform/uikit/UIView.h"

class UIButton;
class UITableView;

enum UITableViewCellStyle {
  UITableViewCellStyleDefault = 0,  // text only (and a picture)
  UITableViewCellStyleValue1 = 1,   // text at the left, grey detail at the right
  UITableViewCellStyleSubtitle = 3, // text with a smaller grey line under it
};

enum UITableViewCellAccessoryType {
  UITableViewCellAccessoryNone = 0,
  // A grey chevron: tapping the row opens something.
  UITableViewCellAccessoryDisclosureIndicator = 1,
  // A checkmark in the tint colour: the row is the chosen one.
  UITableViewCellAccessoryCheckmark = 3,
};

enum UITableViewCellSelectionStyle {
  UITableViewCellSelectionStyleNone = 0,  // selection is not drawn
  UITableViewCellSelectionStyleBlue = 1,  // drawn grey, as on current systems
  UITableViewCellSelectionStyleGray = 2,
  UITableViewCellSelectionStyleDefault = 3,
};

enum UITableViewCellEditingStyle {
  UITableViewCellEditingStyleNone = 0,
  UITableViewCellEditingStyleDelete = 1,
  UITableViewCellEditingStyleInsert = 2,
};

// Where the list placed the cell, set by the list each time it lays the row out: how its
// background is rounded, and whether a separator runs along its bottom.
struct UITableViewCellPlacement {
  double cornerRadius = 0;  // of the group the row is in (inset-grouped lists)
  bool firstInSection = false;
  bool lastInSection = false;
  bool separator = true;
  friend bool operator==(const UITableViewCellPlacement&, const UITableViewCellPlacement&) = default;
};

class UITableViewCell : public UIView {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UITableViewCell> alloc();
  // initWithStyle:reuseIdentifier:. A cell made by its constructor alone has the default style and
  // no reuse identifier.
  std::shared_ptr<UITableViewCell> initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier);
  explicit UITableViewCell(objc::Class* isa = UITableViewCell::cls());

  UITableViewCellStyle style() const { return style_; }
  const std::string& reuseIdentifier() const { return reuseIdentifier_; }

  // ---- Parts ----
  const std::shared_ptr<UIView>& contentView() const { return contentView_; }
  // Made on first use, inside the content view.
  const std::shared_ptr<UILabel>& textLabel();
  // Made on first use for the value1 and subtitle styles; nullptr for the default style.
  std::shared_ptr<UILabel> detailTextLabel();
  const std::shared_ptr<UIImageView>& imageView();
  // The parts without making them: nullptr until first used.
  UILabel* existingTextLabel() const { return textLabel_.get(); }
  UILabel* existingDetailTextLabel() const { return detailTextLabel_.get(); }
  UIImageView* existingImageView() const { return imageView_.get(); }

  // ---- Accessory ----
  UITableViewCellAccessoryType accessoryType() const { return accessoryType_; }
  void setAccessoryType(UITableViewCellAccessoryType type);
  // A view in place of the accessory type's mark (a switch, say); nullptr goes back to the type.
  const std::shared_ptr<UIView>& accessoryView() const { return accessoryView_; }
  void setAccessoryView(std::shared_ptr<UIView> view);

  // ---- Selection ----
  UITableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
  void setSelectionStyle(UITableViewCellSelectionStyle style);
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected, bool animated);
  // The grey of a finger resting on the row; drawn like selection.
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted, bool animated);

  // ---- Separator ----
  // The separator's insets from the cell's left and right edges; by default the text's left edge.
  UIEdgeInsets separatorInset() const;
  void setSeparatorInset(std::optional<UIEdgeInsets> insets);

  // ---- Reuse ----
  // Sent when the list hands the cell out again from its reuse queue. The default clears the
  // selection, the highlight and the delete button; the data source sets the content anew.
  virtual void prepareForReuse();

  // ---- Set by the list ----
  const UITableViewCellPlacement& placement() const { return placement_; }
  void setPlacement(const UITableViewCellPlacement& placement);
  // The red delete button at the right edge, with the content moved aside; an empty title hides it.
  bool showingDeleteConfirmation() const { return deleteButton_ != nullptr; }
  void setDeleteConfirmationTitle(const std::string& title);
  const std::shared_ptr<UIButton>& deleteConfirmationButton() const { return deleteButton_; }
  // How wide the button is when it shows whole.
  double deleteConfirmationWidth() const;
  // While a finger drags the row sideways: how far the content is moved aside (the button shows
  // that wide); nullopt shows the button whole.
  void setDeleteConfirmationReveal(std::optional<double> width);
  // The list the cell is shown in, if any.
  UITableView* tableView() const;

  // ---- UIView ----
  void layoutSubviews() override;
  // A tap anywhere on the row that no control inside it took: the list selects the row.
  bool handleTap(const CGPoint& point) override;
  // One element for the whole row: its text as label, its detail (or its switch's state) as
  // value, and its accessory as traits. A custom cell without a text label reads out the labels
  // of what it contains.
  bool isAccessibilityElement() const override;
  std::string accessibilityLabel() const override;
  std::string accessibilityValue() const override;
  UIAccessibilityTraits accessibilityTraits() const override;
  // A row with a control for an accessory (a switch) works that control; any other row is tapped.
  bool accessibilityActivate() override;

 private:
  // The content view lays the standard parts out again when one of them changes its text or picture.
  class ContentView;
  void layoutStandardParts(double contentWidth);
  // The picture's size in a row of this height: its own, no taller than the row less a margin.
  CGSize pictureSize() const;
  double textLeft() const;

  UITableViewCellStyle style_ = UITableViewCellStyleDefault;
  std::string reuseIdentifier_;
  std::shared_ptr<UIView> backgroundView_;
  std::shared_ptr<UIView> contentView_;
  std::shared_ptr<UILabel> textLabel_;
  std::shared_ptr<UILabel> detailTextLabel_;
  std::shared_ptr<UIImageView> imageView_;
  UITableViewCellAccessoryType accessoryType_ = UITableViewCellAccessoryNone;
  std::shared_ptr<UIView> accessoryMark_;  // draws the accessory type
  std::shared_ptr<UIView> accessoryView_;
  UITableViewCellSelectionStyle selectionStyle_ = UITableViewCellSelectionStyleDefault;
  bool selected_ = false;
  bool highlighted_ = false;
  std::optional<UIEdgeInsets> separatorInset_;
  UITableViewCellPlacement placement_;
  std::shared_ptr<UIButton> deleteButton_;
  std::optional<double> deleteReveal_;
  bool clippedBeforeDeleteButton_ = false;
};
