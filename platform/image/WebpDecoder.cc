// WebP through libwebp: lossy, lossless and with alpha; of an animation, the first frame.
#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

// Lossless WebP copies runs of up to 4096 pixels for a few bits each: a flat 16-megapixel picture
// takes under 700 bytes. This bound refuses a near-empty file that claims a huge picture.
constexpr std::uint64_t kMaxPixelsPerByte = 65536;

struct DemuxDeleter {
  void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

// The first frame drawn at its offset on a transparent canvas of the animation's size; it is
// decoded straight into the canvas rows.
std::optional<Bitmap> decodeFirstFrame(const std::uint8_t* data, std::size_t size) {
  WebPData webp{data, size};
  std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&webp));
  if (!demux) {
    logLine("WebP animation unreadable");
    return std::nullopt;
  }
  const std::uint32_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
  const std::uint32_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
  if (!acceptableSize(width, height) || !fileCanHold("WebP", width, height, size, kMaxPixelsPerByte))
    return std::nullopt;
  auto canvas = allocateBitmap(width, height);
  if (!canvas) return std::nullopt;
  WebPIterator frame{};
  if (!WebPDemuxGetFrame(demux.get(), 1, &frame)) {
    logLine("WebP animation has no frame");
    return std::nullopt;
  }
  // The demuxer has checked that the frame lies inside the canvas.
  const std::size_t stride = std::size_t{canvas->width} * 4;
  const std::size_t offset = std::size_t(frame.y_offset) * stride + std::size_t(frame.x_offset) * 4;
  const bool decoded = WebPDecodeRGBAInto(frame.fragment.bytes, frame.fragment.size, canvas->rgba.data() + offset,
                                          canvas->rgba.size() - offset, int(stride)) != nullptr;
  WebPDemuxReleaseIterator(&frame);
  if (!decoded) {
    logLine("WebP data corrupt");
    return std::nullopt;
  }
  return canvas;
}

}  // namespace

std::optional<Bitmap> decodeWebP(std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  WebPBitstreamFeatures features{};
  if (WebPGetFeatures(data, bytes.size(), &features) != VP8_STATUS_OK) {
    logLine("WebP header unreadable");
    return std::nullopt;
  }
  if (features.has_animation) return decodeFirstFrame(data, bytes.size());

  if (!acceptableSize(features.width, features.height) ||
      !fileCanHold("WebP", features.width, features.height, bytes.size(), kMaxPixelsPerByte))
    return std::nullopt;
  auto bitmap = allocateBitmap(features.width, features.height);
  if (!bitmap) return std::nullopt;
  if (!WebPDecodeRGBAInto(data, bytes.size(), bitmap->rgba.data(), bitmap->rgba.size(), features.width * 4)) {
    logLine("WebP data corrupt");
    return std::nullopt;
  }
  return bitmap;
}

}  // namespace platform::image_detail
