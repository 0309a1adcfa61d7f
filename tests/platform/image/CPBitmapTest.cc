#include "platform/image/CPBitmap.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using platform::Bitmap;

// Every pixel different, alpha included, so a shifted row or a dropped byte shows.
Bitmap pattern(std::uint32_t width, std::uint32_t height) {
  Bitmap b;
  b.width = width;
  b.height = height;
  b.rgba.resize(std::size_t{width} * height * 4);
  for (std::size_t i = 0; i < b.rgba.size(); ++i) b.rgba[i] = static_cast<std::uint8_t>(i * 7 + i / 4);
  return b;
}

std::string fileBytes(const Bitmap& bitmap) {
  EXPECT_TRUE(platform::writeCPBitmapFile(bitmap, "/pictures/one.cpbitmap"));
  return platform::readFile("/pictures/one.cpbitmap").value_or("");
}

void putWord(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<char>(value >> (8 * b));
}

class CPBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::createDirectoryAtPath("/pictures")); }
  TempDeviceRoot root_;
};

TEST_F(CPBitmapTest, RoundTripKeepsEveryPixelWithRowsPaddedToSixteenBytes) {
  // 4 px rows need no padding, 5 and 1170 px rows do (20 -> 32, 4680 -> 4688 bytes).
  for (auto [w, h] : {std::pair{4u, 3u}, {5u, 7u}, {1u, 1u}, {1170u, 3u}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    const Bitmap picture = pattern(w, h);
    const std::string bytes = fileBytes(picture);
    const std::uint32_t rowBytes = platform::cpBitmapRowBytes(w);
    EXPECT_EQ(rowBytes % 16, 0u);
    EXPECT_EQ(bytes.size(), std::size_t{rowBytes} * h + platform::kCPBitmapTrailerBytes);
    auto back = platform::decodeCPBitmap(bytes, "one");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, w);
    EXPECT_EQ(back->height, h);
    EXPECT_EQ(back->rgba, picture.rgba);
    auto image = UIImage::imageWithContentsOfFile("/pictures/one.cpbitmap");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitmap().rgba, picture.rgba);
  }
}

TEST_F(CPBitmapTest, AFileThatDisagreesWithItsTrailerIsRefusedWithALine) {
  const std::string good = fileBytes(pattern(5, 4));  // rows of 32 bytes
  const std::size_t t = good.size() - platform::kCPBitmapTrailerBytes;
  struct Case {
    const char* what;
    std::function<void(std::string&)> spoil;
    const char* line;
  };
  const Case cases[] = {
      {"cut short", [](std::string& b) { b.erase(0, 32); }, "but the file has 116"},
      {"a byte more", [](std::string& b) { b.insert(0, 1, 'x'); }, "but the file has 149"},
      {"taller than the file", [&](std::string& b) { putWord(b, t + 4, 5); }, "5x5 pixels in rows of 32 bytes, 180"},
      {"rows too short", [&](std::string& b) { putWord(b, t + 8, 16); }, "rows of 16 bytes cannot hold 5 pixels"},
      {"absurd size", [&](std::string& b) { putWord(b, t, 100000); putWord(b, t + 4, 100000); }, "100000x100000"},
      {"size overflowing 32 bits", [&](std::string& b) { putWord(b, t + 8, 0xfffffff0u); putWord(b, t + 4, 0xffffu); },
       "but the file has"},
      {"no pixels", [&](std::string& b) { putWord(b, t, 0); }, "0x4 pixels is outside"},
      {"unknown format", [&](std::string& b) { putWord(b, t + 12, 2); }, "pixel format 2"},
      {"no trailer", [&](std::string& b) { b.resize(10); }, "do not end in a raw bitmap trailer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = good;
    c.spoil(bytes);
    platform::LogCapture log;
    EXPECT_FALSE(platform::decodeCPBitmap(bytes, "/pictures/bad.cpbitmap"));
    EXPECT_TRUE(log.containsSubstring("Refusing the raw bitmap /pictures/bad.cpbitmap"));
    EXPECT_TRUE(log.containsSubstring(c.line)) << (log.lines().empty() ? "" : log.lines().back());
    ASSERT_TRUE(platform::writeFile("/pictures/bad.cpbitmap", bytes));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile("/pictures/bad.cpbitmap"));
  }
}

TEST_F(CPBitmapTest, AnOlderEncodedPictureUnderTheNameIsStillRead) {
  const Bitmap picture = pattern(6, 2);
  ASSERT_TRUE(platform::writeFile("/pictures/old.cpbitmap", *platform::encodePNG(picture)));
  auto image = UIImage::imageWithContentsOfFile("/pictures/old.cpbitmap");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->bitmap().rgba, picture.rgba);
  // A raw file is only taken as one under its own kind of name.
  ASSERT_TRUE(platform::writeFile("/pictures/raw.png", fileBytes(picture)));
  EXPECT_FALSE(UIImage::imageWithContentsOfFile("/pictures/raw.png"));
}

TEST_F(CPBitmapTest, OneWriteTakesManyNamesEachReplacedWholeAndLeavesNothingElse) {
  ASSERT_TRUE(platform::createDirectoryAtPath("/elsewhere"));
  ASSERT_TRUE(platform::writeFile("/pictures/b.cpbitmap", "old"));
  const Bitmap first = pattern(3, 3), second = pattern(2, 2);
  {
    auto file = platform::CPBitmapFile::write(first, "/pictures");
    ASSERT_TRUE(file);
    for (const char* name : {"/pictures/a.cpbitmap", "/pictures/b.cpbitmap", "/elsewhere/c.cpbitmap"})
      EXPECT_TRUE(file->publish(name)) << name;
    platform::LogCapture log;
    EXPECT_FALSE(file->publish("/missing/d.cpbitmap"));
    EXPECT_TRUE(log.containsSubstring("/missing"));
  }
  // Replacing one name leaves the others with the picture they had.
  ASSERT_TRUE(platform::writeCPBitmapFile(second, "/pictures/a.cpbitmap"));
  EXPECT_EQ(UIImage::imageWithContentsOfFile("/pictures/a.cpbitmap")->bitmap().rgba, second.rgba);
  for (const char* name : {"/pictures/b.cpbitmap", "/elsewhere/c.cpbitmap"})
    EXPECT_EQ(UIImage::imageWithContentsOfFile(name)->bitmap().rgba, first.rgba) << name;
  EXPECT_EQ(platform::contentsOfDirectoryAtPath("/pictures"),
            (std::vector<std::string>{"a.cpbitmap", "b.cpbitmap"}));
  EXPECT_EQ(platform::contentsOfDirectoryAtPath("/elsewhere"), (std::vector<std::string>{"c.cpbitmap"}));
}

TEST_F(CPBitmapTest, WhatCannotBeWrittenIsSaidAndChangesNothing) {
  ASSERT_TRUE(platform::writeFile("/pictures/keep.cpbitmap", "old"));
  Bitmap inconsistent = pattern(4, 4);
  inconsistent.rgba.resize(10);
  platform::LogCapture log;
  EXPECT_FALSE(platform::writeCPBitmapFile(Bitmap{}, "/pictures/keep.cpbitmap"));
  EXPECT_FALSE(platform::writeCPBitmapFile(inconsistent, "/pictures/keep.cpbitmap"));
  EXPECT_FALSE(platform::CPBitmapFile::write(pattern(2, 2), "/no/such/folder"));
  EXPECT_EQ(log.lines().size(), 3u);
  EXPECT_EQ(platform::readFile("/pictures/keep.cpbitmap"), "old");
  EXPECT_EQ(platform::contentsOfDirectoryAtPath("/pictures"), (std::vector<std::string>{"keep.cpbitmap"}));
}

}  // namespace
