#pragma once
// Real picture files made at test time with the formats' own writers (libpng, TurboJPEG, giflib,
// libwebp), hand-built headers that lie about a picture's size, and random damage to files.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image/ImageCodec.h"

namespace testpictures {

struct Rgb {
  std::uint8_t r, g, b;
};

// A PNG written by libpng. `samples` are the raw rows as PNG stores them, packed, without filter
// bytes (16-bit samples big-endian).
struct PngSpec {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  int colorType = 2;  // PNG_COLOR_TYPE_*
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<std::uint8_t> samples = {};
  std::vector<Rgb> palette = {};
  std::vector<std::uint8_t> paletteAlpha = {};  // tRNS for a palette picture
};
std::string writePng(const PngSpec& spec);

// A bitmap whose four quadrants are red, green (top right), blue (bottom left) and white.
platform::Bitmap quadrants(std::uint32_t width, std::uint32_t height);
// Opaque pixels that vary everywhere, so that a misplaced row or column shows.
platform::Bitmap pattern(std::uint32_t width, std::uint32_t height, bool withAlpha);

std::string writeJpeg(const platform::Bitmap& bitmap, int quality, bool progressive = false);
// A YCCK JPEG holding the bitmap as inverted CMYK, the way print software saves one.
std::string writeCmykJpeg(const platform::Bitmap& bitmap);
// The JPEG with an APP1 Exif segment right after SOI carrying `tiff` (the TIFF structure).
std::string withExif(const std::string& jpeg, const std::string& tiff);
// A TIFF structure whose IFD0 holds one Orientation entry.
std::string orientationTiff(int orientation, bool bigEndian);

struct GifFrame {
  int left = 0, top = 0, width = 1, height = 1;
  bool interlaced = false;
  std::vector<Rgb> localColors;  // empty: use the global map
  int transparentIndex = -1;
  std::vector<std::uint8_t> indices;  // row by row, top to bottom
};
std::string writeGif(int screenWidth, int screenHeight, const std::vector<Rgb>& globalColors,
                     const std::vector<GifFrame>& frames);

std::string writeWebp(const platform::Bitmap& bitmap, bool lossless);
// A lossless animation of same-size frames (the encoder crops each to what it needs).
std::string writeAnimatedWebp(const std::vector<platform::Bitmap>& frames);

// Headers that claim a huge picture and carry almost no data.
std::string pngClaiming(std::uint32_t width, std::uint32_t height);
std::string jpegClaiming(std::uint16_t width, std::uint16_t height);
std::string webpClaiming(std::uint32_t width, std::uint32_t height);  // up to 16384 each

// A BMP with a 40-byte information header around the given palette (4-byte BGRA entries) and
// pixel data, exactly as given.
std::string handMadeBmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
                        const std::string& palette, const std::string& data);

// A greyscale 8-bit TIFF in one strip whose directory comes before its data (so that a cut file
// keeps its header), uncompressed or PackBits (`packBits`) over `pixels` (row by row). The header
// gives `width` x `height` whatever `pixels` holds. Uncompressed, it may be cut in strips of
// `rowsPerStrip` rows, of which strip `missingStrip` lies beyond the end of the file.
std::string handMadeGreyTiff(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& pixels,
                             bool packBits, std::uint32_t rowsPerStrip = 0, int missingStrip = -1);

// Damages each file 150 times at random with a fixed seed (one to four bytes overwritten, and
// every third time a stretch cut out) and decodes it: never a crash, a picture, when one comes
// out, is whole, and a decode for a tile refuses exactly what the full one refuses. What fails
// is reported to the running test.
void expectRandomDamageNeverBreaksDecoding(const std::vector<std::string>& files, unsigned seed);

}  // namespace testpictures
