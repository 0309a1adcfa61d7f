// Pictures decoded at the size of the tile that shows them.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <functional>
#include <thread>

#include "platform/image/ImageCodec.h"
#include "tests/platform/image/AllocationProbe.h"
#include "tests/platform/image/TestPictures.h"
#include "tests/platform/image/ToolPictures.h"

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

// The quadrants' colours under a diagonal gradient and a dark disc, so that a shifted, turned or
// mirrored tile differs from the right one everywhere.
platform::Bitmap scene(std::uint32_t w, std::uint32_t h, bool clearRightEdge = false) {
  platform::Bitmap b = testpictures::quadrants(w, h);
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      std::uint8_t* p = &b.rgba[(std::size_t(y) * w + x) * 4];
      const double shade = 0.55 + 0.45 * double(x + y) / (w + h);
      const double dx = x - w * 0.3, dy = y - h * 0.6;
      const bool disc = dx * dx + dy * dy < double(h) * h / 25;
      for (int c = 0; c < 3; ++c) p[c] = std::uint8_t(disc ? 30 : p[c] * shade);
      if (clearRightEdge && x > w * 7 / 8) p[3] = 0;
    }
  return b;
}

// The full picture averaged down box by box to the tile's size, as a reference.
platform::Bitmap boxDown(const platform::Bitmap& src, std::uint32_t w, std::uint32_t h) {
  platform::Bitmap out{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 4)};
  for (std::uint32_t y = 0; y < h; ++y)
    for (std::uint32_t x = 0; x < w; ++x) {
      double sum[4] = {0, 0, 0, 0}, n = 0;
      for (std::uint32_t sy = y * src.height / h; sy < (y + 1) * src.height / h; ++sy)
        for (std::uint32_t sx = x * src.width / w; sx < (x + 1) * src.width / w; ++sx, ++n) {
          const std::uint8_t* p = &src.rgba[(std::size_t(sy) * src.width + sx) * 4];
          for (int c = 0; c < 3; ++c) sum[c] += p[c] * p[3] / 255.0;
          sum[3] += p[3];
        }
      std::uint8_t* q = &out.rgba[(std::size_t(y) * w + x) * 4];
      for (int c = 0; c < 3; ++c) q[c] = std::uint8_t(sum[3] > 0 ? std::lround(sum[c] * 255 / sum[3]) : 0);
      q[3] = std::uint8_t(std::lround(sum[3] / std::max(n, 1.0)));
    }
  return out;
}

// Mean difference of colour (where both are visible) and of alpha, in steps of 255.
double meanDifference(const platform::Bitmap& a, const platform::Bitmap& b) {
  double total = 0;
  for (std::size_t i = 0; i < a.rgba.size(); i += 4) {
    const bool seen = a.rgba[i + 3] > 32 && b.rgba[i + 3] > 32;
    for (int c = seen ? 0 : 3; c < 4; ++c) total += std::abs(int(a.rgba[i + c]) - int(b.rgba[i + c]));
  }
  return total / (a.rgba.size() ?: 1);
}

struct TileCase {
  const char* name;
  std::function<std::string()> bytes;
  bool partial;        // never holds the whole picture decoded
  double tolerance;    // of the mean difference from the reduced full picture
  platform::Preview preview = platform::Preview::Refused;
};

TEST(ThumbnailTest, EveryFormatGivesTheTileOfItsFullPictureWithoutHoldingIt) {
  using namespace testpictures;
  using namespace toolpictures;
  const platform::Bitmap big = scene(1200, 900), clear = scene(1200, 900, true), small = scene(480, 360);
  auto gifOf = [](const platform::Bitmap& b, bool interlaced) {
    std::vector<std::uint8_t> indices(std::size_t(b.width) * b.height);
    for (std::size_t i = 0; i < indices.size(); ++i) {
      const std::uint8_t* p = &b.rgba[i * 4];
      indices[i] = std::uint8_t((p[0] > 100) | (p[1] > 100) << 1 | (p[2] > 100) << 2);
    }
    std::vector<Rgb> colours;
    for (int c = 0; c < 8; ++c) colours.push_back({std::uint8_t(c & 1 ? 255 : 0), std::uint8_t(c & 2 ? 255 : 0), std::uint8_t(c & 4 ? 255 : 0)});
    return writeGif(int(b.width), int(b.height), colours,
                    {{0, 0, int(b.width), int(b.height), interlaced, {}, -1, indices}});
  };
  const std::vector<TileCase> cases = {
      {"jpeg", [&] { return writeJpeg(big, 90); }, true, 4},
      {"jpeg stored sideways", [&] { return withExif(writeJpeg(big, 90), orientationTiff(6, false)); }, true, 4},
      {"png", [&] { return platform::encodePNG(big).value(); }, true, 1},
      {"png interlaced, with alpha",
       [&] { return writePng({1200, 900, PNG_COLOR_TYPE_RGBA, 8, true, clear.rgba}); }, true, 1},
      {"webp lossy", [&] { return writeWebp(big, false); }, true, 4},
      {"webp lossless, with alpha", [&] { return writeWebp(clear, true); }, false, 3},
      {"gif", [&] { return gifOf(big, false); }, true, 1},
      {"gif interlaced", [&] { return gifOf(big, true); }, true, 1},
      {"tiff strips", [&] { return convert(big, {"-compress", "LZW", "-define", "tiff:rows-per-strip=32"}, "TIFF"); }, true, 1},
      {"tiff tiles, turned", [&] {
         return tiffset(tiffcp(convert(big, {}, "TIFF"), {"-t", "-w", "128", "-l", "128", "-c", "zip"}), 274, 6);
       }, true, 2},
      {"bmp", [&] { return convert(big, {"-type", "TrueColor"}, "BMP3"); }, false, 1},
      {"heic", [&] { return heifEnc(small, {"-q", "90"}); }, false, 4},
      {"heic's own thumbnail", [&] { return heifEnc(scene(960, 720), {"-q", "90", "-t", "200"}); }, true, 8,
       platform::Preview::Allowed},
      {"avif", [&] { return heifEnc(small, {"-A", "-q", "90"}); }, false, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = c.bytes();
    const auto full = platform::decodeImage(bytes);
    ASSERT_TRUE(full);
    platform::resetThumbnailPixelPeak();
    std::optional<platform::Bitmap> tile;
    std::size_t largest = 0;
    {
      AllocationProbe probe;
      tile = platform::decodeImageThumbnail(bytes, 100, 100, c.preview);
      largest = probe.largest();
    }
    ASSERT_TRUE(tile);
    // The smallest size of the picture's shape that covers 100 x 100.
    const double factor = 100.0 / std::min(full->width, full->height);
    // (Within a pixel: JPEG's scales round their sides first.)
    EXPECT_NEAR(tile->width, std::ceil(full->width * factor), 1);
    EXPECT_NEAR(tile->height, std::ceil(full->height * factor), 1);
    EXPECT_LE(meanDifference(*tile, boxDown(*full, tile->width, tile->height)), c.tolerance);
    const std::uint64_t fullPixels = std::uint64_t(full->width) * full->height;
    EXPECT_GE(platform::thumbnailPixelPeak(), std::uint64_t(tile->width) * tile->height) << "reserved first";
    // A strip of rows, a row of tiles or a thumbnail is a part of this picture; it would be a
    // far smaller part of a photo.
    if (c.partial) {
      EXPECT_LT(platform::thumbnailPixelPeak(), fullPixels / 3);
      EXPECT_LT(largest, fullPixels * 4 / 3);
    }
    EXPECT_EQ(platform::thumbnailPixelsInFlight(), 0u);
  }
}

TEST(ThumbnailTest, BrokenDataIsRefusedAsAWholeDecodeRefusesIt) {
  std::string badCrc = platform::encodePNG(scene(300, 200)).value();
  badCrc[badCrc.find("IDAT") + 40] ^= 0x10;
  std::vector<std::uint8_t> grey(64 * 40);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = std::uint8_t(i * 7);
  const std::string missingStrip = testpictures::handMadeGreyTiff(64, 40, grey, false, 8, 3);
  ASSERT_TRUE(platform::decodeImage(testpictures::handMadeGreyTiff(64, 40, grey, false, 8))) << "whole, it decodes";
  for (const std::string& broken : {badCrc, missingStrip}) {
    EXPECT_FALSE(platform::decodeImage(broken));
    EXPECT_FALSE(platform::decodeImageThumbnail(broken, 8, 8));
  }
}

// Decodes that cannot be made small (BMP is decoded whole) share the budget: however many threads
// decode at once, what they hold together stays within it, and a picture larger than all of it
// is decoded alone rather than refused.
TEST(ThumbnailTest, ConcurrentDecodesStayWithinThePixelBudget) {
  const std::string bmp = toolpictures::convert(scene(60, 50), {"-type", "TrueColor"}, "BMP3");
  const std::string larger = toolpictures::convert(scene(150, 100), {"-type", "TrueColor"}, "BMP3");
  const std::uint64_t budget = 8000;  // two of the 60 x 50 ones, with their tiles
  const std::uint64_t before = platform::setThumbnailPixelBudget(budget);
  platform::resetThumbnailPixelPeak();
  std::atomic<int> decoded{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 4; ++i)
        if (platform::decodeImageThumbnail(t == 0 && i == 0 ? larger : bmp, 10, 10)) ++decoded;
    });
  for (auto& thread : threads) thread.join();
  platform::setThumbnailPixelBudget(before);
  EXPECT_EQ(decoded, 24);
  EXPECT_LE(platform::thumbnailPixelPeak(), budget);
  EXPECT_GT(platform::thumbnailPixelPeak(), 60u * 50u);
  EXPECT_EQ(platform::thumbnailPixelsInFlight(), 0u);
}

}  // namespace
