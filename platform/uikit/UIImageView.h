#pragma once
// UIImageView: a picture placed in the view by the content mode (stretched by default, fitted,
// filled or centred). A template picture is drawn in the view's tint colour.
#include <memory>

#include "platform/image/UIImage.h"
#include "platform/uikit/UIKitDefines.h"
#include "platform/uikit/UIView.h"

class UIImageView : public UIView {
 public:
  static objc::Class* cls();
  static std::shared_ptr<UIImageView> alloc();
  std::shared_ptr<UIImageView> initWithFrame(const CGRect& frame);
  // initWithImage:: the picture at its own size in points.
  static std::shared_ptr<UIImageView> initWithImage(std::shared_ptr<UIImage> image);
  explicit UIImageView(objc::Class* isa = UIImageView::cls());

  const std::shared_ptr<UIImage>& image() const { return image_; }
  // A new picture asks the superview to lay out again, as what holds the view may size it by its
  // picture.
  void setImage(std::shared_ptr<UIImage> image);
  UIViewContentMode contentMode() const { return contentMode_; }
  void setContentMode(UIViewContentMode mode) { contentMode_ = mode; }

  CGSize sizeThatFits(const CGSize& size) const override;
  void draw(cairo_t* cr) override;
  // An image, though not an element unless made one.
  UIAccessibilityTraits accessibilityTraits() const override;

 private:
  std::shared_ptr<UIImage> image_;
  UIViewContentMode contentMode_ = UIViewContentModeScaleToFill;
};
