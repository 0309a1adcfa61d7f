// decodeImage: the format is told by the file's first bytes, never by its name (pictures from web
// services and camera rolls are often misnamed), then handed to that format's decoder.
#include "platform/image/ImageCodec.h"

#include <cstring>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform {
namespace image_detail {

bool acceptableSize(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0) {
    logLine(fmt::format("Picture of {}x{} pixels refused: empty", width, height));
    return false;
  }
  if (width > kMaxDecodedPixels || height > kMaxDecodedPixels || width * height > kMaxDecodedPixels) {
    logLine(fmt::format("Picture of {}x{} pixels refused: larger than {} pixels", width, height, kMaxDecodedPixels));
    return false;
  }
  return true;
}

std::optional<Bitmap> allocateBitmap(std::uint32_t width, std::uint32_t height) {
  if (!acceptableSize(width, height)) return std::nullopt;
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.rgba.resize(std::size_t{width} * height * 4);
  return bitmap;
}

}  // namespace image_detail

namespace {

enum class Format { Unknown, JPEG, PNG, WebP, GIF };

bool startsWith(std::string_view bytes, std::string_view magic, std::size_t at = 0) {
  return bytes.size() >= at + magic.size() && bytes.compare(at, magic.size(), magic) == 0;
}

Format sniff(std::string_view bytes) {
  if (startsWith(bytes, "\xFF\xD8\xFF")) return Format::JPEG;
  if (startsWith(bytes, "\x89PNG\r\n\x1A\n")) return Format::PNG;
  if (startsWith(bytes, "RIFF") && startsWith(bytes, "WEBP", 8)) return Format::WebP;
  if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a")) return Format::GIF;
  return Format::Unknown;
}

}  // namespace

std::optional<Bitmap> decodeImage(std::string_view bytes) {
  switch (sniff(bytes)) {
    case Format::JPEG: return image_detail::decodeJPEG(bytes);
    case Format::PNG: return image_detail::decodePNG(bytes);
    case Format::WebP: return image_detail::decodeWebP(bytes);
    case Format::GIF: return image_detail::decodeGIF(bytes);
    case Format::Unknown: break;
  }
  logLine(fmt::format("Not a picture ({} bytes of an unknown format)", bytes.size()));
  return std::nullopt;
}

}  // namespace platform
