// HEIC, HEIF and AVIF through libheif: the primary image, turned and mirrored as its irot and imir
// properties say (libheif applies them), with its alpha plane when it has one.
#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/foundation/NSLog.h"
#include "platform/image/HeifItems.h"
#include "platform/image/ImageDecoders.h"

namespace platform::image_detail {
namespace {

struct ContextDeleter {
  void operator()(heif_context* ctx) const { heif_context_free(ctx); }
};
struct HandleDeleter {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsDeleter {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

// HEVC and AV1 code a flat area in a fraction of a bit per block (a flat 6-megapixel AVIF takes
// under 400 bytes), so this bound is loose: it refuses a near-empty file that claims a huge picture.
constexpr std::uint64_t kMaxHeifPixelsPerByte = 65536;

// A side longer than this is refused while the file is parsed, before any of libheif's own tables
// for the picture (a grid's tiles, say) are built.
constexpr int kMaxSide = 1 << 17;

// What a coded frame may exceed the picture's sides by: codecs code whole blocks (HEVC up to 64
// pixels) and crop the rest away.
constexpr int kCodingSlack = 64;

// libheif ends some messages with a line break; the log line supplies its own.
std::string_view text(const heif_error& err) {
  std::string_view message = err.message ? err.message : "";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.remove_suffix(1);
  return message;
}

// The picture of a handle (the primary image or a thumbnail) of `width` × `height`, whole or, with
// a request, reduced to cover it straight from libheif's own picture, without a copy of it.
std::optional<Bitmap> decodeHandle(heif_image_handle* handle, int width, int height, ThumbnailRequest* request) {
  const PixelSize picture{std::uint32_t(width), std::uint32_t(height)};
  const PixelSize target = request ? request->sizeFor(picture, false) : picture;
  // An opaque picture decoded for a thumbnail comes as RGB, a quarter less of libheif's memory.
  const bool alpha = heif_image_handle_has_alpha_channel(handle);
  const bool rgb = request && !alpha;
  // While it decodes, libheif holds the codec's frames, the planes it copies them to and the
  // converted picture: about three times an RGBA picture (a 12-megapixel HEIC takes some 150 MB).
  if (request) request->reserve(picture.pixels() * (rgb ? 11 : 12) / 4 + target.pixels());
  std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
  options->ignore_transformations = 0;
  options->convert_hdr_to_8bit = 1;  // a 10-bit camera picture comes out as 8-bit like every other
  heif_image* rawImage = nullptr;
  heif_error err = heif_decode_image(handle, &rawImage, heif_colorspace_RGB,
                                     rgb ? heif_chroma_interleaved_RGB : heif_chroma_interleaved_RGBA, options.get());
  std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
  if (err.code != heif_error_Ok || !image) {
    logLine(fmt::format("HEIF data corrupt: {}", text(err)));
    return std::nullopt;
  }
  int stride = 0;
  const std::uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  if (!pixels || heif_image_get_width(image.get(), heif_channel_interleaved) != width ||
      heif_image_get_height(image.get(), heif_channel_interleaved) != height) {
    logLine("HEIF data corrupt: the decoded picture is not the size its header gives");
    return std::nullopt;
  }
  const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle);
  const std::size_t rowBytes = std::size_t(width) * 4;
  std::vector<std::uint8_t> scratch(rgb || premultiplied ? rowBytes : 0);
  // Row y as straight RGBA.
  const auto row = [&](int y) -> const std::uint8_t* {
    const std::uint8_t* in = pixels + std::size_t(y) * stride;
    if (rgb) {
      for (int x = 0; x < width; ++x) {
        std::memcpy(&scratch[std::size_t(x) * 4], in + std::size_t(x) * 3, 3);
        scratch[std::size_t(x) * 4 + 3] = 0xFF;
      }
      return scratch.data();
    }
    if (!premultiplied) return in;
    std::memcpy(scratch.data(), in, rowBytes);
    unpremultiplyPixels(scratch.data(), std::size_t(width));
    return scratch.data();
  };
  if (target != picture) {
    BoxReducer reducer(picture, target);
    for (int y = 0; y < height; ++y) reducer.addRow(std::uint32_t(y), row(y));
    return reducer.finish();
  }
  auto bitmap = allocateBitmap(width, height);
  if (!bitmap) return std::nullopt;
  for (int y = 0; y < height; ++y) std::memcpy(bitmap->rgba.data() + y * rowBytes, row(y), rowBytes);
  return bitmap;
}

struct Thumbnail {
  std::unique_ptr<heif_image_handle, HandleDeleter> handle;
  heif_item_id id = 0;
  int width = 0, height = 0;
};

// The smallest of the primary image's thumbnails that covers `cover`; none when none does.
Thumbnail coveringThumbnail(heif_image_handle* primary, PixelSize cover) {
  Thumbnail best;
  const int count = heif_image_handle_get_number_of_thumbnails(primary);
  if (count <= 0) return best;
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  const int listed = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
  for (int i = 0; i < listed; ++i) {
    heif_image_handle* raw = nullptr;
    if (heif_image_handle_get_thumbnail(primary, ids[std::size_t(i)], &raw).code != heif_error_Ok || !raw) continue;
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(raw);
    const int w = heif_image_handle_get_width(raw), h = heif_image_handle_get_height(raw);
    if (w <= 0 || h <= 0 || std::uint32_t(w) < cover.width || std::uint32_t(h) < cover.height) continue;
    if (best.handle && std::int64_t(w) * h >= std::int64_t(best.width) * best.height) continue;
    best = Thumbnail{std::move(handle), ids[std::size_t(i)], w, h};
  }
  return best;
}

}  // namespace

std::optional<Bitmap> decodeHEIF(std::string_view bytes, ThumbnailRequest* request) {
  std::unique_ptr<heif_context, ContextDeleter> ctx(heif_context_alloc());
  if (!ctx) return std::nullopt;
  heif_context_set_maximum_image_size_limit(ctx.get(), kMaxSide);
  heif_error err = heif_context_read_from_memory_without_copy(ctx.get(), bytes.data(), bytes.size(), nullptr);
  if (err.code != heif_error_Ok) {
    logLine(fmt::format("HEIF header unreadable: {}", text(err)));
    return std::nullopt;
  }
  heif_image_handle* rawHandle = nullptr;
  err = heif_context_get_primary_image_handle(ctx.get(), &rawHandle);
  std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
  if (err.code != heif_error_Ok || !handle) {
    logLine(fmt::format("HEIF file has no primary image: {}", text(err)));
    return std::nullopt;
  }
  // The size after rotation, which is the size of the picture shown.
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  // Every size the file states passes these before libheif allocates a picture of it.
  const auto fits = [&](std::uint64_t w, std::uint64_t h) {
    return acceptableSize(w, h) && fileCanHold("HEIF", w, h, bytes.size(), kMaxHeifPixelsPerByte);
  };
  if (width <= 0 || height <= 0 || !fits(width, height)) return std::nullopt;
  // A grid or an overlay states its size once more in its own data, and libheif builds a picture
  // of that size first: it must pass the same checks, since only the sides are held to the limit.
  heif_item_id primary = 0;
  if (heif_context_get_primary_image_ID(ctx.get(), &primary).code == heif_error_Ok) {
    const auto derived = derivedPictureSize(bytes, primary);
    if (derived && !fits(derived->width, derived->height)) return std::nullopt;
  }
  // The coded stream states a size of its own, which libheif checks against this limit before the
  // codec allocates a frame: held to the picture's own sides (and a coding block of slack), a
  // 5 x 3 picture whose stream claims 65029 x 8195 is refused at once instead of taking gigabytes.
  heif_context_set_maximum_image_size_limit(ctx.get(), std::max(width, height) + kCodingSlack);

  if (request && request->previewAllowed()) {
    Thumbnail thumbnail = coveringThumbnail(handle.get(), request->sizeFor({std::uint32_t(width), std::uint32_t(height)}, false));
    const auto derived = thumbnail.handle ? derivedPictureSize(bytes, thumbnail.id)
                                          : std::nullopt;
    if (thumbnail.handle && fits(thumbnail.width, thumbnail.height) &&
        (!derived || fits(derived->width, derived->height))) {
      auto preview = decodeHandle(thumbnail.handle.get(), thumbnail.width, thumbnail.height, request);
      if (preview) return preview;
    }
  }
  return decodeHandle(handle.get(), width, height, request);
}

}  // namespace platform::image_detail
