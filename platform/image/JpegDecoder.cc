// JPEG through TurboJPEG, turned upright by its EXIF orientation.
#include <turbojpeg.h>

#include <cstring>
#include <memory>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

struct HandleDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};

// A decompressor per thread: creating one costs more than decoding a thumbnail.
tjhandle decompressor() {
  thread_local std::unique_ptr<void, HandleDeleter> handle(tjInitDecompress());
  return handle.get();
}

}  // namespace

std::optional<Bitmap> decodeJPEG(std::string_view bytes) {
  tjhandle tj = decompressor();
  if (!tj) return std::nullopt;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned long size = bytes.size();

  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (tjDecompressHeader3(tj, data, size, &width, &height, &subsampling, &colorspace) != 0) {
    logLine(fmt::format("JPEG header unreadable: {}", tjGetErrorStr2(tj)));
    return std::nullopt;
  }
  auto bitmap = allocateBitmap(width, height);
  if (!bitmap) return std::nullopt;

  // LIMITSCANS refuses progressive files built with thousands of scans to burn CPU.
  const int flags = TJFLAG_LIMITSCANS;
  if (tjDecompress2(tj, data, size, bitmap->rgba.data(), width, width * 4, height, TJPF_RGBA, flags) != 0) {
    // Warnings (a few stray bytes before a marker, common from cameras) leave a whole picture;
    // a file that ends early does not, and is refused rather than shown half grey.
    const char* message = tjGetErrorStr2(tj);
    if (tjGetErrorCode(tj) != TJERR_WARNING || std::strstr(message, "Premature end") != nullptr) {
      logLine(fmt::format("JPEG data corrupt: {}", message));
      return std::nullopt;
    }
  }
  return applyOrientation(std::move(*bitmap), exifOrientation(bytes));
}

}  // namespace platform::image_detail
