#include "tests/platform/image/TestPictures.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <turbojpeg.h>
#include <webp/encode.h>
#include <webp/mux.h>
#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testpictures {
namespace {

void appendPng(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

int appendGif(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
  return length;
}

void putU32(std::string& s, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(char(v >> shift));
}

ColorMapObject* colorMap(const std::vector<Rgb>& colors) {
  if (colors.empty()) return nullptr;
  int count = 2;
  while (count < int(colors.size())) count *= 2;
  std::vector<GifColorType> entries(count, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < colors.size(); ++i) entries[i] = {colors[i].r, colors[i].g, colors[i].b};
  return GifMakeMapObject(count, entries.data());
}

}  // namespace

std::string writePng(const PngSpec& spec) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test picture");
  }
  png_set_write_fn(png, &out, appendPng, nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) {
    std::vector<png_color> palette;
    for (const Rgb& c : spec.palette) palette.push_back({c.r, c.g, c.b});
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
  }
  if (!spec.paletteAlpha.empty()) {
    png_set_tRNS(png, info, const_cast<png_bytep>(spec.paletteAlpha.data()), int(spec.paletteAlpha.size()), nullptr);
  }
  png_write_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows(spec.height);
  for (std::uint32_t y = 0; y < spec.height; ++y)
    rows[y] = const_cast<png_bytep>(spec.samples.data() + y * rowBytes);
  png_write_image(png, rows.data());  // does the Adam7 passes itself when interlaced
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

platform::Bitmap quadrants(std::uint32_t width, std::uint32_t height) {
  platform::Bitmap b{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      Rgb c = !bottom ? (right ? Rgb{0, 255, 0} : Rgb{255, 0, 0}) : (right ? Rgb{255, 255, 255} : Rgb{0, 0, 255});
      std::uint8_t* p = &b.rgba[(std::size_t{y} * width + x) * 4];
      p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = 255;
    }
  return b;
}

platform::Bitmap pattern(std::uint32_t width, std::uint32_t height, bool withAlpha) {
  platform::Bitmap b{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* p = &b.rgba[(std::size_t{y} * width + x) * 4];
      p[0] = std::uint8_t(x * 7 + y);
      p[1] = std::uint8_t(y * 13 + x * x);
      p[2] = std::uint8_t((x ^ y) * 5);
      p[3] = withAlpha ? std::uint8_t(x * 3 + y * 11) : 255;
    }
  return b;
}

namespace {

std::string compressJpeg(const std::uint8_t* pixels, const platform::Bitmap& bitmap, TJPF format, int quality,
                         int flags) {
  tjhandle tj = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  // 4:4:4 keeps the quadrant colours clean right up to their edges.
  if (tjCompress2(tj, pixels, bitmap.width, bitmap.width * 4, bitmap.height, format, &jpeg, &size, TJSAMP_444,
                  quality, flags) != 0) {
    tjDestroy(tj);
    throw std::runtime_error("TurboJPEG could not write the test picture");
  }
  std::string out(reinterpret_cast<const char*>(jpeg), size);
  tjFree(jpeg);
  tjDestroy(tj);
  return out;
}

}  // namespace

std::string writeJpeg(const platform::Bitmap& bitmap, int quality, bool progressive) {
  return compressJpeg(bitmap.rgba.data(), bitmap, TJPF_RGBA, quality, progressive ? TJFLAG_PROGRESSIVE : 0);
}

std::string writeCmykJpeg(const platform::Bitmap& bitmap) {
  // Inverted CMYK of an RGB colour: C' = R, M' = G, Y' = B, K' = 255 (no black).
  std::vector<std::uint8_t> cmyk = bitmap.rgba;
  for (std::size_t i = 3; i < cmyk.size(); i += 4) cmyk[i] = 255;
  return compressJpeg(cmyk.data(), bitmap, TJPF_CMYK, 95, 0);
}

std::string withExif(const std::string& jpeg, const std::string& tiff) {
  std::string payload = std::string("Exif\0\0", 6) + tiff;
  std::string segment = "\xFF\xE1";
  segment.push_back(char((payload.size() + 2) >> 8));
  segment.push_back(char((payload.size() + 2) & 0xFF));
  return jpeg.substr(0, 2) + segment + payload + jpeg.substr(2);
}

std::string orientationTiff(int orientation, bool bigEndian) {
  std::string t;
  auto u16 = [&](std::uint16_t v) {
    if (bigEndian) t += {char(v >> 8), char(v & 0xFF)};
    else t += {char(v & 0xFF), char(v >> 8)};
  };
  auto u32 = [&](std::uint32_t v) {
    if (bigEndian) u16(v >> 16), u16(v & 0xFFFF);
    else u16(v & 0xFFFF), u16(v >> 16);
  };
  t += bigEndian ? "MM" : "II";
  u16(42);
  u32(8);  // IFD0 right after the header
  u16(2);  // two entries: ImageWidth first, so the Orientation is not the first one found
  u16(0x0100), u16(4), u32(1), u32(640);
  u16(0x0112), u16(3), u32(1), u16(std::uint16_t(orientation)), u16(0);
  u32(0);  // no next IFD
  return t;
}

std::string writeGif(int screenWidth, int screenHeight, const std::vector<Rgb>& globalColors,
                     const std::vector<GifFrame>& frames) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendGif, &error);
  if (!gif) throw std::runtime_error("giflib could not start the test picture");
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = colorMap(globalColors);
  EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, global);
  for (const GifFrame& f : frames) {
    if (f.transparentIndex >= 0) {
      GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 10, f.transparentIndex};
      GifByteType extension[4];
      const std::size_t length = EGifGCBToExtension(&gcb, extension);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension);
    }
    ColorMapObject* local = colorMap(f.localColors);
    EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local);
    std::vector<int> order;
    if (f.interlaced) {
      for (int y = 0; y < f.height; y += 8) order.push_back(y);
      for (int y = 4; y < f.height; y += 8) order.push_back(y);
      for (int y = 2; y < f.height; y += 4) order.push_back(y);
      for (int y = 1; y < f.height; y += 2) order.push_back(y);
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order)
      EGifPutLine(gif, const_cast<GifPixelType*>(f.indices.data() + std::size_t(y) * f.width), f.width);
    GifFreeMapObject(local);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(global);
  return out;
}

std::string writeWebp(const platform::Bitmap& bitmap, bool lossless) {
  std::uint8_t* data = nullptr;
  const int stride = int(bitmap.width * 4);
  const std::size_t size = lossless
                               ? WebPEncodeLosslessRGBA(bitmap.rgba.data(), bitmap.width, bitmap.height, stride, &data)
                               : WebPEncodeRGBA(bitmap.rgba.data(), bitmap.width, bitmap.height, stride, 90, &data);
  std::string out(reinterpret_cast<const char*>(data), size);
  WebPFree(data);
  return out;
}

std::string writeAnimatedWebp(const std::vector<platform::Bitmap>& frames) {
  WebPAnimEncoderOptions options;
  WebPAnimEncoderOptionsInit(&options);
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(frames[0].width, frames[0].height, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  config.exact = 1;
  int timestamp = 0;
  for (const platform::Bitmap& frame : frames) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.use_argb = 1;
    picture.width = int(frame.width);
    picture.height = int(frame.height);
    WebPPictureImportRGBA(&picture, frame.rgba.data(), int(frame.width * 4));
    WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
    WebPPictureFree(&picture);
    timestamp += 100;
  }
  WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
  WebPData data;
  WebPDataInit(&data);
  WebPAnimEncoderAssemble(encoder, &data);
  std::string out(reinterpret_cast<const char*>(data.bytes), data.size);
  WebPDataClear(&data);
  WebPAnimEncoderDelete(encoder);
  return out;
}

std::string pngClaiming(std::uint32_t width, std::uint32_t height) {
  std::string ihdr = "IHDR";
  putU32(ihdr, width);
  putU32(ihdr, height);
  ihdr += {8, 6, 0, 0, 0};  // 8-bit RGBA, not interlaced
  std::string png = "\x89PNG\r\n\x1A\n";
  putU32(png, 13);
  png += ihdr;
  putU32(png, crc32(0, reinterpret_cast<const Bytef*>(ihdr.data()), ihdr.size()));
  // A few bytes of IDAT: enough to start decoding, far too few for such a picture.
  std::string idat = "IDAT\x78\x9C\x63\x00\x00";
  putU32(png, idat.size() - 4);
  png += idat;
  putU32(png, crc32(0, reinterpret_cast<const Bytef*>(idat.data()), idat.size()));
  return png;
}

std::string jpegClaiming(std::uint16_t width, std::uint16_t height) {
  std::string jpeg = writeJpeg(quadrants(16, 16), 80);
  // SOFn: FF C0..C3; length (2), precision (1), height (2), width (2).
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (std::uint8_t(jpeg[i]) == 0xFF && (std::uint8_t(jpeg[i + 1]) & 0xFC) == 0xC0) {
      jpeg[i + 5] = char(height >> 8), jpeg[i + 6] = char(height & 0xFF);
      jpeg[i + 7] = char(width >> 8), jpeg[i + 8] = char(width & 0xFF);
      return jpeg;
    }
  }
  throw std::runtime_error("no SOF marker in the test JPEG");
}

std::string webpClaiming(std::uint32_t width, std::uint32_t height) {
  // A lossless bitstream header: signature 0x2F, then 14 bits width-1 and 14 bits height-1.
  const std::uint32_t bits = (width - 1) | (height - 1) << 14;
  std::string vp8l = {'\x2F', char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24), 0, 0, 0};
  std::string chunk = "VP8L";
  for (std::uint32_t v = vp8l.size(), i = 0; i < 4; ++i) chunk.push_back(char(v >> (8 * i)));
  chunk += vp8l;
  std::string riff = "RIFF";
  for (std::uint32_t v = chunk.size() + 4, i = 0; i < 4; ++i) riff.push_back(char(v >> (8 * i)));
  return riff + "WEBP" + chunk;
}

namespace {

std::string le16(std::uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

}  // namespace

std::string handMadeBmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression,
                        const std::string& palette, const std::string& data) {
  const std::uint32_t offset = 14 + 40 + palette.size();
  return "BM" + le32(offset + data.size()) + le32(0) + le32(offset) + le32(40) + le32(width) + le32(height) +
         le16(1) + le16(bits) + le32(compression) + le32(data.size()) + le32(2835) + le32(2835) +
         le32(palette.size() / 4) + le32(0) + palette + data;
}

std::string handMadeGreyTiff(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& pixels,
                             bool packBits, std::uint32_t rowsPerStrip, int missingStrip) {
  std::string data;
  if (!packBits) {
    data.assign(pixels.begin(), pixels.end());
  } else {
    // Each row as literal runs of at most 128 bytes: a count byte (n - 1), then the n bytes.
    for (std::size_t row = 0; width && row * width < pixels.size(); ++row)
      for (std::size_t x = 0; x < width && row * width + x < pixels.size(); x += 128) {
        const std::size_t n = std::min<std::size_t>({128, width - x, pixels.size() - row * width - x});
        data.push_back(char(n - 1));
        data.append(reinterpret_cast<const char*>(&pixels[row * width + x]), n);
      }
  }
  // Uncompressed strips of rowsPerStrip rows; their offsets and byte counts are arrays after the
  // directory.
  const std::uint32_t rows = rowsPerStrip && !packBits ? std::min(rowsPerStrip, height) : height;
  const std::uint32_t strips = rows ? (height + rows - 1) / rows : 1;
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t value;
  };
  const Entry entries[] = {{256, 4, width}, {257, 4, height}, {258, 3, 8}, {259, 3, packBits ? 32773u : 1u},
                           {262, 3, 1},     {273, 4, 0},      {277, 3, 1}, {278, 4, rows},
                           {279, 4, std::uint32_t(data.size())}};
  const std::uint32_t arrays = 8 + 2 + std::size(entries) * 12 + 4;
  const std::uint32_t dataOffset = arrays + (strips > 1 ? strips * 8 : 0);
  std::string tiff = std::string("II*\0", 4) + le32(8) + le16(std::size(entries));
  for (const Entry& e : entries) {
    tiff += le16(e.tag) + le16(e.type);
    if (strips > 1 && (e.tag == 273 || e.tag == 279)) {
      tiff += le32(strips) + le32(e.tag == 273 ? arrays : arrays + strips * 4);
      continue;
    }
    tiff += le32(1) + (e.type == 3 ? le16(e.value) + le16(0) : le32(e.tag == 273 ? dataOffset : e.value));
  }
  tiff += le32(0);
  if (strips > 1) {
    const std::size_t stripBytes = std::size_t(rows) * width;
    for (std::uint32_t i = 0; i < strips; ++i)
      tiff += le32(int(i) == missingStrip ? 0x7FFFFF00u : dataOffset + std::uint32_t(i * stripBytes));
    for (std::uint32_t i = 0; i < strips; ++i)
      tiff += le32(std::uint32_t(std::min(stripBytes, data.size() - std::min(data.size(), i * stripBytes))));
  }
  return tiff + data;
}

void expectRandomDamageNeverBreaksDecoding(const std::vector<std::string>& files, unsigned seed) {
  std::mt19937 random(seed);
  for (const std::string& file : files) {
    for (int round = 0; round < 150; ++round) {
      std::string damaged = file;
      const int edits = 1 + int(random() % 4);
      for (int e = 0; e < edits; ++e) damaged[random() % damaged.size()] = char(random());
      if (round % 3 == 0) {
        const std::size_t at = random() % damaged.size();
        damaged.erase(at, random() % (damaged.size() - at + 1));
      }
      auto bitmap = platform::decodeImage(damaged);
      if (bitmap) {
        EXPECT_GT(bitmap->width, 0u);
        EXPECT_EQ(bitmap->rgba.size(), std::size_t{bitmap->width} * bitmap->height * 4);
      }
      // Decoding for a small tile reads the data by other paths, and refuses what they refuse.
      EXPECT_EQ(platform::decodeImageThumbnail(damaged, 2, 2).has_value(), bitmap.has_value())
          << "round " << round << " of a file of " << file.size() << " bytes";
    }
  }
}

}  // namespace testpictures
