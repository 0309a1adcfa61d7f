#include "prefs/root/TovaluneBannerCell.h"

#include "platform/foundation/NSLog.h"
#include "platform/uikit/UIBezierPath.h"
#include "platform/uikit/UIGraphics.h"
#include "shared/InstallPrefix.h"

namespace {
[[maybe_unused]] objc::Class* const kRegistered = TovaluneBannerCell::cls();

constexpr const char* kCredit = "by Orbel";
constexpr double kImageTop = 15;
constexpr double kImageHeight = 100;
constexpr double kLabelGap = 5;

// The label's height as it fits its text, at full width and at the y it has.
void fitLabel(UILabel& label, double width) {
  label.sizeToFit();
  label.setFrame(CGRectMake(0, label.frame().minY(), width, label.frame().height()));
}
}  // namespace

OBJC_DEFINE_CLASS(TovaluneBannerCell, PSTableCell, PSTableCustomViewMethods<TovaluneBannerCell>())

TovaluneBannerCell::TovaluneBannerCell(objc::Class* isa) : PSTableCell(isa) {}

double TovaluneBannerCell::cornerRadiusForIconWidth(double width) { return static_cast<double>(0.225f) * width; }

std::shared_ptr<UIImage> TovaluneBannerCell::roundedRectImageFromImage(const std::shared_ptr<UIImage>& image,
                                                                       double radius) {
  if (radius == 0) return image;
  if (!image) return nullptr;
  CGSize size{image->width(), image->height()};
  UIGraphicsBeginImageContextWithOptions(size, false, 0);
  UIBezierPath::bezierPathWithRoundedRect(CGRect{{0, 0}, size}, radius)->addClip();
  UIImageDrawInRect(image.get(), CGRect{{0, 0}, size});
  std::shared_ptr<UIImage> rounded = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return rounded;
}

objc::Object* TovaluneBannerCell::initWithSpecifier(PSSpecifier*) {
  if (!UITableViewCell::initWithStyle(UITableViewCellStyleDefault, "Cell")) return nullptr;
  double width = bounds().width();

  bannerView_ = UIImageView::alloc()->initWithFrame(CGRectMake(0, kImageTop, width, kImageHeight));
  bannerView_->setContentMode(UIViewContentModeScaleAspectFit);
  const std::string iconPath = installedPath(kIconPath);
  std::shared_ptr<UIImage> icon = UIImage::imageWithContentsOfFile(iconPath);
  if (!icon) NSLog("The banner has no icon: {} could not be read", iconPath);
  double iconWidth = icon ? icon->width() : 0;
  bannerView_->setImage(roundedRectImageFromImage(icon, cornerRadiusForIconWidth(iconWidth)));
  bannerView_->setCenter(CGPoint{width * 0.5, bannerView_->center().y});
  bannerView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);

  // Each label sits 5 under what is above it; the sum is taken in single precision first.
  float titleTop = static_cast<float>(kImageTop + bannerView_->frame().height());
  mainTitleLabel_ = UILabel::alloc()->initWithFrame(CGRectMake(0, titleTop + kLabelGap, width, 50));
  mainTitleLabel_->setNumberOfLines(1);
  mainTitleLabel_->setFont(UIFont::systemFontOfSize(35));
  mainTitleLabel_->setText("Tovalune");
  mainTitleLabel_->setBackgroundColor(UIColor::clearColor());
  mainTitleLabel_->setTextAlignment(NSTextAlignmentCenter);
  mainTitleLabel_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  fitLabel(*mainTitleLabel_, width);

  float subtitleTop = static_cast<float>(mainTitleLabel_->frame().height() + mainTitleLabel_->frame().minY());
  subTitleLabel_ = UILabel::alloc()->initWithFrame(CGRectMake(0, subtitleTop + kLabelGap, width, 50));
  subTitleLabel_->setNumberOfLines(1);
  subTitleLabel_->setFont(UIFont::systemFontOfSize(16));
  subTitleLabel_->setText(kCredit);
  subTitleLabel_->setBackgroundColor(UIColor::clearColor());
  subTitleLabel_->setTextColor(UIColor::grayColor());
  subTitleLabel_->setTextAlignment(NSTextAlignmentCenter);
  subTitleLabel_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
  fitLabel(*subTitleLabel_, width);

  addSubview(mainTitleLabel_);
  addSubview(subTitleLabel_);
  addSubview(bannerView_);
  return this;
}

CGRect TovaluneBannerCell::frame() const {
  if (UIView* list = superview()) return CGRectMake(0, 0, list->frame().width(), kBannerHeight);
  return PSTableCell::frame();
}

void TovaluneBannerCell::setFrame(const CGRect&) {
  UIView* list = superview();
  PSTableCell::setFrame(CGRectMake(0, 0, list ? list->frame().width() : 0, kBannerHeight));
}

void TovaluneBannerCell::didMoveToSuperview() {
  PSTableCell::didMoveToSuperview();
  layoutSubviews();
  setFrame(frame());
  layoutSubviews();
}
