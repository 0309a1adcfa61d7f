// UIImage over files in the device root: the format is sniffed, the scale read from the name.
#include <gtest/gtest.h>
#include <png.h>

#include "platform/foundation/FileManager.h"
#include "platform/image/UIImage.h"
#include "tests/platform/image/TestPictures.h"
#include "tests/support/TempDeviceRoot.h"

using namespace testpictures;

namespace {

class UIImageTest : public testing::Test {
 protected:
  TempDeviceRoot root;
  const std::string folder = "/var/mobile/Library/Wallpapers";

  std::string put(const std::string& name, const std::string& bytes) {
    const std::string path = folder + "/" + name;
    EXPECT_TRUE(platform::createDirectoryAtPath(folder));
    EXPECT_TRUE(platform::writeFile(path, bytes));
    return path;
  }
};

struct Scaled {
  const char* name;
  double scale;
};

class UIImageScaleTest : public UIImageTest, public testing::WithParamInterface<Scaled> {};

TEST_P(UIImageScaleTest, ScaleAndPointSizeFromTheName) {
  const std::string path = put(GetParam().name, writeJpeg(quadrants(60, 90), 90));
  auto image = UIImage::imageWithContentsOfFile(path);
  ASSERT_TRUE(image);
  EXPECT_DOUBLE_EQ(image->scale(), GetParam().scale);
  EXPECT_DOUBLE_EQ(image->width(), 60 / GetParam().scale);
  EXPECT_DOUBLE_EQ(image->height(), 90 / GetParam().scale);
  EXPECT_EQ(image->bitmap().width, 60u);
  EXPECT_EQ(image->sourcePath(), path);
}

INSTANTIATE_TEST_SUITE_P(Names, UIImageScaleTest,
                         testing::Values(Scaled{"wall.jpg", 1}, Scaled{"wall@2x.jpg", 2}, Scaled{"wall@3x.jpeg", 3},
                                         Scaled{"wall@2x~iphone.jpg", 2}),
                         [](const auto& info) { return std::to_string(int(info.param.scale)) + "x" +
                                                       std::to_string(info.index); });

TEST_F(UIImageTest, FormatIsToldByContentNotByName) {
  auto jpegNamedPng = UIImage::imageWithContentsOfFile(put("photo.png", writeJpeg(quadrants(20, 10), 90)));
  ASSERT_TRUE(jpegNamedPng);
  EXPECT_EQ(jpegNamedPng->bitmap().width, 20u);
  auto gifNamedJpg = UIImage::imageWithContentsOfFile(
      put("anim.jpg", writeGif(3, 2, {{1, 2, 3}, {4, 5, 6}}, {{0, 0, 3, 2, false, {}, -1, {0, 1, 0, 1, 0, 1}}})));
  ASSERT_TRUE(gifNamedJpg);
  EXPECT_EQ(gifNamedJpg->bitmap().height, 2u);
}

TEST_F(UIImageTest, NoPictureForTextEmptyOrMissingFiles) {
  EXPECT_EQ(UIImage::imageWithContentsOfFile(put("notes.png", "these are not pixels\n")), nullptr);
  EXPECT_EQ(UIImage::imageWithContentsOfFile(put("empty.png", "")), nullptr);
  EXPECT_EQ(UIImage::imageWithContentsOfFile(folder + "/missing.png"), nullptr);
  EXPECT_EQ(UIImage::imageWithData(""), nullptr);
  EXPECT_EQ(UIImage::imageWithData("GIF89a"), nullptr);
}

TEST_F(UIImageTest, InitThroughTheRuntimeReturnsTheReceiverOrNothing) {
  const std::string good = put("good@2x.png", writePng({4, 2, PNG_COLOR_TYPE_RGBA, 8, false, pattern(4, 2, true).rgba}));
  const std::string bad = put("bad.png", "\x89PNG\r\n\x1A\n garbage");

  auto image = UIImage::alloc();
  EXPECT_EQ(image->initWithContentsOfFile(good), image.get());
  EXPECT_DOUBLE_EQ(image->width(), 2);
  EXPECT_EQ(image->bitmap().rgba, pattern(4, 2, true).rgba);

  auto cached = UIImage::alloc();
  EXPECT_EQ(cached->initWithContentsOfFileCache(good, true), cached.get());
  EXPECT_EQ(UIImage::alloc()->initWithContentsOfFile(bad), nullptr);
  EXPECT_EQ(UIImage::alloc()->initWithContentsOfFileCache(bad, false), nullptr);
}

TEST_F(UIImageTest, PNGRepresentationReadsBackAsTheSamePicture) {
  auto image = UIImage::imageWithData(writeWebp(pattern(9, 7, true), true));
  ASSERT_TRUE(image);
  auto png = UIImagePNGRepresentation(image.get());
  ASSERT_TRUE(png);
  auto again = UIImage::imageWithData(*png);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->bitmap().rgba, image->bitmap().rgba);

  EXPECT_FALSE(UIImagePNGRepresentation(nullptr).has_value());
  EXPECT_FALSE(UIImagePNGRepresentation(UIImage::alloc().get()).has_value());
}

TEST_F(UIImageTest, ImageWithBitmapKeepsScaleAndRefusesEmpty) {
  auto image = UIImage::imageWithBitmap(pattern(30, 60, false), 3);
  ASSERT_TRUE(image);
  EXPECT_DOUBLE_EQ(image->width(), 10);
  EXPECT_DOUBLE_EQ(image->height(), 20);
  EXPECT_EQ(UIImage::imageWithBitmap({}), nullptr);
}

}  // namespace
