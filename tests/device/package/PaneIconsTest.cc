// The pane's drawn pictures: decoded back as the pane will decode them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "device/package/PaneIcons.h"
#include "platform/image/ImageCodec.h"
#include "tests/support/TempDeviceRoot.h"

namespace fs = std::filesystem;

namespace {

struct Pixel {
  int r, g, b, a;
};

class PaneIconsTest : public ::testing::Test {
 protected:
  std::optional<platform::Bitmap> load(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return platform::decodeImage(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  }
  static Pixel at(const platform::Bitmap& b, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = &b.rgba[(std::size_t(y) * b.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
  fs::path file(const char* name) { return fs::path(root_.path()) / name; }
  TempDeviceRoot root_;
};

TEST_F(PaneIconsTest, BannerIconFillsItsSquareWithAMarkOnANightBlueGround) {
  std::string error;
  ASSERT_TRUE(drawBannerIcon(file("icon-large.png"), 400, &error)) << error;
  auto icon = load(file("icon-large.png"));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->width, 400u);
  EXPECT_EQ(icon->height, 400u);
  // The pane rounds the corners itself: a transparent pixel would show through as a hole.
  std::set<std::uint32_t> colours;
  for (std::uint32_t y = 0; y < 400; ++y)
    for (std::uint32_t x = 0; x < 400; ++x) {
      Pixel p = at(*icon, x, y);
      ASSERT_EQ(p.a, 255) << x << "," << y;
      colours.insert(std::uint32_t(p.r) << 16 | std::uint32_t(p.g) << 8 | std::uint32_t(p.b));
    }
  EXPECT_GT(colours.size(), 1000u) << "a flat or nearly flat picture";
  Pixel corner = at(*icon, 2, 2);
  EXPECT_GT(corner.b, corner.r);
  EXPECT_GT(corner.b, corner.g);
  EXPECT_LT(corner.r + corner.g + corner.b, 250) << "the ground is dark";
}

TEST_F(PaneIconsTest, PlusSignIsWhiteCentredAndSymmetricOnTransparency) {
  std::string error;
  ASSERT_TRUE(drawPlusSign(file("plus.png"), 120, &error)) << error;
  auto plus = load(file("plus.png"));
  ASSERT_TRUE(plus);
  ASSERT_EQ(plus->width, 120u);
  ASSERT_EQ(plus->height, 120u);
  for (auto [x, y] : {std::pair{0u, 0u}, {119u, 0u}, {0u, 119u}, {119u, 119u}, {20u, 20u}, {100u, 30u}})
    EXPECT_EQ(at(*plus, x, y).a, 0) << x << "," << y << " lies off the sign";
  for (auto [x, y] : {std::pair{60u, 60u}, {15u, 60u}, {104u, 60u}, {60u, 15u}, {60u, 104u}})
    EXPECT_EQ(at(*plus, x, y).a, 255) << x << "," << y << " lies on the sign";
  int covered = 0;
  for (std::uint32_t y = 0; y < 120; ++y)
    for (std::uint32_t x = 0; x < 120; ++x) {
      Pixel p = at(*plus, x, y);
      if (p.a == 0) continue;
      ++covered;
      if (p.a > 64) {
        EXPECT_GE(std::min({p.r, p.g, p.b}), 245) << x << "," << y;
      }
      // The same under a mirror and across the diagonal, up to the smoothing of the rounded
      // ends: a plus, not a lopsided cross.
      EXPECT_NEAR(p.a, at(*plus, 119 - x, y).a, 10) << x << "," << y;
      EXPECT_NEAR(p.a, at(*plus, y, x).a, 10) << x << "," << y;
    }
  // Two bars of 14 % by 72 % of the side, less their overlap, plus the rounded ends.
  EXPECT_GT(covered, 120 * 120 * 2 * 14 * 72 / 10000 - 300);
  EXPECT_LT(covered, 120 * 120 * 2 * 14 * 90 / 10000);
}

TEST_F(PaneIconsTest, RefusesSizesOutOfRangeAndReportsAFileItCannotWrite) {
  std::string error;
  for (int size : {0, -1, 15, 4097}) {
    error.clear();
    EXPECT_FALSE(drawBannerIcon(file("x.png"), size, &error)) << size;
    EXPECT_NE(error.find("out of range"), std::string::npos) << error;
    EXPECT_FALSE(drawPlusSign(file("x.png"), size, &error)) << size;
  }
  EXPECT_FALSE(fs::exists(file("x.png")));
  error.clear();
  EXPECT_FALSE(drawPlusSign(file("no/such/folder/plus.png"), 120, &error));
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

TEST_F(PaneIconsTest, TheBuildStepDrawsBothIntoAFolderItCreates) {
  fs::path folder = file("build/TovalunePrefs.bundle");
  std::string command = std::string(TOVALUNE_TEST_DRAW_PANE_ICONS) + " " + folder.string();
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(load(folder / "icon-large.png")->width, 400u);
  EXPECT_EQ(load(folder / "plus.png")->width, 120u);
  EXPECT_NE(std::system((std::string(TOVALUNE_TEST_DRAW_PANE_ICONS) + " 2>/dev/null").c_str()), 0)
      << "no folder given";
}

}  // namespace
