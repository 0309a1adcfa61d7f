// A phone stores a portrait photo as the sensor saw it and records in EXIF how to turn it upright.
// Only IFD0's Orientation tag matters here, so the segment is walked by hand; every offset in it
// comes from the file and is checked against the segment before it is followed.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  bool bigEndian;

  bool has(std::size_t offset, std::size_t length) const { return offset <= size && length <= size - offset; }
  std::uint16_t u16(std::size_t at) const {
    return bigEndian ? std::uint16_t(data[at] << 8 | data[at + 1]) : std::uint16_t(data[at + 1] << 8 | data[at]);
  }
  std::uint32_t u32(std::size_t at) const {
    return bigEndian ? std::uint32_t(u16(at)) << 16 | u16(at + 2) : std::uint32_t(u16(at + 2)) << 16 | u16(at);
  }
};

// Orientation in a TIFF structure (the APP1 payload after "Exif\0\0"), or 0.
int orientationInTiff(const std::uint8_t* tiff, std::size_t size) {
  if (size < 8) return 0;
  Reader r{tiff, size, false};
  if (std::memcmp(tiff, "MM", 2) == 0) r.bigEndian = true;
  else if (std::memcmp(tiff, "II", 2) != 0) return 0;
  if (r.u16(2) != 42) return 0;
  const std::uint32_t ifd = r.u32(4);
  if (!r.has(ifd, 2)) return 0;
  const std::uint16_t entries = r.u16(ifd);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::size_t entry = std::size_t{ifd} + 2 + std::size_t{i} * 12;
    if (!r.has(entry, 12)) return 0;
    if (r.u16(entry) != 0x0112) continue;
    const std::uint16_t type = r.u16(entry + 2);
    if (type != 3 || r.u32(entry + 4) < 1) return 0;  // SHORT; the value sits inline in the entry
    return r.u16(entry + 8);
  }
  return 0;
}

}  // namespace

int exifOrientation(std::string_view jpeg) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(jpeg.data());
  const std::size_t n = jpeg.size();
  std::size_t at = 2;  // after SOI
  while (at + 4 <= n) {
    if (p[at] != 0xFF) return 1;
    const std::uint8_t marker = p[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return 1;  // image data begins: no more metadata
    const std::size_t length = std::size_t{p[at + 2]} << 8 | p[at + 3];
    if (length < 2 || at + 2 + length > n) return 1;
    const std::uint8_t* payload = p + at + 4;
    const std::size_t payloadSize = length - 2;
    if (marker == 0xE1 && payloadSize >= 6 && std::memcmp(payload, "Exif\0\0", 6) == 0) {
      const int orientation = orientationInTiff(payload + 6, payloadSize - 6);
      return orientation >= 1 && orientation <= 8 ? orientation : 1;
    }
    at += 2 + length;
  }
  return 1;
}

Bitmap applyOrientation(Bitmap stored, int orientation) {
  if (orientation < 2 || orientation > 8) return stored;
  const std::ptrdiff_t w = stored.width;
  const std::ptrdiff_t h = stored.height;
  // The stored pixel that belongs at upright (x, y) is at base + x * stepX + y * stepY.
  struct Walk {
    std::ptrdiff_t base, stepX, stepY;
  };
  const Walk walks[] = {
      {0, 1, w},                      // 1
      {w - 1, -1, w},                 // 2: mirrored left to right
      {(h - 1) * w + w - 1, -1, -w},  // 3: half a turn
      {(h - 1) * w, 1, -w},           // 4: mirrored top to bottom
      {0, w, 1},                      // 5: transposed
      {(h - 1) * w, -w, 1},           // 6: a quarter turn clockwise
      {(h - 1) * w + w - 1, -w, -1},  // 7: transverse
      {w - 1, w, -1},                 // 8: a quarter turn anticlockwise
  };
  const Walk walk = walks[orientation - 1];
  const bool swap = orientation >= 5;
  Bitmap out;
  out.width = swap ? stored.height : stored.width;
  out.height = swap ? stored.width : stored.height;
  out.rgba.resize(stored.rgba.size());
  const std::uint8_t* src = stored.rgba.data();
  std::uint8_t* dst = out.rgba.data();
  const std::ptrdiff_t ow = out.width;
  const std::ptrdiff_t oh = out.height;
  // Tiles keep the column walks of the quarter turns within the cache.
  constexpr std::ptrdiff_t kTile = 64;
  for (std::ptrdiff_t ty = 0; ty < oh; ty += kTile) {
    for (std::ptrdiff_t tx = 0; tx < ow; tx += kTile) {
      const std::ptrdiff_t xEnd = std::min(tx + kTile, ow);
      for (std::ptrdiff_t y = ty; y < std::min(ty + kTile, oh); ++y) {
        std::ptrdiff_t from = walk.base + tx * walk.stepX + y * walk.stepY;
        for (std::ptrdiff_t x = tx; x < xEnd; ++x, from += walk.stepX)
          std::memcpy(dst + (y * ow + x) * 4, src + from * 4, 4);
      }
    }
  }
  return out;
}

}  // namespace platform::image_detail
