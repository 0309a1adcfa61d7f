// JPEG through TurboJPEG, turned upright by its EXIF orientation.
#include <turbojpeg.h>

#include <cstring>
#include <memory>
#include <utility>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

struct HandleDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};

// One decompressor per thread, kept between pictures while they decode well. After a failure the
// library can leave it mid-way through a file, so that every later picture fails too: it is
// then thrown away and the next picture gets a fresh one.
class Decompressor {
 public:
  Decompressor() {
    if (!handle()) handle().reset(tjInitDecompress());
  }
  ~Decompressor() {
    if (!succeeded_) handle().reset();
  }
  tjhandle get() const { return handle().get(); }
  void succeeded() { succeeded_ = true; }

 private:
  static std::unique_ptr<void, HandleDeleter>& handle() {
    thread_local std::unique_ptr<void, HandleDeleter> h;
    return h;
  }
  bool succeeded_ = false;
};

// TurboJPEG will not turn CMYK into RGB, so those files (print-ready pictures saved from the web)
// are decoded as CMYK and converted here. They are stored inverted, as Adobe writes them.
void cmykToRgbaInPlace(Bitmap& bitmap) {
  std::uint8_t* p = bitmap.rgba.data();
  for (std::size_t i = 0; i < bitmap.rgba.size(); i += 4) {
    const unsigned k = p[i + 3];
    p[i] = std::uint8_t((p[i] * k + 127) / 255);
    p[i + 1] = std::uint8_t((p[i + 1] * k + 127) / 255);
    p[i + 2] = std::uint8_t((p[i + 2] * k + 127) / 255);
    p[i + 3] = 0xFF;
  }
}

// Huffman coding spends at least a bit on each 8x8 block of the first scan that covers it, so no
// file packs more than 512 pixels into a byte; twice that leaves room for any real encoder.
constexpr std::uint64_t kMaxJpegPixelsPerByte = 1024;

bool isStandalone(std::uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8); }

// Whether the markers run from SOI through every scan to EOI within the bytes. A file that ends
// before its EOI has lost picture data (or at best its last two bytes), whatever the decoder makes
// of it. Data after EOI (a second picture, a maker's trailer) is not looked at.
bool jpegReachesEnd(std::string_view jpeg) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(jpeg.data());
  const std::size_t n = jpeg.size();
  std::size_t at = 2;  // after SOI
  for (;;) {
    // Stray bytes before a marker are skipped, as the decoder skips them (cameras write some).
    const void* ff = at < n ? std::memchr(p + at, 0xFF, n - at) : nullptr;
    if (!ff) return false;
    at = static_cast<const std::uint8_t*>(ff) - p;
    while (at < n && p[at] == 0xFF) ++at;
    if (at >= n) return false;
    const std::uint8_t marker = p[at++];
    if (marker == 0xD9) return true;
    if (marker == 0x00 || isStandalone(marker)) continue;
    if (n - at < 2) return false;
    const std::size_t length = std::size_t{p[at]} << 8 | p[at + 1];
    if (length < 2 || n - at < length) return false;
    at += length;
    if (marker != 0xDA) continue;
    // The scan's coded data runs to the next marker that is neither a stuffed zero nor a restart.
    for (;;) {
      const void* next = at < n ? std::memchr(p + at, 0xFF, n - at) : nullptr;
      if (!next) return false;
      at = static_cast<const std::uint8_t*>(next) - p;
      if (at + 1 >= n) return false;
      const std::uint8_t after = p[at + 1];
      if (after == 0x00 || (after >= 0xD0 && after <= 0xD7)) at += 2;
      else if (after == 0xFF) at += 1;
      else break;
    }
  }
}

}  // namespace

namespace {

// The smallest scale whose picture covers the target; the picture's own size without a target.
void scaledSize(int& width, int& height, PixelSize target) {
  if (target.width == 0 && target.height == 0) return;
  int count = 0;
  tjscalingfactor* factors = tjGetScalingFactors(&count);
  int bestW = width, bestH = height;
  for (int i = 0; factors && i < count; ++i) {
    int w = TJSCALED(width, factors[i]), h = TJSCALED(height, factors[i]);
    if (std::uint32_t(w) >= target.width && std::uint32_t(h) >= target.height &&
        w * std::int64_t(h) < bestW * std::int64_t(bestH)) {
      bestW = w;
      bestH = h;
    }
  }
  width = bestW;
  height = bestH;
}

// Whether a frame header before the first scan says progressive (or another multi-scan coding),
// for which the library keeps every coefficient of the whole picture while it reads the scans.
bool multiScan(std::string_view jpeg) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(jpeg.data());
  std::size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    if (p[at] != 0xFF) return false;
    const std::uint8_t marker = p[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      return marker != 0xC0 && marker != 0xC1;
    at += 2 + (std::size_t{p[at + 2]} << 8 | p[at + 3]);
  }
  return false;
}

}  // namespace

std::optional<Bitmap> decodeJPEG(std::string_view bytes, ThumbnailRequest* request) {
  Decompressor decompressor;
  tjhandle tj = decompressor.get();
  if (!tj) return std::nullopt;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned long size = bytes.size();

  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(tj, data, size, &width, &height, &subsampling, &colorspace) != 0) {
    logLine(fmt::format("JPEG header unreadable: {}", tjGetErrorStr2(tj)));
    return std::nullopt;
  }
  if (!acceptableSize(width, height) || !fileCanHold("JPEG", width, height, size, kMaxJpegPixelsPerByte))
    return std::nullopt;
  // The decoder fills what a cut file lacks with grey and, when something else troubled it
  // first, does not even say so.
  if (!jpegReachesEnd(bytes)) {
    logLine("JPEG data corrupt: the file ends before its picture does");
    return std::nullopt;
  }
  const int orientation = exifOrientation(bytes);
  if (request) {
    const std::uint64_t whole = std::uint64_t(width) * std::uint64_t(height);
    const PixelSize target = request->target();
    scaledSize(width, height, orientation >= 5 ? PixelSize{target.height, target.width} : target);
    // The scaled picture, its upright copy, and for a multi-scan file the coefficients of the
    // whole picture (two bytes for each of about 1.5 samples a pixel: some 3 bytes a pixel).
    request->reserve(2 * std::uint64_t(width) * std::uint64_t(height) + (multiScan(bytes) ? whole * 3 / 4 : 0));
  }
  auto bitmap = allocateBitmap(width, height);
  if (!bitmap) return std::nullopt;

  // LIMITSCANS refuses progressive files built with thousands of scans to burn CPU.
  const int flags = TJFLAG_LIMITSCANS;
  const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
  const TJPF format = cmyk ? TJPF_CMYK : TJPF_RGBA;
  if (tjDecompress2(tj, data, size, bitmap->rgba.data(), width, width * 4, height, format, flags) != 0) {
    // Warnings (a few stray bytes before a marker, common from cameras) leave a whole picture;
    // a file that ends early does not, and is refused rather than shown half grey.
    const char* message = tjGetErrorStr2(tj);
    if (tjGetErrorCode(tj) != TJERR_WARNING || std::strstr(message, "Premature end") != nullptr) {
      logLine(fmt::format("JPEG data corrupt: {}", message));
      return std::nullopt;
    }
  }
  decompressor.succeeded();
  if (cmyk) cmykToRgbaInPlace(*bitmap);
  return applyOrientation(std::move(*bitmap), orientation);
}

}  // namespace platform::image_detail
