#pragma once
// Raw bitmap files (".cpbitmap"), the form a phone keeps its wallpapers in: the pixels as they lie
// in memory followed by a short trailer, so that setting a wallpaper costs one write and drawing
// one costs one read, with no encoding or decoding in between.
//
//   pixels   `height` rows of `rowBytes` bytes, top to bottom. A row holds `width` pixels of 8-bit
//            R, G, B, A in that order, alpha not premultiplied (the platform's own Bitmap layout,
//            so a picture goes to disk without being converted), then zero bytes up to rowBytes,
//            which a writer rounds up to a multiple of 16 as a phone aligns its rows.
//   trailer  kCPBitmapTrailerBytes bytes of little-endian 32-bit words: width, height, rowBytes,
//            pixel format (kCPBitmapFormatRGBA8), and the magic kCPBitmapMagic ("CPBM").
//
// A reader believes nothing it has not checked: the magic, the format, a row wide enough for its
// pixels, the pixel limit of every decoder (kMaxDecodedPixels), and a file size that is exactly
// rows plus trailer. A file failing any of them is refused with a log line saying why.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/FileManager.h"
#include "platform/image/ImageCodec.h"

namespace platform {

inline constexpr std::size_t kCPBitmapTrailerBytes = 20;
inline constexpr std::uint32_t kCPBitmapFormatRGBA8 = 1;
inline constexpr std::uint32_t kCPBitmapMagic = 0x4d425043;  // "CPBM" as little-endian bytes

// The row length a writer uses for a picture `width` pixels wide.
std::uint32_t cpBitmapRowBytes(std::uint32_t width);

// True when the bytes end in a raw bitmap trailer (its magic); says nothing of whether the rest
// agrees with it, which decodeCPBitmap checks.
bool hasCPBitmapTrailer(std::string_view bytes);

// The picture in a raw bitmap file's bytes, padding dropped. Nothing, with a log line naming
// `name` (the file's path, for the reader of the log) and the reason, for anything that is not a
// whole, consistent raw bitmap.
std::optional<Bitmap> decodeCPBitmap(std::string_view bytes, std::string_view name);

// A raw bitmap file written once (an UnnamedFile) and then given one or more names, each of which
// takes its place atomically: a process killed at any moment leaves every name either with its
// old file or with the whole new one, never a part. Names in the file system the file was written
// in are links to the one file (it is never changed in place, only replaced, so a link is as good
// as a copy and costs no second write); a name elsewhere gets the pixels written again. The bitmap
// must outlive this object. Move-only: it owns the file until it is destroyed.
class CPBitmapFile {
 public:
  // Writes the pixels straight from the bitmap (row by row, no copy) and the trailer into a file
  // in `folder` (a device path) that has no name yet. Nothing, logged, for an empty bitmap or
  // one above the pixel limit, or when the folder cannot take the file (missing, full disk).
  static std::optional<CPBitmapFile> write(const Bitmap& bitmap, const std::string& folder);

  // Gives the file the name `path` (a device path), replacing what was there. False, logged, when
  // it cannot; the old file under that name is then left as it was.
  bool publish(const std::string& path);

 private:
  CPBitmapFile(const Bitmap& bitmap, UnnamedFile file);

  const Bitmap* bitmap_;
  UnnamedFile file_;
};

// Writes the bitmap as one raw bitmap file at `path`, atomically; false (logged) when it cannot.
bool writeCPBitmapFile(const Bitmap& bitmap, const std::string& path);

}  // namespace platform
