// A phone stores a portrait photo as the sensor saw it and records in EXIF how to turn it upright.
// Only IFD0's Orientation tag matters here, so the segment is walked by hand; every offset in it
// comes from the file and is checked against the segment before it is followed.
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
  const std::size_t w = stored.width;
  const std::size_t h = stored.height;
  const bool swap = orientation >= 5;
  Bitmap out;
  out.width = swap ? stored.height : stored.width;
  out.height = swap ? stored.width : stored.height;
  out.rgba.resize(stored.rgba.size());
  const auto* src = reinterpret_cast<const std::uint32_t*>(stored.rgba.data());
  auto* dst = reinterpret_cast<std::uint32_t*>(out.rgba.data());
  const std::size_t ow = out.width;
  const std::size_t oh = out.height;
  // For each upright pixel (x, y), the stored pixel (sx, sy) that belongs there.
  for (std::size_t y = 0; y < oh; ++y) {
    for (std::size_t x = 0; x < ow; ++x) {
      std::size_t sx = 0;
      std::size_t sy = 0;
      switch (orientation) {
        case 2: sx = w - 1 - x; sy = y; break;
        case 3: sx = w - 1 - x; sy = h - 1 - y; break;
        case 4: sx = x; sy = h - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = h - 1 - x; break;
        case 7: sx = w - 1 - y; sy = h - 1 - x; break;
        case 8: sx = w - 1 - y; sy = x; break;
      }
      dst[y * ow + x] = src[sy * w + sx];
    }
  }
  return out;
}

}  // namespace platform::image_detail
