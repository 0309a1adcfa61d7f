// encodePNG: what it writes decodes back to exactly the same pixels.
#include <gtest/gtest.h>

#include "platform/image/ImageCodec.h"
#include "tests/platform/image/TestPictures.h"

namespace {

// IHDR's colour type byte: signature (8) + length (4) + "IHDR" (4) + width, height (8) + depth (1).
int colourType(const std::string& png) { return static_cast<unsigned char>(png.at(25)); }

struct RoundTrip {
  const char* name;
  platform::Bitmap bitmap;
  int colourType;  // opaque pictures are written without alpha
};

class PngRoundTripTest : public testing::TestWithParam<RoundTrip> {};

TEST_P(PngRoundTripTest, DecodesToTheSamePixels) {
  const RoundTrip& c = GetParam();
  auto png = platform::encodePNG(c.bitmap);
  ASSERT_TRUE(png);
  EXPECT_EQ(colourType(*png), c.colourType);
  auto decoded = platform::decodeImage(*png);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, c.bitmap.width);
  EXPECT_EQ(decoded->height, c.bitmap.height);
  EXPECT_EQ(decoded->rgba, c.bitmap.rgba);
}

platform::Bitmap onePixel(std::uint8_t alpha) { return {1, 1, {9, 8, 7, alpha}}; }

platform::Bitmap opaqueButOnePixel() {
  platform::Bitmap b = testpictures::pattern(31, 17, false);
  b.rgba[(16 * 31 + 30) * 4 + 3] = 254;  // the very last pixel
  return b;
}

INSTANTIATE_TEST_SUITE_P(Pictures, PngRoundTripTest,
                         testing::Values(RoundTrip{"Opaque", testpictures::pattern(37, 23, false), 2},
                                         RoundTrip{"Translucent", testpictures::pattern(37, 23, true), 6},
                                         RoundTrip{"OpaqueButLastPixel", opaqueButOnePixel(), 6},
                                         RoundTrip{"SinglePixel", onePixel(255), 2},
                                         RoundTrip{"SingleClearPixel", onePixel(0), 6},
                                         RoundTrip{"TallAndThin", testpictures::pattern(1, 300, true), 6}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PngEncodeTest, NothingForAnEmptyOrInconsistentBitmap) {
  EXPECT_FALSE(platform::encodePNG({}).has_value());
  EXPECT_FALSE(platform::encodePNG({0, 5, {}}).has_value());
  EXPECT_FALSE(platform::encodePNG({2, 2, std::vector<std::uint8_t>(4 * 3)}).has_value());
}

}  // namespace
