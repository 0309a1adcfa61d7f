#include "platform/uikit/UIAlertController.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/TextDrawing.h"
#include "platform/uikit/UIButton.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UIScreen.h"

namespace {

// Sizes in points, as the platform's alerts and action sheets use them.
constexpr double kAlertWidth = 270;
constexpr double kAlertCornerRadius = 14;
constexpr double kAlertTextInset = 16;
constexpr double kAlertTextTop = 20;
constexpr double kAlertTextBottom = 20;
constexpr double kAlertTitleGap = 4;
constexpr double kAlertButtonHeight = 44;
constexpr double kAlertScreenMargin = 24;
constexpr double kSheetMargin = 8;
constexpr double kSheetMaxWidth = 420;
constexpr double kSheetTextPadding = 14;
constexpr double kSheetButtonHeight = 57;
// Tall (notched) phones keep the sheet above the home indicator.
constexpr double kHomeIndicatorInset = 26;

constexpr UIColor kBackdropColor = UIColor::colorWithWhite(0, 0.4);
constexpr UIColor kPanelColor = UIColor::colorWithWhite(0.98);

// The alert's root view: it covers the window, dims what lies beneath, and asks the controller to
// place the panel whenever it is laid out.
class AlertContainerView final : public UIView {
 public:
  explicit AlertContainerView(std::weak_ptr<UIAlertController> owner) : owner_(std::move(owner)) {
    setBackgroundColor(kBackdropColor);
  }
  void layoutSubviews() override {
    if (auto owner = owner_.lock()) owner->layoutInBounds(bounds());
  }

 private:
  std::weak_ptr<UIAlertController> owner_;
};

std::shared_ptr<UILabel> makeLabel(const UIFont& font) {
  auto label = UILabel::alloc();
  label->setFont(font);
  label->setNumberOfLines(0);
  label->setTextAlignment(NSTextAlignmentCenter);
  return label;
}

}  // namespace

OBJC_DEFINE_CLASS(UIAlertController, UIViewController)

UIAlertController::UIAlertController(objc::Class* isa) : UIViewController(isa) {}

std::shared_ptr<UIAlertController> UIAlertController::alertControllerWithTitle(
    std::string title, std::string message, UIAlertControllerStyle preferredStyle) {
  auto alert = std::make_shared<UIAlertController>();
  alert->setTitle(std::move(title));
  alert->message_ = std::move(message);
  alert->style_ = preferredStyle == UIAlertControllerStyleActionSheet ? UIAlertControllerStyleActionSheet
                                                                     : UIAlertControllerStyleAlert;
  return alert;
}

void UIAlertController::addAction(const std::shared_ptr<UIAlertAction>& action) {
  if (!action) return;
  bool hasCancel = std::any_of(actions_.begin(), actions_.end(),
                               [](const auto& a) { return a->style() == UIAlertActionStyleCancel; });
  if (hasCancel && action->style() == UIAlertActionStyleCancel) {
    NSLog("UIAlertController can only have one action with a style of UIAlertActionStyleCancel");
    return;
  }
  actions_.push_back(action);
  std::weak_ptr<UIAlertController> weakSelf = std::static_pointer_cast<UIAlertController>(weak_from_this().lock());
  action->changed_ = [weakSelf] {
    if (auto self = weakSelf.lock(); self && self->isViewLoaded()) self->view()->setNeedsLayout();
  };
  if (isViewLoaded()) {
    rebuildButtons();
    view()->setNeedsLayout();
  }
}

void UIAlertController::setMessage(std::string message) {
  message_ = std::move(message);
  if (isViewLoaded()) view()->setNeedsLayout();
}

void UIAlertController::setTitle(std::string title) {
  UIViewController::setTitle(std::move(title));
  if (isViewLoaded()) view()->setNeedsLayout();
}

void UIAlertController::performAction(const std::shared_ptr<UIAlertAction>& action) {
  if (!action || !action->isEnabled() || std::find(actions_.begin(), actions_.end(), action) == actions_.end())
    return;
  // The alert, its actions and whatever their handlers hold stay alive until the handler is done.
  auto keep = weak_from_this().lock();
  auto actions = actions_;
  if (auto presenter = presentingViewController()) presenter->dismissViewControllerAnimated(true, nullptr);
  UIAlertAction::Handler handler = action->takeHandler();
  for (auto& a : actions) a->takeHandler();
  if (handler) handler(action.get());
}

CGRect UIAlertController::panelFrame() const { return panel_ ? panel_->frame() : CGRect{}; }

void UIAlertController::loadView() {
  auto container = std::make_shared<AlertContainerView>(
      std::static_pointer_cast<UIAlertController>(weak_from_this().lock()));
  bool sheet = style_ == UIAlertControllerStyleActionSheet;
  panel_ = UIView::alloc();
  panel_->setBackgroundColor(kPanelColor);
  panel_->setCornerRadius(kAlertCornerRadius);
  panel_->setClipsToBounds(true);
  container->addSubview(panel_);
  titleLabel_ = makeLabel(UIFont::boldSystemFontOfSize(sheet ? 13 : 17));
  messageLabel_ = makeLabel(UIFont::systemFontOfSize(13));
  if (sheet) {
    titleLabel_->setTextColor(UIColor::secondaryLabelColor());
    messageLabel_->setTextColor(UIColor::secondaryLabelColor());
    cancelPanel_ = UIView::alloc();
    cancelPanel_->setBackgroundColor(UIColor::whiteColor());
    cancelPanel_->setCornerRadius(kAlertCornerRadius);
    cancelPanel_->setClipsToBounds(true);
    container->addSubview(cancelPanel_);
  }
  panel_->addSubview(titleLabel_);
  panel_->addSubview(messageLabel_);
  setView(container);
  rebuildButtons();
}

void UIAlertController::rebuildButtons() {
  for (auto& b : buttons_) b->removeFromSuperview();
  buttons_.clear();
  bool sheet = style_ == UIAlertControllerStyleActionSheet;
  std::weak_ptr<UIAlertController> weakSelf = std::static_pointer_cast<UIAlertController>(weak_from_this().lock());
  for (const auto& action : actions_) {
    auto button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->setTitle(action->title());
    bool cancel = action->style() == UIAlertActionStyleCancel;
    double size = sheet ? 20 : 17;
    button->setFont(cancel ? UIFont::boldSystemFontOfSize(size) : UIFont::systemFontOfSize(size));
    button->setTitleColor(action->style() == UIAlertActionStyleDestructive ? UIColor::systemRedColor()
                                                                          : UIColor::systemBlueColor());
    // Weak on both sides: the button belongs to the alert's view, which the alert owns.
    std::weak_ptr<UIAlertAction> weakAction = action;
    button->addHandler(
        [weakSelf, weakAction](UIControl*) {
          auto self = weakSelf.lock();
          auto tapped = weakAction.lock();
          if (self && tapped) self->performAction(tapped);
        },
        UIControlEventTouchUpInside);
    (sheet && cancel ? cancelPanel_ : panel_)->addSubview(button);
    buttons_.push_back(std::move(button));
  }
}

void UIAlertController::layoutInBounds(const CGRect& bounds) {
  view();
  titleLabel_->setText(title());
  messageLabel_->setText(message_);
  for (std::size_t i = 0; i < buttons_.size() && i < actions_.size(); ++i) {
    buttons_[i]->setEnabled(actions_[i]->isEnabled());
    buttons_[i]->setTitle(actions_[i]->title());
  }
  for (auto& s : separators_) s->removeFromSuperview();
  separators_.clear();
  if (style_ == UIAlertControllerStyleActionSheet) layoutSheet(bounds);
  else layoutAlert(bounds);
}

std::shared_ptr<UIView> UIAlertController::addSeparator(UIView& parent, const CGRect& frame) {
  auto line = UIView::alloc()->initWithFrame(frame);
  line->setBackgroundColor(UIColor::separatorColor());
  parent.addSubview(line);
  separators_.push_back(line);
  return line;
}

double UIAlertController::layoutText(double width, double top, double bottom, double buttonsHeight,
                                     double available) {
  const double textWidth = std::max(1.0, width - 2 * kAlertTextInset);
  const bool hasTitle = !title().empty(), hasMessage = !message_.empty();
  double titleHeight = hasTitle ? titleLabel_->sizeThatFits({textWidth, 0}).height : 0;
  double messageHeight = hasMessage ? messageLabel_->sizeThatFits({textWidth, 0}).height : 0;
  double gap = hasTitle && hasMessage ? kAlertTitleGap : 0;
  auto headerHeight = [&] { return hasTitle || hasMessage ? top + titleHeight + gap + messageHeight + bottom : 0; };
  if (hasMessage && headerHeight() + buttonsHeight > available) {
    double over = headerHeight() + buttonsHeight - available;
    messageHeight = std::max(platform::lineHeight(messageLabel_->font()), messageHeight - over);
  }
  titleLabel_->setHidden(!hasTitle);
  messageLabel_->setHidden(!hasMessage);
  titleLabel_->setFrame(CGRectMake(kAlertTextInset, top, textWidth, titleHeight));
  messageLabel_->setFrame(CGRectMake(kAlertTextInset, top + titleHeight + gap, textWidth, messageHeight));
  return headerHeight();
}

void UIAlertController::layoutAlert(const CGRect& bounds) {
  const double hairline = 1 / UIScreen::mainScreen().scale();
  const double width = std::min(kAlertWidth, std::max(0.0, bounds.width() - 2 * kAlertTextInset));

  // Two actions sit side by side, the cancel one on the left; more stack, the cancel one last.
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < actions_.size(); ++i)
    if (actions_[i]->style() != UIAlertActionStyleCancel) order.push_back(i);
  for (std::size_t i = 0; i < actions_.size(); ++i)
    if (actions_[i]->style() == UIAlertActionStyleCancel) {
      if (actions_.size() == 2) order.insert(order.begin(), i);
      else order.push_back(i);
    }
  const bool sideBySide = order.size() == 2;
  const double buttonsHeight = order.empty() ? 0 : sideBySide ? kAlertButtonHeight : kAlertButtonHeight * order.size();

  // A message too long for the screen is cut rather than pushing the buttons off it.
  const double header = layoutText(width, kAlertTextTop, kAlertTextBottom, buttonsHeight,
                                   std::max(0.0, bounds.height() - 2 * kAlertScreenMargin));
  const double height = header + buttonsHeight;
  panel_->setFrame(CGRectMake(std::round(bounds.midX() - width / 2), std::round(bounds.midY() - height / 2), width,
                              height));

  if (order.empty()) return;
  if (header > 0) addSeparator(*panel_, CGRectMake(0, header, width, hairline));
  if (sideBySide) {
    double half = std::round(width / 2);
    buttons_[order[0]]->setFrame(CGRectMake(0, header, half, kAlertButtonHeight));
    buttons_[order[1]]->setFrame(CGRectMake(half, header, width - half, kAlertButtonHeight));
    addSeparator(*panel_, CGRectMake(half, header, hairline, kAlertButtonHeight));
    return;
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    double y = header + i * kAlertButtonHeight;
    buttons_[order[i]]->setFrame(CGRectMake(0, y, width, kAlertButtonHeight));
    if (i > 0) addSeparator(*panel_, CGRectMake(0, y, width, hairline));
  }
}

void UIAlertController::layoutSheet(const CGRect& bounds) {
  const double hairline = 1 / UIScreen::mainScreen().scale();
  const double width = std::min(kSheetMaxWidth, std::max(0.0, bounds.width() - 2 * kSheetMargin));
  const double x = std::round(bounds.midX() - width / 2);
  const double bottom = kSheetMargin + (bounds.height() > 2 * bounds.width() ? kHomeIndicatorInset : 0);

  std::vector<std::size_t> grouped;
  std::optional<std::size_t> cancel;
  for (std::size_t i = 0; i < actions_.size(); ++i) {
    if (actions_[i]->style() == UIAlertActionStyleCancel) cancel = i;
    else grouped.push_back(i);
  }

  double cancelTop = bounds.height() - bottom;
  cancelPanel_->setHidden(!cancel);
  if (cancel) {
    cancelTop -= kSheetButtonHeight;
    cancelPanel_->setFrame(CGRectMake(x, cancelTop, width, kSheetButtonHeight));
    buttons_[*cancel]->setFrame(CGRectMake(0, 0, width, kSheetButtonHeight));
    cancelTop -= kSheetMargin;
  }

  const double buttonsHeight = kSheetButtonHeight * grouped.size();
  const double header = layoutText(width, kSheetTextPadding, kSheetTextPadding, buttonsHeight,
                                   std::max(0.0, cancelTop - kAlertScreenMargin * 2));
  const double height = header + buttonsHeight;
  panel_->setHidden(height <= 0);
  panel_->setFrame(CGRectMake(x, cancelTop - height, width, height));
  for (std::size_t i = 0; i < grouped.size(); ++i) {
    double y = header + i * kSheetButtonHeight;
    buttons_[grouped[i]]->setFrame(CGRectMake(0, y, width, kSheetButtonHeight));
    if (y > 0) addSeparator(*panel_, CGRectMake(0, y, width, hairline));
  }
}
