#pragma once
// Decoding of the picture formats a phone meets, and PNG encoding. Pixels are 8-bit RGBA, rows
// top to bottom, no padding.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct Bitmap {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4 bytes
};

// Pictures larger than this many pixels are refused before any pixel memory is allocated.
inline constexpr std::uint64_t kMaxDecodedPixels = 100'000'000;

// JPEG (EXIF orientation applied), PNG, WebP, GIF (first frame), HEIC/HEIF/AVIF (primary image,
// irot/imir applied), TIFF (first page, Orientation applied), BMP. The format is told by the bytes,
// never by a name. Nothing for anything else, for a truncated or corrupt file, for a picture above
// kMaxDecodedPixels, and for a header that claims more pixels than the file could hold.
std::optional<Bitmap> decodeImage(std::string_view bytes);

// The picture decoded at about the size it will be shown: scaled down (aspect kept) to the smallest
// size that still covers `width` × `height` pixels, never up. Nothing where decodeImage gives
// nothing (every byte of the picture's data is read and checked, as a full decode checks it); a
// zero target keeps the size.
//
// Memory is that of the size shown, not of the picture: JPEG and lossy WebP are decoded at a
// smaller scale, PNG, TIFF and GIF row by row (or strip by strip) into running averages. What
// cannot be read in part (HEIF, lossless WebP, BMP, some interlaced pictures) is decoded whole and
// reduced. Every such decode first reserves the pixels it will hold from one budget shared by all
// threads (kThumbnailPixelBudget), so that a grid decoding many files at once holds about that
// much, whatever the files, and a picture larger than the budget is decoded alone.
//
// With `Preview::Allowed`, a HEIF's own thumbnail, when one covers the target, is decoded instead
// of its picture: for showing a file already known to be a picture, not for telling whether it is.
enum class Preview { Refused, Allowed };
std::optional<Bitmap> decodeImageThumbnail(std::string_view bytes, std::uint32_t width, std::uint32_t height,
                                           Preview preview = Preview::Refused);

// Decoded pixels that thumbnail decodes of all threads hold at once at most (about 64 MB of RGBA).
inline constexpr std::uint64_t kThumbnailPixelBudget = 16'000'000;
// What the thumbnail decodes hold now, and the most they held since resetThumbnailPixelPeak.
std::uint64_t thumbnailPixelsInFlight();
std::uint64_t thumbnailPixelPeak();
void resetThumbnailPixelPeak();
// Sets the budget (for tests that watch it with small pictures); returns the one before.
std::uint64_t setThumbnailPixelBudget(std::uint64_t pixels);

// The usual file extension of the picture format the bytes are in ("jpg", "png", "webp", "gif",
// "heic", "heif", "avif", "tiff", "bmp"), lower case; empty when they are in none of them. Only the
// first bytes are looked at: the picture may still be damaged.
std::string_view pictureFileExtension(std::string_view bytes);

// PNG bytes of the bitmap; nothing when it cannot be encoded (an empty bitmap).
std::optional<std::string> encodePNG(const Bitmap& bitmap);

// JPEG bytes of an opaque picture (alpha is dropped), for pictures shown and thrown away: chroma
// halved both ways and the fast DCT. `quality` from 1 to 100. Nothing for an empty picture.
std::optional<std::string> encodeJPEG(const Bitmap& bitmap, int quality);
// The same from pixels laid out by another library: 4 bytes a pixel in the given order, the alpha
// byte ignored, rows `stride` bytes apart (a cairo ARGB32 surface is BGRA on a little-endian
// machine, ARGB on a big-endian one).
enum class PixelOrder { RGBA, BGRA, ARGB };
std::optional<std::string> encodeJPEG(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                                      std::size_t stride, PixelOrder order, int quality);

}  // namespace platform
