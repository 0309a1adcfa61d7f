#pragma once
// A small phone (320 x 568 points at 2x) in a fresh device root, and pixel helpers for the
// pictures the screen renders.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "platform/foundation/DeviceSettings.h"
#include "platform/image/UIImage.h"
#include "tests/support/TempDeviceRoot.h"

struct RGB {
  int r, g, b;
  int luminance() const { return (r * 299 + g * 587 + b * 114) / 1000; }
};

inline RGB pixelAt(const platform::Bitmap& bitmap, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = bitmap.rgba.data() + (std::size_t(y) * bitmap.width + x) * 4;
  return {p[0], p[1], p[2]};
}

inline std::shared_ptr<UIImage> solidImage(std::uint32_t width, std::uint32_t height, RGB color) {
  platform::Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.rgba.resize(std::size_t(width) * height * 4);
  for (std::size_t i = 0; i < bitmap.rgba.size(); i += 4) {
    bitmap.rgba[i] = std::uint8_t(color.r);
    bitmap.rgba[i + 1] = std::uint8_t(color.g);
    bitmap.rgba[i + 2] = std::uint8_t(color.b);
    bitmap.rgba[i + 3] = 255;
  }
  return UIImage::imageWithBitmap(std::move(bitmap));
}

class SmallPhoneTest : public ::testing::Test {
 protected:
  static constexpr double kWidth = 320, kHeight = 568, kScale = 2;
  static constexpr int kPixelWidth = 640, kPixelHeight = 1136;

  void SetUp() override {
    platform::DeviceSettings settings;
    settings.screenWidth = kWidth;
    settings.screenHeight = kHeight;
    settings.screenScale = kScale;
    ASSERT_TRUE(platform::saveDeviceSettings(settings));
  }

  TempDeviceRoot root_;
};
