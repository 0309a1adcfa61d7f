#include "tests/device/faults/FaultDevice.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fmt/format.h>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSString.h"
#include "platform/image/ImageCodec.h"

using namespace std::chrono_literals;
using nlohmann::json;

void bootDeviceWithEngine() {
  auto booted = runLauncher({"boot", "--screen-width", "40", "--screen-height", "80", "--screen-scale", "1",
                             "--network", "wifi", "--engine", ENGINE_LIBRARY});
  ASSERT_EQ(booted.status, 0) << booted.out << booted.err;
  auto tapped = runLauncher({"tap", "OK"});
  ASSERT_EQ(tapped.status, 0) << tapped.out << tapped.err;
}

void passCoolDown() {
  platform::DeviceSettings settings = platform::deviceSettings();
  settings.clockOffset += 5;
  ASSERT_TRUE(platform::saveDeviceSettings(settings));
}

json springBoardStatus() {
  auto reply = askSpringBoard("status", 20s);
  return reply && reply->is_object() ? *reply : json::object();
}

std::map<std::string, std::string> wallpaperHashes() {
  std::map<std::string, std::string> hashes;
  json status = springBoardStatus();
  if (!status.contains("wallpapers")) return hashes;
  for (const auto& w : status["wallpapers"])
    hashes[w.value("screen", "") + "/" + w.value("appearance", "")] = w.value("hash", "");
  return hashes;
}

pid_t springBoardPid() { return springBoardStatus().value("pid", 0); }

std::vector<std::string> brokenPictures(const std::string& deviceFolder, int* total) {
  std::vector<std::string> broken;
  int count = 0;
  for (const auto& name : platform::contentsOfDirectoryAtPath(deviceFolder).value_or(std::vector<std::string>{})) {
    std::string lower = platform::lowercaseString(name);
    if (lower.size() < 4 || lower.substr(lower.size() - 4) != ".png") continue;
    ++count;
    auto bytes = platform::readFile(deviceFolder + "/" + name);
    if (!bytes || !platform::decodeImage(*bytes)) broken.push_back(name);
  }
  if (total) *total = count;
  return broken;
}

std::vector<std::string> temporaryFiles(const std::string& deviceFolder) {
  std::vector<std::string> found;
  for (const auto& name : platform::contentsOfDirectoryAtPath(deviceFolder).value_or(std::vector<std::string>{}))
    if (name.find(".tmp-") != std::string::npos) found.push_back(name);
  return found;
}

std::string pngPicture(int width, int height, unsigned char seed) {
  platform::Bitmap bitmap;
  bitmap.width = std::uint32_t(width);
  bitmap.height = std::uint32_t(height);
  bitmap.rgba.resize(std::size_t(width) * height * 4);
  std::uint32_t state = 2463534242u + seed;
  for (std::size_t i = 0; i < bitmap.rgba.size(); ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bitmap.rgba[i] = (i % 4 == 3) ? 255 : static_cast<std::uint8_t>(state);
  }
  return platform::encodePNG(bitmap).value_or("");
}

HeldPicture::HeldPicture(LocalHttpServer& server, const std::string& path, std::string picture) {
  server.server().Get(path, [state = state_, picture](const httplib::Request&, httplib::Response& res) {
    ++state->arrived;
    // Bounded, so that a test that forgets to release cannot keep the server forever.
    for (int i = 0; i < 6000 && !state->released; ++i) std::this_thread::sleep_for(10ms);
    res.set_content(picture, "image/png");
    ++state->answered;
  });
}

HeldPicture::~HeldPicture() { release(); }

ResettingServer::ResettingServer() {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 8) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ADD_FAILURE() << "cannot listen on 127.0.0.1";
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] {
    while (!stopping_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      ++connections_;
      char buffer[1024];
      pollfd c{client, POLLIN, 0};
      if (::poll(&c, 1, 2000) > 0) (void)::recv(client, buffer, sizeof buffer, 0);
      // A zero linger turns the close into a reset.
      linger hard{1, 0};
      ::setsockopt(client, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
      ::close(client);
    }
  });
}

ResettingServer::~ResettingServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (fd_ >= 0) ::close(fd_);
}

std::string ResettingServer::url(const std::string& path) const { return fmt::format("http://127.0.0.1:{}{}", port_, path); }
