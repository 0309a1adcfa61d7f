#include "platform/uikit/UINavigationBar.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIScreen.h"

namespace {

constexpr double kNotchedScreenHeight = 812;
constexpr double kNotchedStatusBar = 47;
constexpr double kClassicStatusBar = 20;
constexpr double kBackButtonLeft = 8;
constexpr double kChevronWidth = 12;
constexpr double kChevronGap = 6;
constexpr double kItemMargin = 16;
constexpr double kTitleGap = 8;
constexpr double kPlusSize = 22;
constexpr UIFont kItemFont = UIFont::systemFontOfSize(17);
constexpr UIFont kDoneFont = UIFont::boldSystemFontOfSize(17);
constexpr UIFont kTitleFont = UIFont::boldSystemFontOfSize(17);
constexpr UIColor kBarColor = UIColor::colorWithRed(249 / 255.0, 249 / 255.0, 249 / 255.0, 0.94);
constexpr UIColor kHairlineColor = UIColor::colorWithWhite(0, 0.3);
constexpr double kDisabledAlpha = 0.35;

UIColor dimmedUnlessEnabled(UIColor color, bool enabled) {
  if (!enabled) color.alpha *= kDisabledAlpha;
  return color;
}

// The back button: a chevron and the title of the screen beneath, in the tint colour.
class BackButton final : public UIButton {
 public:
  BackButton() : UIButton(UIButton::cls()) {}

  static double widthFor(const std::string& title) {
    double text = title.empty() ? 0 : kChevronGap + std::ceil(platform::textWidth(title, kItemFont));
    return kChevronWidth + text + kTitleGap;
  }

  CGSize sizeThatFits(const CGSize&) const override { return CGSize{widthFor(title()), UINavigationBar::kHeight}; }

  void draw(cairo_t* cr) override {
    CGRect b = bounds();
    UIColor color = dimmedUnlessEnabled(tintColor(), isEnabled());
    platform::setSourceColor(cr, color);
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    double mid = b.midY();
    cairo_move_to(cr, kChevronWidth - 1.5, mid - 10);
    cairo_line_to(cr, 1.5, mid);
    cairo_line_to(cr, kChevronWidth - 1.5, mid + 10);
    cairo_stroke(cr);
    if (title().empty()) return;
    double baseline = mid - platform::lineHeight(kItemFont) / 2 + platform::fontAscent(kItemFont);
    platform::drawTextLine(cr, title(), kItemFont, color, kChevronWidth + kChevronGap, baseline);
  }

  // Read out as its title; a chevron alone is "Back".
  std::string accessibilityLabel() const override {
    if (const auto& label = explicitAccessibilityLabel()) return *label;
    return title().empty() ? "Back" : title();
  }

  // Whatever it reads out, code and hosts find it as "Back".
  std::vector<UIAccessibilityElement> accessibilityElements() override {
    if (isHidden() || alpha() <= 0.01) return {};
    UIAccessibilityElement element = accessibilityElementForView();
    element.identifier = "Back";
    return {element};
  }
};

// A bar button item's button: its title (bold for the done style) or the plus sign, in the tint colour.
class BarItemButton final : public UIButton {
 public:
  explicit BarItemButton(std::shared_ptr<UIBarButtonItem> item) : UIButton(UIButton::cls()), item_(std::move(item)) {
    sync();
  }

  const std::shared_ptr<UIBarButtonItem>& item() const { return item_; }

  void sync() {
    setTitle(item_->title());
    setFont(item_->style() == UIBarButtonItemStyleDone ? kDoneFont : kItemFont);
    setEnabled(item_->isEnabled());
  }

  bool isPlus() const { return item_->systemItem() == UIBarButtonSystemItemAdd && title().empty(); }

  CGSize sizeThatFits(const CGSize&) const override {
    double width = isPlus() ? kPlusSize : std::ceil(platform::textWidth(title(), font()));
    return CGSize{width, UINavigationBar::kHeight};
  }

  void draw(cairo_t* cr) override {
    CGRect b = bounds();
    UIColor color = dimmedUnlessEnabled(tintColor(), isEnabled());
    if (isPlus()) {
      platform::setSourceColor(cr, color);
      cairo_set_line_width(cr, 2.2);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      double half = kPlusSize / 2 - 2;
      cairo_move_to(cr, b.midX() - half, b.midY());
      cairo_line_to(cr, b.midX() + half, b.midY());
      cairo_move_to(cr, b.midX(), b.midY() - half);
      cairo_line_to(cr, b.midX(), b.midY() + half);
      cairo_stroke(cr);
      return;
    }
    double baseline = b.midY() - platform::lineHeight(font()) / 2 + platform::fontAscent(font());
    std::string line = platform::truncateToWidth(title(), font(), b.width());
    platform::drawTextLine(cr, line, font(), color, 0, baseline);
  }

  std::string accessibilityLabel() const override {
    if (const auto& label = explicitAccessibilityLabel()) return *label;
    return item_->accessibilityLabel();
  }

 private:
  std::shared_ptr<UIBarButtonItem> item_;
};

}  // namespace

double UINavigationBar::statusBarHeight() {
  CGRect screen = UIScreen::mainScreen().bounds();
  return std::max(screen.width(), screen.height()) >= kNotchedScreenHeight ? kNotchedStatusBar : kClassicStatusBar;
}

OBJC_DEFINE_CLASS(UINavigationBar, UIView)

UINavigationBar::UINavigationBar(objc::Class* isa) : UIView(isa), titleLabel_(UILabel::alloc()) {
  titleLabel_->setFont(kTitleFont);
  titleLabel_->setTextAlignment(NSTextAlignmentCenter);
  titleLabel_->setAccessibilityTraits(UIAccessibilityTraitHeader);
  addSubview(titleLabel_);
  setFrame(CGRectMake(0, 0, 320, kHeight));
}

void UINavigationBar::setItems(std::vector<std::shared_ptr<UINavigationItem>> items) {
  std::erase(items, nullptr);
  items_ = std::move(items);
  auto self = std::static_pointer_cast<UIView>(shared_from_this());
  for (auto& item : items_) item->setDisplayingView(self);
  setNeedsLayout();
}

std::shared_ptr<UINavigationItem> UINavigationBar::topItem() const { return items_.empty() ? nullptr : items_.back(); }

std::shared_ptr<UINavigationItem> UINavigationBar::backItem() const {
  return items_.size() < 2 ? nullptr : items_[items_.size() - 2];
}

void UINavigationBar::setBackgroundExtension(double points) {
  backgroundExtension_ = std::isfinite(points) && points > 0 ? points : 0;
}

std::string UINavigationBar::backButtonTitle() {
  layoutIfNeeded();
  return backButton_ ? backButton_->title() : std::string();
}

UIButton* UINavigationBar::backButton() {
  layoutIfNeeded();
  return backButton_.get();
}

UIButton* UINavigationBar::leftButton() {
  layoutIfNeeded();
  return leftButton_.get();
}

UIButton* UINavigationBar::rightButton() {
  layoutIfNeeded();
  return rightButton_.get();
}

UILabel* UINavigationBar::titleLabel() {
  layoutIfNeeded();
  return titleLabel_.get();
}

std::shared_ptr<UIButton> UINavigationBar::makeItemButton(const std::shared_ptr<UIBarButtonItem>& item, bool left) {
  std::shared_ptr<UIButton>& slot = left ? leftButton_ : rightButton_;
  auto* existing = dynamic_cast<BarItemButton*>(slot.get());
  if (existing && existing->item() == item) {
    existing->sync();
    return slot;
  }
  if (slot) slot->removeFromSuperview();
  auto button = std::make_shared<BarItemButton>(item);
  std::weak_ptr<UIBarButtonItem> weakItem = item;
  button->addHandler(
      [weakItem](UIControl*) {
        if (auto it = weakItem.lock()) it->performAction();
      },
      UIControlEventTouchUpInside);
  item->setDisplayingView(std::static_pointer_cast<UIView>(shared_from_this()));
  addSubview(button);
  slot = button;
  return slot;
}

void UINavigationBar::layoutSubviews() {
  CGRect b = bounds();
  double width = b.width(), height = b.height();
  auto top = topItem(), back = backItem();
  std::string title = top ? top->title() : std::string();
  double titleWidth = std::ceil(platform::textWidth(title, kTitleFont));

  double rightEdge = width;
  if (top && top->rightBarButtonItem()) {
    auto button = makeItemButton(top->rightBarButtonItem(), false);
    double w = button->sizeThatFits(CGSize{}).width;
    rightEdge = width - kItemMargin - w;
    button->setFrame(CGRectMake(rightEdge, 0, w, height));
  } else if (rightButton_) {
    rightButton_->removeFromSuperview();
    rightButton_.reset();
  }

  double leftEdge = 0;
  bool showsLeftItem = top && top->leftBarButtonItem();
  bool showsBack = !showsLeftItem && back && top && !top->hidesBackButton();
  if (showsLeftItem) {
    auto button = makeItemButton(top->leftBarButtonItem(), true);
    double w = button->sizeThatFits(CGSize{}).width;
    button->setFrame(CGRectMake(kItemMargin, 0, w, height));
    leftEdge = kItemMargin + w;
  } else if (leftButton_) {
    leftButton_->removeFromSuperview();
    leftButton_.reset();
  }
  if (showsBack) {
    if (!backButton_) {
      backButton_ = std::make_shared<BackButton>();
      std::weak_ptr<UINavigationBar> weak = std::static_pointer_cast<UINavigationBar>(shared_from_this());
      backButton_->addHandler(
          [weak](UIControl*) {
            auto bar = weak.lock();
            if (bar && bar->backAction_) bar->backAction_();
          },
          UIControlEventTouchUpInside);
      addSubview(backButton_);
    }
    // The title of the screen beneath while it fits beside a centred title, then "Back", then
    // the chevron alone.
    double room = std::max(width / 3, (width - titleWidth) / 2 - kBackButtonLeft);
    std::string wanted = back->backButtonTitle().value_or(back->title().empty() ? "Back" : back->title());
    std::string shown;
    for (const std::string& candidate : {wanted, std::string("Back")})
      if (BackButton::widthFor(candidate) <= room) {
        shown = candidate;
        break;
      }
    backButton_->setTitle(shown);
    double w = BackButton::widthFor(shown);
    backButton_->setFrame(CGRectMake(kBackButtonLeft, 0, w, height));
    leftEdge = kBackButtonLeft + w;
  } else if (backButton_) {
    backButton_->removeFromSuperview();
    backButton_.reset();
  }

  titleLabel_->setText(title);
  double side = std::max(leftEdge, width - rightEdge) + kTitleGap;
  if (titleWidth <= width - 2 * side) {
    titleLabel_->setFrame(CGRectMake((width - titleWidth) / 2, 0, titleWidth, height));
  } else {
    double start = leftEdge + kTitleGap, end = std::max(start, rightEdge - kTitleGap);
    titleLabel_->setFrame(CGRectMake(start, 0, end - start, height));
  }
}

void UINavigationBar::draw(cairo_t* cr) {
  CGRect b = bounds();
  platform::setSourceColor(cr, kBarColor);
  cairo_rectangle(cr, b.minX(), b.minY() - backgroundExtension_, b.width(), b.height() + backgroundExtension_);
  cairo_fill(cr);
  double t = 1.0 / UIScreen::mainScreen().scale();
  platform::setSourceColor(cr, kHairlineColor);
  cairo_rectangle(cr, b.minX(), b.maxY() - t, b.width(), t);
  cairo_fill(cr);
}
