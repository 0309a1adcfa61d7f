#include "platform/uikit/UIImageView.h"

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/Drawing.h"

OBJC_DEFINE_CLASS(UIImageView, UIView)

std::shared_ptr<UIImageView> UIImageView::alloc() { return std::make_shared<UIImageView>(); }

std::shared_ptr<UIImageView> UIImageView::initWithFrame(const CGRect& frame) {
  return std::static_pointer_cast<UIImageView>(UIView::initWithFrame(frame));
}

std::shared_ptr<UIImageView> UIImageView::initWithImage(std::shared_ptr<UIImage> image) {
  auto view = alloc();
  view->setImage(std::move(image));
  view->sizeToFit();
  return view;
}

void UIImageView::setImage(std::shared_ptr<UIImage> image) {
  if (image == image_) return;
  image_ = std::move(image);
  if (UIView* parent = superview()) parent->setNeedsLayout();
}

UIImageView::UIImageView(objc::Class* isa) : UIView(isa) { setUserInteractionEnabled(false); }

UIAccessibilityTraits UIImageView::accessibilityTraits() const {
  return explicitAccessibilityTraits().value_or(UIAccessibilityTraitImage);
}

CGSize UIImageView::sizeThatFits(const CGSize& size) const {
  if (!image_) return CGSize{};
  return CGSize{image_->width(), image_->height()};
}

void UIImageView::draw(cairo_t* cr) {
  if (!image_) return;
  UIColor tint = tintColor();
  bool isTemplate = image_->renderingMode() == UIImageRenderingModeAlwaysTemplate;
  platform::drawImageInRect(cr, image_.get(), bounds(), contentMode_, isTemplate ? &tint : nullptr);
}
