#include "tests/platform/image/ToolPictures.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/platform/image/TestPictures.h"

namespace toolpictures {
namespace {

// One folder for the whole run, removed when the program ends; each file gets a fresh name in it.
struct WorkFolder {
  std::string path;
  WorkFolder() {
    char name[] = "/tmp/tvimage-tools-XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("cannot make a folder for the tools' files");
    path = name;
  }
  ~WorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

const std::string& workFolder() {
  static const WorkFolder folder;
  return folder.path;
}

std::string freshPath(const std::string& extension) {
  static int counter = 0;
  return workFolder() + "/f" + std::to_string(++counter) + "." + extension;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Runs the tool; its failure (or absence) is an exception carrying what it printed.
void run(const std::string& tool, const std::string& package, const std::vector<std::string>& arguments) {
  std::string command = tool;
  for (const std::string& a : arguments) command += " '" + a + "'";
  const std::string errors = freshPath("err");
  const int status = std::system((command + " >/dev/null 2>" + errors).c_str());
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(tool + " failed (it comes with the Debian package " + package +
                             "): " + readAll(errors) + " [" + command + "]");
  }
}

bool opaque(const platform::Bitmap& bitmap) {
  for (std::size_t i = 3; i < bitmap.rgba.size(); i += 4)
    if (bitmap.rgba[i] != 255) return false;
  return true;
}

std::string pngOf(const platform::Bitmap& bitmap) {
  testpictures::PngSpec spec{bitmap.width, bitmap.height};
  if (opaque(bitmap)) {
    spec.colorType = 2;
    for (std::size_t i = 0; i < bitmap.rgba.size(); i += 4)
      spec.samples.insert(spec.samples.end(), &bitmap.rgba[i], &bitmap.rgba[i] + 3);
  } else {
    spec.colorType = 6;
    spec.samples = bitmap.rgba;
  }
  const std::string path = freshPath("png");
  writeAll(path, testpictures::writePng(spec));
  return path;
}

std::uint32_t be32(const std::string& s, std::size_t at) {
  return std::uint32_t(std::uint8_t(s[at])) << 24 | std::uint32_t(std::uint8_t(s[at + 1])) << 16 |
         std::uint32_t(std::uint8_t(s[at + 2])) << 8 | std::uint8_t(s[at + 3]);
}

void putBe32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (24 - 8 * i));
}

std::uint32_t le32(const std::string& s, std::size_t at) {
  return std::uint8_t(s[at]) | std::uint32_t(std::uint8_t(s[at + 1])) << 8 |
         std::uint32_t(std::uint8_t(s[at + 2])) << 16 | std::uint32_t(std::uint8_t(s[at + 3])) << 24;
}

}  // namespace

std::string heifEnc(const platform::Bitmap& bitmap, const std::vector<std::string>& arguments) {
  const std::string out = freshPath("heif");
  std::vector<std::string> all = arguments;
  all.insert(all.end(), {"-o", out, pngOf(bitmap)});
  run("heif-enc", "libheif-examples", all);
  return readAll(out);
}

std::string heifEnc16(std::uint32_t width, std::uint32_t height, const std::vector<std::uint16_t>& rgb,
                      const std::vector<std::string>& arguments) {
  testpictures::PngSpec spec{width, height, 2, 16};
  for (std::uint16_t v : rgb) spec.samples.insert(spec.samples.end(), {std::uint8_t(v >> 8), std::uint8_t(v)});
  const std::string png = freshPath("png");
  writeAll(png, testpictures::writePng(spec));
  const std::string out = freshPath("heif");
  std::vector<std::string> all = arguments;
  all.insert(all.end(), {"-o", out, png});
  run("heif-enc", "libheif-examples", all);
  return readAll(out);
}

std::string convert(const platform::Bitmap& bitmap, const std::vector<std::string>& arguments,
                    const std::string& format) {
  return convertPages({bitmap}, arguments, format);
}

std::string convertPages(const std::vector<platform::Bitmap>& pages, const std::vector<std::string>& arguments,
                         const std::string& format) {
  std::vector<std::string> all;
  for (const platform::Bitmap& page : pages) all.push_back(pngOf(page));
  all.insert(all.end(), arguments.begin(), arguments.end());
  const std::string out = freshPath("out");
  all.push_back(format + ":" + out);
  run("/usr/bin/convert", "imagemagick", all);
  return readAll(out);
}

std::string tiffcp(const std::string& tiff, const std::vector<std::string>& arguments) {
  const std::string in = freshPath("tif");
  const std::string out = freshPath("tif");
  writeAll(in, tiff);
  std::vector<std::string> all = arguments;
  all.insert(all.end(), {in, out});
  run("tiffcp", "libtiff-tools", all);
  return readAll(out);
}

std::string tiffset(const std::string& tiff, int tag, int value) {
  const std::string path = freshPath("tif");
  writeAll(path, tiff);
  run("tiffset", "libtiff-tools", {"-s", std::to_string(tag), std::to_string(value), path});
  return readAll(path);
}

std::string withHeifTransform(std::string heif, const std::string& box, int value) {
  const std::size_t at = heif.find("pixi");
  if (at == std::string::npos || at < 4) throw std::runtime_error("no pixi box in the HEIF file");
  const std::size_t start = at - 4;
  const std::uint32_t size = be32(heif, start);
  if (size < 9 || start + size > heif.size()) throw std::runtime_error("pixi box of an unexpected size");
  // The transform keeps the pixi box's size; its one byte of value is followed by padding that a
  // reader skips as the rest of the box.
  heif.replace(start + 4, 4, box);
  heif[start + 8] = char(value);
  std::fill(heif.begin() + start + 9, heif.begin() + start + size, '\0');
  return heif;
}

std::string withHeifSize(std::string heif, std::uint32_t width, std::uint32_t height) {
  for (std::size_t at = heif.find("ispe"); at != std::string::npos; at = heif.find("ispe", at + 4)) {
    putBe32(heif, at + 8, width);
    putBe32(heif, at + 12, height);
  }
  return heif;
}

std::string topDownBmp(const std::string& bmp) {
  const std::uint32_t offset = le32(bmp, 10);
  const std::uint32_t width = le32(bmp, 18);
  const std::int32_t height = std::int32_t(le32(bmp, 22));
  const std::uint16_t bits = std::uint8_t(bmp[28]) | std::uint8_t(bmp[29]) << 8;
  if (height <= 0 || le32(bmp, 30) != 0) throw std::runtime_error("not an uncompressed bottom-up BMP");
  const std::size_t stride = (std::size_t{width} * bits + 31) / 32 * 4;
  std::string out = bmp;
  for (std::int32_t y = 0; y < height; ++y)
    out.replace(offset + y * stride, stride, bmp, offset + (height - 1 - y) * stride, stride);
  const std::uint32_t negative = std::uint32_t(-height);
  for (int i = 0; i < 4; ++i) out[22 + i] = char(negative >> (8 * i));
  return out;
}

}  // namespace toolpictures
