// A cut file is no picture, in every format: a decoder that fills the missing part with grey or
// transparency would put a broken wallpaper on the phone. And a header that claims a picture larger
// than the limit, or larger than its file could hold, is refused before its pixels are set aside.
#include <gtest/gtest.h>
#include <png.h>

#include <functional>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageCodec.h"
#include "tests/platform/image/AllocationProbe.h"
#include "tests/platform/image/TestPictures.h"
#include "tests/platform/image/ToolPictures.h"

using platform::Bitmap;
using namespace testpictures;
using namespace toolpictures;

namespace {

struct File {
  std::string name;
  std::function<std::string()> bytes;
};

std::ostream& operator<<(std::ostream& os, const File& f) { return os << f.name; }

std::vector<std::uint8_t> greyPixels(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t(i * 29 + 7);
  return v;
}

// A progressive JPEG with two stray bytes before its second scan: the decoder warns about them
// first, and a decoder that looks only at its first warning then misses that the file is cut.
std::string jpegWithStrayBytes() {
  std::string jpeg = writeJpeg(pattern(64, 48, false), 90, true);
  return jpeg.insert(jpeg.find("\xFF\xDA", jpeg.find("\xFF\xDA") + 2), std::string("\x00\x00", 2));
}

const Rgb kGifRed{255, 0, 0}, kGifGreen{0, 255, 0};

std::vector<File> files() {
  return {
      {"Png", [] { return writePng({24, 16, PNG_COLOR_TYPE_RGBA, 8, false, pattern(24, 16, true).rgba}); }},
      {"PngInterlaced", [] { return writePng({24, 16, PNG_COLOR_TYPE_RGBA, 8, true, pattern(24, 16, true).rgba}); }},
      {"JpegBaseline", [] { return writeJpeg(pattern(48, 32, false), 90); }},
      {"JpegProgressive", [] { return writeJpeg(pattern(48, 32, false), 90, true); }},
      {"JpegWithStrayBytesBeforeItsScan", jpegWithStrayBytes},
      {"WebpLossy", [] { return writeWebp(pattern(32, 24, false), false); }},
      {"WebpLossless", [] { return writeWebp(pattern(32, 24, true), true); }},
      {"Gif", [] {
         std::vector<std::uint8_t> indices(20 * 12);
         for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = std::uint8_t(i % 3 == 0);
         return writeGif(20, 12, {kGifRed, kGifGreen}, {{0, 0, 20, 12, false, {}, -1, indices}});
       }},
      {"Heic", [] { return heifEnc(pattern(64, 48, false), {"-q", "80"}); }},
      {"HeicWithAlpha", [] { return heifEnc(pattern(32, 32, true), {"-q", "80"}); }},
      {"Avif", [] { return heifEnc(pattern(64, 48, false), {"-A", "-q", "80"}); }},
      {"TiffUncompressed", [] { return handMadeGreyTiff(20, 10, greyPixels(200), false); }},
      {"TiffPackBits", [] { return handMadeGreyTiff(20, 10, greyPixels(200), true); }},
      {"TiffLzwFromConvert", [] { return convert(pattern(30, 20, false), {"-compress", "LZW"}, "TIFF"); }},
      {"TiffTiledFromTiffcp",
       [] { return tiffcp(convert(pattern(40, 40, false), {}, "TIFF"), {"-t", "-w", "16", "-l", "16", "-c", "zip"}); }},
      {"Bmp24", [] { return convert(pattern(21, 13, false), {"-type", "TrueColor"}, "BMP3"); }},
      {"BmpPalette", [] { return convert(quadrants(21, 13), {"-type", "Palette"}, "BMP3"); }},
      {"BmpRle8", [] { return convert(quadrants(40, 30), {"-type", "Palette", "-compress", "RLE"}, "BMP3"); }},
      {"Bmp32WithAlpha", [] { return convert(pattern(9, 7, true), {}, "BMP"); }},
  };
}

class WholeFileTest : public testing::TestWithParam<File> {};

// Every prefix of the file (every one for small files, a few hundred spread over larger ones) is
// either refused or the very same picture as the whole file: a prefix may lack only what follows
// the picture's data. A decode for a tile refuses the same prefixes.
TEST_P(WholeFileTest, EveryCutIsRefusedOrTheWholePicture) {
  const std::string file = GetParam().bytes();
  const std::optional<Bitmap> whole = platform::decodeImage(file);
  ASSERT_TRUE(whole.has_value()) << "the uncut file must decode";
  const std::uint32_t quarterWidth = std::max(1u, whole->width / 4), quarterHeight = std::max(1u, whole->height / 4);
  const std::size_t step = std::max<std::size_t>(1, file.size() / 400);
  std::size_t accepted = 0;
  for (std::size_t length = 0; length < file.size(); length += step) {
    const std::string_view prefix = std::string_view(file).substr(0, length);
    const std::optional<Bitmap> cut = platform::decodeImage(prefix);
    // Decoded for a tile a quarter of its size (row by row, scaled, ...), the same cuts are refused.
    ASSERT_EQ(platform::decodeImageThumbnail(prefix, quarterWidth, quarterHeight).has_value(), cut.has_value())
        << "cut to " << length << " of " << file.size() << " bytes";
    if (!cut) continue;
    ++accepted;
    ASSERT_EQ(cut->width, whole->width) << "cut to " << length << " of " << file.size() << " bytes";
    ASSERT_EQ(cut->height, whole->height) << "cut to " << length << " of " << file.size() << " bytes";
    ASSERT_TRUE(cut->rgba == whole->rgba) << "cut to " << length << " of " << file.size()
                                          << " bytes: a picture with part of it missing";
  }
  // Only the bytes after the picture's data may go: most prefixes must be refused.
  EXPECT_LT(accepted, 4u + file.size() / step / 10);
}

INSTANTIATE_TEST_SUITE_P(Formats, WholeFileTest, testing::ValuesIn(files()),
                         [](const auto& info) { return info.param.name; });

// Random damage (bytes overwritten, a stretch cut out) to files of the formats read through
// libheif, libtiff and gdk-pixbuf, with a fixed seed: never a crash, and a picture, when one comes
// out, is whole.
TEST(WholeFileDamage, RandomlyDamagedFilesNeverCrash) {
  const std::vector<std::string> originals = {
      heifEnc(pattern(32, 24, false), {"-q", "70"}),
      heifEnc(pattern(16, 16, true), {"-A", "-q", "70"}),
      convert(pattern(20, 12, true), {"-compress", "LZW"}, "TIFF"),
      tiffcp(convert(pattern(40, 20, false), {}, "TIFF"), {"-t", "-w", "16", "-l", "16", "-c", "zip"}),
      handMadeGreyTiff(20, 10, greyPixels(200), true),
      convert(quadrants(20, 12), {"-type", "Palette", "-compress", "RLE"}, "BMP3"),
      convert(pattern(9, 7, true), {}, "BMP"),
      convert(quadrants(20, 12), {"-type", "Palette"}, "BMP3"),
  };
  expectRandomDamageNeverBreaksDecoding(originals, 20241208);
}

TEST(WholeFileJpeg, StrayBytesAreForgivenButNotAMissingEnd) {
  const std::string jpeg = jpegWithStrayBytes();
  auto whole = platform::decodeImage(jpeg);
  ASSERT_TRUE(whole) << "stray bytes before a marker, as some cameras write, leave a whole picture";
  EXPECT_EQ(whole->rgba, platform::decodeImage(writeJpeg(pattern(64, 48, false), 90, true))->rgba);

  platform::LogCapture log;
  EXPECT_FALSE(platform::decodeImage(std::string_view(jpeg).substr(0, jpeg.size() * 7 / 10)));
  EXPECT_TRUE(log.containsSubstring("JPEG data corrupt"));
}

TEST(WholeFileJpeg, DataAfterTheEndIsNotLookedAt) {
  // A second picture or a maker's trailer after EOI, as phones append, leaves the first whole.
  const std::string jpeg = writeJpeg(pattern(40, 30, false), 90);
  auto plain = platform::decodeImage(jpeg);
  auto trailed = platform::decodeImage(jpeg + writeJpeg(quadrants(8, 8), 50).substr(0, 100));
  ASSERT_TRUE(plain && trailed);
  EXPECT_EQ(trailed->rgba, plain->rgba);
}

struct Claim {
  std::string name;
  std::function<std::string()> bytes;
  const char* logged;  // part of the refusal's log line
};

std::ostream& operator<<(std::ostream& os, const Claim& c) { return os << c.name; }

class LyingHeaderTest : public testing::TestWithParam<Claim> {};

TEST_P(LyingHeaderTest, RefusedBeforeAnyPixelMemory) {
  const std::string bytes = GetParam().bytes();
  platform::LogCapture log;
  AllocationProbe probe;
  EXPECT_FALSE(platform::decodeImage(bytes).has_value());
  EXPECT_LT(probe.largest(), std::size_t{1} << 20);
  EXPECT_TRUE(log.containsSubstring(GetParam().logged)) << "the size checks, which run first, refuse it";
}

// The stream inside a HEIF file states its own size, which may not be the one the file's header
// gives (found by fuzzing: a 515-byte "5 x 3" picture whose stream claimed 65029 x 8195 took
// gigabytes in the codec). It is refused before the codec starts, not after it decoded.
TEST(WholeFileHeif, AStreamLargerThanItsPictureIsRefusedBeforeDecoding) {
  const std::string bytes = withHeifSize(heifEnc(quadrants(640, 480), {"-q", "50"}), 8, 6);
  platform::LogCapture log;
  EXPECT_FALSE(platform::decodeImage(bytes).has_value());
  EXPECT_TRUE(log.containsSubstring("HEIF data corrupt"));
  EXPECT_FALSE(log.containsSubstring("the decoded picture is not the size its header gives"));
}

// A grid (how heif-enc stores a small picture: one coded tile, cropped) states its output size in
// its own data, and libheif builds a picture of that size before decoding a tile. Found by
// fuzzing: a 515-byte file whose grid claimed 65029 x 8195, with a header of 65472 x 3 that passes
// every check by itself, took over 2 GB. The grid's size goes through the same checks first; a
// grid that agrees with its header still decodes.
TEST(WholeFileHeif, AGridIsHeldToTheChecksBeforeLibheifBuildsIt) {
  const std::string grid = heifEnc(quadrants(40, 30), {"-q", "90"});
  const std::size_t idat = grid.find("idat");
  ASSERT_NE(idat, std::string::npos) << "heif-enc no longer stores a small picture as a grid";
  ASSERT_EQ(grid[idat + 5] & 1, 0) << "16-bit sizes";
  auto whole = platform::decodeImage(grid);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->width, 40u);
  EXPECT_EQ(whole->height, 30u);

  std::string lying = withHeifSize(grid, 65472, 3);
  const char claim[] = {char(0xFE), char(0x05), char(0x20), char(0x03)};  // 65029 x 8195
  lying.replace(idat + 8, 4, claim, 4);
  platform::LogCapture log;
  AllocationProbe probe;
  EXPECT_FALSE(platform::decodeImage(lying).has_value());
  EXPECT_LT(probe.largest(), std::size_t{1} << 20);
  EXPECT_TRUE(log.containsSubstring("65029x8195 pixels refused")) << fmt::format("{}", fmt::join(log.lines(), "\n"));
}

const char* const kOverLimit = "larger than 100000000 pixels";
const char* const kCannotHold = "cannot hold it";

INSTANTIATE_TEST_SUITE_P(
    Formats, LyingHeaderTest,
    testing::Values(
        // Under the limit, but a few hundred bytes of JPEG cannot code 81 million pixels.
        Claim{"Jpeg9000x9000InAFewHundredBytes", [] { return jpegClaiming(9000, 9000); }, kCannotHold},
        Claim{"Webp9000x9000InAFewBytes", [] { return webpClaiming(9000, 9000); }, kCannotHold},
        Claim{"GifScreen9000x9000AroundOnePixel",
              [] { return writeGif(9000, 9000, {kGifRed, kGifGreen}, {{0, 0, 1, 1, false, {}, -1, {1}}}); }, kCannotHold},
        Claim{"Heic20000x20000", [] { return withHeifSize(heifEnc(quadrants(64, 48), {"-q", "50"}), 20000, 20000); },
              kOverLimit},
        Claim{"Heic9000x9000InAFewHundredBytes",
              [] { return withHeifSize(heifEnc(quadrants(64, 48), {"-q", "50"}), 9000, 9000); }, kCannotHold},
        Claim{"Avif9000x9000InAFewHundredBytes",
              [] { return withHeifSize(heifEnc(quadrants(64, 48), {"-A", "-q", "50"}), 9000, 9000); }, kCannotHold},
        Claim{"Tiff20000x20000", [] { return handMadeGreyTiff(20000, 20000, greyPixels(64), false); }, kOverLimit},
        Claim{"TiffUncompressed9000x9000", [] { return handMadeGreyTiff(9000, 9000, greyPixels(64), false); },
              kCannotHold},
        Claim{"TiffPackBits9000x9000", [] { return handMadeGreyTiff(9000, 9000, greyPixels(300), true); },
              kCannotHold},
        Claim{"Bmp20000x20000", [] { return handMadeBmp(20000, 20000, 24, 0, "", std::string(64, 'x')); },
              kOverLimit},
        Claim{"BmpTopDown200000x1000", [] { return handMadeBmp(200000, -1000, 24, 0, "", std::string(64, 'x')); },
              kOverLimit},
        Claim{"Bmp24Bit9000x9000", [] { return handMadeBmp(9000, 9000, 24, 0, "", std::string(64, 'x')); },
              "do not hold"},
        // An RLE picture that says "end of picture" at once holds none of its 81 million pixels.
        Claim{"BmpRle8EndAtOnce9000x9000",
              [] { return handMadeBmp(9000, 9000, 8, 1, std::string(8, '\x40'), std::string("\x00\x01", 2)); },
              kCannotHold}),
    [](const auto& info) { return info.param.name; });

}  // namespace
