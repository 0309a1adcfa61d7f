#pragma once
// A device booted with the real engine for fault tests, and what those tests check after a fault:
// the wallpapers a person sees, whether every picture file is whole, and servers that misbehave
// on purpose (hold a request until released, drip, reset).
#include <sys/types.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/device/springboardapp/DeviceProcesses.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/TempDeviceRoot.h"

// Boots the device root of the test with the engine (iOS 16, Wi-Fi, a small screen) and dismisses
// the first-run notice. Fails the test when it cannot.
void bootDeviceWithEngine();

// Moves the device clock past the engine's cool-down, so the next display-off refreshes.
void passCoolDown();

// SpringBoard's status, or an empty object when it does not answer.
nlohmann::json springBoardStatus();
// "screen/appearance" -> content hash of each wallpaper file SpringBoard shows.
std::map<std::string, std::string> wallpaperHashes();
pid_t springBoardPid();

// Files directly in a device folder whose name ends in ".png" (any case) and that are not whole
// pictures; the folder's count of such files in `total`.
std::vector<std::string> brokenPictures(const std::string& deviceFolder, int* total = nullptr);
// Leftovers of atomic writes (".tmp-") in a device folder.
std::vector<std::string> temporaryFiles(const std::string& deviceFolder);

// A PNG of the given size in noise that does not compress (so its file is about 4 bytes a pixel),
// different for each seed.
std::string pngPicture(int width, int height, unsigned char seed);

// A path on a LocalHttpServer that holds each request until released, then answers with a
// picture: the request is provably still in flight between `arrived()` and `release()`.
class HeldPicture {
 public:
  HeldPicture(LocalHttpServer& server, const std::string& path, std::string picture);
  ~HeldPicture();  // releases, so that no server thread stays blocked
  int arrived() const { return state_->arrived; }
  int answered() const { return state_->answered; }
  void release() { state_->released = true; }

 private:
  // Shared with the server's handler, which may still be finishing an answer once this is gone.
  struct State {
    std::atomic<int> arrived{0}, answered{0};
    std::atomic<bool> released{false};
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// A TCP server on 127.0.0.1 that resets every connection once a request arrived.
class ResettingServer {
 public:
  ResettingServer();
  ~ResettingServer();
  std::string url(const std::string& path) const;
  int connections() const { return connections_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};
