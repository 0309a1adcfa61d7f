// What the screen shows: wallpaper, windows by level, and the alert's dimmed backdrop and panel.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/FileManager.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"
#include "tests/platform/uikit/UIKitTestSupport.h"

namespace {

constexpr RGB kWallpaperColor{200, 150, 60};

std::shared_ptr<UIWindow> windowWithRootColor(UIWindowLevel level, const UIColor& color) {
  auto window = UIWindow::alloc()->initWithFrame(UIScreen::mainScreen().bounds());
  auto root = UIViewController::create();
  root->view()->setBackgroundColor(color);
  window->setRootViewController(root);
  window->setWindowLevel(level);
  return window;
}

std::shared_ptr<UIWindow> showAlert(const std::string& title, const std::string& message, int actions = 1) {
  auto window = windowWithRootColor(UIWindowLevelAlert + 1.0, UIColor::clearColor());
  auto alert = UIAlertController::alertControllerWithTitle(title, message, UIAlertControllerStyleAlert);
  alert->addAction(UIAlertAction::actionWithTitle("OK", UIAlertActionStyleDefault, nullptr));
  if (actions > 1) alert->addAction(UIAlertAction::actionWithTitle("Cancel", UIAlertActionStyleCancel, nullptr));
  window->makeKeyAndVisible();
  window->rootViewController()->presentViewController(alert, true, nullptr);
  return window;
}

struct PixelSpan {
  int top = -1;
  int bottom = -1;  // exclusive
  int height() const { return bottom - top; }
};

// The panel's rows, found along a column inside its left padding (no text there): the bright run
// that contains the screen's middle row.
PixelSpan panelRows(const platform::Bitmap& screen, int column) {
  auto bright = [&](int y) { return pixelAt(screen, column, y).luminance() > 170; };
  int mid = int(screen.height / 2);
  if (!bright(mid)) return {};
  PixelSpan span{mid, mid + 1};
  while (span.top > 0 && bright(span.top - 1)) --span.top;
  while (span.bottom < int(screen.height) && bright(span.bottom)) ++span.bottom;
  return span;
}

}  // namespace

class ScreenRenderTest : public SmallPhoneTest {
 protected:
  platform::Bitmap render(const UIImage* wallpaper) {
    return platform::renderScreen(wallpaper, kPixelWidth, kPixelHeight);
  }
  std::shared_ptr<UIImage> wallpaper_ = solidImage(90, 160, kWallpaperColor);
  // 20 points in from the panel's left edge (the panel is 270 points wide, centred).
  const int panelColumn_ = int((kWidth / 2 - 135 + 8) * kScale);
};

TEST_F(ScreenRenderTest, WithoutWindowsTheWallpaperFillsTheScreen) {
  // A landscape picture on a portrait screen: filled, not fitted, so no bars anywhere.
  auto landscape = solidImage(300, 100, kWallpaperColor);
  auto screen = render(landscape.get());
  ASSERT_EQ(screen.width, unsigned(kPixelWidth));
  ASSERT_EQ(screen.height, unsigned(kPixelHeight));
  for (auto [x, y] : {std::pair{0, 0}, {kPixelWidth - 1, kPixelHeight - 1}, {kPixelWidth / 2, 3}}) {
    RGB p = pixelAt(screen, x, y);
    EXPECT_NEAR(p.r, kWallpaperColor.r, 2);
    EXPECT_NEAR(p.g, kWallpaperColor.g, 2);
    EXPECT_NEAR(p.b, kWallpaperColor.b, 2);
  }
}

TEST_F(ScreenRenderTest, AlertDimsTheWallpaperAndShowsAWhitePanelWithItsTitle) {
  auto window = showAlert("Welcome to Tovalune", "You may have noticed your wallpapers have changed.");
  auto screen = render(wallpaper_.get());

  RGB corner = pixelAt(screen, 4, 4);
  for (auto [dimmed, original] : {std::pair{corner.r, kWallpaperColor.r}, {corner.g, kWallpaperColor.g},
                                  {corner.b, kWallpaperColor.b}}) {
    EXPECT_LT(dimmed, original * 0.8) << "the backdrop darkens the wallpaper";
    EXPECT_GT(dimmed, original * 0.4) << "the wallpaper still shows through the backdrop";
  }

  PixelSpan panel = panelRows(screen, panelColumn_);
  ASSERT_GT(panel.height(), 80 * kScale) << "title, message and one button";
  RGB inside = pixelAt(screen, panelColumn_, (panel.top + panel.bottom) / 2);
  EXPECT_GE(std::min({inside.r, inside.g, inside.b}), 235) << "white-ish panel";
  EXPECT_NEAR((panel.top + panel.bottom) / 2.0, kPixelHeight / 2.0, 2) << "centred";
  // Left of the panel it is the backdrop again.
  EXPECT_LT(pixelAt(screen, panelColumn_ - int(12 * kScale), kPixelHeight / 2).luminance(), 170);

  // The bold title sits in the first text row: dark pixels there, across the panel's width.
  int dark = 0;
  int titleTop = panel.top + int(18 * kScale), titleBottom = panel.top + int(42 * kScale);
  for (int y = titleTop; y < titleBottom; ++y)
    for (int x = kPixelWidth / 2 - int(135 * kScale); x < kPixelWidth / 2 + int(135 * kScale); ++x)
      if (pixelAt(screen, x, y).luminance() < 80) ++dark;
  EXPECT_GT(dark, 500);
}

TEST_F(ScreenRenderTest, ALongerMessageGrowsThePanelButNeverBeyondTheScreen) {
  auto height = [&](const std::string& message) {
    auto window = showAlert("Title", message);
    return panelRows(render(wallpaper_.get()), panelColumn_).height();
  };
  int oneLine = height("Short.");
  int withLineFeeds = height("Short.\nSecond line.\n\nFourth line.");
  int wrapped = height(std::string(60, 'w') + " and a sentence long enough to wrap onto several lines of the panel.");
  EXPECT_GT(withLineFeeds, oneLine + int(3 * 13 * kScale)) << "every line feed starts a line";
  EXPECT_GT(wrapped, oneLine + int(2 * 13 * kScale)) << "wrapped at the panel's width";

  std::string endless;
  for (int i = 0; i < 300; ++i) endless += "Line " + std::to_string(i) + "\n";
  PixelSpan huge;
  {
    auto window = showAlert("Title", endless);
    huge = panelRows(render(wallpaper_.get()), panelColumn_);
  }
  EXPECT_GT(huge.top, 0);
  EXPECT_LT(huge.bottom, kPixelHeight);
}

TEST_F(ScreenRenderTest, HigherLevelsDrawAboveLowerOnesWhateverTheOrderShown) {
  auto red = windowWithRootColor(UIWindowLevelAlert, UIColor::colorWithRed(1, 0, 0));
  auto blue = windowWithRootColor(UIWindowLevelNormal, UIColor::colorWithRed(0, 0, 1));
  red->makeKeyAndVisible();
  blue->makeKeyAndVisible();
  RGB p = pixelAt(render(wallpaper_.get()), kPixelWidth / 2, kPixelHeight / 2);
  EXPECT_EQ(p.r, 255);
  EXPECT_EQ(p.b, 0);

  // On one level, the window shown last is on top.
  red->setWindowLevel(UIWindowLevelNormal);
  p = pixelAt(render(wallpaper_.get()), kPixelWidth / 2, kPixelHeight / 2);
  EXPECT_EQ(p.b, 255);
  red->setHidden(true);
  red->setHidden(false);
  p = pixelAt(render(wallpaper_.get()), kPixelWidth / 2, kPixelHeight / 2);
  EXPECT_EQ(p.r, 255);
}

TEST_F(ScreenRenderTest, HiddenWindowsAreNotDrawn) {
  auto red = windowWithRootColor(UIWindowLevelNormal, UIColor::colorWithRed(1, 0, 0));
  RGB p = pixelAt(render(wallpaper_.get()), kPixelWidth / 2, kPixelHeight / 2);
  EXPECT_EQ(p.r, kWallpaperColor.r) << "a new window starts hidden";

  red->makeKeyAndVisible();
  EXPECT_EQ(pixelAt(render(wallpaper_.get()), kPixelWidth / 2, kPixelHeight / 2).g, 0);
  red->setHidden(true);
  p = pixelAt(render(wallpaper_.get()), kPixelWidth / 2, kPixelHeight / 2);
  EXPECT_EQ(p.g, kWallpaperColor.g);
}

TEST_F(ScreenRenderTest, AWindowRendersAloneToAPNGOfItsPixelSize) {
  auto window = showAlert("Saved", "The picture was saved.", 2);
  std::string path = root_.host("/window.png");
  ASSERT_TRUE(platform::renderWindowToPNG(window, path));
  auto bytes = platform::readFile("/window.png");
  ASSERT_TRUE(bytes);
  auto picture = platform::decodeImage(*bytes);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, unsigned(kPixelWidth));
  EXPECT_EQ(picture->height, unsigned(kPixelHeight));
  // No wallpaper: the backdrop is translucent black, the panel opaque.
  EXPECT_NEAR(picture->rgba[3], 0.4 * 255, 3);
  std::size_t centre = (std::size_t(kPixelHeight / 2) * kPixelWidth + panelColumn_) * 4;
  EXPECT_EQ(picture->rgba[centre + 3], 255);
}

TEST_F(ScreenRenderTest, BadSizesAndMissingPicturesAreHarmless) {
  EXPECT_TRUE(platform::renderScreen(nullptr, 0, 0).rgba.empty());
  EXPECT_TRUE(platform::renderScreen(wallpaper_.get(), -5, 100).rgba.empty());
  EXPECT_FALSE(platform::renderWindowToPNG(nullptr, root_.host("/x.png")));
  auto empty = UIWindow::alloc()->initWithFrame(CGRectMake(0, 0, 0, 0));
  EXPECT_FALSE(platform::renderWindowToPNG(empty, root_.host("/x.png")));
  auto window = showAlert("", "");
  EXPECT_FALSE(platform::renderWindowToPNG(window, root_.host("/no/such/folder/x.png")));

  auto screen = platform::renderScreen(nullptr, 40, 30);
  ASSERT_EQ(screen.rgba.size(), 40u * 30 * 4);
  EXPECT_EQ(pixelAt(screen, 0, 0).luminance(), 0) << "black beneath the dimming without a wallpaper";
}
