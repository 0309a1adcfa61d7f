// BMP through gdk-pixbuf's decoder: uncompressed and RLE, bottom-up and top-down, 1 to 32 bits per
// pixel, palettes and bit fields. That decoder hands back a picture for any file that starts well,
// a cut one included (the missing part left blank), and sizes its buffer from the header alone; so
// the header is read here first, and the file is refused unless its palette and pixel data are all
// there and the picture is within the limits.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

enum Compression : std::uint32_t { kRGB = 0, kRLE8 = 1, kRLE4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct BmpLayout {
  std::uint32_t dataOffset = 0;
  std::uint32_t headerSize = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bits = 0;
  std::uint32_t compression = kRGB;
  std::uint32_t dataSize = 0;  // of the compressed data, when the header gives it
  std::uint32_t colours = 0;   // palette entries; 0 for "as many as the bit depth allows"
};

std::uint16_t u16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
std::uint32_t u32(const std::uint8_t* p) { return std::uint32_t(u16(p)) | std::uint32_t(u16(p + 2)) << 16; }

// The file and information headers; nothing when they are cut or describe no picture this
// decoder can make.
std::optional<BmpLayout> readLayout(const std::uint8_t* p, std::size_t size) {
  if (size < 18) return std::nullopt;
  BmpLayout l;
  l.dataOffset = u32(p + 10);
  l.headerSize = u32(p + 14);
  if (l.headerSize == 12 && size >= 26) {  // the oldest header: 16-bit sizes, no compression
    l.width = u16(p + 18);
    l.height = u16(p + 20);
    l.bits = u16(p + 24);
    return l;
  }
  const bool known = l.headerSize == 40 || l.headerSize == 52 || l.headerSize == 56 || l.headerSize == 64 ||
                     l.headerSize == 108 || l.headerSize == 124;
  if (!known || size < 14 + std::size_t{l.headerSize}) return std::nullopt;
  const std::int32_t width = std::int32_t(u32(p + 18));
  const std::int32_t height = std::int32_t(u32(p + 22));
  if (width <= 0 || height == 0 || height == INT32_MIN) return std::nullopt;
  l.width = std::uint32_t(width);
  l.height = std::uint32_t(height < 0 ? -height : height);
  l.bits = u16(p + 28);
  l.compression = u32(p + 30);
  l.dataSize = u32(p + 34);
  l.colours = u32(p + 46);
  const bool rle = l.compression == kRLE8 || l.compression == kRLE4;
  if (rle && height < 0) return std::nullopt;  // RLE runs from the bottom row only
  // The OS/2 header gives the numbers 3 and 4 to compressions nobody writes any more.
  if (l.headerSize == 64 && l.compression > kRLE4) return std::nullopt;
  return l;
}

bool supportedDepth(const BmpLayout& l) {
  switch (l.compression) {
    case kRGB: return l.bits == 1 || l.bits == 4 || l.bits == 8 || l.bits == 16 || l.bits == 24 || l.bits == 32;
    case kRLE8: return l.bits == 8;
    case kRLE4: return l.bits == 4;
    case kBitFields:
    case kAlphaBitFields: return l.bits == 16 || l.bits == 32;
    default: return false;  // JPEG or PNG inside a BMP: never written by anything a phone meets
  }
}

// Whether the RLE codes reach the end of the picture (an end-of-picture code, or the end of its
// last row) before the data runs out. Each code is two bytes: a run (count, colour), or an escape
// (0, 0 end of line; 0, 1 end of picture; 0, 2 a move by dx, dy; 0, n a literal of n pixels
// padded to an even number of bytes).
bool rleReachesEnd(const std::uint8_t* p, const std::uint8_t* end, bool rle4, std::uint32_t height) {
  std::uint64_t row = 0;
  while (end - p >= 2) {
    const std::uint8_t count = p[0], code = p[1];
    p += 2;
    if (count != 0) continue;
    if (code == 0) {
      if (++row >= height) return true;
    } else if (code == 1) {
      return true;
    } else if (code == 2) {
      if (end - p < 2) return false;
      row += p[1];
      p += 2;
    } else {
      std::size_t literal = rle4 ? (code + 1u) / 2 : code;
      literal += literal & 1;
      if (std::size_t(end - p) < literal) return false;
      p += literal;
    }
  }
  return false;
}

// Whether the palette and the pixel data the header describes are all inside the file.
bool dataIsWhole(const BmpLayout& l, const std::uint8_t* p, std::size_t size) {
  const std::uint64_t paletteStart = 14 + std::uint64_t{l.headerSize} +
                                     (l.headerSize == 40 && l.compression == kBitFields ? 12 : 0) +
                                     (l.headerSize == 40 && l.compression == kAlphaBitFields ? 16 : 0);
  if (l.bits <= 8) {
    const std::uint64_t entries = l.colours ? l.colours : 1u << l.bits;
    if (entries > 256 || paletteStart + entries * (l.headerSize == 12 ? 3 : 4) > size) return false;
  }
  if (l.dataOffset < paletteStart || l.dataOffset >= size) return false;
  const std::uint64_t available = size - l.dataOffset;
  if (l.compression == kRLE8 || l.compression == kRLE4) {
    if (l.dataSize > available) return false;
    const std::uint64_t dataSize = l.dataSize ? l.dataSize : available;
    return rleReachesEnd(p + l.dataOffset, p + l.dataOffset + dataSize, l.compression == kRLE4, l.height);
  }
  const std::uint64_t stride = (std::uint64_t{l.width} * l.bits + 31) / 32 * 4;
  return stride * l.height <= available;
}

struct ObjectUnref {
  void operator()(void* object) const { g_object_unref(object); }
};

// RLE repeats a colour at most 255 times for two bytes.
constexpr std::uint64_t kMaxRlePixelsPerByte = 128;

}  // namespace

std::optional<Bitmap> decodeBMP(std::string_view bytes, ThumbnailRequest* request) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  auto layout = readLayout(p, bytes.size());
  if (!layout) {
    logLine("BMP header unreadable");
    return std::nullopt;
  }
  if (!supportedDepth(*layout)) {
    logLine(fmt::format("BMP of {} bits per pixel with compression {} cannot be shown", layout->bits,
                        layout->compression));
    return std::nullopt;
  }
  if (!acceptableSize(layout->width, layout->height)) return std::nullopt;
  const bool rle = layout->compression == kRLE8 || layout->compression == kRLE4;
  if (rle && !fileCanHold("BMP", layout->width, layout->height, bytes.size(), kMaxRlePixelsPerByte))
    return std::nullopt;
  if (!dataIsWhole(*layout, p, bytes.size())) {
    logLine(fmt::format("BMP of {}x{} pixels refused: {} bytes do not hold its palette and pixels", layout->width,
                        layout->height, bytes.size()));
    return std::nullopt;
  }

  // The decoder's picture is held whole; a thumbnail is reduced from it without a copy.
  const PixelSize picture{layout->width, layout->height};
  const PixelSize target = request ? request->sizeFor(picture, false) : picture;
  if (request) request->reserve(picture.pixels() + target.pixels());

  GError* error = nullptr;
  std::unique_ptr<GdkPixbufLoader, ObjectUnref> loader(gdk_pixbuf_loader_new_with_type("bmp", &error));
  if (!loader) {
    logLine(fmt::format("BMP decoder unavailable: {}", error ? error->message : "?"));
    g_clear_error(&error);
    return std::nullopt;
  }
  const bool written = gdk_pixbuf_loader_write(loader.get(), p, bytes.size(), &error);
  // Closing is needed even after a failed write, and its own error matters only when writing went well.
  const bool closed = gdk_pixbuf_loader_close(loader.get(), written ? &error : nullptr);
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
  if (!written || !closed || !pixbuf) {
    logLine(fmt::format("BMP data corrupt: {}", error ? error->message : "no picture"));
    g_clear_error(&error);
    return std::nullopt;
  }
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  if (std::uint32_t(gdk_pixbuf_get_width(pixbuf)) != layout->width ||
      std::uint32_t(gdk_pixbuf_get_height(pixbuf)) != layout->height ||
      gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || (channels != 3 && channels != 4)) {
    logLine("BMP data corrupt: the decoded picture is not the one its header gives");
    return std::nullopt;
  }
  const std::uint8_t* rows = gdk_pixbuf_read_pixels(pixbuf);
  const std::size_t stride = gdk_pixbuf_get_rowstride(pixbuf);
  if (target != picture) {
    BoxReducer reducer(picture, target);
    std::vector<std::uint8_t> row(std::size_t{layout->width} * 4);
    for (std::uint32_t y = 0; y < layout->height; ++y) {
      const std::uint8_t* in = rows + y * stride;
      if (channels == 4) {
        reducer.addRow(y, in);
        continue;
      }
      for (std::uint32_t x = 0; x < layout->width; ++x, in += 3)
        row[x * 4] = in[0], row[x * 4 + 1] = in[1], row[x * 4 + 2] = in[2], row[x * 4 + 3] = 0xFF;
      reducer.addRow(y, row.data());
    }
    return reducer.finish();
  }
  auto bitmap = allocateBitmap(layout->width, layout->height);
  if (!bitmap) return std::nullopt;
  std::uint8_t* out = bitmap->rgba.data();
  for (std::uint32_t y = 0; y < layout->height; ++y) {
    const std::uint8_t* in = rows + y * stride;
    if (channels == 4) {
      std::memcpy(out, in, std::size_t{layout->width} * 4);
      out += std::size_t{layout->width} * 4;
      continue;
    }
    for (std::uint32_t x = 0; x < layout->width; ++x, in += 3, out += 4) {
      out[0] = in[0], out[1] = in[1], out[2] = in[2], out[3] = 0xFF;
    }
  }
  return bitmap;
}

}  // namespace platform::image_detail
