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

// JPEG (EXIF orientation applied), PNG, WebP, GIF (first frame). Nothing for anything else, for a
// truncated or corrupt file, and for a picture above kMaxDecodedPixels.
std::optional<Bitmap> decodeImage(std::string_view bytes);

// PNG bytes of the bitmap; nothing when it cannot be encoded (an empty bitmap).
std::optional<std::string> encodePNG(const Bitmap& bitmap);

}  // namespace platform
