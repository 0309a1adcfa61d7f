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
constexpr std::uint64_t kMaxWebpPixelsPerByte = 65536;

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
  if (!acceptableSize(width, height) || !fileCanHold("WebP", width, height, size, kMaxWebpPixelsPerByte))
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

// The picture decoded by libwebp's own rescaler straight to the target size. Every row of the
// bitstream is still decoded (a cut or damaged file fails as it fails whole); only the output is small.
std::optional<Bitmap> decodeScaled(const std::uint8_t* data, std::size_t size, PixelSize target) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return std::nullopt;
  config.options.use_scaling = 1;
  config.options.scaled_width = int(target.width);
  config.options.scaled_height = int(target.height);
  Bitmap bitmap{target.width, target.height, std::vector<std::uint8_t>(std::size_t(target.width) * target.height * 4)};
  config.output.colorspace = MODE_RGBA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = bitmap.rgba.data();
  config.output.u.RGBA.stride = int(target.width) * 4;
  config.output.u.RGBA.size = bitmap.rgba.size();
  const VP8StatusCode status = WebPDecode(data, size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) {
    logLine("WebP data corrupt");
    return std::nullopt;
  }
  return bitmap;
}

}  // namespace

std::optional<Bitmap> decodeWebP(std::string_view bytes, ThumbnailRequest* request) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  WebPBitstreamFeatures features{};
  if (WebPGetFeatures(data, bytes.size(), &features) != VP8_STATUS_OK) {
    logLine("WebP header unreadable");
    return std::nullopt;
  }
  if (features.has_animation) {
    // The first frame is drawn on the whole canvas, reduced afterwards.
    if (request && acceptableSize(features.width, features.height))
      request->reserve(std::uint64_t(features.width) * std::uint64_t(features.height));
    return decodeFirstFrame(data, bytes.size());
  }

  if (!acceptableSize(features.width, features.height) ||
      !fileCanHold("WebP", features.width, features.height, bytes.size(), kMaxWebpPixelsPerByte))
    return std::nullopt;
  if (request) {
    const PixelSize picture{std::uint32_t(features.width), std::uint32_t(features.height)};
    const PixelSize target = request->sizeFor(picture, false);
    // Lossless decoding keeps the whole picture as it goes; lossy keeps a few rows of blocks, and
    // an alpha plane of a byte a pixel.
    const std::uint64_t held = features.format == 2 ? picture.pixels()
                               : features.has_alpha ? picture.pixels() / 4
                                                    : 16 * std::uint64_t{picture.width};
    request->reserve(target.pixels() + held);
    if (target != picture) return decodeScaled(data, bytes.size(), target);
  }
  auto bitmap = allocateBitmap(features.width, features.height);
  if (!bitmap) return std::nullopt;
  if (!WebPDecodeRGBAInto(data, bytes.size(), bitmap->rgba.data(), bitmap->rgba.size(), features.width * 4)) {
    logLine("WebP data corrupt");
    return std::nullopt;
  }
  return bitmap;
}

}  // namespace platform::image_detail
