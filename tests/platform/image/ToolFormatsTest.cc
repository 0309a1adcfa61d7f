// HEIC, AVIF, TIFF and BMP files made by other programs (heif-enc, convert, tiffcp, tiffset) from
// known pixels: each must decode to those pixels, the right way up.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "platform/image/ImageCodec.h"
#include "tests/platform/image/TestPictures.h"
#include "tests/platform/image/ToolPictures.h"

using platform::Bitmap;
using namespace testpictures;
using namespace toolpictures;

namespace {

struct Expected {
  std::uint32_t x, y;
  std::uint8_t r, g, b, a;
};

struct ToolCase {
  std::string name;
  std::function<std::string()> bytes;
  std::uint32_t width, height;
  std::vector<Expected> pixels = {};
  std::optional<Bitmap> exactly = {};  // every pixel, within the tolerance
  int tolerance = 0;
};

std::ostream& operator<<(std::ostream& os, const ToolCase& c) { return os << c.name; }

// The centres of the four quadrants of quadrants(w, h), as stored.
std::vector<Expected> quadrantCentres(std::uint32_t w, std::uint32_t h) {
  return {{w / 4, h / 4, 255, 0, 0, 255},
          {3 * w / 4, h / 4, 0, 255, 0, 255},
          {w / 4, 3 * h / 4, 0, 0, 255, 255},
          {3 * w / 4, 3 * h / 4, 255, 255, 255, 255}};
}

// Colours that vary everywhere, and alpha that does too but stays at or above half, where
// premultiplied storage still keeps every colour to within one step.
Bitmap translucent(std::uint32_t w, std::uint32_t h) {
  Bitmap b = pattern(w, h, false);
  for (std::uint32_t i = 0; i < w * h; ++i) b.rgba[i * 4 + 3] = std::uint8_t(128 + (i * 37) % 128);
  return b;
}

// The quadrants with the right half at a quarter opacity.
Bitmap quadrantsHalfClear(std::uint32_t w, std::uint32_t h) {
  Bitmap b = quadrants(w, h);
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = w / 2; x < w; ++x) b.rgba[(y * w + x) * 4 + 3] = 64;
  return b;
}

// The bitmap's colour multiplied by its alpha, as a file that stores premultiplied colour holds it.
Bitmap premultiplied(Bitmap b) {
  for (std::size_t i = 0; i < b.rgba.size(); i += 4)
    for (int c = 0; c < 3; ++c) b.rgba[i + c] = std::uint8_t((b.rgba[i + c] * b.rgba[i + 3] + 127) / 255);
  return b;
}

Bitmap greyRamp(std::uint32_t w, std::uint32_t h) {
  Bitmap b = pattern(w, h, false);
  for (std::uint32_t i = 0; i < w * h; ++i) b.rgba[i * 4] = b.rgba[i * 4 + 1] = b.rgba[i * 4 + 2] = std::uint8_t(i * 11);
  return b;
}

Bitmap blackAndWhite(std::uint32_t w, std::uint32_t h) {
  Bitmap b = pattern(w, h, false);
  for (std::uint32_t i = 0; i < w * h; ++i) {
    const std::uint8_t v = (i % 3 == 0 || i % 7 == 0) ? 255 : 0;
    b.rgba[i * 4] = b.rgba[i * 4 + 1] = b.rgba[i * 4 + 2] = v;
  }
  return b;
}

const std::string kFourColours = std::string("\x00\x00\x00\x00", 4) + std::string("\x00\x00\xFF\x00", 4) +
                                 std::string("\x00\xFF\x00\x00", 4) + std::string("\xFF\x00\x00\x00", 4);

std::vector<ToolCase> heifCases() {
  return {
      {"HeicLossy", [] { return heifEnc(quadrants(64, 48), {"-q", "90"}); }, 64, 48, quadrantCentres(64, 48), {}, 24},
      {"HeicOddSize", [] { return heifEnc(quadrants(37, 23), {"-q", "90"}); }, 37, 23, quadrantCentres(37, 23), {},
       40},
      {"HeicNearLossless",
       [] { return heifEnc(pattern(24, 16, false), {"-L", "-p", "chroma=444"}); }, 24, 16, {}, pattern(24, 16, false),
       3},
      {"HeicWithAlpha", [] { return heifEnc(quadrantsHalfClear(64, 48), {"-q", "90"}); }, 64, 48,
       {{16, 12, 255, 0, 0, 255}, {48, 12, 0, 255, 0, 64}, {16, 36, 0, 0, 255, 255}, {48, 36, 255, 255, 255, 64}},
       {}, 24},
      // Stored premultiplied (and flagged so): the bitmap's colour comes out straight.
      {"HeicPremultipliedAlpha",
       [] { return heifEnc(premultiplied(quadrantsHalfClear(64, 48)), {"-q", "95", "--premultiplied-alpha"}); }, 64,
       48, {{16, 12, 255, 0, 0, 255}, {48, 12, 0, 255, 0, 64}, {16, 36, 0, 0, 255, 255}, {48, 36, 255, 255, 255, 64}},
       {}, 24},
      {"HeicTenBitsComeOutAsEight",
       [] {
         std::vector<std::uint16_t> rgb;
         for (int i = 0; i < 32 * 16; ++i) {
           const bool right = i % 32 >= 16;
           rgb.insert(rgb.end(), {std::uint16_t(right ? 0 : 0xFFFF), std::uint16_t(right ? 0x8080 : 0), 0});
         }
         return heifEnc16(32, 16, rgb, {"-q", "95", "-b", "10"});
       },
       32, 16, {{4, 8, 255, 0, 0, 255}, {28, 8, 0, 128, 0, 255}}, {}, 24},
      // irot 1 is a quarter turn anticlockwise: green, top right, comes to the top left.
      {"HeicRotatedByIrot", [] { return withHeifTransform(heifEnc(quadrants(64, 48), {"-q", "90"}), "irot", 1); },
       48, 64, {{12, 16, 0, 255, 0, 255}, {36, 16, 255, 255, 255, 255}, {12, 48, 255, 0, 0, 255}, {36, 48, 0, 0, 255, 255}},
       {}, 24},
      {"HeicHalfTurnByIrot", [] { return withHeifTransform(heifEnc(quadrants(64, 48), {"-q", "90"}), "irot", 2); },
       64, 48, {{16, 12, 255, 255, 255, 255}, {48, 12, 0, 0, 255, 255}, {16, 36, 0, 255, 0, 255}, {48, 36, 255, 0, 0, 255}},
       {}, 24},
      // imir as libheif applies it: axis 0 turns the picture upside down, axis 1 swaps left and right.
      {"HeicMirroredByImirAxis0",
       [] { return withHeifTransform(heifEnc(quadrants(64, 48), {"-q", "90"}), "imir", 0); }, 64, 48,
       {{16, 12, 0, 0, 255, 255}, {48, 12, 255, 255, 255, 255}, {16, 36, 255, 0, 0, 255}, {48, 36, 0, 255, 0, 255}},
       {}, 24},
      {"HeicMirroredByImirAxis1",
       [] { return withHeifTransform(heifEnc(quadrants(64, 48), {"-q", "90"}), "imir", 1); }, 64, 48,
       {{16, 12, 0, 255, 0, 255}, {48, 12, 255, 0, 0, 255}, {16, 36, 255, 255, 255, 255}, {48, 36, 0, 0, 255, 255}},
       {}, 24},
      {"AvifLossy", [] { return heifEnc(quadrants(64, 48), {"-A", "-q", "90"}); }, 64, 48, quadrantCentres(64, 48), {},
       24},
      {"AvifWithAlpha", [] { return heifEnc(quadrantsHalfClear(64, 48), {"-A", "-q", "90"}); }, 64, 48,
       {{16, 12, 255, 0, 0, 255}, {48, 12, 0, 255, 0, 64}, {16, 36, 0, 0, 255, 255}, {48, 36, 255, 255, 255, 64}},
       {}, 24},
      {"AvifRotatedByIrot",
       [] { return withHeifTransform(heifEnc(quadrants(64, 48), {"-A", "-q", "90"}), "irot", 3); }, 48, 64,
       {{12, 16, 0, 0, 255, 255}, {36, 16, 255, 0, 0, 255}, {12, 48, 255, 255, 255, 255}, {36, 48, 0, 255, 0, 255}},
       {}, 24},
  };
}

std::vector<ToolCase> tiffCases() {
  const Bitmap photo = pattern(37, 23, false);
  auto plain = [=] { return convert(photo, {"-compress", "None"}, "TIFF"); };
  return {
      {"TiffUncompressed", plain, 37, 23, {}, photo},
      {"TiffBigEndian", [=] { return convert(photo, {"-endian", "MSB", "-compress", "LZW"}, "TIFF"); }, 37, 23, {},
       photo},
      {"TiffLzw", [=] { return convert(photo, {"-compress", "LZW"}, "TIFF"); }, 37, 23, {}, photo},
      {"TiffDeflate", [=] { return convert(photo, {"-compress", "Zip"}, "TIFF"); }, 37, 23, {}, photo},
      {"TiffPackBits", [=] { return convert(photo, {"-compress", "RLE"}, "TIFF"); }, 37, 23, {}, photo},
      {"TiffTiledLzwWithPartialEdgeTiles", [=] { return tiffcp(plain(), {"-t", "-w", "16", "-l", "16", "-c", "lzw"}); },
       37, 23, {}, photo},
      {"TiffStripsOfFourRowsDeflate", [=] { return tiffcp(plain(), {"-s", "-r", "4", "-c", "zip"}); }, 37, 23, {},
       photo},
      {"TiffSeparatePlanes", [=] { return tiffcp(plain(), {"-p", "separate"}); }, 37, 23, {}, photo},
      {"Tiff16BitsPerSample", [=] { return convert(photo, {"-depth", "16", "-compress", "LZW"}, "TIFF"); }, 37, 23, {},
       photo},
      {"TiffUnassociatedAlpha", [] { return convert(translucent(19, 7), {"-compress", "LZW"}, "TIFF"); }, 19, 7, {},
       translucent(19, 7), 1},
      {"TiffAssociatedAlpha",
       [] { return convert(translucent(19, 7), {"-define", "tiff:alpha=associated"}, "TIFF"); }, 19, 7, {},
       translucent(19, 7), 1},
      {"TiffPalette", [] { return convert(quadrants(37, 23), {"-type", "Palette"}, "TIFF"); }, 37, 23, {},
       quadrants(37, 23)},
      {"TiffGreyscale", [] { return convert(greyRamp(37, 23), {"-type", "Grayscale"}, "TIFF"); }, 37, 23, {},
       greyRamp(37, 23), 1},
      {"TiffBilevel", [] { return convert(blackAndWhite(37, 23), {"-type", "Bilevel"}, "TIFF"); }, 37, 23, {},
       blackAndWhite(37, 23)},
      {"TiffJpegCompressed", [] { return convert(quadrants(64, 48), {"-compress", "JPEG", "-quality", "95"}, "TIFF"); },
       64, 48, quadrantCentres(64, 48), {}, 24},
      {"TiffFirstPageOnly",
       [] { return convertPages({quadrants(20, 10), pattern(30, 30, false)}, {"-compress", "LZW"}, "TIFF"); }, 20, 10,
       {}, quadrants(20, 10)},
  };
}

std::vector<ToolCase> bmpCases() {
  const Bitmap photo = pattern(37, 23, false);
  return {
      {"Bmp24", [=] { return convert(photo, {"-type", "TrueColor"}, "BMP3"); }, 37, 23, {}, photo},
      {"Bmp24TopDown", [=] { return topDownBmp(convert(photo, {"-type", "TrueColor"}, "BMP3")); }, 37, 23, {}, photo},
      {"Bmp24OldestHeader", [=] { return convert(photo, {"-type", "TrueColor"}, "BMP2"); }, 37, 23, {}, photo},
      {"Bmp32WithAlpha", [] { return convert(pattern(13, 9, true), {}, "BMP"); }, 13, 9, {}, pattern(13, 9, true)},
      {"Bmp16Rgb565", [] { return convert(quadrants(20, 10), {"-define", "bmp:subtype=RGB565"}, "BMP"); }, 20, 10, {},
       quadrants(20, 10), 8},
      {"BmpPaletteQuadrants", [] { return convert(quadrants(37, 23), {"-type", "Palette"}, "BMP3"); }, 37, 23, {},
       quadrants(37, 23)},
      {"Bmp1Bit", [] { return convert(blackAndWhite(37, 23), {"-type", "Bilevel"}, "BMP3"); }, 37, 23, {},
       blackAndWhite(37, 23)},
      {"BmpRle8", [] { return convert(quadrants(37, 23), {"-type", "Palette", "-compress", "RLE"}, "BMP3"); }, 37, 23,
       {}, quadrants(37, 23)},
      // Bottom row: a run of six alternating 1, 2; middle row: six pixels given literally; top row: a
      // move two to the right, then a run of four of colour 3; then the end of the picture.
      {"BmpRle4RunsLiteralsAndMoves",
       [] {
         const std::string rle = std::string("\x06\x12\x00\x00", 4) + std::string("\x00\x06\x31\x23\x12\x00\x00\x00", 8) +
                                 std::string("\x00\x02\x02\x00\x04\x33\x00\x01", 8);
         return handMadeBmp(6, 3, 4, 2, kFourColours, rle);
       },
       6, 3,
       {{0, 2, 255, 0, 0, 255}, {1, 2, 0, 255, 0, 255}, {5, 2, 0, 255, 0, 255},
        {0, 1, 0, 0, 255, 255}, {1, 1, 255, 0, 0, 255}, {2, 1, 0, 255, 0, 255}, {5, 1, 0, 255, 0, 255},
        {2, 0, 0, 0, 255, 255}, {5, 0, 0, 0, 255, 255}}},
      // The fourth byte of an uncompressed 32-bit pixel is reserved, usually zero: not transparency.
      {"Bmp32ReservedByteIsNotAlpha",
       [] {
         const std::string rows = std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00", 8) +
                                  std::string("\xFF\x00\x00\x00\xFF\xFF\xFF\x00", 8);
         return handMadeBmp(2, 2, 32, 0, "", rows);
       },
       2, 2, {{0, 1, 255, 0, 0, 255}, {1, 1, 0, 255, 0, 255}, {0, 0, 0, 0, 255, 255}, {1, 0, 255, 255, 255, 255}}},
  };
}

class ToolFormatTest : public testing::TestWithParam<ToolCase> {};

TEST_P(ToolFormatTest, DecodesToTheSourcePixels) {
  const ToolCase& c = GetParam();
  const std::string bytes = c.bytes();
  std::optional<Bitmap> bitmap = platform::decodeImage(bytes);
  ASSERT_TRUE(bitmap.has_value());
  ASSERT_EQ(bitmap->width, c.width);
  ASSERT_EQ(bitmap->height, c.height);
  ASSERT_EQ(bitmap->rgba.size(), std::size_t{c.width} * c.height * 4);
  if (c.exactly) {
    int worst = 0;
    std::size_t worstAt = 0;
    for (std::size_t i = 0; i < bitmap->rgba.size(); ++i) {
      const int d = std::abs(int(bitmap->rgba[i]) - int(c.exactly->rgba[i]));
      if (d > worst) worst = d, worstAt = i;
    }
    EXPECT_LE(worst, c.tolerance) << "pixel (" << worstAt / 4 % c.width << "," << worstAt / 4 / c.width
                                  << ") channel " << worstAt % 4;
  }
  for (const Expected& p : c.pixels) {
    const std::uint8_t* got = &bitmap->rgba[(std::size_t{p.y} * c.width + p.x) * 4];
    const std::uint8_t want[] = {p.r, p.g, p.b, p.a};
    for (int i = 0; i < 4; ++i)
      EXPECT_NEAR(got[i], want[i], c.tolerance) << "pixel (" << p.x << "," << p.y << ") channel " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Heif, ToolFormatTest, testing::ValuesIn(heifCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Tiff, ToolFormatTest, testing::ValuesIn(tiffCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Bmp, ToolFormatTest, testing::ValuesIn(bmpCases()),
                         [](const auto& info) { return info.param.name; });

// A palette picture has no exact source to compare with; it must still show the source's colours
// nearly everywhere.
TEST(ToolFormatPalette, EightBitPaletteBmpIsCloseToItsSource) {
  const Bitmap photo = pattern(37, 23, false);
  auto bitmap = platform::decodeImage(convert(photo, {"-colors", "200", "-type", "Palette"}, "BMP3"));
  ASSERT_TRUE(bitmap);
  double total = 0;
  for (std::size_t i = 0; i < photo.rgba.size(); ++i) total += std::abs(int(bitmap->rgba[i]) - int(photo.rgba[i]));
  EXPECT_LT(total / photo.rgba.size(), 12.0);
}

// The TIFF Orientation tag, set by tiffset on a file convert wrote, means what EXIF's does: the
// stored 32x16 quadrants come out with these colours in these corners.
struct TiffOrientation {
  int value;
  std::uint32_t width, height;
  Rgb topLeft, topRight, bottomLeft, bottomRight;
};

class TiffOrientationTest : public testing::TestWithParam<TiffOrientation> {};

TEST_P(TiffOrientationTest, TurnedUpright) {
  const TiffOrientation& o = GetParam();
  auto bitmap = platform::decodeImage(tiffset(convert(quadrants(32, 16), {"-compress", "LZW"}, "TIFF"), 274, o.value));
  ASSERT_TRUE(bitmap);
  ASSERT_EQ(bitmap->width, o.width);
  ASSERT_EQ(bitmap->height, o.height);
  auto expect = [&](std::uint32_t x, std::uint32_t y, Rgb c, const char* corner) {
    const std::uint8_t* p = &bitmap->rgba[(std::size_t{y} * o.width + x) * 4];
    EXPECT_EQ(p[0], c.r) << corner;
    EXPECT_EQ(p[1], c.g) << corner;
    EXPECT_EQ(p[2], c.b) << corner;
  };
  expect(0, 0, o.topLeft, "top left");
  expect(o.width - 1, 0, o.topRight, "top right");
  expect(0, o.height - 1, o.bottomLeft, "bottom left");
  expect(o.width - 1, o.height - 1, o.bottomRight, "bottom right");
}

constexpr Rgb kR{255, 0, 0}, kG{0, 255, 0}, kB{0, 0, 255}, kW{255, 255, 255};

INSTANTIATE_TEST_SUITE_P(Values, TiffOrientationTest,
                         testing::Values(TiffOrientation{1, 32, 16, kR, kG, kB, kW}, TiffOrientation{2, 32, 16, kG, kR, kW, kB},
                                         TiffOrientation{3, 32, 16, kW, kB, kG, kR}, TiffOrientation{4, 32, 16, kB, kW, kR, kG},
                                         TiffOrientation{5, 16, 32, kR, kB, kG, kW}, TiffOrientation{6, 16, 32, kB, kR, kW, kG},
                                         TiffOrientation{7, 16, 32, kW, kG, kB, kR}, TiffOrientation{8, 16, 32, kG, kW, kR, kB}),
                         [](const auto& info) { return std::to_string(info.param.value); });

}  // namespace

namespace {

std::string ftyp(const std::string& major, const std::vector<std::string>& compatible) {
  std::string box = "ftyp" + major + std::string(4, '\0');
  for (const std::string& b : compatible) box += b;
  const std::uint32_t size = box.size() + 4;
  return std::string{char(size >> 24), char(size >> 16), char(size >> 8), char(size)} + box;
}

struct Named {
  std::string name;
  std::function<std::string()> bytes;
  std::string extension;  // empty: no picture format
};

std::ostream& operator<<(std::ostream& os, const Named& n) { return os << n.name; }

class PictureFileExtensionTest : public testing::TestWithParam<Named> {};

TEST_P(PictureFileExtensionTest, NamesTheFormatOfTheBytes) {
  EXPECT_EQ(platform::pictureFileExtension(GetParam().bytes()), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PictureFileExtensionTest,
    testing::Values(
        Named{"Heic", [] { return heifEnc(quadrants(16, 16), {"-q", "50"}); }, "heic"},
        Named{"Avif", [] { return heifEnc(quadrants(16, 16), {"-A", "-q", "50"}); }, "avif"},
        Named{"Tiff", [] { return convert(quadrants(4, 4), {}, "TIFF"); }, "tiff"},
        Named{"TiffBigEndian", [] { return convert(quadrants(4, 4), {"-endian", "MSB"}, "TIFF"); }, "tiff"},
        Named{"Bmp", [] { return convert(quadrants(4, 4), {}, "BMP3"); }, "bmp"},
        Named{"Jpeg", [] { return writeJpeg(quadrants(8, 8), 80); }, "jpg"},
        Named{"Png", [] { return writePng({1, 1, 2, 8, false, {1, 2, 3}}); }, "png"},
        Named{"Gif", [] { return std::string("GIF89a"); }, "gif"},
        Named{"Webp", [] { return writeWebp(quadrants(8, 8), true); }, "webp"},
        // The brand that tells wins over the generic one, whichever comes first.
        Named{"GenericMajorHeicCompatible", [] { return ftyp("mif1", {"miaf", "heic"}); }, "heic"},
        Named{"GenericMajorAvifCompatible", [] { return ftyp("mif1", {"avif", "miaf"}); }, "avif"},
        Named{"GenericOnly", [] { return ftyp("mif1", {"miaf"}); }, "heif"},
        Named{"HeicSequence", [] { return ftyp("msf1", {"hevc"}); }, "heic"},
        // A video shares the box but is no picture.
        Named{"Mp4Video", [] { return ftyp("isom", {"iso2", "avc1", "mp41"}); }, ""},
        // A brand outside the ftyp box does not count.
        Named{"BrandAfterTheBox", [] { return ftyp("isom", {}) + "heic"; }, ""},
        Named{"Text", [] { return std::string("just some text"); }, ""},
        Named{"Empty", [] { return std::string(); }, ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
