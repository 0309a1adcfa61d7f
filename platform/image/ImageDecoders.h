#pragma once
// Internal to tvimage: one decoder per format behind decodeImage, and the shared guard that every
// decoder passes before it allocates pixel memory.
#include <cstdint>
#include <optional>
#include <string_view>

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

// With a target, the JPEG is decoded at the smallest of TurboJPEG's scales that still covers
// minWidth × minHeight once turned upright (the whole picture when none is smaller).
std::optional<Bitmap> decodeJPEG(std::string_view bytes, std::uint32_t minWidth = 0, std::uint32_t minHeight = 0);
std::optional<Bitmap> decodePNG(std::string_view bytes);
std::optional<Bitmap> decodeWebP(std::string_view bytes);
std::optional<Bitmap> decodeGIF(std::string_view bytes);
std::optional<Bitmap> decodeHEIF(std::string_view bytes);  // HEIC, HEIF and AVIF
std::optional<Bitmap> decodeTIFF(std::string_view bytes);
std::optional<Bitmap> decodeBMP(std::string_view bytes);

// The EXIF Orientation (1-8) of a JPEG's APP1 segment; 1 when absent, unreadable or out of range.
int exifOrientation(std::string_view jpeg);
// The stored pixels turned upright as the orientation says; 5 to 8 swap width and height.
Bitmap applyOrientation(Bitmap stored, int orientation);

}  // namespace platform::image_detail
