// encodeJPEG: what it writes decodes back to the picture's size and, near enough, its colours,
// whichever order the pixels came in.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "platform/image/ImageCodec.h"

namespace {

// Left half orange, right half blue, 4 bytes a pixel in the order given, rows `stride` bytes apart.
std::vector<std::uint8_t> halves(std::uint32_t width, std::uint32_t height, std::size_t stride, platform::PixelOrder order) {
  std::vector<std::uint8_t> pixels(stride * height, 0x55);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t r = x < width / 2 ? 250 : 20, g = x < width / 2 ? 140 : 60, b = x < width / 2 ? 10 : 230;
      std::uint8_t* p = pixels.data() + y * stride + x * 4;
      switch (order) {
        case platform::PixelOrder::RGBA: p[0] = r, p[1] = g, p[2] = b, p[3] = 255; break;
        case platform::PixelOrder::BGRA: p[0] = b, p[1] = g, p[2] = r, p[3] = 255; break;
        case platform::PixelOrder::ARGB: p[0] = 255, p[1] = r, p[2] = g, p[3] = b; break;
      }
    }
  return pixels;
}

TEST(JpegEncodeTest, EachPixelOrderDecodesToTheSamePicture) {
  constexpr std::uint32_t kWidth = 64, kHeight = 24;
  for (auto order : {platform::PixelOrder::RGBA, platform::PixelOrder::BGRA, platform::PixelOrder::ARGB}) {
    SCOPED_TRACE(int(order));
    const std::size_t stride = kWidth * 4 + 12;  // padded rows, as a surface may have
    auto pixels = halves(kWidth, kHeight, stride, order);
    auto jpeg = platform::encodeJPEG(pixels.data(), kWidth, kHeight, stride, order, 80);
    ASSERT_TRUE(jpeg);
    auto decoded = platform::decodeImage(*jpeg);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->width, kWidth);
    ASSERT_EQ(decoded->height, kHeight);
    for (auto [x, want] : {std::pair{8u, std::array{250, 140, 10}}, {56u, std::array{20, 60, 230}}}) {
      const std::uint8_t* p = decoded->rgba.data() + (12 * kWidth + x) * 4;
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], want[c], 12) << "x " << x << " channel " << c;
      EXPECT_EQ(p[3], 255);
    }
  }
}

TEST(JpegEncodeTest, NothingForAnEmptyOrInconsistentPicture) {
  EXPECT_FALSE(platform::encodeJPEG({}, 80));
  EXPECT_FALSE(platform::encodeJPEG({2, 2, std::vector<std::uint8_t>(4 * 3)}, 80));
  std::vector<std::uint8_t> row(16);
  EXPECT_FALSE(platform::encodeJPEG(row.data(), 4, 1, 8, platform::PixelOrder::RGBA, 80)) << "a stride under a row";
  EXPECT_FALSE(platform::encodeJPEG(nullptr, 4, 1, 16, platform::PixelOrder::RGBA, 80));
}

}  // namespace
