#include "tests/engine/providers/ProviderTestSupport.h"

#include <fstream>
#include <sstream>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/image/ImageCodec.h"
#include "platform/net/HTTPTransfer.h"

std::string pngPicture(int w, int h, std::uint8_t red) {
  platform::Bitmap b;
  b.width = w;
  b.height = h;
  b.rgba.assign(static_cast<std::size_t>(w) * h * 4, 255);
  for (std::size_t i = 0; i < b.rgba.size(); i += 4) b.rgba[i] = red;
  return *platform::encodePNG(b);
}

std::string readSample(const std::string& name) {
  std::ifstream in(std::string(SAMPLES_DIR) + "/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

ImageCompletion CompletionRecorder::completion() {
  return [this](std::shared_ptr<UIImage> image) {
    std::lock_guard lock(mu_);
    received_.push_back(std::move(image));
    ++calls_;
  };
}

std::vector<std::shared_ptr<UIImage>> CompletionRecorder::settle() {
  EXPECT_TRUE(platform::waitUntilQueuesIdle());
  std::lock_guard lock(mu_);
  return received_;
}

ProviderTest::ProviderTest() {
  platform::DeviceSettings s;
  s.screenWidth = 375;
  s.screenHeight = 812;
  s.screenScale = 3;
  s.network = platform::NetworkKind::WiFi;
  for (const char* host : {"arc.msn.com", "source.unsplash.com", "api.desktoppr.co", "picsum.photos",
                           "loremflickr.com", "thecatapi.com", "pictures.example", "res.public.onecdn.static.microsoft",
                           "a.desktopprassets.com"})
    s.routes[host] = server.address();
  EXPECT_TRUE(platform::saveDeviceSettings(s));
  platform::setURLRequestObserver([this](const std::string& method, const std::string& url) {
    std::lock_guard lock(urlMu_);
    urls_.push_back(method + " " + url);
  });
}

ProviderTest::~ProviderTest() {
  platform::waitUntilQueuesIdle();
  platform::setURLRequestObserver(nullptr);
}

std::shared_ptr<OrbelTovaluneController> ProviderTest::controller(int provider) {
  auto c = OrbelTovaluneController::create();
  c->CurrentProvider = provider;
  c->StoreLast = 0;
  return c;
}

void ProviderTest::servePicture(const std::string& path, int w, int h) {
  std::string png = pngPicture(w, h);
  server.server().Get(path, [png](const httplib::Request&, httplib::Response& res) {
    res.set_content(png, "image/png");
  });
}

std::vector<std::string> ProviderTest::requestedURLs() const {
  std::lock_guard lock(urlMu_);
  return urls_;
}
