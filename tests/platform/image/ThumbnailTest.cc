// Pictures decoded at the size of the tile that shows them.
#include <gtest/gtest.h>

#include "platform/image/ImageCodec.h"
#include "tests/platform/image/TestPictures.h"

namespace {

struct Rgba {
  int r, g, b;
};

Rgba at(const platform::Bitmap& b, double fx, double fy) {
  auto x = std::uint32_t(fx * b.width), y = std::uint32_t(fy * b.height);
  const std::uint8_t* p = &b.rgba[(std::size_t(y) * b.width + x) * 4];
  return {p[0], p[1], p[2]};
}

// Red, green, blue, white quadrants, as testpictures::quadrants lays them out.
void expectQuadrants(const platform::Bitmap& b) {
  Rgba tl = at(b, 0.25, 0.25), tr = at(b, 0.75, 0.25), bl = at(b, 0.25, 0.75), br = at(b, 0.75, 0.75);
  EXPECT_GT(tl.r, 200);
  EXPECT_LT(tl.g, 60);
  EXPECT_GT(tr.g, 200);
  EXPECT_LT(tr.r, 60);
  EXPECT_GT(bl.b, 200);
  EXPECT_LT(bl.r, 60);
  EXPECT_GT(br.r + br.g + br.b, 700);
}

TEST(ThumbnailTest, CoversTheTileWithTheFewestPixelsAndKeepsThePicture) {
  struct Case {
    const char* name;
    std::string bytes;
    std::uint32_t targetW, targetH;
    std::uint32_t width, height;  // what comes out
  };
  auto q = testpictures::quadrants(1600, 1200);
  const std::vector<Case> cases = {
      // TurboJPEG's 1/8 gives 200 x 150, the smallest of its scales that covers 100 x 100; the
      // reduction then takes it to 134 x 100.
      {"jpeg", testpictures::writeJpeg(q, 90), 100, 100, 134, 100},
      {"png", platform::encodePNG(testpictures::quadrants(400, 300)).value(), 100, 100, 134, 100},
      {"a tile larger than the picture", platform::encodePNG(testpictures::quadrants(40, 30)).value(), 100, 100, 40, 30},
      {"no target", platform::encodePNG(testpictures::quadrants(40, 30)).value(), 0, 0, 40, 30},
      {"a wide tile", testpictures::writeJpeg(q, 90), 400, 50, 400, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto thumbnail = platform::decodeImageThumbnail(c.bytes, c.targetW, c.targetH);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->width, c.width);
    EXPECT_EQ(thumbnail->height, c.height);
    EXPECT_EQ(thumbnail->rgba.size(), std::size_t(c.width) * c.height * 4);
    expectQuadrants(*thumbnail);
  }
}

TEST(ThumbnailTest, AnUprightJpegIsScaledForItsTurnedSize) {
  // Stored 1600 x 1200, shown 1200 x 1600 (orientation 6: turned a quarter clockwise).
  std::string jpeg = testpictures::withExif(testpictures::writeJpeg(testpictures::quadrants(1600, 1200), 90),
                                            testpictures::orientationTiff(6, false));
  auto thumbnail = platform::decodeImageThumbnail(jpeg, 90, 120);
  ASSERT_TRUE(thumbnail);
  EXPECT_EQ(thumbnail->width, 90u);
  EXPECT_EQ(thumbnail->height, 120u);
  auto full = platform::decodeImage(jpeg);
  ASSERT_TRUE(full);
  EXPECT_EQ(full->width, 1200u);
  // The same corner is red in both.
  EXPECT_EQ(at(*thumbnail, 0.75, 0.25).r > 200, at(*full, 0.75, 0.25).r > 200);
}

TEST(ThumbnailTest, WhatIsNoPictureStaysNoPicture) {
  EXPECT_FALSE(platform::decodeImageThumbnail("plain text, not a picture", 100, 100));
  std::string jpeg = testpictures::writeJpeg(testpictures::quadrants(64, 64), 90);
  EXPECT_FALSE(platform::decodeImageThumbnail(jpeg.substr(0, jpeg.size() / 2), 8, 8));
  EXPECT_FALSE(platform::decodeImageThumbnail(testpictures::jpegClaiming(60000, 60000), 100, 100));
}

}  // namespace
