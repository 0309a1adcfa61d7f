// The picture paths of a wallpaper change, each next to its floor or peer in the same run:
//   decoding a phone photo through UIImage::imageWithData vs TurboJPEG alone (goal: within 1.1x);
//   decoding the same photo as a PNG through UIImage::imageWithData vs libspng alone (goal: within 1.1x);
//   UIImagePNGRepresentation vs libpng at its default settings (goal: 2x faster, file at most 15% larger).
// The ratios are printed at the end of the run, from the median CPU time of five repetitions (each
// path is single-threaded, and CPU time holds up better than wall time on a busy machine).
#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>
#include <turbojpeg.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>

#include "bench/support/PhotoLikePicture.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"

namespace {

constexpr std::uint32_t kPhoneWidth = 1170;
constexpr std::uint32_t kPhoneHeight = 2532;

const platform::Bitmap& phonePicture() {
  static const platform::Bitmap picture = photoLikePicture(kPhoneWidth, kPhoneHeight);
  return picture;
}

const std::string& phoneJpeg() {
  static const std::string jpeg = photoLikeJpeg(phonePicture(), 90);
  return jpeg;
}

const std::string& phoneJpegStoredSideways() {
  static const std::string jpeg = photoLikeJpegStoredSideways(phonePicture(), 90);
  return jpeg;
}

// What the camera roll would hand to PNG encoding: the photo as decoded.
const std::shared_ptr<UIImage>& decodedPhoto() {
  static const std::shared_ptr<UIImage> image = UIImage::imageWithData(phoneJpeg());
  return image;
}

void BM_JpegDecode_UIImage(benchmark::State& state) {
  const std::string& jpeg = phoneJpeg();
  for (auto _ : state) {
    auto image = UIImage::imageWithData(jpeg);
    if (!image) throw std::runtime_error("phone JPEG did not decode");
    benchmark::DoNotOptimize(image->bitmap().rgba.data());
  }
}
BENCHMARK(BM_JpegDecode_UIImage)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The floor: TurboJPEG decoding the same bytes into a fresh RGBA buffer, nothing else.
void BM_JpegDecode_TurboJpegFloor(benchmark::State& state) {
  const std::string& jpeg = phoneJpeg();
  const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
  tjhandle tj = tjInitDecompress();
  for (auto _ : state) {
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    tjDecompressHeader3(tj, data, jpeg.size(), &width, &height, &subsampling, &colorspace);
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[std::size_t(width) * height * 4]);
    tjDecompress2(tj, data, jpeg.size(), pixels.get(), width, width * 4, height, TJPF_RGBA, 0);
    benchmark::DoNotOptimize(pixels.get());
  }
  tjDestroy(tj);
}
BENCHMARK(BM_JpegDecode_TurboJpegFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// A portrait photo as phones store it: sideways with EXIF Orientation 6, turned upright on decode.
void BM_JpegDecode_UIImageWithExifRotation(benchmark::State& state) {
  const std::string& jpeg = phoneJpegStoredSideways();
  for (auto _ : state) {
    auto image = UIImage::imageWithData(jpeg);
    if (!image || image->bitmap().width != kPhoneWidth) throw std::runtime_error("sideways JPEG not turned upright");
    benchmark::DoNotOptimize(image->bitmap().rgba.data());
  }
}
BENCHMARK(BM_JpegDecode_UIImageWithExifRotation)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

const std::string& phonePng() {
  static const std::string png = *UIImagePNGRepresentation(decodedPhoto().get());
  return png;
}

void BM_PngDecode_UIImage(benchmark::State& state) {
  const std::string& png = phonePng();
  for (auto _ : state) {
    auto image = UIImage::imageWithData(png);
    if (!image) throw std::runtime_error("phone PNG did not decode");
    benchmark::DoNotOptimize(image->bitmap().rgba.data());
  }
}
BENCHMARK(BM_PngDecode_UIImage)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The floor: libspng decoding the same bytes to RGBA into a fresh buffer, nothing else.
void BM_PngDecode_SpngFloor(benchmark::State& state) {
  const std::string& png = phonePng();
  for (auto _ : state) {
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, png.data(), png.size());
    std::size_t size = 0;
    spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size);
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[size]);
    spng_decode_image(ctx, pixels.get(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
    spng_ctx_free(ctx);
    benchmark::DoNotOptimize(pixels.get());
  }
}
BENCHMARK(BM_PngDecode_SpngFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_PngEncode_UIImagePNGRepresentation(benchmark::State& state) {
  const UIImage* image = decodedPhoto().get();
  std::size_t size = 0;
  for (auto _ : state) {
    auto png = UIImagePNGRepresentation(image);
    if (!png) throw std::runtime_error("PNG encoding failed");
    size = png->size();
    benchmark::DoNotOptimize(png->data());
  }
  state.counters["bytes"] = double(size);
}
BENCHMARK(BM_PngEncode_UIImagePNGRepresentation)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void appendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// libpng with every setting at its default (deflate level 6, adaptive filtering). The photo is
// opaque, so it writes RGB like ours does, stripping the filler byte itself.
std::string libpngDefaultEncode(const platform::Bitmap& bitmap) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng failed");
  }
  png_set_write_fn(png, &out, appendToString, nullptr);
  png_set_IHDR(png, info, bitmap.width, bitmap.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (std::uint32_t y = 0; y < bitmap.height; ++y)
    png_write_row(png, bitmap.rgba.data() + std::size_t{y} * bitmap.width * 4);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

void BM_PngEncode_LibpngDefault(benchmark::State& state) {
  const platform::Bitmap& bitmap = decodedPhoto()->bitmap();
  std::size_t size = 0;
  for (auto _ : state) {
    std::string png = libpngDefaultEncode(bitmap);
    size = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["bytes"] = double(size);
}
BENCHMARK(BM_PngEncode_LibpngDefault)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Prints as usual and keeps each benchmark's time and size for the comparison lines.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Result {
    double seconds = 0;
    double bytes = 0;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
      Result& r = results_[run.run_name.function_name];
      r.seconds = run.GetAdjustedCPUTime();
      if (auto it = run.counters.find("bytes"); it != run.counters.end()) r.bytes = it->second.value;
    }
  }

  void printRatios() const {
    auto get = [&](const char* name) -> const Result* {
      auto it = results_.find(name);
      return it == results_.end() || it->second.seconds <= 0 ? nullptr : &it->second;
    };
    const Result* ours = get("BM_JpegDecode_UIImage");
    const Result* floor = get("BM_JpegDecode_TurboJpegFloor");
    if (ours && floor) {
      const double ratio = ours->seconds / floor->seconds;
      std::printf("JPEG decode %ux%u: UIImage::imageWithData takes %.3fx the TurboJPEG floor (goal <= 1.10x): %s\n",
                  kPhoneWidth, kPhoneHeight, ratio, ratio <= 1.10 ? "met" : "MISSED");
    }
    const Result* rotated = get("BM_JpegDecode_UIImageWithExifRotation");
    if (rotated && floor) {
      std::printf("JPEG decode of the same photo stored sideways (EXIF 6), turned upright: %.3fx the floor\n",
                  rotated->seconds / floor->seconds);
    }
    const Result* pngOurs = get("BM_PngDecode_UIImage");
    const Result* pngFloor = get("BM_PngDecode_SpngFloor");
    if (pngOurs && pngFloor) {
      const double ratio = pngOurs->seconds / pngFloor->seconds;
      std::printf("PNG decode %ux%u: UIImage::imageWithData takes %.3fx the libspng floor (goal <= 1.10x): %s\n",
                  kPhoneWidth, kPhoneHeight, ratio, ratio <= 1.10 ? "met" : "MISSED");
    }
    const Result* spng = get("BM_PngEncode_UIImagePNGRepresentation");
    const Result* libpng = get("BM_PngEncode_LibpngDefault");
    if (spng && libpng && libpng->bytes > 0) {
      const double speed = libpng->seconds / spng->seconds;
      const double size = spng->bytes / libpng->bytes;
      std::printf("PNG encode %ux%u: UIImagePNGRepresentation is %.2fx faster than libpng defaults (goal >= 2x), "
                  "file %.3fx the size (goal <= 1.15x): %s\n",
                  kPhoneWidth, kPhoneHeight, speed, size, speed >= 2.0 && size <= 1.15 ? "met" : "MISSED");
    }
  }

 private:
  std::map<std::string, Result> results_;
};

}  // namespace

int main(int argc, char** argv) {
  platform::setLogToStderr(false);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  phoneJpeg();  // the picture is made once, outside every timing
  decodedPhoto();
  phonePng();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}
