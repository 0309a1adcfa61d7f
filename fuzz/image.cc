// imageWithData: over every codec, orientation included: any bytes give a whole picture of the
// size it claims, or no picture. Decoded for a small tile instead (row by row, scaled, strip by
// strip), the same bytes give a picture exactly when the full decode does, and a small one.
#include <cstdint>

#include "fuzz/FuzzDevice.h"
#include "platform/image/ImageCodec.h"
#include "platform/image/UIImage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::prepareDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto image = UIImage::imageWithData(fuzz::bytes(data, size));
  auto tile = platform::decodeImageThumbnail(fuzz::bytes(data, size), 16, 16);
  fuzz::check(tile.has_value() == (image != nullptr), "a tile's decode that refuses otherwise than the full one");
  fuzz::check(!tile || (tile->rgba.size() == std::size_t{tile->width} * tile->height * 4 &&
                        (tile->width <= 16 || tile->height <= 16)),
              "a tile not reduced to cover the tile");
  if (!image) return 0;
  const platform::Bitmap& bitmap = image->bitmap();
  fuzz::check(bitmap.width > 0 && bitmap.height > 0, "a picture without pixels");
  fuzz::check(std::uint64_t{bitmap.width} * bitmap.height <= platform::kMaxDecodedPixels, "a picture over the limit");
  fuzz::check(bitmap.rgba.size() == std::size_t{bitmap.width} * bitmap.height * 4, "pixels of another size");
  // Small pictures also go back out as PNG, as the store writes them.
  if (std::uint64_t{bitmap.width} * bitmap.height <= 64 * 64)
    fuzz::check(UIImagePNGRepresentation(image.get()).has_value(), "a decoded picture that cannot be encoded");
  return 0;
}
