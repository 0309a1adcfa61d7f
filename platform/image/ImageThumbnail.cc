// Pictures decoded at the size they are shown: tiles of a grid need a few hundred pixels of a
// photo that has twelve million.
#include <algorithm>
#include <cmath>

#include "platform/foundation/FileManager.h"
#include "platform/image/ImageCodec.h"
#include "platform/image/ImageDecoders.h"
#include "platform/image/UIImage.h"

namespace platform {
namespace {

// Each target pixel is the average of the source pixels its box covers, weighted by their alpha so
// that transparent pixels lend no colour to the edge of a shape.
Bitmap reduce(const Bitmap& src, std::uint32_t width, std::uint32_t height) {
  Bitmap dst{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint32_t y0 = std::uint32_t(std::uint64_t(y) * src.height / height);
    std::uint32_t y1 = std::max(y0 + 1, std::uint32_t(std::uint64_t(y + 1) * src.height / height));
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint32_t x0 = std::uint32_t(std::uint64_t(x) * src.width / width);
      std::uint32_t x1 = std::max(x0 + 1, std::uint32_t(std::uint64_t(x + 1) * src.width / width));
      std::uint64_t r = 0, g = 0, b = 0, a = 0, n = 0;
      for (std::uint32_t sy = y0; sy < y1; ++sy) {
        const std::uint8_t* p = &src.rgba[(std::size_t(sy) * src.width + x0) * 4];
        for (std::uint32_t sx = x0; sx < x1; ++sx, p += 4) {
          r += std::uint64_t(p[0]) * p[3];
          g += std::uint64_t(p[1]) * p[3];
          b += std::uint64_t(p[2]) * p[3];
          a += p[3];
          ++n;
        }
      }
      std::uint8_t* q = &dst.rgba[(std::size_t(y) * width + x) * 4];
      if (a > 0) {
        q[0] = std::uint8_t((r + a / 2) / a);
        q[1] = std::uint8_t((g + a / 2) / a);
        q[2] = std::uint8_t((b + a / 2) / a);
      }
      q[3] = std::uint8_t((a + n / 2) / n);
    }
  }
  return dst;
}

}  // namespace

std::optional<Bitmap> decodeImageThumbnail(std::string_view bytes, std::uint32_t width, std::uint32_t height) {
  std::optional<Bitmap> bitmap = pictureFileExtension(bytes) == "jpg" ? image_detail::decodeJPEG(bytes, width, height)
                                                                      : decodeImage(bytes);
  if (!bitmap || (width == 0 && height == 0)) return bitmap;
  // The smallest size, aspect kept, that still covers the target.
  double factor = std::max(double(width) / bitmap->width, double(height) / bitmap->height);
  if (factor >= 1) return bitmap;
  auto w = std::max<std::uint32_t>(1, std::uint32_t(std::ceil(bitmap->width * factor)));
  auto h = std::max<std::uint32_t>(1, std::uint32_t(std::ceil(bitmap->height * factor)));
  return reduce(*bitmap, w, h);
}

}  // namespace platform

std::shared_ptr<UIImage> UIImage::thumbnailWithContentsOfFile(const std::string& devicePath, double pixelWidth,
                                                              double pixelHeight) {
  auto bytes = platform::readFile(devicePath);
  if (!bytes) return nullptr;
  auto target = [](double v) { return std::isfinite(v) && v > 0 ? std::uint32_t(std::min(v, 65535.0)) : 0u; };
  auto bitmap = platform::decodeImageThumbnail(*bytes, target(pixelWidth), target(pixelHeight));
  if (!bitmap) return nullptr;
  auto image = imageWithBitmap(std::move(*bitmap));
  if (image) image->sourcePath_ = devicePath;
  return image;
}
