#include "platform/image/CPBitmap.h"

#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"

namespace platform {
namespace {

std::uint32_t wordAt(std::string_view bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

std::array<unsigned char, kCPBitmapTrailerBytes> trailerFor(std::uint32_t width, std::uint32_t height,
                                                            std::uint32_t rowBytes) {
  const std::uint32_t words[] = {width, height, rowBytes, kCPBitmapFormatRGBA8, kCPBitmapMagic};
  std::array<unsigned char, kCPBitmapTrailerBytes> out{};
  for (std::size_t w = 0; w < std::size(words); ++w)
    for (std::size_t b = 0; b < 4; ++b) out[w * 4 + b] = static_cast<unsigned char>(words[w] >> (8 * b));
  return out;
}

// Writes every byte the vectors name, in order, however the kernel splits the work: writev takes
// at most IOV_MAX vectors a call and may stop short anywhere, even inside a vector.
bool writeVectors(int fd, std::vector<iovec>& vectors) {
  std::size_t next = 0;
  while (next < vectors.size()) {
    const int count = static_cast<int>(std::min<std::size_t>(vectors.size() - next, IOV_MAX));
    ssize_t n = ::writev(fd, &vectors[next], count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    auto left = static_cast<std::size_t>(n);
    while (next < vectors.size() && left >= vectors[next].iov_len) left -= vectors[next++].iov_len;
    if (left > 0) {
      vectors[next].iov_base = static_cast<char*>(vectors[next].iov_base) + left;
      vectors[next].iov_len -= left;
    }
  }
  return true;
}

// The file's bytes as vectors over the bitmap's own rows, the padding and the trailer; `trailer`
// must outlive the vectors.
std::vector<iovec> fileVectors(const Bitmap& bitmap, const std::array<unsigned char, kCPBitmapTrailerBytes>& trailer) {
  static const unsigned char zeros[16] = {};
  const std::size_t pixelBytes = std::size_t{bitmap.width} * 4;
  const std::size_t padding = cpBitmapRowBytes(bitmap.width) - pixelBytes;
  auto* pixels = const_cast<std::uint8_t*>(bitmap.rgba.data());
  std::vector<iovec> vectors;
  if (padding == 0) {
    vectors.push_back({pixels, pixelBytes * bitmap.height});
  } else {
    vectors.reserve(std::size_t{bitmap.height} * 2 + 1);
    for (std::uint32_t row = 0; row < bitmap.height; ++row) {
      vectors.push_back({pixels + row * pixelBytes, pixelBytes});
      vectors.push_back({const_cast<unsigned char*>(zeros), padding});
    }
  }
  vectors.push_back({const_cast<unsigned char*>(trailer.data()), trailer.size()});
  return vectors;
}

bool writableBitmap(const Bitmap& bitmap, const std::string& where) {
  const std::uint64_t pixels = std::uint64_t{bitmap.width} * bitmap.height;
  if (pixels == 0 || pixels > kMaxDecodedPixels || bitmap.rgba.size() != pixels * 4) {
    NSLog("Not writing the raw bitmap {}: a picture of {}x{} pixels with {} bytes of pixels cannot be stored", where,
          bitmap.width, bitmap.height, bitmap.rgba.size());
    return false;
  }
  return true;
}

}  // namespace

std::uint32_t cpBitmapRowBytes(std::uint32_t width) { return (width * 4 + 15) / 16 * 16; }

bool hasCPBitmapTrailer(std::string_view bytes) {
  return bytes.size() >= kCPBitmapTrailerBytes && wordAt(bytes, bytes.size() - 4) == kCPBitmapMagic;
}

std::optional<Bitmap> decodeCPBitmap(std::string_view bytes, std::string_view name) {
  if (!hasCPBitmapTrailer(bytes)) {
    NSLog("Refusing the raw bitmap {}: its {} bytes do not end in a raw bitmap trailer", name, bytes.size());
    return std::nullopt;
  }
  const std::size_t t = bytes.size() - kCPBitmapTrailerBytes;
  const std::uint32_t width = wordAt(bytes, t), height = wordAt(bytes, t + 4), rowBytes = wordAt(bytes, t + 8);
  const std::uint32_t format = wordAt(bytes, t + 12);
  if (format != kCPBitmapFormatRGBA8) {
    NSLog("Refusing the raw bitmap {}: pixel format {} is not one this reader knows", name, format);
    return std::nullopt;
  }
  const std::uint64_t pixels = std::uint64_t{width} * height;
  if (pixels == 0 || pixels > kMaxDecodedPixels) {
    NSLog("Refusing the raw bitmap {}: {}x{} pixels is outside 1 to {} pixels", name, width, height,
          kMaxDecodedPixels);
    return std::nullopt;
  }
  const std::uint64_t pixelBytes = std::uint64_t{width} * 4;
  if (rowBytes < pixelBytes) {
    NSLog("Refusing the raw bitmap {}: rows of {} bytes cannot hold {} pixels", name, rowBytes, width);
    return std::nullopt;
  }
  const std::uint64_t expected = std::uint64_t{rowBytes} * height + kCPBitmapTrailerBytes;
  if (expected != bytes.size()) {
    NSLog("Refusing the raw bitmap {}: its trailer gives {}x{} pixels in rows of {} bytes, {} bytes in all, but the "
          "file has {}",
          name, width, height, rowBytes, expected, bytes.size());
    return std::nullopt;
  }
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.rgba.resize(pixels * 4);
  if (rowBytes == pixelBytes) {
    std::memcpy(bitmap.rgba.data(), bytes.data(), bitmap.rgba.size());
  } else {
    for (std::uint32_t row = 0; row < height; ++row)
      std::memcpy(bitmap.rgba.data() + row * pixelBytes, bytes.data() + std::uint64_t{row} * rowBytes, pixelBytes);
  }
  return bitmap;
}

CPBitmapFile::CPBitmapFile(const Bitmap& bitmap, UnnamedFile file) : bitmap_(&bitmap), file_(std::move(file)) {}

std::optional<CPBitmapFile> CPBitmapFile::write(const Bitmap& bitmap, const std::string& folder) {
  if (!writableBitmap(bitmap, folder)) return std::nullopt;
  auto file = UnnamedFile::create(folder);
  if (!file) {
    NSLog("Could not write a raw bitmap in {}: {}", folder, std::strerror(errno));
    return std::nullopt;
  }
  const auto trailer = trailerFor(bitmap.width, bitmap.height, cpBitmapRowBytes(bitmap.width));
  std::vector<iovec> vectors = fileVectors(bitmap, trailer);
  if (!writeVectors(file->descriptor(), vectors)) {
    NSLog("Could not write a raw bitmap in {}: {}; nothing was replaced", folder, std::strerror(errno));
    return std::nullopt;
  }
  return CPBitmapFile(bitmap, std::move(*file));
}

bool CPBitmapFile::publish(const std::string& path) {
  if (file_.publish(path)) return true;
  const std::string folder = stringByDeletingLastPathComponent(path);
  if (hostPath(folder) != file_.hostFolder()) {
    // Another file system (or one without links): the same pixels written there.
    auto again = write(*bitmap_, folder);
    return again && again->publish(path);
  }
  NSLog("Could not write {}: {}; the file is left as it was", path, std::strerror(errno));
  return false;
}

bool writeCPBitmapFile(const Bitmap& bitmap, const std::string& path) {
  auto file = CPBitmapFile::write(bitmap, stringByDeletingLastPathComponent(path));
  return file && file->publish(path);
}

}  // namespace platform
