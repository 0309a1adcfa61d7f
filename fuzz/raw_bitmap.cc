// Raw bitmap files as SpringBoard reads its wallpapers: any bytes give a whole picture of the size
// its trailer claims, or a refusal; a picture read goes back out and reads again the same.
#include <cstdint>

#include "fuzz/FuzzDevice.h"
#include "platform/foundation/FileManager.h"
#include "platform/image/CPBitmap.h"
#include "platform/image/UIImage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::prepareDevice();
  platform::createDirectoryAtPath("/pictures");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto bitmap = platform::decodeCPBitmap(fuzz::bytes(data, size), "input");
  if (!bitmap) return 0;
  fuzz::check(bitmap->width > 0 && bitmap->height > 0, "a picture without pixels");
  fuzz::check(std::uint64_t{bitmap->width} * bitmap->height <= platform::kMaxDecodedPixels, "a picture over the limit");
  fuzz::check(bitmap->rgba.size() == std::size_t{bitmap->width} * bitmap->height * 4, "pixels of another size");
  if (std::uint64_t{bitmap->width} * bitmap->height <= 64 * 64) {
    fuzz::check(platform::writeCPBitmapFile(*bitmap, "/pictures/w.cpbitmap"), "a decoded picture that cannot be written");
    auto again = UIImage::imageWithContentsOfFile("/pictures/w.cpbitmap");
    fuzz::check(again && again->bitmap().rgba == bitmap->rgba, "a written picture that reads back otherwise");
  }
  return 0;
}
