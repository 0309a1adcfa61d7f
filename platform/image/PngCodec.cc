// PNG through libspng, both ways.
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "platform/foundation/NSLog.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

struct CtxDeleter {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Ctx = std::unique_ptr<spng_ctx, CtxDeleter>;

// A PNG from the web may carry huge text or ICC chunks; a wallpaper needs none of them, so any
// single chunk and all cached chunks together are kept small.
constexpr std::size_t kChunkSizeLimit = 8u << 20;
constexpr std::size_t kChunkCacheLimit = 32u << 20;

// Deflate packs at most 1032 bytes into one, so a file far smaller than its rows / 1032 is
// damaged or lying about its size: refused before hundreds of megabytes are set aside for it.
bool enoughDataFor(const spng_ihdr& ihdr, std::size_t fileSize) {
  static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
  const int channels = ihdr.color_type <= 6 ? kChannels[ihdr.color_type] : 0;
  const std::uint64_t rowBytes = (std::uint64_t{ihdr.width} * channels * ihdr.bit_depth + 7) / 8;
  const std::uint64_t rawBytes = std::uint64_t{ihdr.height} * (rowBytes + 1);
  return fileSize >= rawBytes / 1032;
}

bool everyPixelOpaque(const Bitmap& bitmap) {
  const std::uint8_t* p = bitmap.rgba.data();
  const std::size_t n = bitmap.rgba.size();
  std::uint8_t all = 0xff;
  for (std::size_t i = 3; i < n; i += 4) all &= p[i];
  return all == 0xff;
}

std::vector<std::uint8_t> dropAlpha(const Bitmap& bitmap) {
  const std::size_t pixels = std::size_t{bitmap.width} * bitmap.height;
  std::vector<std::uint8_t> rgb(pixels * 3);
  const std::uint8_t* src = bitmap.rgba.data();
  std::uint8_t* dst = rgb.data();
  for (std::size_t i = 0; i < pixels; ++i, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
  return rgb;
}

// The rows decoded one at a time into running averages: the picture is never held, and every row
// is read, its checksums and all, as the whole-picture decode reads it. The rows of an interlaced
// picture come in seven passes over the whole height, each pass giving every few pixels of its
// rows, so their averages are held for the whole target.
std::optional<Bitmap> decodeRows(spng_ctx* ctx, const spng_ihdr& ihdr, PixelSize target) {
  const bool interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
  if (int err = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE)) {
    logLine(fmt::format("PNG data corrupt: {}", spng_strerror(err)));
    return std::nullopt;
  }
  static constexpr std::uint32_t kPassX[] = {0, 4, 0, 2, 0, 1, 0}, kPassStep[] = {8, 8, 4, 4, 2, 2, 1};
  BoxReducer reducer({ihdr.width, ihdr.height}, target, interlaced);
  std::vector<std::uint8_t> row(std::size_t{ihdr.width} * 4);
  for (;;) {
    spng_row_info info{};
    if (int err = spng_get_row_info(ctx, &info); err && err != SPNG_EOI) {
      logLine(fmt::format("PNG data corrupt: {}", spng_strerror(err)));
      return std::nullopt;
    }
    const int err = spng_decode_row(ctx, row.data(), row.size());
    if (err && err != SPNG_EOI) {
      logLine(fmt::format("PNG data corrupt: {}", spng_strerror(err)));
      return std::nullopt;
    }
    const int pass = interlaced ? std::clamp(info.pass, 0, 6) : 6;
    reducer.addPixels(info.row_num, row.data(), kPassX[pass], kPassStep[pass]);
    if (err == SPNG_EOI) break;
  }
  return reducer.finish();
}

}  // namespace

std::optional<Bitmap> decodePNG(std::string_view bytes, ThumbnailRequest* request) {
  Ctx ctx(spng_ctx_new(0));
  if (!ctx) return std::nullopt;
  spng_set_chunk_limits(ctx.get(), kChunkSizeLimit, kChunkCacheLimit);
  spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());

  spng_ihdr ihdr{};
  if (int err = spng_get_ihdr(ctx.get(), &ihdr)) {
    logLine(fmt::format("PNG header unreadable: {}", spng_strerror(err)));
    return std::nullopt;
  }
  // The header's checksum is only checked once the chunks after it are read: do that before
  // trusting its size.
  if (int err = spng_decode_chunks(ctx.get())) {
    logLine(fmt::format("PNG header corrupt: {}", spng_strerror(err)));
    return std::nullopt;
  }
  if (!acceptableSize(ihdr.width, ihdr.height)) return std::nullopt;
  if (!enoughDataFor(ihdr, bytes.size())) {
    logLine(fmt::format("PNG of {}x{} pixels refused: {} bytes cannot hold it", ihdr.width, ihdr.height, bytes.size()));
    return std::nullopt;
  }
  if (request) {
    const PixelSize picture{ihdr.width, ihdr.height};
    const PixelSize target = request->sizeFor(picture, false);
    // Averages for a whole interlaced target take 40 bytes a pixel: worth it only well below the
    // picture's 4.
    const bool interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
    if (target != picture && (!interlaced || target.pixels() * 10 < picture.pixels())) {
      // A decoded row, the library's two scanlines, the averages and the target.
      request->reserve(3 * std::uint64_t{ihdr.width} + (interlaced ? target.pixels() * 10 : target.width * 10) +
                       target.pixels());
      return decodeRows(ctx.get(), ihdr, target);
    }
    request->reserve(picture.pixels());
  }
  auto bitmap = allocateBitmap(ihdr.width, ihdr.height);
  if (!bitmap) return std::nullopt;

  std::size_t size = 0;
  if (spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size) || size != bitmap->rgba.size()) return std::nullopt;
  if (int err = spng_decode_image(ctx.get(), bitmap->rgba.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS)) {
    logLine(fmt::format("PNG data corrupt: {}", spng_strerror(err)));
    return std::nullopt;
  }
  return bitmap;
}

}  // namespace platform::image_detail

namespace platform {

std::optional<std::string> encodePNG(const Bitmap& bitmap) {
  const std::size_t pixels = std::size_t{bitmap.width} * bitmap.height;
  if (pixels == 0 || bitmap.rgba.size() != pixels * 4) return std::nullopt;

  // An opaque picture is written as RGB: a quarter less data to filter and deflate, and a smaller file.
  const bool opaque = image_detail::everyPixelOpaque(bitmap);
  std::vector<std::uint8_t> rgb;
  if (opaque) rgb = image_detail::dropAlpha(bitmap);
  const std::uint8_t* data = opaque ? rgb.data() : bitmap.rgba.data();
  const std::size_t length = opaque ? rgb.size() : bitmap.rgba.size();

  image_detail::Ctx ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) return std::nullopt;
  spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
  // Measured on photo-like pictures (bench/image): deflate level 3 with the Up filter alone is about
  // four times as fast as libpng's defaults (level 6, every filter tried per row) and its file is no
  // larger. Up suits photos and gradients; trying every filter per row costs more than it saves.
  spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, 3);
  spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_UP);

  spng_ihdr ihdr{};
  ihdr.width = bitmap.width;
  ihdr.height = bitmap.height;
  ihdr.bit_depth = 8;
  ihdr.color_type = opaque ? SPNG_COLOR_TYPE_TRUECOLOR : SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
  if (spng_set_ihdr(ctx.get(), &ihdr)) return std::nullopt;
  if (int err = spng_encode_image(ctx.get(), data, length, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE)) {
    logLine(fmt::format("PNG encoding failed: {}", spng_strerror(err)));
    return std::nullopt;
  }
  std::size_t size = 0;
  int err = 0;
  void* png = spng_get_png_buffer(ctx.get(), &size, &err);
  if (!png) return std::nullopt;
  std::string out(static_cast<const char*>(png), size);
  std::free(png);
  return out;
}

}  // namespace platform
