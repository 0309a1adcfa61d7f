// WebP through libwebp: lossy, lossless and with alpha, the first frame of an animation.
#include <webp/decode.h>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {

std::optional<Bitmap> decodeWebP(std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  int width = 0;
  int height = 0;
  if (!WebPGetInfo(data, bytes.size(), &width, &height)) {
    logLine("WebP header unreadable");
    return std::nullopt;
  }
  auto bitmap = allocateBitmap(width, height);
  if (!bitmap) return std::nullopt;
  const int stride = width * 4;
  if (!WebPDecodeRGBAInto(data, bytes.size(), bitmap->rgba.data(), bitmap->rgba.size(), stride)) {
    logLine("WebP data corrupt");
    return std::nullopt;
  }
  return bitmap;
}

}  // namespace platform::image_detail
