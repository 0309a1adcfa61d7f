#pragma once
// Picture files made at test time by programs that share no code with the decoders under test:
// heif-enc (x265 and aom inside), ImageMagick's convert, libtiff's tiffcp and tiffset. The source
// is always a PNG written by libpng from a known bitmap, so the expected pixels are known. A
// missing tool fails the test with the package to install (scripts/bootstrap installs them all).
#include <string>
#include <vector>

#include "platform/image/ImageCodec.h"

namespace toolpictures {

// heif-enc's output for the bitmap (its alpha kept when any pixel is not opaque). `arguments` are
// heif-enc's own ("-A" for AVIF, "-q 90", ...).
std::string heifEnc(const platform::Bitmap& bitmap, const std::vector<std::string>& arguments);
// The same from a 16-bit RGB PNG, which heif-enc turns into a 10-bit file.
std::string heifEnc16(std::uint32_t width, std::uint32_t height, const std::vector<std::uint16_t>& rgb,
                      const std::vector<std::string>& arguments);

// convert's output for the bitmap: `convert in.png ARGUMENTS FORMAT:out`.
std::string convert(const platform::Bitmap& bitmap, const std::vector<std::string>& arguments,
                    const std::string& format);
// convert over several bitmaps at once (pages of a TIFF).
std::string convertPages(const std::vector<platform::Bitmap>& pages, const std::vector<std::string>& arguments,
                         const std::string& format);

// tiffcp ARGUMENTS over a TIFF file (tiles, compression).
std::string tiffcp(const std::string& tiff, const std::vector<std::string>& arguments);
// tiffset -s TAG VALUE over a TIFF file.
std::string tiffset(const std::string& tiff, int tag, int value);

// A HEIF file with one transform property written over its pixi property (same size, the rest a
// free box), so the primary image, which pixi is tied to, takes the transform. `box` is "irot"
// (value: quarter turns anticlockwise) or "imir" (value: axis).
std::string withHeifTransform(std::string heif, const std::string& box, int value);
// A HEIF file whose ispe boxes claim this size for every image in it.
std::string withHeifSize(std::string heif, std::uint32_t width, std::uint32_t height);

// A BMP from convert turned top-down: rows reversed and the height negated, as writers that keep
// rows in reading order store it.
std::string topDownBmp(const std::string& bottomUpBmp);

}  // namespace toolpictures
