// JPEG encoding through TurboJPEG, for pictures that are shown and thrown away (a live view's
// frames), where a small file made quickly matters more than every last detail.
#include <turbojpeg.h>

#include <algorithm>
#include <memory>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageCodec.h"
#include "platform/image/ImageDecoders.h"

namespace platform {
namespace {

struct HandleDeleter {
  void operator()(void* handle) const { tjDestroy(handle); }
};

// One compressor per thread, kept between pictures: making one sets up tables each time.
tjhandle compressor() {
  thread_local std::unique_ptr<void, HandleDeleter> handle(tjInitCompress());
  return handle.get();
}

}  // namespace

std::optional<std::string> encodeJPEG(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                                      std::size_t stride, PixelOrder order, int quality) {
  if (!pixels || width == 0 || height == 0 || stride < std::size_t{width} * 4 ||
      !image_detail::acceptableSize(width, height))
    return std::nullopt;
  tjhandle tj = compressor();
  if (!tj) return std::nullopt;
  quality = std::clamp(quality, 1, 100);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  // 4:2:0 and the fast DCT: the cheapest settings, and on a screen of text and flat colour at the
  // size it is shown the difference is hard to see.
  const int format = order == PixelOrder::RGBA ? TJPF_RGBX : order == PixelOrder::BGRA ? TJPF_BGRX : TJPF_XRGB;
  if (tjCompress2(tj, pixels, int(width), int(stride), int(height), format, &out, &size, TJSAMP_420, quality,
                  TJFLAG_FASTDCT) != 0) {
    logLine(fmt::format("JPEG encoding failed: {}", tjGetErrorStr2(tj)));
    tjFree(out);
    return std::nullopt;
  }
  std::string bytes(reinterpret_cast<const char*>(out), size);
  tjFree(out);
  return bytes;
}

std::optional<std::string> encodeJPEG(const Bitmap& bitmap, int quality) {
  if (bitmap.rgba.size() != std::size_t{bitmap.width} * bitmap.height * 4) return std::nullopt;
  return encodeJPEG(bitmap.rgba.data(), bitmap.width, bitmap.height, std::size_t{bitmap.width} * 4, PixelOrder::RGBA,
                    quality);
}

}  // namespace platform
