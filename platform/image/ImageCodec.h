#pragma once
// Decoding of the picture formats a phone meets, and PNG encoding. Pixels are 8-bit RGBA, rows
// top to bottom, no padding.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Bitmap {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4 bytes
};

// Pictures larger than this many pixels are refused before any pixel memory is allocated.
inline constexpr std::uint64_t kMaxDecodedPixels = 100'000'000;

// JPEG (EXIF orientation applied), PNG, WebP, GIF (first frame), HEIC/HEIF/AVIF (primary image,
// irot/imir applied), TIFF (first page, Orientation applied), BMP. The format is told by the bytes,
// never by a name. Nothing for anything else, for a truncated or corrupt file, for a picture above
// kMaxDecodedPixels, and for a header that claims more pixels than the file could hold.
std::optional<Bitmap> decodeImage(std::string_view bytes);

// The picture decoded at about the size it will be shown: scaled down (aspect kept) to the smallest
// size that still covers `width` × `height` pixels, never up. JPEG is scaled while decoding
// (TurboJPEG's scaling factors, then a final reduction), other formats are decoded whole and
// reduced by averaging. Nothing where decodeImage gives nothing; a zero target keeps the size.
std::optional<Bitmap> decodeImageThumbnail(std::string_view bytes, std::uint32_t width, std::uint32_t height);

// The usual file extension of the picture format the bytes are in ("jpg", "png", "webp", "gif",
// "heic", "heif", "avif", "tiff", "bmp"), lower case; empty when they are in none of them. Only the
// first bytes are looked at: the picture may still be damaged.
std::string_view pictureFileExtension(std::string_view bytes);

// PNG bytes of the bitmap; nothing when it cannot be encoded (an empty bitmap).
std::optional<std::string> encodePNG(const Bitmap& bitmap);

}  // namespace platform
