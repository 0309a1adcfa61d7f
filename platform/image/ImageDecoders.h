#pragma once
// Internal to tvimage: one decoder per format behind decodeImage, and the shared guard that every
// decoder passes before it allocates pixel memory.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/image/ImageCodec.h"

namespace platform::image_detail {

// A bitmap of the given size with zeroed (transparent black) pixels, or nothing when the size is
// empty or above kMaxDecodedPixels. The size is checked before anything is allocated.
std::optional<Bitmap> allocateBitmap(std::uint32_t width, std::uint32_t height);
bool acceptableSize(std::uint64_t width, std::uint64_t height);
// Whether a file of `fileSize` bytes can hold a picture of this size when its format packs at most
// `maxPixelsPerByte` pixels into a byte; logs the refusal (naming `format`) when it cannot.
bool fileCanHold(const char* format, std::uint64_t width, std::uint64_t height, std::uint64_t fileSize,
                 std::uint64_t maxPixelsPerByte);

// Turns premultiplied colour, as some files store it, into the bitmap's straight colour.
void unpremultiply(Bitmap& bitmap);
void unpremultiplyPixels(std::uint8_t* rgba, std::size_t pixels);

struct PixelSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint64_t pixels() const { return std::uint64_t{width} * height; }
  bool operator==(const PixelSize&) const = default;
};

// The smallest size, aspect kept, that still covers the target; the picture's own size
// when that is no larger (pictures are never scaled up) or when there is no target.
PixelSize coverSize(PixelSize picture, PixelSize target);

// Decoded pixels held at once by the thumbnail decodes of every thread. A decode reserves what it
// will hold before it allocates it and waits while the others hold too much; one that needs more
// than the whole budget waits until it is alone. See ImageCodec.h for what it is for.
class PixelBudget {
 public:
  explicit PixelBudget(std::uint64_t capacity) : capacity_(capacity) {}
  class Hold {
   public:
    Hold() = default;
    Hold(Hold&& other) noexcept : budget_(other.budget_), pixels_(other.pixels_) { other.budget_ = nullptr; }
    Hold& operator=(Hold&& other) noexcept;
    ~Hold() { release(); }
    void release();

   private:
    friend class PixelBudget;
    Hold(PixelBudget* budget, std::uint64_t pixels) : budget_(budget), pixels_(pixels) {}
    PixelBudget* budget_ = nullptr;
    std::uint64_t pixels_ = 0;
  };
  Hold reserve(std::uint64_t pixels);
  std::uint64_t setCapacity(std::uint64_t capacity);
  std::uint64_t inFlight() const;
  std::uint64_t peak() const;
  void resetPeak();

 private:
  void give(std::uint64_t pixels);
  mutable std::mutex mutex_;
  std::condition_variable freed_;
  std::uint64_t capacity_;
  std::uint64_t inFlight_ = 0;
  std::uint64_t peak_ = 0;
};
PixelBudget& thumbnailPixelBudget();

// What a thumbnail decode asks for: the upright size to cover, whether a preview the file carries
// may stand in for its picture, and the pixels the decode holds from the budget until it ends.
class ThumbnailRequest {
 public:
  ThumbnailRequest(PixelSize target, bool previewAllowed) : target_(target), previewAllowed_(previewAllowed) {}
  PixelSize target() const { return target_; }
  bool previewAllowed() const { return previewAllowed_; }
  // The size a picture stored at `stored` is reduced to; `swapped` when it is shown turned a
  // quarter, so that its sides trade places.
  PixelSize sizeFor(PixelSize stored, bool swapped) const;
  // Waits for the pixels, then holds them (on top of what this request holds) till it ends. What
  // it holds already is given back while it waits, so that two decodes each waiting for more
  // cannot hold each other up.
  void reserve(std::uint64_t pixels);

 private:
  PixelSize target_;
  bool previewAllowed_;
  std::uint64_t held_ = 0;
  PixelBudget::Hold hold_;
};

// Averages a picture's rows down to a smaller size as they are decoded, so that the picture is
// never held whole: each target pixel is the mean of the source pixels its box covers, weighted by
// their alpha (transparent pixels lend no colour to the edge of a shape). Rows come top to bottom
// unless `anyOrder`, which holds sums for the whole target (40 bytes a pixel) instead of one row.
class BoxReducer {
 public:
  BoxReducer(PixelSize source, PixelSize target, bool anyOrder = false);
  // Row y of the source, width × 4 bytes.
  void addRow(std::uint32_t y, const std::uint8_t* rgba) { addPixels(y, rgba, 0, 1); }
  // The pixels at x0, x0 + step, ... of row y (an interlaced pass), read from their places in a
  // full-width row.
  void addPixels(std::uint32_t y, const std::uint8_t* rgba, std::uint32_t x0, std::uint32_t step);
  // The target; rows never given stay transparent.
  Bitmap finish();

 private:
  struct Sum {
    std::uint64_t r = 0, g = 0, b = 0, a = 0, n = 0;
  };
  std::uint32_t targetRow(std::uint32_t sourceRow) const;
  void emit(std::uint32_t row, const Sum* sums);
  PixelSize source_, target_;
  bool anyOrder_;
  std::int64_t current_ = -1;  // the target row being summed, in row order
  std::vector<Sum> sums_;
  Bitmap out_;
};

// The bitmap reduced to `size` (no larger than it).
Bitmap reduce(const Bitmap& src, PixelSize size);

// The decoders below give the whole picture without a request. With one, each gives a picture
// at least of the size the request covers (decoding at that size where it can) and at most that
// of the whole picture, having reserved the pixels it holds; each refuses exactly what it refuses
// without a request, having read and checked all of the picture's data.
std::optional<Bitmap> decodeJPEG(std::string_view bytes, ThumbnailRequest* request = nullptr);
std::optional<Bitmap> decodePNG(std::string_view bytes, ThumbnailRequest* request = nullptr);
std::optional<Bitmap> decodeWebP(std::string_view bytes, ThumbnailRequest* request = nullptr);
std::optional<Bitmap> decodeGIF(std::string_view bytes, ThumbnailRequest* request = nullptr);
// HEIC, HEIF and AVIF. A request that allows previews takes the smallest of the file's thumbnails
// that covers it, and reads nothing of the primary picture's data.
std::optional<Bitmap> decodeHEIF(std::string_view bytes, ThumbnailRequest* request = nullptr);
std::optional<Bitmap> decodeTIFF(std::string_view bytes, ThumbnailRequest* request = nullptr);
std::optional<Bitmap> decodeBMP(std::string_view bytes, ThumbnailRequest* request = nullptr);
// The format's decoder, told by the first bytes; nothing (logged) for an unknown format.
std::optional<Bitmap> decodeAnyFormat(std::string_view bytes, ThumbnailRequest* request);

// The EXIF Orientation (1-8) of a JPEG's APP1 segment; 1 when absent, unreadable or out of range.
int exifOrientation(std::string_view jpeg);
// The stored pixels turned upright as the orientation says; 5 to 8 swap width and height.
Bitmap applyOrientation(Bitmap stored, int orientation);

}  // namespace platform::image_detail
