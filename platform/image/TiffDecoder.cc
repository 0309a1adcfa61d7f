// The first page of a TIFF through libtiff, read straight from memory: every photometric libtiff's
// RGBA reader knows (RGB, grey, palette, YCbCr, CMYK), any compression it knows (LZW, Deflate,
// PackBits, ...), strips or tiles, 8 or 16 bits per sample, turned upright by its Orientation tag.
#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <string>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

struct MemoryFile {
  std::string_view bytes;
  toff_t position = 0;
  std::string firstError;  // libtiff's first complaint, for the log line
};

tmsize_t readProc(thandle_t handle, void* out, tmsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (size <= 0 || file->position >= file->bytes.size()) return 0;
  const std::size_t n = std::min<std::size_t>(std::size_t(size), file->bytes.size() - file->position);
  std::memcpy(out, file->bytes.data() + file->position, n);
  file->position += n;
  return tmsize_t(n);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) { return -1; }

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file->position : file->bytes.size();
  // Offsets come from the file; one past the end is left for reads to find short.
  if (offset > toff_t(INT64_MAX) - base) return toff_t(-1);
  file->position = base + offset;
  return file->position;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes.size(); }

// Mapping lets libtiff read uncompressed strips in place and check their extents against the file.
int mapProc(thandle_t handle, void** base, toff_t* size) {
  auto* file = static_cast<MemoryFile*>(handle);
  *base = const_cast<char*>(file->bytes.data());
  *size = file->bytes.size();
  return 1;
}
void unmapProc(thandle_t, void*, toff_t) {}

int errorHandler(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto* file = static_cast<MemoryFile*>(user);
  if (file->firstError.empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    file->firstError = module ? fmt::format("{}: {}", module, text) : text;
  }
  return 1;  // handled: nothing reaches stderr
}

// Warnings are about tags this reader does not use (private camera tags, odd metadata).
int warningHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};

// How many bytes of samples one stored byte can stand for, by compression: raw is one to one;
// PackBits repeats a byte at most 128 times for two; Deflate packs at most 1032 to one; an LZW code
// of 9 bits and more stands for at most 4096 bytes.
std::uint64_t maxExpansion(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;
    case COMPRESSION_LZW: return 3641;
    default: return 4096;
  }
}

// Rows read a band at a time into running averages, each band a whole number of strips (or of
// rows of tiles), so that no strip is read twice and only one is held decoded.
bool readBands(TIFFRGBAImage& reader, std::uint32_t bandRows, BoxReducer& reducer, bool hasAlpha) {
  const std::uint32_t width = reader.width, height = reader.height;
  std::vector<std::uint32_t> band(std::size_t{width} * bandRows);
  for (std::uint32_t top = 0; top < height; top += bandRows) {
    const std::uint32_t rows = std::min(bandRows, height - top);
    reader.row_offset = int(top);
    if (TIFFRGBAImageGet(&reader, band.data(), width, rows) != 1) return false;
    for (std::uint32_t r = 0; r < rows; ++r) {
      auto* row = reinterpret_cast<std::uint8_t*>(band.data() + std::size_t{r} * width);
      if (hasAlpha) unpremultiplyPixels(row, width);
      reducer.addRow(top + r, row);
    }
  }
  return true;
}

// The rows libtiff decodes at once: a strip, or a row of tiles; taken a few at a time when they
// are thin, so that a band is some 64 thousand pixels.
std::uint32_t bandRowsOf(TIFF* tif, std::uint32_t width, std::uint32_t height) {
  std::uint32_t unit = 0;
  if (TIFFIsTiled(tif)) TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
  else TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
  unit = std::clamp<std::uint32_t>(unit, 1, height);
  const std::uint64_t unitPixels = std::uint64_t{unit} * width;
  const std::uint64_t units = std::max<std::uint64_t>(1, (std::uint64_t{1} << 16) / std::max<std::uint64_t>(1, unitPixels));
  return std::uint32_t(std::min<std::uint64_t>(height, unit * units));
}

}  // namespace

std::optional<Bitmap> decodeTIFF(std::string_view bytes, ThumbnailRequest* request) {
  MemoryFile file{bytes, 0, {}};
  std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(TIFFOpenOptionsAlloc(),
                                                                           &TIFFOpenOptionsFree);
  if (!options) return std::nullopt;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &errorHandler, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &warningHandler, &file);
  std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt("picture", "r", &file, readProc, writeProc, seekProc,
                                                          closeProc, sizeProc, mapProc, unmapProc, options.get()));
  if (!tif) {
    logLine(fmt::format("TIFF header unreadable: {}", file.firstError));
    return std::nullopt;
  }
  std::uint32_t width = 0, height = 0;
  std::uint16_t samples = 1, bits = 1, compression = COMPRESSION_NONE, orientation = ORIENTATION_TOPLEFT;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
  if (!acceptableSize(width, height)) return std::nullopt;
  const std::uint64_t sampleBytes = (std::uint64_t{width} * samples * bits + 7) / 8 * height;
  if (sampleBytes > bytes.size() * maxExpansion(compression)) {
    logLine(fmt::format("TIFF of {}x{} pixels refused: {} bytes cannot hold it", width, height, bytes.size()));
    return std::nullopt;
  }

  char reason[1024] = "";
  if (!TIFFRGBAImageOK(tif.get(), reason)) {
    logLine(fmt::format("TIFF picture of a kind that cannot be shown: {}", reason));
    return std::nullopt;
  }
  TIFFRGBAImage reader{};
  if (!TIFFRGBAImageBegin(&reader, tif.get(), 1, reason)) {
    logLine(fmt::format("TIFF picture unreadable: {}", reason));
    return std::nullopt;
  }
  // Asking for the file's own orientation gets the rows as stored; they are turned below the same
  // way as a JPEG's, since the tag's values mean what EXIF's do.
  reader.req_orientation = orientation;
  const int upright = orientation >= 1 && orientation <= 8 ? orientation : 1;
  const PixelSize picture{width, height};
  if (request && request->sizeFor(picture, upright >= 5) != picture) {
    const PixelSize target = request->sizeFor(picture, upright >= 5);
    const std::uint32_t bandRows = bandRowsOf(tif.get(), width, height);
    // The band, the strip or tile libtiff holds decoded, the averages and the target.
    const std::uint64_t stripBytes = TIFFIsTiled(tif.get()) ? TIFFTileSize64(tif.get()) : TIFFStripSize64(tif.get());
    request->reserve(std::uint64_t{bandRows} * width + stripBytes / 4 + target.width * 10 + target.pixels());
    BoxReducer reducer(picture, target);
    const bool read = readBands(reader, bandRows, reducer, reader.alpha != 0);
    TIFFRGBAImageEnd(&reader);
    if (!read || !file.firstError.empty()) {
      logLine(fmt::format("TIFF data corrupt: {}", file.firstError.empty() ? "unreadable strips" : file.firstError));
      return std::nullopt;
    }
    return applyOrientation(reducer.finish(), upright);
  }
  if (request) request->reserve(picture.pixels());
  auto bitmap = allocateBitmap(width, height);
  bool read = false;
  if (bitmap) {
    // The reader writes ABGR words, which are R, G, B, A bytes in a little-endian memory.
    static_assert(std::endian::native == std::endian::little);
    read = TIFFRGBAImageGet(&reader, reinterpret_cast<std::uint32_t*>(bitmap->rgba.data()), width, height) == 1;
  }
  const bool hasAlpha = reader.alpha != 0;
  TIFFRGBAImageEnd(&reader);
  if (!bitmap) return std::nullopt;
  if (!read || !file.firstError.empty()) {
    logLine(fmt::format("TIFF data corrupt: {}", file.firstError.empty() ? "unreadable strips" : file.firstError));
    return std::nullopt;
  }
  // libtiff's RGBA reader hands back premultiplied colour whatever the file stores.
  if (hasAlpha) unpremultiply(*bitmap);
  return applyOrientation(std::move(*bitmap), upright);
}

}  // namespace platform::image_detail
