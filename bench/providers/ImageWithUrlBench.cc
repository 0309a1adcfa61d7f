// OrbelTovaluneController::imageWithUrl of a phone-size photo from a web provider, next to its floor
// in the same run: the same bytes fetched by a bare libcurl easy handle and decoded by TurboJPEG
// alone. The provider host reaches a loopback server through a device route, as on the simulated
// device; both sides pay the same server, so the ratio shows what the platform adds (goal: within
// 1.15x). Medians of five repetitions; CPU time of the calling thread, which does all of the
// client's work, holds up better than wall time on a shared machine.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <fmt/format.h>
#include <httplib.h>
#include <turbojpeg.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <thread>

#include "bench/support/BenchDevice.h"
#include "bench/support/PhotoLikePicture.h"
#include "bench/support/RunTimes.h"
#include "engine/providers/OrbelTovaluneController.h"
#include "platform/foundation/DeviceSettings.h"

namespace {

constexpr std::uint32_t kPhoneWidth = 1170;
constexpr std::uint32_t kPhoneHeight = 2532;
constexpr const char* kPicturePath = "/photo.jpg";
constexpr const char* kRoutedHost = "pictures.example";

const std::string& phoneJpeg() {
  static const std::string jpeg = photoLikeJpeg(photoLikePicture(kPhoneWidth, kPhoneHeight), 90);
  return jpeg;
}

// The picture served on 127.0.0.1 from its own thread for the whole program.
class PictureServer {
 public:
  PictureServer() {
    server_.Get(kPicturePath, [](const httplib::Request&, httplib::Response& res) {
      res.set_content(phoneJpeg(), "image/jpeg");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("no loopback port for the picture server");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~PictureServer() {
    server_.stop();
    thread_.join();
  }
  int port() const { return port_; }

 private:
  httplib::Server server_;
  int port_ = -1;
  std::thread thread_;
};

PictureServer* server = nullptr;

std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

void BM_ImageWithUrl(benchmark::State& state) {
  auto controller = OrbelTovaluneController::create();
  const std::string url = fmt::format("https://{}{}", kRoutedHost, kPicturePath);
  for (auto _ : state) {
    auto image = controller->imageWithUrl(url);
    if (!image || image->bitmap().width != kPhoneWidth) throw std::runtime_error("imageWithUrl brought no photo");
    benchmark::DoNotOptimize(image->bitmap().rgba.data());
  }
}
BENCHMARK(BM_ImageWithUrl)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The floor: a fresh easy handle per picture, as a plain download would make, then a decode into
// a fresh RGBA buffer.
void BM_CurlAndTurboJpegFloor(benchmark::State& state) {
  const std::string url = fmt::format("http://127.0.0.1:{}{}", server->port(), kPicturePath);
  tjhandle tj = tjInitDecompress();
  for (auto _ : state) {
    std::string body;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK) throw std::runtime_error(curl_easy_strerror(code));

    const auto* data = reinterpret_cast<const unsigned char*>(body.data());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    tjDecompressHeader3(tj, data, body.size(), &width, &height, &subsampling, &colorspace);
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[std::size_t(width) * height * 4]);
    if (tjDecompress2(tj, data, body.size(), pixels.get(), width, width * 4, height, TJPF_RGBA, 0) != 0)
      throw std::runtime_error("floor decode failed");
    benchmark::DoNotOptimize(pixels.get());
  }
  tjDestroy(tj);
}
BENCHMARK(BM_CurlAndTurboJpegFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void printRatio(const RunTimes& times) {
  const double floorCpu = times.cpuSeconds("BM_CurlAndTurboJpegFloor/repeats:5_median");
  const double floorReal = times.realSeconds("BM_CurlAndTurboJpegFloor/repeats:5_median");
  if (floorCpu <= 0 || !times.has("BM_ImageWithUrl/repeats:5_median")) return;
  std::printf("imageWithUrl of a %ux%u JPEG (%zu bytes) over a device route: %.2fx the floor (goal <= 1.15x)\n",
              kPhoneWidth, kPhoneHeight, phoneJpeg().size(),
              times.cpuSeconds("BM_ImageWithUrl/repeats:5_median") / floorCpu);
  std::printf("  by wall time, server included: %.2fx the floor\n",
              times.realSeconds("BM_ImageWithUrl/repeats:5_median") / floorReal);
}

}  // namespace

int main(int argc, char** argv) {
  interleaveRepetitionsByDefault(argc, argv);
  benchmark::Initialize(&argc, argv);
  BenchDevice device("image-with-url");
  curl_global_init(CURL_GLOBAL_DEFAULT);
  PictureServer pictures;
  server = &pictures;
  platform::DeviceSettings settings = platform::deviceSettings();
  settings.routes[kRoutedHost] = fmt::format("127.0.0.1:{}", pictures.port());
  if (!platform::saveDeviceSettings(settings)) throw std::runtime_error("device settings not written");
  phoneJpeg();

  SummaryReporter reporter(printRatio);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  server = nullptr;
}
