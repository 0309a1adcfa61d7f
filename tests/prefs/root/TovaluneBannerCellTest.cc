// The banner: its fixed frame in and out of a list, its parts, and the rounding of its icon.
#include "prefs/root/TovaluneBannerCell.h"

#include <gtest/gtest.h>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UIScreen.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

// A square of one colour, opaque, at scale 1.
std::shared_ptr<UIImage> solidImage(std::uint32_t side, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  platform::Bitmap bitmap{side, side, {}};
  for (std::uint32_t i = 0; i < side * side; ++i) bitmap.rgba.insert(bitmap.rgba.end(), {r, g, b, 255});
  return UIImage::imageWithBitmap(std::move(bitmap));
}

// The RGBA of the pixel at a point (in points) of the picture.
std::array<std::uint8_t, 4> pixelAt(const UIImage& image, double x, double y) {
  const auto& bitmap = image.bitmap();
  auto px = static_cast<std::uint32_t>(x * image.scale());
  auto py = static_cast<std::uint32_t>(y * image.scale());
  const std::uint8_t* p = &bitmap.rgba[(py * bitmap.width + px) * 4];
  return {p[0], p[1], p[2], p[3]};
}

std::shared_ptr<TovaluneBannerCell> makeBanner() {
  auto cell = std::static_pointer_cast<TovaluneBannerCell>(
      objc::class_createInstance(objc::objc_getClass("TovaluneBannerCell")));
  objc::Object* made = objc::msgSend<objc::Object*>(cell.get(), objc::sel("initWithSpecifier:"),
                                                    static_cast<PSSpecifier*>(nullptr));
  return made ? cell : nullptr;
}

class BannerCellTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::createDirectoryAtPath("/Library/PreferenceBundles/TovalunePrefs.bundle");
    ASSERT_TRUE(platform::writeFile(TovaluneBannerCell::kIconPath, *UIImagePNGRepresentation(solidImage(400, 200, 40, 40).get())));
  }
  TempDeviceRoot root;
};

TEST_F(BannerCellTest, InAListItKeepsItsOwnFrameAsWideAsTheList) {
  for (double width : {414.0, 320.0, 1024.0}) {
    auto banner = makeBanner();
    ASSERT_TRUE(banner);
    auto list = UIView::alloc()->initWithFrame(CGRectMake(0, 0, width, 800));
    list->addSubview(banner);
    EXPECT_EQ(banner->frame(), CGRectMake(0, 0, width, 195)) << width;
    banner->setFrame(CGRectMake(0, 300, 10, 44));
    EXPECT_EQ(banner->frame(), CGRectMake(0, 0, width, 195)) << width;
    EXPECT_EQ(objc::msgSend<double>(banner.get(), objc::sel("preferredHeightForWidth:"), width), 150);

    banner->layoutIfNeeded();
    EXPECT_EQ(banner->bannerView()->frame().width(), width);
    EXPECT_EQ(banner->bannerView()->center().x, width / 2);
    EXPECT_EQ(banner->mainTitleLabel()->frame().width(), width);
    EXPECT_EQ(banner->subTitleLabel()->frame().width(), width);
  }
}

TEST_F(BannerCellTest, OutOfAListItReportsItsOwnFrameAndTakesNoWidth) {
  auto banner = makeBanner();
  CGRect made = banner->frame();
  EXPECT_EQ(made, banner->UIView::frame());
  banner->setFrame(CGRectMake(20, 30, 414, 44));
  EXPECT_EQ(banner->frame(), CGRectMake(0, 0, 0, 195));

  // Placed afterwards, its parts widen with it from that width 0.
  auto list = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 414, 800));
  list->addSubview(banner);
  banner->layoutIfNeeded();
  EXPECT_EQ(banner->bannerView()->frame().width(), 414);
  EXPECT_EQ(banner->bannerView()->center().x, 207);
  EXPECT_EQ(banner->mainTitleLabel()->frame().width(), 414);
  EXPECT_EQ(banner->subTitleLabel()->frame().width(), 414);
}

TEST_F(BannerCellTest, PartsAreStackedUnderTheIconInSinglePrecision) {
  auto banner = makeBanner();
  double width = banner->bounds().width();
  // On top of the cell's own views, directly in the cell, the icon last.
  const auto& views = banner->subviews();
  ASSERT_GE(views.size(), 3u);
  EXPECT_EQ(views[views.size() - 3], banner->mainTitleLabel());
  EXPECT_EQ(views[views.size() - 2], banner->subTitleLabel());
  EXPECT_EQ(views[views.size() - 1], banner->bannerView());

  const auto& icon = *banner->bannerView();
  EXPECT_EQ(icon.frame(), CGRectMake(0, 15, width, 100));
  EXPECT_EQ(icon.contentMode(), UIViewContentModeScaleAspectFit);

  const auto& title = *banner->mainTitleLabel();
  EXPECT_EQ(title.text(), "Tovalune");
  EXPECT_EQ(title.font(), UIFont::systemFontOfSize(35));
  EXPECT_EQ(title.frame().minY(), 120);
  EXPECT_GT(title.frame().height(), 0);
  EXPECT_LT(title.frame().height(), 50);

  const auto& subtitle = *banner->subTitleLabel();
  EXPECT_FALSE(subtitle.text().empty());
  EXPECT_EQ(subtitle.font(), UIFont::systemFontOfSize(16));
  EXPECT_EQ(subtitle.textColor(), UIColor::grayColor());
  float sum = static_cast<float>(title.frame().height() + 120);
  EXPECT_EQ(subtitle.frame().minY(), static_cast<double>(sum) + 5);
}

TEST_F(BannerCellTest, TheIconIsRoundedByAFactorHeldInSinglePrecision) {
  double radius = TovaluneBannerCell::cornerRadiusForIconWidth(400);
  EXPECT_LT(radius, 90);
  EXPECT_GT(radius, 89.9999);
  EXPECT_EQ(TovaluneBannerCell::cornerRadiusForIconWidth(0), 0);

  auto image = solidImage(40, 10, 200, 10);
  EXPECT_EQ(TovaluneBannerCell::roundedRectImageFromImage(image, 0), image);

  auto rounded = TovaluneBannerCell::roundedRectImageFromImage(image, 9);
  ASSERT_TRUE(rounded);
  EXPECT_NE(rounded, image);
  EXPECT_EQ(rounded->width(), 40);
  EXPECT_EQ(rounded->height(), 40);
  EXPECT_EQ(rounded->scale(), UIScreen::mainScreen().scale());
  EXPECT_EQ(pixelAt(*rounded, 0.2, 0.2)[3], 0);
  EXPECT_EQ(pixelAt(*rounded, 39.8, 39.8)[3], 0);
  EXPECT_EQ(pixelAt(*rounded, 20, 20), (std::array<std::uint8_t, 4>{10, 200, 10, 255}));
  EXPECT_EQ(pixelAt(*rounded, 20, 0.2)[3], 255);

  auto banner = makeBanner();
  auto shown = banner->bannerView()->image();
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->width(), 400);
  EXPECT_EQ(pixelAt(*shown, 1, 1)[3], 0);
  EXPECT_EQ(pixelAt(*shown, 200, 200), (std::array<std::uint8_t, 4>{200, 40, 40, 255}));
}

TEST_F(BannerCellTest, WithoutAnIconTheBannerStillShowsItsText) {
  struct Case {
    const char* what;
    std::optional<std::string> bytes;
  } cases[] = {{"missing", std::nullopt}, {"not a picture", "<html>404</html>"}, {"empty", ""}};
  for (const auto& c : cases) {
    platform::removeItemAtPath(TovaluneBannerCell::kIconPath);
    if (c.bytes) platform::writeFile(TovaluneBannerCell::kIconPath, *c.bytes);
    platform::LogCapture log;
    auto banner = makeBanner();
    ASSERT_TRUE(banner) << c.what;
    EXPECT_FALSE(banner->bannerView()->image()) << c.what;
    EXPECT_EQ(banner->mainTitleLabel()->text(), "Tovalune");
    EXPECT_TRUE(log.containsSubstring("The banner has no icon")) << c.what;
  }
}

}  // namespace
