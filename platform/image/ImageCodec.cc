// decodeImage: the format is told by the file's first bytes, never by its name (pictures from web
// services and camera rolls are often misnamed), then handed to that format's decoder.
#include "platform/image/ImageCodec.h"

#include <algorithm>
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

bool fileCanHold(const char* format, std::uint64_t width, std::uint64_t height, std::uint64_t fileSize,
                 std::uint64_t maxPixelsPerByte) {
  if (width * height <= fileSize * maxPixelsPerByte) return true;
  logLine(fmt::format("{} of {}x{} pixels refused: {} bytes cannot hold it", format, width, height, fileSize));
  return false;
}

void unpremultiply(Bitmap& bitmap) { unpremultiplyPixels(bitmap.rgba.data(), bitmap.rgba.size() / 4); }

void unpremultiplyPixels(std::uint8_t* p, std::size_t pixels) {
  for (std::size_t i = 0; i < pixels * 4; i += 4) {
    const unsigned a = p[i + 3];
    if (a == 0 || a == 255) continue;
    for (int c = 0; c < 3; ++c) p[i + c] = std::uint8_t(std::min(255u, (p[i + c] * 255u + a / 2) / a));
  }
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

enum class Format { Unknown, JPEG, PNG, WebP, GIF, HEIC, HEIF, AVIF, TIFF, BMP };

bool startsWith(std::string_view bytes, std::string_view magic, std::size_t at = 0) {
  return bytes.size() >= at + magic.size() && bytes.compare(at, magic.size(), magic) == 0;
}

// HEIF files are ISO media files whose leading ftyp box names brands: the major brand at 8, the
// compatible ones from 16 to the end of the box. Videos share the box, so only picture brands count.
Format heifBrand(std::string_view bytes) {
  if (!startsWith(bytes, "ftyp", 4) || bytes.size() < 16) return Format::Unknown;
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t boxSize = std::size_t{p[0]} << 24 | std::size_t{p[1]} << 16 | std::size_t{p[2]} << 8 | p[3];
  const std::size_t end = std::min(boxSize, bytes.size());
  auto kindOf = [](std::string_view brand) {
    for (std::string_view b : {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs"})
      if (brand == b) return Format::HEIC;
    if (brand == "avif" || brand == "avis") return Format::AVIF;
    if (brand == "mif1" || brand == "msf1") return Format::HEIF;
    return Format::Unknown;
  };
  // The most telling brand wins: a HEIC lists "mif1" beside "heic".
  Format found = kindOf(bytes.substr(8, 4));
  for (std::size_t at = 16; at + 4 <= end && found != Format::HEIC && found != Format::AVIF; at += 4) {
    const Format kind = kindOf(bytes.substr(at, 4));
    if (kind != Format::Unknown) found = kind;
  }
  return found;
}

Format sniff(std::string_view bytes) {
  if (startsWith(bytes, "\xFF\xD8\xFF")) return Format::JPEG;
  if (startsWith(bytes, "\x89PNG\r\n\x1A\n")) return Format::PNG;
  if (startsWith(bytes, "RIFF") && startsWith(bytes, "WEBP", 8)) return Format::WebP;
  if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a")) return Format::GIF;
  if (startsWith(bytes, std::string_view("II*\0", 4)) || startsWith(bytes, std::string_view("MM\0*", 4)) ||
      startsWith(bytes, std::string_view("II+\0", 4)) || startsWith(bytes, std::string_view("MM\0+", 4)))
    return Format::TIFF;
  if (startsWith(bytes, "BM")) return Format::BMP;
  return heifBrand(bytes);
}

}  // namespace

std::optional<Bitmap> image_detail::decodeAnyFormat(std::string_view bytes, ThumbnailRequest* request) {
  switch (sniff(bytes)) {
    case Format::JPEG: return image_detail::decodeJPEG(bytes, request);
    case Format::PNG: return image_detail::decodePNG(bytes, request);
    case Format::WebP: return image_detail::decodeWebP(bytes, request);
    case Format::GIF: return image_detail::decodeGIF(bytes, request);
    case Format::HEIC:
    case Format::HEIF:
    case Format::AVIF: return image_detail::decodeHEIF(bytes, request);
    case Format::TIFF: return image_detail::decodeTIFF(bytes, request);
    case Format::BMP: return image_detail::decodeBMP(bytes, request);
    case Format::Unknown: break;
  }
  logLine(fmt::format("Not a picture ({} bytes of an unknown format)", bytes.size()));
  return std::nullopt;
}

std::optional<Bitmap> decodeImage(std::string_view bytes) { return image_detail::decodeAnyFormat(bytes, nullptr); }

std::string_view pictureFileExtension(std::string_view bytes) {
  switch (sniff(bytes)) {
    case Format::JPEG: return "jpg";
    case Format::PNG: return "png";
    case Format::WebP: return "webp";
    case Format::GIF: return "gif";
    case Format::HEIC: return "heic";
    case Format::HEIF: return "heif";
    case Format::AVIF: return "avif";
    case Format::TIFF: return "tiff";
    case Format::BMP: return "bmp";
    case Format::Unknown: break;
  }
  return {};
}

}  // namespace platform
