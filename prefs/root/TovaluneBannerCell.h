#pragma once
// The first row of the list: the pane's large icon with rounded corners, the product name under
// it and a smaller credit line under that.
//
// The banner is 195 points high in a row of 150: it keeps its own frame, at the top left of the
// list and as wide as the list, whatever frame the list gives it, and reaches into the rows below
// it. Until it is in a list it keeps the frame it was made with; a frame set on it then is 0 wide.
// Its parts follow its width.
#include <memory>

#include "platform/image/UIImage.h"
#include "platform/preferences/PSTableCell.h"
#include "platform/preferences/PreferencesTableCustomView.h"
#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UILabel.h"

class TovaluneBannerCell : public PSTableCell, public PreferencesTableCustomView {
 public:
  // As a rootful phone places it; read below the build's install prefix (shared/InstallPrefix.h).
  static constexpr const char* kIconPath = "/Library/PreferenceBundles/TovalunePrefs.bundle/icon-large.png";
  static constexpr double kRowHeight = 150;
  static constexpr double kBannerHeight = 195;

  static objc::Class* cls();
  explicit TovaluneBannerCell(objc::Class* isa = TovaluneBannerCell::cls());

  // A default-style cell with reuse identifier "Cell" holding the banner; the specifier is not read.
  objc::Object* initWithSpecifier(PSSpecifier* specifier) override;
  double preferredHeightForWidth(double width) override { return kRowHeight; }

  // The icon's corner radius for an icon of that width in points: 0.225 of it, the factor held in
  // single precision as the icon was designed with.
  static double cornerRadiusForIconWidth(double width);
  // The image drawn again with its corners rounded, at the main screen's scale; a radius of 0 gives
  // back the very image it was given.
  static std::shared_ptr<UIImage> roundedRectImageFromImage(const std::shared_ptr<UIImage>& image, double radius);

  CGRect frame() const override;
  // The given frame is ignored: 0, 0, the superview's width (0 without one), 195.
  void setFrame(const CGRect& frame) override;
  // Once in a list, takes its fixed frame and lays its parts out for it.
  void didMoveToSuperview() override;

  const std::shared_ptr<UIImageView>& bannerView() const { return bannerView_; }
  void setBannerView(std::shared_ptr<UIImageView> view) { bannerView_ = std::move(view); }
  const std::shared_ptr<UILabel>& mainTitleLabel() const { return mainTitleLabel_; }
  const std::shared_ptr<UILabel>& subTitleLabel() const { return subTitleLabel_; }

 private:
  std::shared_ptr<UIImageView> bannerView_;
  std::shared_ptr<UILabel> mainTitleLabel_;
  std::shared_ptr<UILabel> subTitleLabel_;
};
