#include "tests/platform/photos/PhotoTestPictures.h"

#include "platform/foundation/FileManager.h"
#include "platform/image/ImageCodec.h"

std::string writeTestPicture(const std::string& devicePath, std::uint32_t width, std::uint32_t height,
                             std::uint8_t red) {
  platform::Bitmap b;
  b.width = width;
  b.height = height;
  b.rgba.resize(std::size_t(width) * height * 4);
  for (std::size_t i = 0; i < b.rgba.size(); i += 4) {
    b.rgba[i] = red;
    b.rgba[i + 1] = 10;
    b.rgba[i + 2] = 20;
    b.rgba[i + 3] = 255;
  }
  platform::createDirectoryAtPath(platform::stringByDeletingLastPathComponent(devicePath));
  platform::writeFile(devicePath, platform::encodePNG(b).value_or(""));
  return devicePath;
}
