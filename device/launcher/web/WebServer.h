#pragma once
// The browser view's HTTP server: the page and its assets, the event stream that pushes frames
// (JPEG drawn at the width the pages show the screen, which each says with /events?width=N; the
// picture goes in the event), status and log lines, the last frame (/frame.jpg), the screen at
// its full size as PNG (/screen.png), wallpaper thumbnails, and the page's actions (tap, drag,
// keys, buttons, clock, network). Anything else gets a clear 4xx: an unknown path 404, a wrong
// method 405, a body over kMaxBodyBytes 413, a body that is not JSON 415 or 400, a point outside
// the screen 422, a width that is no whole number 400. Who may ask at all is WebAccess's to say (a
// 403 otherwise): on a loopback address this machine, under a loopback Host; on any other, whoever
// has the token; on every address, no page of another site.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "device/launcher/web/WebAccess.h"
#include "device/launcher/web/WebEvents.h"
#include "device/launcher/web/WebPhone.h"

namespace httplib {
class Server;
}

inline constexpr std::size_t kMaxBodyBytes = 8 * 1024;
// Pages that may follow the events at once; more get 503.
inline constexpr int kMaxEventStreams = 16;

class WebServer {
 public:
  // `frameFolder`: a host folder of the server's own for screenshots.
  explicit WebServer(std::string frameFolder);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  // Binds to the address and port (0: any free port). The port bound, or -1 with the reason.
  int bind(const std::string& address, int port, std::string* error);
  // What a request on a non-loopback address must bring (see WebAccess); empty on loopback.
  std::string accessToken() const { return access_ ? access_->token() : ""; }
  // Serves until stop(); the watcher that polls the device runs meanwhile.
  void serve();
  // From any thread: ends serve().
  void stop();

 private:
  void routes();
  void watch();
  void kickWatcher();
  void addPageWidth(int width);
  void removePageWidth(int width);
  // The width the pages' frames are drawn at: the widest page's; 0 for the device's own.
  int frameWidth() const;

  std::unique_ptr<httplib::Server> http_;
  std::unique_ptr<WebAccess> access_;
  WebPhone phone_;
  WebEvents events_;

  std::thread watcher_;
  std::mutex watchMu_;
  std::condition_variable watchWake_;
  bool kicked_ = false;
  std::atomic<bool> stopping_{false};
  std::atomic<int> streams_{0};
  mutable std::mutex widthMu_;
  std::multiset<int> pageWidths_;  // of the pages following the events (0: not said)
};
