// decodeImage over real files of every format a phone meets, and over every kind of damage.
#include <gtest/gtest.h>
#include <png.h>

#include <functional>
#include <optional>

#include "platform/image/ImageCodec.h"
#include "tests/platform/image/AllocationProbe.h"
#include "tests/platform/image/TestPictures.h"

using platform::Bitmap;
using namespace testpictures;

namespace {

struct Pixel {
  std::uint32_t x, y;
  std::uint8_t r, g, b, a;
};

struct Case {
  std::string name;
  std::function<std::string()> bytes;
  std::optional<std::pair<std::uint32_t, std::uint32_t>> size;  // nothing: no picture
  std::vector<Pixel> pixels = {};
  std::optional<Bitmap> exactly = {};  // for lossless files: every pixel
  int tolerance = 0;                   // for lossy files
};

std::ostream& operator<<(std::ostream& os, const Case& c) { return os << c.name; }

std::vector<std::uint8_t> rgbSamples(const Bitmap& b) {
  std::vector<std::uint8_t> s;
  for (std::size_t i = 0; i < b.rgba.size(); i += 4) s.insert(s.end(), &b.rgba[i], &b.rgba[i] + 3);
  return s;
}

std::string cut(std::string bytes, double fraction) { return bytes.substr(0, std::size_t(bytes.size() * fraction)); }

std::string flipByte(std::string bytes, std::size_t at) {
  bytes[at] = char(~bytes[at]);
  return bytes;
}

// A patch of pattern in the middle of a clear picture.
Bitmap islandOnClear(std::uint32_t width, std::uint32_t height) {
  Bitmap b = pattern(width, height, false);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      if (x < 4 || y < 3 || x >= width - 2 || y >= height - 2) std::fill_n(&b.rgba[(y * width + x) * 4], 4, 0);
  return b;
}

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

std::vector<Case> formatCases() {
  return {
      {"PngRgb8", [] { return writePng({5, 3, PNG_COLOR_TYPE_RGB, 8, false, rgbSamples(pattern(5, 3, false))}); },
       {{5, 3}}, {}, pattern(5, 3, false)},
      {"PngRgba8Interlaced",
       [] { return writePng({13, 11, PNG_COLOR_TYPE_RGBA, 8, true, pattern(13, 11, true).rgba}); },
       {{13, 11}}, {}, pattern(13, 11, true)},
      {"PngPalette2BitWithTransparency",
       [] {
         // indices per row: 0 1 2 3 0 1 (2 bits each, packed), second row reversed
         return writePng({6, 2, PNG_COLOR_TYPE_PALETTE, 2, false, {0x1B, 0x10, 0x4E, 0x40},
                          {kRed, kGreen, kBlue, kWhite}, {255, 0, 128}});
       },
       {{6, 2}},
       {{0, 0, 255, 0, 0, 255}, {1, 0, 0, 255, 0, 0}, {2, 0, 0, 0, 255, 128}, {3, 0, 255, 255, 255, 255},
        {0, 1, 0, 255, 0, 0}, {5, 1, 255, 0, 0, 255}}},
      {"PngPaletteInterlaced",
       [] {
         std::vector<std::uint8_t> indices(9 * 9);
         for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = std::uint8_t(i % 3);
         return writePng({9, 9, PNG_COLOR_TYPE_PALETTE, 8, true, indices, {kRed, kGreen, kBlue}});
       },
       {{9, 9}}, {{0, 0, 255, 0, 0, 255}, {1, 0, 0, 255, 0, 255}, {8, 8, 0, 0, 255, 255}}},
      {"PngGrey1Bit",
       [] { return writePng({9, 1, PNG_COLOR_TYPE_GRAY, 1, false, {0xAA, 0x80}}); },
       {{9, 1}}, {{0, 0, 255, 255, 255, 255}, {1, 0, 0, 0, 0, 255}, {8, 0, 255, 255, 255, 255}}},
      {"PngGreyAlpha8",
       [] { return writePng({2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, {10, 20, 200, 255}}); },
       {{2, 1}}, {{0, 0, 10, 10, 10, 20}, {1, 0, 200, 200, 200, 255}}},
      {"PngRgba16",
       [] {
         return writePng({1, 1, PNG_COLOR_TYPE_RGBA, 16, false, {0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00, 0x80, 0x80}});
       },
       {{1, 1}}, {{0, 0, 0x12, 0xAB, 0xFF, 0x80}}, {}, 1},
      {"PngGrey16",
       [] { return writePng({2, 1, PNG_COLOR_TYPE_GRAY, 16, false, {0xFF, 0xFF, 0x40, 0x00}}); },
       {{2, 1}}, {{0, 0, 255, 255, 255, 255}, {1, 0, 0x40, 0x40, 0x40, 255}}, {}, 1},
      {"JpegBaseline", [] { return writeJpeg(quadrants(32, 16), 95); }, {{32, 16}},
       {{0, 0, 255, 0, 0, 255}, {31, 0, 0, 255, 0, 255}, {0, 15, 0, 0, 255, 255}, {31, 15, 255, 255, 255, 255}},
       {}, 24},
      {"JpegProgressive", [] { return writeJpeg(quadrants(48, 32), 90, true); }, {{48, 32}},
       {{0, 0, 255, 0, 0, 255}, {47, 31, 255, 255, 255, 255}}, {}, 24},
      {"JpegCmyk", [] { return writeCmykJpeg(quadrants(32, 16)); }, {{32, 16}},
       {{0, 0, 255, 0, 0, 255}, {31, 0, 0, 255, 0, 255}, {0, 15, 0, 0, 255, 255}, {31, 15, 255, 255, 255, 255}},
       {}, 24},
      {"WebpLossy", [] { return writeWebp(quadrants(32, 16), false); }, {{32, 16}},
       {{0, 0, 255, 0, 0, 255}, {31, 15, 255, 255, 255, 255}}, {}, 40},
      {"WebpLosslessWithAlpha", [] { return writeWebp(pattern(7, 5, true), true); }, {{7, 5}}, {},
       pattern(7, 5, true)},
      {"WebpAnimationFirstFrameOnly",
       [] { return writeAnimatedWebp({islandOnClear(12, 10), quadrants(12, 10)}); }, {{12, 10}}, {},
       islandOnClear(12, 10)},
      {"GifGlobalColours",
       [] {
         return writeGif(3, 2, {kRed, kGreen, kBlue, kWhite}, {{0, 0, 3, 2, false, {}, -1, {0, 1, 2, 3, 2, 1}}});
       },
       {{3, 2}}, {{0, 0, 255, 0, 0, 255}, {2, 0, 0, 0, 255, 255}, {0, 1, 255, 255, 255, 255}}},
      {"GifLocalColoursAndTransparency",
       [] {
         return writeGif(2, 2, {kRed, kRed}, {{0, 0, 2, 2, false, {kBlue, kGreen, kWhite, kWhite}, 1, {0, 1, 2, 0}}});
       },
       {{2, 2}}, {{0, 0, 0, 0, 255, 255}, {1, 0, 0, 0, 0, 0}, {0, 1, 255, 255, 255, 255}}},
      {"GifFrameAtOffsetOnTransparentCanvas",
       [] { return writeGif(6, 5, {kRed, kGreen}, {{2, 1, 3, 2, false, {}, -1, {1, 1, 1, 0, 0, 0}}}); },
       {{6, 5}},
       {{0, 0, 0, 0, 0, 0}, {2, 1, 0, 255, 0, 255}, {4, 2, 255, 0, 0, 255}, {5, 4, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 0}}},
      {"GifFrameOverhangingZeroScreen",
       [] { return writeGif(0, 0, {kRed, kGreen}, {{1, 1, 2, 1, false, {}, -1, {1, 0}}}); },
       {{3, 2}}, {{0, 0, 0, 0, 0, 0}, {1, 1, 0, 255, 0, 255}, {2, 1, 255, 0, 0, 255}}},
      {"GifInterlacedRowsInPlace",
       [] {
         std::vector<std::uint8_t> rows = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2};
         return writeGif(1, 11, {kRed, kGreen, kBlue, kWhite}, {{0, 0, 1, 11, true, {}, -1, rows}});
       },
       {{1, 11}},
       {{0, 0, 255, 0, 0, 255}, {0, 1, 0, 255, 0, 255}, {0, 2, 0, 0, 255, 255}, {0, 3, 255, 255, 255, 255},
        {0, 9, 0, 255, 0, 255}, {0, 10, 0, 0, 255, 255}}},
      {"GifFirstFrameOnly",
       [] {
         return writeGif(1, 1, {kRed, kGreen}, {{0, 0, 1, 1, false, {}, -1, {0}}, {0, 0, 1, 1, false, {}, -1, {1}}});
       },
       {{1, 1}}, {{0, 0, 255, 0, 0, 255}}},
  };
}

std::vector<Case> damageCases() {
  auto photo = [] { return pattern(64, 48, false); };
  return {
      {"Empty", [] { return std::string(); }, std::nullopt},
      {"Text", [] { return std::string("<html>502 Bad Gateway</html>\n"); }, std::nullopt},
      {"BmpWithoutItsHeaders", [] { return std::string("BM\x36\x00\x00\x00\x00\x00", 8) + std::string(60, '\0'); },
       std::nullopt},
      {"PngSignatureOnly", [] { return std::string("\x89PNG\r\n\x1A\n"); }, std::nullopt},
      {"PngTruncated",
       [=] { return cut(writePng({64, 48, PNG_COLOR_TYPE_RGB, 8, false, rgbSamples(photo())}), 0.6); }, std::nullopt},
      {"PngHeaderCrcWrong",
       [=] { return flipByte(writePng({64, 48, PNG_COLOR_TYPE_RGB, 8, false, rgbSamples(photo())}), 19); },
       std::nullopt},
      {"PngImageDataCorrupt",
       [=] {
         std::string png = writePng({64, 48, PNG_COLOR_TYPE_RGB, 8, false, rgbSamples(photo())});
         return flipByte(png, png.find("IDAT") + 40);
       },
       std::nullopt},
      {"JpegTruncated", [=] { return cut(writeJpeg(photo(), 90), 0.6); }, std::nullopt},
      {"JpegMagicOnly", [] { return std::string("\xFF\xD8\xFF"); }, std::nullopt},
      {"JpegMagicThenGarbage", [] { return std::string("\xFF\xD8\xFF\xE0") + std::string(200, '\x7F'); },
       std::nullopt},
      {"JpegHeadersWithoutScan",
       [=] {
         std::string jpeg = writeJpeg(photo(), 90);
         return jpeg.substr(0, jpeg.find("\xFF\xDA"));
       },
       std::nullopt},
      {"WebpTruncated", [=] { return cut(writeWebp(photo(), false), 0.5); }, std::nullopt},
      {"WebpAnimationTruncated",
       [] { return cut(writeAnimatedWebp({pattern(30, 20, false), quadrants(30, 20)}), 0.4); }, std::nullopt},
      {"WebpRiffWithoutPicture", [] { return std::string("RIFF\x04\x00\x00\x00WEBP", 12); }, std::nullopt},
      {"GifTruncated",
       [] {
         std::vector<std::uint8_t> indices(40 * 40);
         for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = std::uint8_t(i * 7 % 4);
         return cut(writeGif(40, 40, {kRed, kGreen, kBlue, kWhite}, {{0, 0, 40, 40, false, {}, -1, indices}}), 0.5);
       },
       std::nullopt},
      {"GifWithoutAnyColourMap", [] { return writeGif(2, 1, {}, {{0, 0, 2, 1, false, {}, -1, {0, 0}}}); },
       std::nullopt},
      {"GifWithoutFrames", [] { return writeGif(4, 4, {kRed, kGreen}, {}); }, std::nullopt},
  };
}

class DecodeImageTest : public testing::TestWithParam<Case> {};

TEST_P(DecodeImageTest, DecodesToExpectedPicture) {
  const Case& c = GetParam();
  const std::string bytes = c.bytes();
  std::optional<Bitmap> bitmap = platform::decodeImage(bytes);
  if (!c.size) {
    EXPECT_FALSE(bitmap.has_value()) << "decoded " << bitmap->width << "x" << bitmap->height;
    return;
  }
  ASSERT_TRUE(bitmap.has_value());
  EXPECT_EQ(bitmap->width, c.size->first);
  EXPECT_EQ(bitmap->height, c.size->second);
  ASSERT_EQ(bitmap->rgba.size(), std::size_t{bitmap->width} * bitmap->height * 4);
  if (c.exactly) {
    EXPECT_EQ(bitmap->rgba, c.exactly->rgba);
  }
  for (const Pixel& p : c.pixels) {
    const std::uint8_t* got = &bitmap->rgba[(std::size_t{p.y} * bitmap->width + p.x) * 4];
    const std::uint8_t want[] = {p.r, p.g, p.b, p.a};
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(got[i], want[i], c.tolerance) << "pixel (" << p.x << "," << p.y << ") channel " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodeImageTest, testing::ValuesIn(formatCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Damage, DecodeImageTest, testing::ValuesIn(damageCases()),
                         [](const auto& info) { return info.param.name; });

// Every truncation of a small file of each format: no crash, no hang, and never a picture of
// another size.
TEST(DecodeImageTruncation, EveryPrefixIsRefusedOrWhole) {
  const std::vector<std::string> files = {
      writePng({8, 8, PNG_COLOR_TYPE_RGBA, 8, true, pattern(8, 8, true).rgba}),
      writeJpeg(pattern(16, 16, false), 90, true),
      writeWebp(pattern(8, 8, true), true),
      writeGif(4, 4, {kRed, kGreen}, {{0, 0, 4, 4, true, {}, 0, std::vector<std::uint8_t>(16, 1)}}),
  };
  for (const std::string& file : files) {
    for (std::size_t length = 0; length < file.size(); ++length) {
      auto bitmap = platform::decodeImage(std::string_view(file).substr(0, length));
      if (bitmap) {
        EXPECT_EQ(bitmap->rgba.size(), std::size_t{bitmap->width} * bitmap->height * 4);
        EXPECT_GT(bitmap->width, 0u);
      }
    }
  }
}

// Random damage (bytes overwritten, a stretch cut out) to a file of each format, with a fixed seed:
// never a crash, and a picture, when one comes out, is whole.
TEST(DecodeImageDamage, RandomlyDamagedFilesNeverCrash) {
  const std::vector<std::string> files = {
      writePng({16, 12, PNG_COLOR_TYPE_PALETTE, 4, true, std::vector<std::uint8_t>(8 * 12, 0x12), {kRed, kGreen, kBlue}}),
      writePng({16, 12, PNG_COLOR_TYPE_RGBA, 16, false, std::vector<std::uint8_t>(16 * 12 * 8, 0x5A)}),
      writeJpeg(pattern(40, 24, false), 85),
      withExif(writeJpeg(pattern(24, 40, false), 85, true), orientationTiff(8, true)),
      writeWebp(pattern(20, 12, false), false),
      writeWebp(pattern(20, 12, true), true),
      writeAnimatedWebp({islandOnClear(12, 10), quadrants(12, 10)}),
      writeGif(8, 8, {kRed, kGreen, kBlue}, {{1, 1, 6, 6, true, {}, 2, std::vector<std::uint8_t>(36, 1)}}),
  };
  expectRandomDamageNeverBreaksDecoding(files, 20240601);
}

struct Bomb {
  std::string name;
  std::function<std::string()> bytes;
};

class DecompressionBombTest : public testing::TestWithParam<Bomb> {};

TEST_P(DecompressionBombTest, RefusedBeforeAnyPixelMemory) {
  const std::string bytes = GetParam().bytes();
  AllocationProbe probe;
  EXPECT_FALSE(platform::decodeImage(bytes).has_value());
  EXPECT_LT(probe.largest(), std::size_t{1} << 20);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DecompressionBombTest,
    testing::Values(Bomb{"Png30000x30000", [] { return pngClaiming(30000, 30000); }},
                    Bomb{"PngJustOverLimit", [] { return pngClaiming(10001, 10000); }},
                    Bomb{"PngOneRowTooWide", [] { return pngClaiming(100'000'001, 1); }},
                    // Under the limit, but a few bytes cannot deflate to 9000 rows.
                    Bomb{"PngUnderLimitWithFarTooLittleData", [] { return pngClaiming(9000, 9000); }},
                    Bomb{"PngSizeDamagedUnderLimit",
                         [] {
                           std::string png = writePng({16, 12, PNG_COLOR_TYPE_RGB, 8, false,
                                                       std::vector<std::uint8_t>(16 * 12 * 3, 7)});
                           png[16 + 1] = '\x71';  // width 16 -> 7405584; the checksum no longer fits
                           return png;
                         }},
                    Bomb{"Jpeg60000x60000", [] { return jpegClaiming(60000, 60000); }},
                    Bomb{"Webp16384x16384", [] { return webpClaiming(16384, 16384); }},
                    Bomb{"GifScreen65535x65535",
                         [] { return writeGif(65535, 65535, {kRed, kGreen}, {{0, 0, 1, 1, false, {}, -1, {1}}}); }},
                    Bomb{"GifFrameFarOffScreen",
                         [] { return writeGif(1, 1, {kRed, kGreen}, {{65000, 65000, 1, 1, false, {}, -1, {1}}}); }}),
    [](const auto& info) { return info.param.name; });

}  // namespace
