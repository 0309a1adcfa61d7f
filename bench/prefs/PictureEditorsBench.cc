// Opening the local image selector and the stored image viewer over a folder of phone photos
// (1170 × 2532 JPEG, as a current phone takes them), as a person opens them from the list: the
// screen pushed, laid out, its tiles given their pictures, and the first frame drawn at the
// phone's pixel size. Goal: 100 photos within 1 s, and memory bounded by the tiles on screen
// rather than by the photos in the folder.
//
// The CPU column is the whole process's (the listing decodes on several threads): on a quiet
// machine with one core free, the time to the first frame is about that.
// Counters: "peak_MB", the most live heap while opening above what lived before; "decoded_MB",
// the size of one photo decoded in full, for scale.
//
// BM_SelectorOverPhotos and BM_SelectorOverHugePictures open the selector in a fresh child process
// each, which reports the time to the first frame and the peak resident memory of the whole
// process (VmHWM, libraries and all): over 100 photos of 12 megapixels (4032 x 3024) in each of
// JPEG, HEIC (with the 320 x 240 thumbnail a phone writes), PNG and lossy WebP, and over 8 flat
// pictures of 100 megapixels in PNG and in Deflate TIFF. Goal: peak under 200 MB in every case.
// For the photos, another child decodes the same files with the bare libraries at the sizes the
// selector uses (the listing's decodes on as many threads as the listing, then the tiles of the
// first frame one by one): the floor. Goal: the selector within 1.3x of it.
#include <benchmark/benchmark.h>
#include <libheif/heif.h>
#include <spng.h>
#include <turbojpeg.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <fmt/format.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <unistd.h>

#include "bench/support/BenchDevice.h"
#include "bench/support/HeapCounter.h"
#include "bench/support/PhotoLikePicture.h"
#include "bench/support/RunTimes.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/ScreenRenderer.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIWindow.h"
#include "prefs/editors/TovaluneImageGrid.h"
#include "prefs/editors/TovaluneImageSelectorViewController.h"
#include "prefs/editors/TovaluneImageViewerViewController.h"
#include "shared/ImageFolders.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kPhotoWidth = 1170, kPhotoHeight = 2532;
constexpr double kMB = 1024.0 * 1024.0;

// One photo's file; the folders hold hard links to it under distinct names, so a folder of 500
// photos costs the disk one photo while every open still reads and decodes each file.
const fs::path& photoFile() {
  static const fs::path file = [] {
    fs::path path = platform::hostPath("/photo.jpg");
    std::string jpeg = photoLikeJpeg(photoLikePicture(kPhotoWidth, kPhotoHeight), 90);
    platform::writeFile("/photo.jpg", jpeg, true);
    return path;
  }();
  return file;
}

void fillFolder(const std::string& folder, int count) {
  fs::path host = platform::hostPath(folder);
  fs::remove_all(host);
  fs::create_directories(host);
  for (int i = 0; i < count; ++i) {
    fs::path link = host / fmt::format("IMG_{:04}.jpg", i);
    fs::create_hard_link(photoFile(), link);
    platform::setContentModificationDate(platform::devicePathFromHost(link.string()), 1'700'000'000.0 + i);
  }
}

template <typename Screen>
void openScreen(benchmark::State& state, const char* folder) {
  const int count = static_cast<int>(state.range(0));
  fillFolder(folder, count);
  const auto bounds = UIScreen::mainScreen().bounds();
  const double scale = UIScreen::mainScreen().scale();
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto window = UIWindow::alloc()->initWithFrame(bounds);
    auto navigation = UINavigationController::initWithRootViewController(UIViewController::create());
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    window->layoutIfNeeded();
    const std::size_t before = heap_counter::liveBytes();
    heap_counter::resetPeak();
    state.ResumeTiming();

    navigation->pushViewController(Screen::init(), true);
    window->layoutIfNeeded();
    platform::drainMainQueue();
    auto frame = platform::renderScreen(nullptr, int(bounds.width() * scale), int(bounds.height() * scale));
    benchmark::DoNotOptimize(frame.rgba.data());

    state.PauseTiming();
    peak = std::max(peak, double(heap_counter::peakBytes() - before));
    window->setHidden(true);
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = peak / kMB;
  state.counters["decoded_MB"] = kPhotoWidth * kPhotoHeight * 4 / kMB;
}

void BM_OpenImageSelector(benchmark::State& state) {
  openScreen<TovaluneImageSelectorViewController>(state, kLocalImagesPath);
}
void BM_OpenImageViewer(benchmark::State& state) {
  openScreen<TovaluneImageViewerViewController>(state, kStoreImagesPath);
}
BENCHMARK(BM_OpenImageSelector)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);
BENCHMARK(BM_OpenImageViewer)->Arg(10)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(3);

// ---- Big pictures of every kind, each case opened in a child process ----

constexpr std::uint32_t kPhoto12Width = 4032, kPhoto12Height = 3024;
constexpr std::uint32_t kHugeSide = 10000;
const char* const kFormats[] = {"jpg", "heic", "png", "webp"};
const char* const kHugeFormats[] = {"png", "tiff"};

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void run(const std::string& command) {
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

// One 12-megapixel photo in the format, made once; folders hold hard links to it.
const fs::path& photo12(const std::string& format) {
  static std::map<std::string, fs::path> made;
  auto found = made.find(format);
  if (found != made.end()) return found->second;
  static const platform::Bitmap picture = photoLikePicture(kPhoto12Width, kPhoto12Height);
  const fs::path path = platform::hostPath("/bench-files/photo12." + format);
  fs::create_directories(path.parent_path());
  if (format == "jpg") {
    platform::writeFile(platform::devicePathFromHost(path.string()), photoLikeJpeg(picture, 90), true);
  } else if (format == "png") {
    platform::writeFile(platform::devicePathFromHost(path.string()), platform::encodePNG(picture).value(), true);
  } else if (format == "webp") {
    std::uint8_t* out = nullptr;
    const std::size_t size = WebPEncodeRGBA(picture.rgba.data(), int(picture.width), int(picture.height),
                                            int(picture.width) * 4, 80, &out);
    platform::writeFile(platform::devicePathFromHost(path.string()), std::string(reinterpret_cast<char*>(out), size), true);
    WebPFree(out);
  } else {  // heic, through heif-enc from the PNG, with the thumbnail phones store
    run(fmt::format("heif-enc -q 70 -t 320 -o '{}' '{}' >/dev/null", path.string(), photo12("png").string()));
  }
  return made[format] = path;
}

// A flat 100-megapixel picture, a few hundred kilobytes on disk.
const fs::path& huge(const std::string& format) {
  static std::map<std::string, fs::path> made;
  auto found = made.find(format);
  if (found != made.end()) return found->second;
  const fs::path path = platform::hostPath("/bench-files/huge." + format);
  fs::create_directories(path.parent_path());
  run(fmt::format("convert -size {0}x{0} xc:'#5b8fc7' -depth 8 {1}'{2}'", kHugeSide,
                  format == "png" ? "PNG24:" : "-compress zip TIFF:", path.string()));
  return made[format] = path;
}

void linkInto(const std::string& folder, const fs::path& file, int count) {
  fs::path host = platform::hostPath(folder);
  fs::remove_all(host);
  fs::create_directories(host);
  for (int i = 0; i < count; ++i) fs::create_hard_link(file, host / fmt::format("IMG_{:04}{}", i, file.extension().string()));
}

double peakResidentMB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

// Child: opens the selector over the local folder as a person does and prints
// "<seconds to the first frame> <peak resident MB> <tiles on screen>".
int openInChild() {
  const auto bounds = UIScreen::mainScreen().bounds();
  const double scale = UIScreen::mainScreen().scale();
  auto window = UIWindow::alloc()->initWithFrame(bounds);
  auto navigation = UINavigationController::initWithRootViewController(UIViewController::create());
  window->setRootViewController(navigation);
  window->makeKeyAndVisible();
  window->layoutIfNeeded();
  const auto start = std::chrono::steady_clock::now();
  auto selector = TovaluneImageSelectorViewController::init();
  navigation->pushViewController(selector, true);
  window->layoutIfNeeded();
  platform::drainMainQueue();
  auto frame = platform::renderScreen(nullptr, int(bounds.width() * scale), int(bounds.height() * scale));
  benchmark::DoNotOptimize(frame.rgba.data());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.6f %.1f %zu\n", seconds, peakResidentMB(), selector->collectionView()->visibleCells().size());
  std::fflush(stdout);
  std::_Exit(0);
}

// The smallest size, aspect kept, that covers the target (the picture's own when none is smaller).
void cover(std::uint32_t w, std::uint32_t h, std::uint32_t tw, std::uint32_t th, std::uint32_t& cw, std::uint32_t& ch) {
  const double factor = std::min(1.0, std::max(double(tw) / w, double(th) / h));
  cw = std::max(1u, std::uint32_t(std::ceil(w * factor)));
  ch = std::max(1u, std::uint32_t(std::ceil(h * factor)));
}

// A decode by the format's library alone at the size the selector asks for: TurboJPEG at its
// smallest covering scale, libwebp's rescaler, libspng and libheif whole (neither decodes smaller),
// a HEIC's covering thumbnail when `thumbnail`. Gives the picture's size.
bool bareDecode(const std::string& bytes, const std::string& format, std::uint32_t tw, std::uint32_t th,
                bool thumbnail, std::uint32_t& width, std::uint32_t& height) {
  std::vector<std::uint8_t> out;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  if (format == "jpg") {
    thread_local tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, cs = 0;
    if (tjDecompressHeader3(tj, data, bytes.size(), &w, &h, &sub, &cs)) return false;
    width = w, height = h;
    int count = 0, bw = w, bh = h;
    tjscalingfactor* f = tjGetScalingFactors(&count);
    for (int i = 0; i < count; ++i) {
      int sw = TJSCALED(w, f[i]), sh = TJSCALED(h, f[i]);
      if (std::uint32_t(sw) >= tw && std::uint32_t(sh) >= th && sw * sh < bw * bh) bw = sw, bh = sh;
    }
    out.resize(std::size_t(bw) * bh * 4);
    return tjDecompress2(tj, data, bytes.size(), out.data(), bw, bw * 4, bh, TJPF_RGBA, 0) == 0;
  }
  if (format == "png") {
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, bytes.data(), bytes.size());
    spng_ihdr ihdr{};
    std::size_t size = 0;
    bool ok = spng_get_ihdr(ctx, &ihdr) == 0 && spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0;
    if (ok) {
      width = ihdr.width, height = ihdr.height;
      out.resize(size);
      ok = spng_decode_image(ctx, out.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) == 0;
    }
    spng_ctx_free(ctx);
    return ok;
  }
  if (format == "webp") {
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    if (WebPGetFeatures(data, bytes.size(), &config.input) != VP8_STATUS_OK) return false;
    width = config.input.width, height = config.input.height;
    std::uint32_t cw = 0, ch = 0;
    cover(width, height, tw, th, cw, ch);
    config.options.use_scaling = 1;
    config.options.scaled_width = int(cw);
    config.options.scaled_height = int(ch);
    config.output.colorspace = MODE_RGBA;
    const bool ok = WebPDecode(data, bytes.size(), &config) == VP8_STATUS_OK;
    WebPFreeDecBuffer(&config.output);
    return ok;
  }
  heif_context* ctx = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  bool ok = heif_context_read_from_memory_without_copy(ctx, bytes.data(), bytes.size(), nullptr).code == heif_error_Ok &&
            heif_context_get_primary_image_handle(ctx, &handle).code == heif_error_Ok;
  if (ok) {
    width = heif_image_handle_get_width(handle), height = heif_image_handle_get_height(handle);
    std::uint32_t cw = 0, ch = 0;
    cover(width, height, tw, th, cw, ch);
    heif_item_id id = 0;
    heif_image_handle* chosen = handle;
    if (thumbnail && heif_image_handle_get_list_of_thumbnail_IDs(handle, &id, 1) == 1 &&
        heif_image_handle_get_thumbnail(handle, id, &chosen).code == heif_error_Ok &&
        (std::uint32_t(heif_image_handle_get_width(chosen)) < cw || std::uint32_t(heif_image_handle_get_height(chosen)) < ch)) {
      heif_image_handle_release(chosen);
      chosen = handle;
    }
    heif_image* image = nullptr;
    ok = heif_decode_image(chosen, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code == heif_error_Ok;
    if (image) heif_image_release(image);
    if (chosen != handle) heif_image_handle_release(chosen);
    heif_image_handle_release(handle);
  }
  heif_context_free(ctx);
  return ok;
}

// Child: the floor for the local folder, whose files are all in `format`; the first `tiles` files
// are decoded again for their tiles. Prints "<seconds> <peak resident MB>".
int floorInChild(const std::string& format, std::size_t tiles) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(platform::hostPath(kLocalImagesPath))) files.push_back(entry.path());
  const auto start = std::chrono::steady_clock::now();
  std::atomic<std::size_t> next{0};
  std::uint32_t width = 0, height = 0;
  auto work = [&] {
    std::uint32_t w = 0, h = 0;
    for (std::size_t i = next++; i < files.size(); i = next++) bareDecode(slurp(files[i]), format, 64, 64, false, w, h);
    width = w, height = h;
  };
  const std::size_t threads = std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), 8, files.size()});
  std::vector<std::thread> helpers;
  for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (auto& helper : helpers) helper.join();
  // A tile's pixels on this screen, fitted to the picture's shape, as the selector asks for them.
  const double pixels = kImageTileSize * UIScreen::mainScreen().scale();
  const double shape = double(height) / width;
  const auto tw = std::uint32_t(std::ceil(shape >= 1 ? pixels / shape : pixels));
  const auto th = std::uint32_t(std::ceil(shape >= 1 ? pixels : pixels * shape));
  for (std::size_t i = 0; i < std::min(tiles, files.size()); ++i) bareDecode(slurp(files[i]), format, tw, th, true, width, height);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.6f %.1f\n", seconds, peakResidentMB());
  std::fflush(stdout);
  std::_Exit(0);
}

struct ChildReport {
  double seconds = 0, residentMB = 0;
  std::size_t tiles = 0;
};

ChildReport runChild(const std::string& arguments) {
  // The program's file as it was when it started (popen's shell would be /proc/self/exe).
  static const std::string program = fs::read_symlink("/proc/self/exe").string();
  const std::string command = fmt::format("'{}' {} '{}'", program, arguments, platform::deviceRoot());
  FILE* pipe = popen(command.c_str(), "r");
  ChildReport report;
  if (!pipe || std::fscanf(pipe, "%lf %lf %zu", &report.seconds, &report.residentMB, &report.tiles) < 2)
    throw std::runtime_error("child failed: " + command);
  pclose(pipe);
  // Each child's figures as they come, for runs too long to wait for the table.
  std::fprintf(stderr, "%s: %.3f s, peak %.1f MB\n", arguments.c_str(), report.seconds, report.residentMB);
  return report;
}

void openInChildren(benchmark::State& state, const fs::path& file, int count, const std::string& floorFormat) {
  linkInto(kLocalImagesPath, file, count);
  double resident = 0, floorSeconds = 0, floorResident = 0;
  for (auto _ : state) {
    const ChildReport open = runChild("--open-selector");
    state.SetIterationTime(open.seconds);
    resident = std::max(resident, open.residentMB);
    if (!floorFormat.empty()) {
      const ChildReport floor = runChild(fmt::format("--floor {} {}", floorFormat, open.tiles));
      floorSeconds += floor.seconds;
      floorResident = std::max(floorResident, floor.residentMB);
    }
  }
  state.counters["peak_rss_MB"] = resident;
  if (!floorFormat.empty()) {
    state.counters["floor_s"] = floorSeconds / double(state.iterations());
    state.counters["floor_rss_MB"] = floorResident;
  }
}

void BM_SelectorOverPhotos(benchmark::State& state) {
  const std::string format = kFormats[state.range(0)];
  state.SetLabel("100 x 12 MP " + format);
  openInChildren(state, photo12(format), 100, format);
}
BENCHMARK(BM_SelectorOverPhotos)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

void BM_SelectorOverHugePictures(benchmark::State& state) {
  const std::string format = kHugeFormats[state.range(0)];
  state.SetLabel("8 x 100 MP flat " + format);
  openInChildren(state, huge(format), 8, "");
}
BENCHMARK(BM_SelectorOverHugePictures)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

void printGoals(const RunTimes& times) {
  std::printf("\nImage Selector over big pictures (goals: peak under 200 MB; photos within 1.3x the bare libraries):\n");
  for (int i = 0; i < 4; ++i) {
    const std::string name = fmt::format("BM_SelectorOverPhotos/{}/iterations:1/manual_time", i);
    if (!times.has(name)) continue;
    const double open = times.realSeconds(name), floor = times.counter(name, "floor_s");
    const double rss = times.counter(name, "peak_rss_MB");
    std::printf("  100 x 12 MP %-4s: first frame %6.0f ms, %.2fx the libraries' %6.0f ms; peak %4.0f MB (libraries alone %4.0f MB) -- %s\n",
                kFormats[i], open * 1e3, open / floor, floor * 1e3, rss, times.counter(name, "floor_rss_MB"),
                rss < 200 && open <= 1.3 * floor ? "met" : "MISSED");
  }
  for (int i = 0; i < 2; ++i) {
    const std::string name = fmt::format("BM_SelectorOverHugePictures/{}/iterations:1/manual_time", i);
    if (!times.has(name)) continue;
    const double rss = times.counter(name, "peak_rss_MB");
    std::printf("  8 x 100 MP flat %-4s: first frame %6.0f ms; peak %4.0f MB -- %s\n", kHugeFormats[i],
                times.realSeconds(name) * 1e3, rss, rss < 200 ? "met" : "MISSED");
  }
}

}  // namespace

int main(int argc, char** argv) {
  // A child of a case below: argv[1] says which, the device root comes last.
  if (argc >= 3 && (std::string_view(argv[1]) == "--open-selector" || std::string_view(argv[1]) == "--floor")) {
    platform::setDeviceRoot(argv[argc - 1]);
    platform::setLogToStderr(false);
    if (std::string_view(argv[1]) == "--open-selector") return openInChild();
    return argc == 5 ? floorInChild(argv[2], std::stoul(argv[3])) : 2;
  }
  benchmark::Initialize(&argc, argv);
  BenchDevice device("picture-editors");
  platform::createDirectoryAtPath("/Library/PreferenceBundles/TovalunePrefs.bundle");
  fs::copy_file(std::string(TOVALUNE_PANE_BUNDLE_DIR) + "/plus.png",
                platform::hostPath(TovaluneImageSelectorViewController::kPlusImagePath));
  SummaryReporter reporter(printGoals);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
