#include "device/launcher/web/WebServer.h"

#include <httplib.h>

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "device/launcher/Launchd.h"
#include "device/launcher/SettingsCommands.h"
#include "device/launcher/web/DeviceLogTail.h"
#include "device/launcher/web/WebAssets.h"
#include "device/launcher/web/WebStatus.h"
#include "platform/foundation/NSLog.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

// Right after a new frame the screen is likely still moving (a finger, a list running on): the next
// look comes at the pace of a display.
constexpr auto kFramePollMoving = 16ms;
constexpr auto kFramePollActive = 120ms;
constexpr auto kFramePollIdle = 1000ms;
constexpr auto kStatusPoll = 1500ms;
constexpr auto kLogPoll = 300ms;
constexpr auto kStreamKeepAlive = 15s;
constexpr std::size_t kMaxLogLinesPerEvent = 200;

struct Route {
  const char* path;  // exact, or a prefix ending with "/" for the wallpapers
  const char* method;
};
const Route kRoutes[] = {
    {"/", "GET"},           {"/events", "GET"},     {"/screen.png", "GET"},  {"/api/state", "GET"},
    {"/frame.jpg", "GET"},
    {"/wallpaper/lock.png", "GET"}, {"/wallpaper/home.png", "GET"},
    {"/api/tap", "POST"},   {"/api/drag", "POST"},  {"/api/key", "POST"},    {"/api/button", "POST"},
    {"/api/clock", "POST"}, {"/api/network", "POST"},
    {"/api/touch", "POST"}, {"/api/scroll", "POST"},
};

void sendJSON(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace) + "\n", "application/json");
}

void sendError(httplib::Response& res, int status, const std::string& why) {
  sendJSON(res, status, json{{"ok", false}, {"error", why}});
}

void sendReply(httplib::Response& res, const PhoneReply& reply) { sendJSON(res, reply.status, reply.body); }

// The body of an action as a JSON object; nothing (and the answer sent) when it is not one.
std::optional<json> jsonBody(const httplib::Request& req, httplib::Response& res) {
  std::string type = req.get_header_value("Content-Type");
  if (type.rfind("application/json", 0) != 0) {
    sendError(res, 415, "the body must be JSON (Content-Type: application/json)");
    return std::nullopt;
  }
  json body = json::parse(req.body, nullptr, false);
  if (body.is_discarded() || !body.is_object()) {
    sendError(res, 400, "the body is not a JSON object");
    return std::nullopt;
  }
  return body;
}

std::optional<double> numberField(const json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || !it->is_number()) return std::nullopt;
  double v = it->get<double>();
  return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

std::optional<PhonePoint> pointField(const json& object, const char* key = nullptr) {
  const json* p = &object;
  if (key) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_object()) return std::nullopt;
    p = &*it;
  }
  auto x = numberField(*p, "x"), y = numberField(*p, "y");
  if (!x || !y) return std::nullopt;
  return PhonePoint{*x, *y};
}

std::string stringField(const json& object, const char* key) {
  auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

WebServer::WebServer(std::string frameFolder) : http_(std::make_unique<httplib::Server>()), phone_(std::move(frameFolder)) {
  routes();
}

WebServer::~WebServer() {
  stop();
  if (watcher_.joinable()) watcher_.join();
}

int WebServer::bind(const std::string& address, int port, std::string* error) {
  std::string token = WebAccess::isLoopbackAddress(address) ? "" : WebAccess::newToken();
  if (!WebAccess::isLoopbackAddress(address) && token.empty()) {
    *error = "the system's random source gave no token to guard a non-loopback address with";
    return -1;
  }
  if (port < 0 || port > 65535) {
    *error = fmt::format("{} is not a port (0 to 65535; 0 picks a free one)", port);
    return -1;
  }
  int bound = port == 0 ? http_->bind_to_any_port(address) : (http_->bind_to_port(address, port) ? port : -1);
  if (bound < 0) {
    *error = fmt::format("cannot listen on {} port {} (in use, or not an address of this machine)", address, port);
    return -1;
  }
  access_ = std::make_unique<WebAccess>(address, bound, token);
  return bound;
}

void WebServer::serve() {
  watcher_ = std::thread([this] { watch(); });
  http_->listen_after_bind();
}

void WebServer::stop() {
  if (stopping_.exchange(true)) return;
  events_.close();
  kickWatcher();
  http_->stop();
}

void WebServer::kickWatcher() {
  std::lock_guard<std::mutex> lock(watchMu_);
  kicked_ = true;
  watchWake_.notify_all();
}

void WebServer::addPageWidth(int width) {
  std::lock_guard<std::mutex> lock(widthMu_);
  pageWidths_.insert(width);
}

void WebServer::removePageWidth(int width) {
  std::lock_guard<std::mutex> lock(widthMu_);
  if (auto it = pageWidths_.find(width); it != pageWidths_.end()) pageWidths_.erase(it);
}

int WebServer::frameWidth() const {
  std::lock_guard<std::mutex> lock(widthMu_);
  // A page that did not say (0) gets the device's own width, as does no page at all.
  if (pageWidths_.empty() || *pageWidths_.begin() == 0) return 0;
  return *pageWidths_.rbegin();
}

void WebServer::watch() {
  DeviceLogTail logs({kSpringBoardLogPath, kSettingsLogPath});
  std::string lastStatus;
  auto nextStatus = std::chrono::steady_clock::now();
  auto nextLog = nextStatus;
  while (!stopping_) {
    auto frame = phone_.pollFrame(frameWidth());
    if (frame) {
      // The picture goes with the event: a page shows it without asking for it.
      json event{{"n", frame->number}, {"screen", phoneScreenName(frame->screen)}, {"displayOn", frame->displayOn},
                 {"width", frame->width}, {"height", frame->height}, {"ms", frame->ms}};
      if (frame->displayOn && !frame->jpeg.empty()) event["src"] = "data:image/jpeg;base64," + base64(frame->jpeg);
      events_.publish("frame", event.dump(), WebEvents::Kept::Supersedes);
    }
    auto now = std::chrono::steady_clock::now();
    if (now >= nextStatus) {
      json status = collectWebStatus();
      status["front"] = phoneScreenName(phone_.front());
      std::string text = status.dump(-1, ' ', false, json::error_handler_t::replace);
      // Also when the kept events no longer hold one, so that a page that catches up gets it.
      if (text != lastStatus || events_.latest("status").id == 0) events_.publish("status", text);
      lastStatus = std::move(text);
      nextStatus = now + kStatusPoll;
    }
    if (now >= nextLog) {
      auto lines = logs.poll();
      for (std::size_t i = 0; i < lines.size(); i += kMaxLogLinesPerEvent) {
        auto end = lines.begin() + std::ptrdiff_t(std::min(lines.size(), i + kMaxLogLinesPerEvent));
        events_.publish("log", json{{"lines", json(std::vector<std::string>(lines.begin() + std::ptrdiff_t(i), end))}}
                                   .dump(-1, ' ', false, json::error_handler_t::replace));
      }
      nextLog = now + kLogPoll;
    }
    std::unique_lock<std::mutex> lock(watchMu_);
    auto pause = streams_ == 0 ? kFramePollIdle : frame ? kFramePollMoving : kFramePollActive;
    bool kicked = watchWake_.wait_for(lock, pause,
                                      [&] { return kicked_ || stopping_.load(); });
    if (kicked && !stopping_) nextStatus = std::chrono::steady_clock::now();  // an action: its effects now
    kicked_ = false;
  }
}

void WebServer::routes() {
  httplib::Server& http = *http_;
  http.set_payload_max_length(kMaxBodyBytes);
  // An event is written in a few pieces (its chunk's size, the event, the chunk's end); waiting to
  // gather them behind the page's delayed acknowledgement held a frame back by up to 40 ms.
  http.set_tcp_nodelay(true);
  // Enough workers for a few pages' event streams beside their actions.
  http.new_task_queue = [] { return new httplib::ThreadPool(kMaxEventStreams + 8); };

  httplib::Headers security;
  for (const auto& [name, value] : WebAccess::securityHeaders()) security.emplace(name, value);
  http.set_default_headers(security);
  http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    WebAccessVerdict verdict = access_->decide(WebRequestFacts{req.method, req.path, req.get_header_value("Host"),
                                                               req.has_header("Origin"), req.get_header_value("Origin"),
                                                               req.get_header_value("Cookie"),
                                                               req.get_param_value("token")});
    if (verdict.kind == WebAccessVerdict::Refuse) {
      sendError(res, 403, verdict.why);
      return httplib::Server::HandlerResponse::Handled;
    }
    if (verdict.kind == WebAccessVerdict::EnterWithCookie) {
      res.set_header("Set-Cookie", verdict.setCookie);
      res.set_header("Cache-Control", "no-store");
      res.set_content(verdict.page, "text/html; charset=utf-8");
      return httplib::Server::HandlerResponse::Handled;
    }
    for (const Route& route : kRoutes) {
      if (req.path != route.path) continue;
      bool allowed = false;
      for (const Route& other : kRoutes)
        if (req.path == other.path && (req.method == other.method || (req.method == "HEAD" && std::string(other.method) == "GET")))
          allowed = true;
      if (allowed) return httplib::Server::HandlerResponse::Unhandled;
      res.set_header("Allow", route.method);
      sendError(res, 405, fmt::format("{} takes {}, not {}", req.path, route.method, req.method));
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.method == "GET" && findWebAsset(req.path)) return httplib::Server::HandlerResponse::Unhandled;
    sendError(res, 404, fmt::format("nothing at {} (the page is at /)", req.path.substr(0, 200)));
    return httplib::Server::HandlerResponse::Handled;
  });
  http.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    if (res.status == 413) sendError(res, 413, fmt::format("the body is over {} bytes", kMaxBodyBytes));
    else sendError(res, res.status, fmt::format("the request could not be served (HTTP {})", res.status));
  });

  auto serveAsset = [](const httplib::Request& req, httplib::Response& res) {
    const WebAsset* asset = findWebAsset(req.path == "/" ? "/index.html" : req.path);
    if (!asset) return sendError(res, 404, "no such file");
    res.set_header("Cache-Control", "no-cache");
    res.set_content(std::string(asset->bytes), std::string(asset->contentType).c_str());
  };
  http.Get("/", serveAsset);
  http.Get(R"(/[a-z]+\.(html|css|js|svg))", serveAsset);

  http.Get("/screen.png", [this](const httplib::Request&, httplib::Response& res) {
    std::uint64_t number = phone_.lastFrame().number;
    auto png = phone_.screenPNG();
    if (!png) return sendError(res, 503, "no frame yet: the device is starting or not running");
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Frame-Number", std::to_string(number));
    res.set_content(*png, "image/png");
  });
  http.Get("/frame.jpg", [this](const httplib::Request&, httplib::Response& res) {
    PhoneFrame frame = phone_.lastFrame();
    if (frame.jpeg.empty()) return sendError(res, 503, "no frame yet: the device is starting or not running");
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Frame-Number", std::to_string(frame.number));
    res.set_content(frame.jpeg, "image/jpeg");
  });
  http.Get(R"(/wallpaper/(lock|home)\.png)", [](const httplib::Request& req, httplib::Response& res) {
    auto png = wallpaperThumbnail(req.matches[1].str(), 160, 346);
    if (!png) return sendError(res, 404, "that screen has no readable wallpaper");
    res.set_header("Cache-Control", "no-store");
    res.set_content(*png, "image/png");
  });
  http.Get("/api/state", [this](const httplib::Request&, httplib::Response& res) {
    PhoneFrame frame = phone_.lastFrame();
    PhonePoint size = phone_.screenSize();
    json status = json::parse(events_.latest("status").data, nullptr, false);
    sendJSON(res, 200, json{{"ok", true},
                            {"screen", {{"width", size.x}, {"height", size.y}}},
                            {"front", phoneScreenName(phone_.front())},
                            {"frame", frame.number},
                            {"displayOn", frame.displayOn},
                            {"status", status.is_discarded() ? json(nullptr) : status}});
  });

  http.Get("/events", [this](const httplib::Request& req, httplib::Response& res) {
    // The width in pixels the page shows the screen at: frames are drawn for the widest page.
    int width = 0;
    if (req.has_param("width")) {
      std::string text = req.get_param_value("width");
      if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos ||
          (width = std::stoi(text)) < 1)
        return sendError(res, 400, "width is the screen's width on the page in pixels, a whole number from 1");
    }
    if (streams_.fetch_add(1) >= kMaxEventStreams) {
      streams_.fetch_sub(1);
      return sendError(res, 503, fmt::format("already {} pages follow this device", kMaxEventStreams));
    }
    addPageWidth(width);
    kickWatcher();
    std::uint64_t last = 0;
    std::string lastHeader = req.get_header_value("Last-Event-ID");
    if (!lastHeader.empty() && lastHeader.size() < 20 &&
        std::all_of(lastHeader.begin(), lastHeader.end(), [](char c) { return c >= '0' && c <= '9'; }))
      last = std::stoull(lastHeader);
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Accel-Buffering", "no");
    auto first = std::make_shared<bool>(true);
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, last, first](std::size_t, httplib::DataSink& sink) mutable {
          std::vector<WebEvent> events;
          std::string out;
          if (*first) {
            *first = false;
            out = "retry: 1000\n\n";
            if (last == 0) events = events_.catchUp();
          }
          if (events.empty()) events = events_.waitAfter(last, kStreamKeepAlive);
          if (events_.closed()) {
            sink.done();
            return false;
          }
          for (const WebEvent& e : events) {
            out += formatServerSentEvent(e);
            last = std::max(last, e.id);
          }
          if (out.empty()) out = ": still here\n\n";
          return sink.write(out.data(), out.size());
        },
        [this, width](bool) {
          removePageWidth(width);
          streams_.fetch_sub(1);
        });
  });

  auto action = [this](auto&& act) {
    return [this, act](const httplib::Request& req, httplib::Response& res) {
      auto body = jsonBody(req, res);
      if (!body) return;
      PhoneReply reply = act(*body, res);
      if (reply.status == 0) return;  // answered already
      sendReply(res, reply);
      kickWatcher();
    };
  };
  http.Post("/api/tap", action([this](const json& body, httplib::Response&) {
    auto p = pointField(body);
    if (!p) return PhoneReply{400, json{{"ok", false}, {"error", "a tap needs numbers x and y, in points"}}};
    return phone_.tap(*p);
  }));
  http.Post("/api/drag", action([this](const json& body, httplib::Response&) {
    auto from = pointField(body, "from"), to = pointField(body, "to");
    if (!from || !to)
      return PhoneReply{400, json{{"ok", false}, {"error", "a drag needs from and to, each with x and y in points"}}};
    return phone_.drag(*from, *to);
  }));
  http.Post("/api/touch", action([this](const json& body, httplib::Response&) {
    auto p = pointField(body);
    auto t = numberField(body, "t");
    if (!p || !t)
      return PhoneReply{400, json{{"ok", false}, {"error", "a touch needs its phase, x and y in points, and t in milliseconds"}}};
    return phone_.touch(stringField(body, "phase"), *p, *t / 1000);
  }));
  http.Post("/api/scroll", action([this](const json& body, httplib::Response&) {
    auto p = pointField(body);
    auto dx = numberField(body, "dx"), dy = numberField(body, "dy");
    if (!p || !dx || !dy)
      return PhoneReply{400, json{{"ok", false}, {"error", "a scroll needs x and y, and dx and dy, in points"}}};
    return phone_.scroll(*p, PhonePoint{*dx, *dy});
  }));
  http.Post("/api/key", action([this](const json& body, httplib::Response&) { return phone_.key(stringField(body, "key")); }));
  http.Post("/api/button", action([this](const json& body, httplib::Response&) {
    std::string name = stringField(body, "name");
    if (name == "side") return phone_.sideButton();
    if (name == "home") return phone_.homeButton();
    return PhoneReply{400, json{{"ok", false}, {"error", "the buttons are side and home"}}};
  }));
  http.Post("/api/clock", action([this](const json& body, httplib::Response&) {
    if (body.contains("time")) return phone_.setClock(stringField(body, "time"));
    auto advance = numberField(body, "advance");
    if (!advance || *advance != std::floor(*advance))
      return PhoneReply{400, json{{"ok", false}, {"error", "the clock takes a time (\"HH:MM\") or advance (whole seconds)"}}};
    return phone_.advanceClock(long(std::clamp(*advance, -1e9, 1e9)));
  }));
  http.Post("/api/network", action([this](const json& body, httplib::Response&) {
    return phone_.setNetwork(stringField(body, "kind"));
  }));
}
