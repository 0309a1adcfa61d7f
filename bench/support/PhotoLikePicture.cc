#include "bench/support/PhotoLikePicture.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// Smoothly interpolated value noise on a 256x256 lattice.
class ValueNoise {
 public:
  explicit ValueNoise(std::mt19937& rng) : lattice_(kSize * kSize) {
    std::uniform_real_distribution<float> unit(0.f, 1.f);
    for (float& v : lattice_) v = unit(rng);
  }
  float at(float x, float y) const {
    const int xi = int(x), yi = int(y);
    float tx = x - xi, ty = y - yi;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto v = [&](int a, int b) { return lattice_[(b % kSize) * kSize + a % kSize]; };
    const float top = v(xi, yi) * (1 - tx) + v(xi + 1, yi) * tx;
    const float bottom = v(xi, yi + 1) * (1 - tx) + v(xi + 1, yi + 1) * tx;
    return top * (1 - ty) + bottom * ty;
  }

 private:
  static constexpr int kSize = 256;
  std::vector<float> lattice_;
};

std::uint8_t clampByte(float v) { return std::uint8_t(std::clamp(v, 0.f, 255.f)); }

}  // namespace

platform::Bitmap photoLikePicture(std::uint32_t width, std::uint32_t height) {
  std::mt19937 rng(11);
  ValueNoise noise(rng);
  std::normal_distribution<float> grain(0.f, 4.f);
  platform::Bitmap picture{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      float detail = 0, amplitude = 1, frequency = 1.f / 200;
      for (int octave = 0; octave < 6; ++octave) {
        detail += amplitude * noise.at(x * frequency + octave * 17, y * frequency + octave * 31);
        amplitude *= 0.5f;
        frequency *= 2;
      }
      const float fx = float(x) / width, fy = float(y) / height;
      float r = 60 + 120 * detail + 50 * fy;
      float g = 80 + 90 * detail * fx + 40 * (1 - fy);
      float b = 50 + 150 * (1 - detail) * fy;
      const float cx = x - width * 0.6f, cy = y - height * 0.4f;
      if (cx * cx + cy * cy < 0.066f * width * width) {  // a red ball
        r = 200 + 40 * detail;
        g = 40 + 30 * detail;
        b = 30;
      }
      if (fy > 0.7f && (x / 90 + y / 140) % 7 == 0) {  // shadows on the ground
        r *= 0.5f;
        g *= 0.5f;
        b *= 0.6f;
      }
      std::uint8_t* p = &picture.rgba[(std::size_t{y} * width + x) * 4];
      p[0] = clampByte(r + grain(rng));
      p[1] = clampByte(g + grain(rng));
      p[2] = clampByte(b + grain(rng));
      p[3] = 255;
    }
  }
  return picture;
}

std::string photoLikeJpeg(const platform::Bitmap& picture, int quality) {
  tjhandle tj = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  tjCompress2(tj, picture.rgba.data(), picture.width, picture.width * 4, picture.height, TJPF_RGBA, &jpeg, &size,
              TJSAMP_420, quality, 0);
  std::string out(reinterpret_cast<const char*>(jpeg), size);
  tjFree(jpeg);
  tjDestroy(tj);
  return out;
}

std::string photoLikeJpegStoredSideways(const platform::Bitmap& picture, int quality) {
  platform::Bitmap sideways{picture.height, picture.width, std::vector<std::uint8_t>(picture.rgba.size())};
  for (std::uint32_t y = 0; y < sideways.height; ++y)
    for (std::uint32_t x = 0; x < sideways.width; ++x) {
      const std::size_t from = (std::size_t{x} * picture.width + (picture.width - 1 - y)) * 4;
      std::copy_n(&picture.rgba[from], 4, &sideways.rgba[(std::size_t{y} * sideways.width + x) * 4]);
    }
  const std::string jpeg = photoLikeJpeg(sideways, quality);
  // APP1: "Exif\0\0", a big-endian TIFF header, IFD0 with one entry: Orientation (SHORT) = 6.
  const std::string exif("Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 32);
  std::string app1 = "\xFF\xE1";
  app1.push_back(char(0));
  app1.push_back(char(exif.size() + 2));
  return jpeg.substr(0, 2) + app1 + exif + jpeg.substr(2);
}
