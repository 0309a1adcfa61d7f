// A phone photo comes out upright whatever its EXIF orientation, and a malformed EXIF segment
// never crashes the decoder or turns the photo.
#include <gtest/gtest.h>

#include "platform/image/ImageCodec.h"
#include "tests/platform/image/TestPictures.h"

using namespace testpictures;
using namespace std::string_literals;

namespace {

// The stored picture is 32x16: red top left, green top right, blue bottom left, white bottom right.
enum Colour { R, G, B, W };

struct Orientation {
  int value;
  bool swapsSides;
  Colour topLeft, topRight, bottomLeft, bottomRight;  // where the stored corners land upright
};

// From the EXIF meaning of each value: where the stored 0th row and 0th column are shown.
const Orientation kOrientations[] = {
    {1, false, R, G, B, W},  // row 0 top, column 0 left
    {2, false, G, R, W, B},  // row 0 top, column 0 right
    {3, false, W, B, G, R},  // row 0 bottom, column 0 right
    {4, false, B, W, R, G},  // row 0 bottom, column 0 left
    {5, true, R, B, G, W},   // row 0 left, column 0 top
    {6, true, B, R, W, G},   // row 0 right, column 0 top: the usual portrait photo
    {7, true, W, G, B, R},   // row 0 right, column 0 bottom
    {8, true, G, W, R, B},   // row 0 left, column 0 bottom
};

void expectColour(const platform::Bitmap& b, std::uint32_t x, std::uint32_t y, Colour colour, const char* corner) {
  static const std::uint8_t kRgb[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  const std::uint8_t* p = &b.rgba[(std::size_t{y} * b.width + x) * 4];
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], kRgb[colour][c], 24) << corner << " channel " << c;
}

void expectCorners(const platform::Bitmap& b, Colour tl, Colour tr, Colour bl, Colour br) {
  expectColour(b, 0, 0, tl, "top left");
  expectColour(b, b.width - 1, 0, tr, "top right");
  expectColour(b, 0, b.height - 1, bl, "bottom left");
  expectColour(b, b.width - 1, b.height - 1, br, "bottom right");
}

class ExifOrientationTest : public testing::TestWithParam<std::tuple<Orientation, bool>> {};

TEST_P(ExifOrientationTest, PhotoComesOutUpright) {
  const auto& [o, bigEndian] = GetParam();
  const std::string jpeg = withExif(writeJpeg(quadrants(32, 16), 95), orientationTiff(o.value, bigEndian));
  auto bitmap = platform::decodeImage(jpeg);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, o.swapsSides ? 16u : 32u);
  EXPECT_EQ(bitmap->height, o.swapsSides ? 32u : 16u);
  expectCorners(*bitmap, o.topLeft, o.topRight, o.bottomLeft, o.bottomRight);
}

INSTANTIATE_TEST_SUITE_P(AllEight, ExifOrientationTest,
                         testing::Combine(testing::ValuesIn(kOrientations), testing::Bool()),
                         [](const auto& info) {
                           return "Orientation" + std::to_string(std::get<0>(info.param).value) +
                                  (std::get<1>(info.param) ? "Motorola" : "Intel");
                         });

// A TIFF structure edited after it was built as Intel byte order with a single Orientation 6.
std::string editedTiff(std::size_t at, std::string replacement) {
  std::string tiff = orientationTiff(6, false);
  tiff.replace(at, replacement.size(), replacement);
  return tiff;
}

struct Malformed {
  const char* name;
  std::string tiff;
};

class MalformedExifTest : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedExifTest, PhotoDecodesAsStored) {
  const std::string jpeg = withExif(writeJpeg(quadrants(32, 16), 95), GetParam().tiff);
  auto bitmap = platform::decodeImage(jpeg);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, 32u);
  expectCorners(*bitmap, R, G, B, W);
}

INSTANTIATE_TEST_SUITE_P(
    Segments, MalformedExifTest,
    testing::Values(
        Malformed{"Empty", ""}, Malformed{"HeaderOnly", "II*\0"s}, Malformed{"NotTiff", "XX*\0\x08\0\0\0"s},
        Malformed{"IfdOffsetPastEnd", editedTiff(4, "\xF0\xFF\xFF\xFF"s)},
        Malformed{"IfdOffsetWrapsAround", editedTiff(4, "\xFF\xFF\xFF\xFF"s)},
        Malformed{"EntryCountPastEnd", editedTiff(8, "\xFF\xFF"s).replace(22, 2, "\x13\x01"s)},
        Malformed{"OrientationZero", editedTiff(30, "\0\0"s)},
        Malformed{"OrientationNine", editedTiff(30, "\x09\0"s)},
        Malformed{"OrientationAsLong", editedTiff(24, "\x04\0"s)},
        Malformed{"CutInsideEntry", orientationTiff(6, false).substr(0, 26)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExifSegmentTest, OrientationFoundBehindAnotherApp1Segment) {
  // Phones write XMP in an APP1 segment too; only the one that starts "Exif\0\0" counts.
  std::string jpeg = withExif(writeJpeg(quadrants(32, 16), 95), orientationTiff(6, true));
  const std::string xmp = "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"s;
  std::string segment = "\xFF\xE1"s + char(0) + char(xmp.size() + 2) + xmp;
  jpeg.insert(2, segment);
  auto bitmap = platform::decodeImage(jpeg);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, 16u);
  expectCorners(*bitmap, B, R, W, G);
}

TEST(ExifSegmentTest, SegmentLengthPastEndOfFileIsNoPicture) {
  std::string jpeg = writeJpeg(quadrants(32, 16), 95);
  jpeg = jpeg.substr(0, 2) + "\xFF\xE1\xFF\xF0" "Exif\0\0II*\0"s;
  EXPECT_FALSE(platform::decodeImage(jpeg).has_value());
}

}  // namespace
