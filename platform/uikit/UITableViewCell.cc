#include "platform/uikit/UITableViewCell.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UITableView.h"

namespace {

constexpr double kSideMargin = 16;
constexpr double kTextGap = 16;        // between the picture and the text
constexpr double kDetailGap = 8;       // between the text and a value1 detail
constexpr double kAccessoryGap = 6;    // between the content and the accessory
constexpr double kPictureMargin = 4;   // above and below a picture as tall as its row
constexpr double kDeleteButtonPadding = 15;
constexpr double kDeleteButtonMinWidth = 74;

constexpr UIFont kTextFont = UIFont::systemFontOfSize(17);
constexpr UIFont kSubtitleFont = UIFont::systemFontOfSize(12);
constexpr UIColor kHighlightColor = UIColor::colorWithRed(209 / 255.0, 209 / 255.0, 214 / 255.0);
constexpr UIColor kChevronColor = UIColor::colorWithRed(196 / 255.0, 196 / 255.0, 199 / 255.0);

double hairline() { return 1.0 / UIScreen::mainScreen().scale(); }

// A rectangle whose top corners, bottom corners, both or neither are rounded: the background of
// the first and last rows of a rounded group.
void addGroupRowPath(cairo_t* cr, const CGRect& r, double radius, bool roundTop, bool roundBottom) {
  double rad = std::clamp(radius, 0.0, std::min(r.width(), r.height()) / 2);
  double top = roundTop ? rad : 0, bottom = roundBottom ? rad : 0;
  constexpr double pi = std::numbers::pi;
  cairo_new_sub_path(cr);
  if (top > 0) {
    cairo_arc(cr, r.minX() + top, r.minY() + top, top, pi, 3 * pi / 2);
    cairo_arc(cr, r.maxX() - top, r.minY() + top, top, -pi / 2, 0);
  } else {
    cairo_move_to(cr, r.minX(), r.minY());
    cairo_line_to(cr, r.maxX(), r.minY());
  }
  if (bottom > 0) {
    cairo_arc(cr, r.maxX() - bottom, r.maxY() - bottom, bottom, 0, pi / 2);
    cairo_arc(cr, r.minX() + bottom, r.maxY() - bottom, bottom, pi / 2, pi);
  } else {
    cairo_line_to(cr, r.maxX(), r.maxY());
    cairo_line_to(cr, r.minX(), r.maxY());
  }
  cairo_close_path(cr);
}

// The cell's background: white (unless the cell has a colour of its own), grey while selected or
// highlighted, rounded as the cell's place in its group says, with the separator along its bottom.
class CellBackgroundView final : public UIView {
 public:
  CellBackgroundView() { setUserInteractionEnabled(false); }

  void draw(cairo_t* cr) override {
    auto* cell = dynamic_cast<UITableViewCell*>(superview());
    if (!cell) return;
    const UITableViewCellPlacement& place = cell->placement();
    CGRect b = bounds();
    bool highlighted = (cell->isSelected() || cell->isHighlighted()) &&
                       cell->selectionStyle() != UITableViewCellSelectionStyleNone;
    if (highlighted || cell->backgroundColor().alpha <= 0) {
      platform::setSourceColor(cr, highlighted ? kHighlightColor : UIColor::whiteColor());
      addGroupRowPath(cr, b, place.cornerRadius, place.firstInSection, place.lastInSection);
      cairo_fill(cr);
    }
    if (place.separator) {
      UIEdgeInsets inset = cell->separatorInset();
      double t = hairline();
      double left = b.minX() + inset.left, right = b.maxX() - inset.right;
      if (right > left) {
        platform::setSourceColor(cr, UIColor::separatorColor());
        cairo_rectangle(cr, left, b.maxY() - t, right - left, t);
        cairo_fill(cr);
      }
    }
  }
};

// The mark of an accessory type: a grey chevron or a checkmark in the tint colour.
class AccessoryMarkView final : public UIView {
 public:
  AccessoryMarkView() { setUserInteractionEnabled(false); }

  void setType(UITableViewCellAccessoryType type) {
    type_ = type;
    CGSize size = type == UITableViewCellAccessoryCheckmark ? CGSize{14, 11} : CGSize{8, 13};
    setFrame(CGRect{frame().origin, size});
  }

  void draw(cairo_t* cr) override {
    CGRect b = bounds();
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 2);
    if (type_ == UITableViewCellAccessoryCheckmark) {
      platform::setSourceColor(cr, tintColor());
      cairo_move_to(cr, b.minX() + 1, b.midY());
      cairo_line_to(cr, b.minX() + 5, b.maxY() - 1);
      cairo_line_to(cr, b.maxX() - 1, b.minY() + 1);
    } else {
      platform::setSourceColor(cr, kChevronColor);
      cairo_move_to(cr, b.minX() + 1, b.minY() + 1);
      cairo_line_to(cr, b.maxX() - 1, b.midY());
      cairo_line_to(cr, b.minX() + 1, b.maxY() - 1);
    }
    cairo_stroke(cr);
  }

 private:
  UITableViewCellAccessoryType type_ = UITableViewCellAccessoryNone;
};

// The red button a swipe reveals, its outer corners rounded with the row's group.
class DeleteConfirmationButton final : public UIButton {
 public:
  DeleteConfirmationButton() : UIButton(UIButton::cls()) { setTitleColor(UIColor::whiteColor()); }

  void draw(cairo_t* cr) override {
    auto* cell = dynamic_cast<UITableViewCell*>(superview());
    const UITableViewCellPlacement place = cell ? cell->placement() : UITableViewCellPlacement{};
    CGRect b = bounds();
    platform::setSourceColor(cr, UIColor::systemRedColor());
    // Rounded at the right only: the left edge meets the moved content.
    cairo_save(cr);
    cairo_rectangle(cr, b.minX(), b.minY(), b.width(), b.height());
    cairo_clip(cr);
    CGRect wider = CGRectMake(b.minX() - place.cornerRadius, b.minY(), b.width() + place.cornerRadius, b.height());
    addGroupRowPath(cr, wider, place.cornerRadius, place.firstInSection, place.lastInSection);
    cairo_fill(cr);
    cairo_restore(cr);
    UIButton::draw(cr);
  }
};

std::shared_ptr<UILabel> makeLabel(const UIFont& font, const UIColor& color) {
  auto label = UILabel::alloc();
  label->setFont(font);
  label->setTextColor(color);
  return label;
}

}  // namespace

class UITableViewCell::ContentView final : public UIView {
 public:
  void layoutSubviews() override {
    if (auto* cell = dynamic_cast<UITableViewCell*>(superview())) cell->layoutStandardParts(bounds().width());
  }
};

OBJC_DEFINE_CLASS(UITableViewCell, UIView)

std::shared_ptr<UITableViewCell> UITableViewCell::alloc() { return std::make_shared<UITableViewCell>(); }

UITableViewCell::UITableViewCell(objc::Class* isa) : UIView(isa) {
  setFrame(CGRectMake(0, 0, 320, 44));
  backgroundView_ = std::make_shared<CellBackgroundView>();
  contentView_ = std::make_shared<ContentView>();
  addSubview(backgroundView_);
  addSubview(contentView_);
  accessoryMark_ = std::make_shared<AccessoryMarkView>();
}

std::shared_ptr<UITableViewCell> UITableViewCell::initWithStyle(UITableViewCellStyle style, std::string reuseIdentifier) {
  switch (style) {
    case UITableViewCellStyleDefault:
    case UITableViewCellStyleValue1:
    case UITableViewCellStyleSubtitle: style_ = style; break;
    default: style_ = UITableViewCellStyleDefault;
  }
  reuseIdentifier_ = std::move(reuseIdentifier);
  // A detail label made for another style has no place in this one.
  if (detailTextLabel_ && style_ == UITableViewCellStyleDefault) {
    detailTextLabel_->removeFromSuperview();
    detailTextLabel_.reset();
  }
  if (detailTextLabel_) detailTextLabel_->setFont(style_ == UITableViewCellStyleSubtitle ? kSubtitleFont : kTextFont);
  setNeedsLayout();
  return std::static_pointer_cast<UITableViewCell>(shared_from_this());
}

// ---- Parts ----

const std::shared_ptr<UILabel>& UITableViewCell::textLabel() {
  if (!textLabel_) {
    textLabel_ = makeLabel(kTextFont, UIColor::labelColor());
    contentView_->addSubview(textLabel_);
    setNeedsLayout();
  }
  return textLabel_;
}

std::shared_ptr<UILabel> UITableViewCell::detailTextLabel() {
  if (style_ == UITableViewCellStyleDefault) return nullptr;
  if (!detailTextLabel_) {
    bool subtitle = style_ == UITableViewCellStyleSubtitle;
    detailTextLabel_ = makeLabel(subtitle ? kSubtitleFont : kTextFont, UIColor::secondaryLabelColor());
    if (!subtitle) detailTextLabel_->setTextAlignment(NSTextAlignmentRight);
    contentView_->addSubview(detailTextLabel_);
    setNeedsLayout();
  }
  return detailTextLabel_;
}

const std::shared_ptr<UIImageView>& UITableViewCell::imageView() {
  if (!imageView_) {
    imageView_ = UIImageView::alloc();
    imageView_->setContentMode(UIViewContentModeScaleAspectFit);
    contentView_->addSubview(imageView_);
    setNeedsLayout();
  }
  return imageView_;
}

// ---- Accessory ----

void UITableViewCell::setAccessoryType(UITableViewCellAccessoryType type) {
  switch (type) {
    case UITableViewCellAccessoryNone:
    case UITableViewCellAccessoryDisclosureIndicator:
    case UITableViewCellAccessoryCheckmark: accessoryType_ = type; break;
    default: accessoryType_ = UITableViewCellAccessoryNone;
  }
  static_cast<AccessoryMarkView&>(*accessoryMark_).setType(accessoryType_);
  setNeedsLayout();
}

void UITableViewCell::setAccessoryView(std::shared_ptr<UIView> view) {
  if (view == accessoryView_) return;
  if (accessoryView_ && accessoryView_->superview() == this) accessoryView_->removeFromSuperview();
  accessoryView_ = std::move(view);
  setNeedsLayout();
}

// ---- Selection ----

void UITableViewCell::setSelectionStyle(UITableViewCellSelectionStyle style) {
  selectionStyle_ = style >= UITableViewCellSelectionStyleNone && style <= UITableViewCellSelectionStyleDefault
                        ? style
                        : UITableViewCellSelectionStyleDefault;
}

void UITableViewCell::setSelected(bool selected, bool) { selected_ = selected; }

void UITableViewCell::setHighlighted(bool highlighted, bool) { highlighted_ = highlighted; }

// ---- Separator ----

UIEdgeInsets UITableViewCell::separatorInset() const {
  return separatorInset_.value_or(UIEdgeInsetsMake(0, textLeft(), 0, 0));
}

void UITableViewCell::setSeparatorInset(std::optional<UIEdgeInsets> insets) { separatorInset_ = insets; }

CGSize UITableViewCell::pictureSize() const {
  if (!imageView_ || !imageView_->image()) return CGSize{};
  CGSize size{imageView_->image()->width(), imageView_->image()->height()};
  double maxHeight = std::max(0.0, bounds().height() - 2 * kPictureMargin);
  if (size.height > maxHeight && size.height > 0) {
    size.width *= maxHeight / size.height;
    size.height = maxHeight;
  }
  return size;
}

double UITableViewCell::textLeft() const {
  if (!imageView_ || imageView_->isHidden()) return kSideMargin;
  double width = pictureSize().width;
  return width > 0 ? kSideMargin + width + kTextGap : kSideMargin;
}

// ---- Reuse and placement ----

void UITableViewCell::prepareForReuse() {
  setSelected(false, false);
  setHighlighted(false, false);
  setDeleteConfirmationTitle("");
}

void UITableViewCell::setPlacement(const UITableViewCellPlacement& placement) { placement_ = placement; }

void UITableViewCell::setDeleteConfirmationTitle(const std::string& title) {
  if (title.empty()) {
    if (!deleteButton_) return;
    deleteButton_->removeFromSuperview();
    deleteButton_.reset();
    deleteReveal_.reset();
    setClipsToBounds(clippedBeforeDeleteButton_);
    setNeedsLayout();
    return;
  }
  if (!deleteButton_) {
    deleteButton_ = std::make_shared<DeleteConfirmationButton>();
    // The content moves aside under the button and must not show beyond the row.
    clippedBeforeDeleteButton_ = clipsToBounds();
    setClipsToBounds(true);
    std::weak_ptr<UITableViewCell> weak = std::static_pointer_cast<UITableViewCell>(shared_from_this());
    deleteButton_->addHandler(
        [weak](UIControl*) {
          auto cell = weak.lock();
          if (!cell) return;
          UITableView* table = cell->tableView();
          if (!table) return;
          if (auto indexPath = table->indexPathForCell(cell.get())) table->commitDeleteAtIndexPath(*indexPath);
        },
        UIControlEventTouchUpInside);
    addSubview(deleteButton_);
  }
  deleteButton_->setTitle(title);
  setNeedsLayout();
}

double UITableViewCell::deleteConfirmationWidth() const {
  if (!deleteButton_) return 0;
  return std::max(kDeleteButtonMinWidth,
                  std::ceil(platform::textWidth(deleteButton_->title(), deleteButton_->font())) + 2 * kDeleteButtonPadding);
}

void UITableViewCell::setDeleteConfirmationReveal(std::optional<double> width) {
  if (width && !std::isfinite(*width)) width.reset();
  deleteReveal_ = width ? std::optional<double>(std::max(0.0, *width)) : std::nullopt;
  setNeedsLayout();
}

UITableView* UITableViewCell::tableView() const { return dynamic_cast<UITableView*>(superview()); }

// ---- Layout ----

void UITableViewCell::layoutSubviews() {
  CGRect b = bounds();
  double shift = 0;
  if (deleteButton_) {
    shift = std::min(deleteReveal_.value_or(deleteConfirmationWidth()), b.width());
    deleteButton_->setFrame(CGRectMake(b.width() - shift, 0, shift, b.height()));
    bringSubviewToFront(deleteButton_.get());
  }
  backgroundView_->setFrame(b);

  UIView* accessory = accessoryView_ ? accessoryView_.get()
                      : accessoryType_ != UITableViewCellAccessoryNone ? accessoryMark_.get()
                                                                       : nullptr;
  if (accessoryMark_.get() != accessory && accessoryMark_->superview() == this) accessoryMark_->removeFromSuperview();
  double contentWidth = b.width();
  if (accessory) {
    if (accessory->superview() != this) addSubview(accessory == accessoryMark_.get() ? accessoryMark_ : accessoryView_);
    CGSize size = accessory->frame().size;
    if (size.width <= 0 || size.height <= 0) {
      accessory->sizeToFit();
      size = accessory->frame().size;
    }
    double x = b.width() - kSideMargin - size.width;
    accessory->setFrame(CGRectMake(x - shift, (b.height() - size.height) / 2, size.width, size.height));
    contentWidth = std::max(0.0, x - kAccessoryGap);
  }
  contentView_->setFrame(CGRectMake(-shift, 0, contentWidth, b.height()));
  layoutStandardParts(contentWidth);
}

void UITableViewCell::layoutStandardParts(double contentWidth) {
  double height = bounds().height();
  if (imageView_) {
    CGSize size = pictureSize();
    imageView_->setFrame(CGRectMake(kSideMargin, (height - size.height) / 2, size.width, size.height));
  }
  double left = textLeft();
  double right = contentWidth - (accessoryView_ || accessoryType_ != UITableViewCellAccessoryNone ? 0 : kSideMargin);
  double available = std::max(0.0, right - left);
  bool hasDetail = detailTextLabel_ && !detailTextLabel_->text().empty();

  if (style_ == UITableViewCellStyleSubtitle && hasDetail) {
    double textHeight = textLabel_ ? platform::lineHeight(textLabel_->font()) : 0;
    double detailHeight = platform::lineHeight(detailTextLabel_->font());
    double top = (height - textHeight - detailHeight) / 2;
    if (textLabel_) textLabel_->setFrame(CGRectMake(left, top, available, textHeight));
    detailTextLabel_->setFrame(CGRectMake(left, top + textHeight, available, detailHeight));
    return;
  }
  if (style_ == UITableViewCellStyleValue1 && hasDetail) {
    // The text keeps its width first; the detail keeps at least a third of the row when it needs it.
    double textFit = textLabel_ ? std::ceil(textLabel_->sizeThatFits(CGSize{}).width) : 0;
    double detailFit = std::ceil(detailTextLabel_->sizeThatFits(CGSize{}).width);
    double textWidth = std::min(textFit, available);
    double detailWidth = std::min(detailFit, std::max(0.0, available - textWidth - kDetailGap));
    double detailFloor = std::min(detailFit, available / 3);
    if (detailWidth < detailFloor) {
      detailWidth = detailFloor;
      textWidth = std::max(0.0, available - detailWidth - kDetailGap);
    }
    if (textLabel_) textLabel_->setFrame(CGRectMake(left, 0, textWidth, height));
    detailTextLabel_->setFrame(CGRectMake(right - detailWidth, 0, detailWidth, height));
    return;
  }
  if (textLabel_) textLabel_->setFrame(CGRectMake(left, 0, available, height));
  if (detailTextLabel_) detailTextLabel_->setFrame(CGRectMake(left, 0, 0, 0));
}
