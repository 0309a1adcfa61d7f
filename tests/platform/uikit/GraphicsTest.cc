// Drawing into pictures: image contexts, rounded clips, paths, and pictures in image views.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "platform/foundation/NSLog.h"
#include "platform/uikit/UIBezierPath.h"
#include "platform/uikit/UIGraphics.h"
#include "platform/uikit/UIImageView.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

int alphaAt(const platform::Bitmap& b, std::uint32_t x, std::uint32_t y) {
  return b.rgba[(std::size_t(y) * b.width + x) * 4 + 3];
}

// A square of the colour inside a transparent border of a quarter of its side: a shape to tint.
std::shared_ptr<UIImage> shapeImage(std::uint32_t side, RGB color) {
  platform::Bitmap bitmap;
  bitmap.width = bitmap.height = side;
  bitmap.rgba.assign(std::size_t(side) * side * 4, 0);
  for (std::uint32_t y = side / 4; y < side - side / 4; ++y)
    for (std::uint32_t x = side / 4; x < side - side / 4; ++x) {
      std::uint8_t* p = bitmap.rgba.data() + (std::size_t(y) * side + x) * 4;
      p[0] = std::uint8_t(color.r), p[1] = std::uint8_t(color.g), p[2] = std::uint8_t(color.b), p[3] = 255;
    }
  return UIImage::imageWithBitmap(std::move(bitmap));
}

platform::Bitmap render(UIView& view, double scale = 1) {
  UIGraphicsBeginImageContextWithOptions(view.bounds().size, false, scale);
  view.renderInContext(UIGraphicsGetCurrentContext());
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image ? image->bitmap() : platform::Bitmap{};
}

}  // namespace

class GraphicsTest : public SmallPhoneTest {};

TEST_F(GraphicsTest, ARoundedClipLeavesTheCornersOfTheDrawnPictureTransparent) {
  auto red = solidImage(40, 40, {255, 0, 0});
  UIGraphicsBeginImageContextWithOptions(CGSize{40, 40}, false, 0);
  UIBezierPath::bezierPathWithRoundedRect(CGRectMake(0, 0, 40, 40), 10)->addClip();
  UIImageDrawInRect(red.get(), CGRectMake(0, 0, 40, 40));
  auto rounded = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();

  ASSERT_TRUE(rounded);
  EXPECT_EQ(rounded->scale(), kScale) << "scale 0 is the main screen's";
  EXPECT_EQ(rounded->width(), 40);
  ASSERT_EQ(rounded->bitmap().width, 80u);
  const auto& b = rounded->bitmap();
  for (auto [x, y] : {std::pair{0u, 0u}, {79u, 0u}, {0u, 79u}, {79u, 79u}, {3u, 3u}, {76u, 4u}}) {
    SCOPED_TRACE(::testing::Message() << x << "," << y);
    EXPECT_EQ(alphaAt(b, x, y), 0) << "outside the rounded corner";
  }
  for (auto [x, y] : {std::pair{40u, 40u}, {0u, 40u}, {40u, 0u}, {79u, 40u}, {12u, 12u}}) {
    SCOPED_TRACE(::testing::Message() << x << "," << y);
    EXPECT_EQ(alphaAt(b, x, y), 255) << "inside: the picture itself";
    EXPECT_EQ(pixelAt(b, x, y).r, 255);
  }
}

TEST_F(GraphicsTest, ContextsNestPerThreadAndBadSizesAreHarmless) {
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
  UIGraphicsBeginImageContextWithOptions(CGSize{10, 10}, true, 1);
  CGContextRef outer = UIGraphicsGetCurrentContext();
  ASSERT_NE(outer, nullptr);
  UIGraphicsBeginImageContextWithOptions(CGSize{5, 5}, false, 3);
  EXPECT_NE(UIGraphicsGetCurrentContext(), outer);
  EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext()->bitmap().width, 15u);

  CGContextRef elsewhere = outer;
  std::thread([&] { elsewhere = UIGraphicsGetCurrentContext(); }).join();
  EXPECT_EQ(elsewhere, nullptr) << "another thread has its own stack";

  UIGraphicsEndImageContext();
  EXPECT_EQ(UIGraphicsGetCurrentContext(), outer);
  // An opaque context is opaque black where nothing was drawn.
  auto opaque = UIGraphicsGetImageFromCurrentImageContext();
  EXPECT_EQ(alphaAt(opaque->bitmap(), 5, 5), 255);
  EXPECT_EQ(pixelAt(opaque->bitmap(), 5, 5).luminance(), 0);

  platform::LogCapture log;
  for (CGSize bad : {CGSize{0, 10}, CGSize{-5, 5}, CGSize{NAN, 3}, CGSize{1e9, 1}}) {
    UIGraphicsBeginImageContextWithOptions(bad, false, 2);
    EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    EXPECT_EQ(UIGraphicsGetImageFromCurrentImageContext(), nullptr);
    UIBezierPath::bezierPathWithRect(CGRectMake(0, 0, 1, 1))->fill();  // nowhere to draw: nothing happens
    UIGraphicsEndImageContext();
    EXPECT_EQ(UIGraphicsGetCurrentContext(), outer) << "the failed context was still the one ended";
  }
  EXPECT_EQ(log.lines().size(), 4u);
  UIGraphicsEndImageContext();
  UIGraphicsEndImageContext();  // one too many: logged
  EXPECT_TRUE(log.containsSubstring("without a current context"));
  EXPECT_EQ(UIGraphicsGetCurrentContext(), nullptr);
}

TEST_F(GraphicsTest, PathsFillAndStrokeInTheChosenColours) {
  UIGraphicsBeginImageContextWithOptions(CGSize{20, 20}, false, 1);
  UIColor::systemBlueColor().setFill();
  UIBezierPath::bezierPathWithOvalInRect(CGRectMake(0, 0, 20, 20))->fill();
  auto line = UIBezierPath::bezierPath();
  line->moveToPoint(CGPoint{0, 10.5});
  line->addLineToPoint(CGPoint{20, 10.5});
  line->setLineWidth(1);
  UIColor::whiteColor().setStroke();
  line->stroke();
  EXPECT_EQ(line->bounds(), CGRectMake(0, 10.5, 20, 0));
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();

  const auto& b = image->bitmap();
  EXPECT_EQ(alphaAt(b, 0, 0), 0) << "the oval leaves the corner";
  RGB inside = pixelAt(b, 10, 5);
  EXPECT_EQ(inside.r, 0);
  EXPECT_EQ(inside.g, 122);
  EXPECT_EQ(inside.b, 255);
  RGB stroke = pixelAt(b, 10, 10);
  EXPECT_EQ(stroke.luminance(), 255);
}

TEST_F(GraphicsTest, ATemplatePictureTakesTheTintOfItsImageView) {
  auto shape = shapeImage(20, {0, 0, 0});
  auto holder = UIView::alloc()->initWithFrame(CGRectMake(0, 0, 20, 20));
  holder->setTintColor(UIColor::systemOrangeColor());
  auto view = UIImageView::initWithImage(shape->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate));
  holder->addSubview(view);

  auto tinted = render(*holder);
  RGB middle = pixelAt(tinted, 10, 10);
  EXPECT_EQ(middle.r, 255);
  EXPECT_EQ(middle.g, 149);
  EXPECT_EQ(middle.b, 0);
  EXPECT_EQ(alphaAt(tinted, 10, 10), 255);
  EXPECT_EQ(alphaAt(tinted, 1, 1), 0) << "transparent parts stay transparent";

  view->setTintColor(UIColor::systemGreenColor());
  EXPECT_EQ(pixelAt(render(*holder), 10, 10).g, 199) << "the view's own tint wins";

  view->setImage(shape->imageWithRenderingMode(UIImageRenderingModeAlwaysOriginal));
  EXPECT_EQ(pixelAt(render(*holder), 10, 10).luminance(), 0) << "an original picture keeps its colours";
  EXPECT_EQ(shape->renderingMode(), UIImageRenderingModeAutomatic) << "the source image is unchanged";
}

// Pictures are kept converted, and reduced for the size they are drawn at, from one draw to the
// next: a kept one must still give its own colours, and a picture loaded anew its new ones.
TEST_F(GraphicsTest, APictureDrawnAgainOrMuchSmallerShowsItsOwnPixels) {
  auto view = UIImageView::alloc()->initWithFrame(CGRectMake(0, 0, 10, 10));
  for (RGB colour : {RGB{255, 0, 0}, RGB{0, 0, 255}, RGB{0, 200, 0}}) {
    SCOPED_TRACE(::testing::Message() << colour.r << "," << colour.g << "," << colour.b);
    view->setImage(nullptr);  // the one before goes first: the new one may well take its memory
    view->setImage(solidImage(200, 200, colour));
    for (int pass = 0; pass < 2; ++pass) {
      RGB middle = pixelAt(render(*view), 5, 5);
      EXPECT_NEAR(middle.r, colour.r, 2);
      EXPECT_NEAR(middle.g, colour.g, 2);
      EXPECT_NEAR(middle.b, colour.b, 2);
    }
  }
}

TEST_F(GraphicsTest, ContentModesPlaceThePictureByItsPoints) {
  // A 20 x 10 point picture (40 x 20 pixels at 2x) in a 40 x 40 view, drawn at 1x.
  platform::Bitmap wide;
  wide.width = 40;
  wide.height = 20;
  wide.rgba.assign(40u * 20 * 4, 255);
  auto picture = UIImage::imageWithBitmap(std::move(wide), 2);
  auto view = UIImageView::alloc()->initWithFrame(CGRectMake(0, 0, 40, 40));
  view->setImage(picture);
  struct Case {
    UIViewContentMode mode;
    std::pair<int, int> drawn, empty;
  } cases[] = {
      {UIViewContentModeScaleToFill, {2, 2}, {-1, -1}},
      {UIViewContentModeScaleAspectFit, {20, 11}, {20, 8}},    // 40 x 20, rows 10 to 30
      {UIViewContentModeScaleAspectFill, {1, 1}, {-1, -1}},    // 80 x 40, cut at the sides
      {UIViewContentModeCenter, {12, 16}, {8, 20}},            // 20 x 10 in the middle
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.mode));
    view->setContentMode(c.mode);
    auto b = render(*view);
    EXPECT_EQ(alphaAt(b, c.drawn.first, c.drawn.second), 255);
    if (c.empty.first >= 0) {
      EXPECT_EQ(alphaAt(b, c.empty.first, c.empty.second), 0);
    }
  }
}
