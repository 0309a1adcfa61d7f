// A server that misbehaves in every way a phone meets, against the real engine in the real
// SpringBoard: the wallpapers stay as they were, SpringBoard keeps answering, each refresh ends
// within the request timeouts (shortened for the test), so lock sees it settle, and the log says
// which protection turned the answer away.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <mutex>

#include "shared/TovalunePreferencesManager.h"
#include "tests/device/faults/FaultDevice.h"

using namespace std::chrono_literals;

namespace {

constexpr const char* kTimeoutSeconds = "3";

std::uint32_t crc32Of(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string bigEndian(std::uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string chunk(const std::string& type, const std::string& data) {
  return bigEndian(std::uint32_t(data.size())) + type + data + bigEndian(crc32Of(type + data));
}

// A valid PNG signature and header for a picture of 100000 x 100000, and almost no pixel data.
std::string pngClaimingAHugeSize() {
  std::string header = bigEndian(100000) + bigEndian(100000) + std::string("\x08\x06\x00\x00\x00", 5);
  std::string idat("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", idat) + chunk("IEND", "");
}

class NetworkFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SIMULATED_DEVICE_HTTP_TIMEOUT_SECONDS", kTimeoutSeconds, 1);
    serve();
    ASSERT_NO_FATAL_FAILURE(bootDeviceWithEngine());
    auto routed = runLauncher({"route", "api.desktoppr.co", server_.address()});
    ASSERT_EQ(routed.status, 0) << routed.err;
    TovalunePreferencesManager::setPrefForKey("Location", 3);
  }
  void TearDown() override { ::unsetenv("SIMULATED_DEVICE_HTTP_TIMEOUT_SECONDS"); }

  void serve() {
    auto& s = server_.server();
    s.Get("/404", [](const auto&, auto& res) {
      res.status = 404;
      res.set_content("<html>not found</html>", "text/html");
    });
    s.Get("/500", [](const auto&, auto& res) {
      res.status = 500;
      res.set_content("oops", "text/plain");
    });
    s.Get("/short", [this](const auto&, auto& res) {
      res.set_content_provider(std::size_t(5000), "image/png", [this](std::size_t, std::size_t, httplib::DataSink& sink) {
        sink.write(picture_.data(), std::min<std::size_t>(100, picture_.size()));
        return false;  // the connection ends before the promised length
      });
    });
    s.Get("/text", [](const auto&, auto& res) { res.set_content("hello, this is no picture", "image/png"); });
    s.Get("/bytes", [](const auto&, auto& res) { res.set_content(std::string("\xff\xfe\x00\xc3\x28\x80", 6), "image/png"); });
    s.Get("/loop", [](const auto&, auto& res) { res.set_redirect("/loop"); });
    s.Get("/empty", [](const auto&, auto& res) { res.set_content("", "image/png"); });
    s.Get("/drip", [](const auto&, auto& res) {
      res.set_chunked_content_provider("image/png", [](std::size_t offset, httplib::DataSink& sink) {
        if (offset >= 120) return false;
        std::this_thread::sleep_for(1s);
        return sink.write("\x89", 1);
      });
    });
    s.Get("/endless", [](const auto&, auto& res) {
      res.set_chunked_content_provider("image/png", [](std::size_t offset, httplib::DataSink& sink) {
        static const std::string megabyte(1 << 20, '\0');
        if (offset >= (80u << 20)) return false;
        return sink.write(megabyte.data(), megabyte.size());
      });
    });
    s.Get("/huge", [](const auto&, auto& res) { res.set_content(pngClaimingAHugeSize(), "image/png"); });
    // Desktoppr's answers, all with a fine picture behind them should anything follow a URL.
    s.Get("/fine.png", [this](const auto&, auto& res) { res.set_content(picture_, "image/png"); });
    s.Get("/1/wallpapers/random", [this](const httplib::Request&, httplib::Response& res) {
      std::string fine = server_.url("/fine.png");
      std::string answer;
      {
        std::lock_guard lock(answerMu_);
        answer = desktopprAnswer_;
      }
      if (answer == "500") {
        res.status = 500;
        res.set_content(R"({"response":{"image":{"url":")" + fine + R"("}}})", "application/json");
      } else if (answer == "not-utf8") {
        res.set_content("{\"response\":{\"image\":{\"url\":\"" + fine + "\xff\xfe\"}}}", "application/json");
      } else if (answer == "shape") {
        res.set_content(R"({"response":[{"image":{"url":")" + fine + R"("}}]})", "application/json");
      } else {
        res.set_content("<html>" + fine + "</html>", "text/html");
      }
    });
  }

  LocalHttpServer server_;
  ResettingServer resetting_;
  std::string picture_ = pngPicture(40, 80, 60);
  std::mutex answerMu_;
  std::string desktopprAnswer_;  // which bad answer Desktoppr gives now
  TempDeviceRoot root_;
  BootedDeviceGuard guard_;
};

TEST_F(NetworkFaults, EveryBadAnswerLeavesTheWallpapersAndEndsWithinTheTimeouts) {
  const struct {
    const char* name;
    std::string customURL;  // provider 1 when set
    std::string desktopprAnswer;
    const char* logged;  // what SpringBoard's log says of it
  } faults[] = {
      {"404 with a page", server_.url("/404"), "", "Not a picture (22 bytes"},
      {"500", server_.url("/500"), "", "Not a picture (4 bytes"},
      {"body shorter than its Content-Length", server_.url("/short"), "", "/short failed: transfer closed"},
      {"no picture", server_.url("/text"), "", "Not a picture (25 bytes"},
      {"bytes that are not UTF-8", server_.url("/bytes"), "", "Not a picture (6 bytes"},
      {"redirect loop", server_.url("/loop"), "", "/loop failed: too many HTTP redirects"},
      {"empty 200", server_.url("/empty"), "", "Not a picture (0 bytes"},
      {"reset connection", resetting_.url("/reset.png"), "", "/reset.png failed: "},
      {"a byte a second", server_.url("/drip"), "", "/drip failed: Operation timed out"},
      {"larger than the cap", server_.url("/endless"), "", "/endless failed: response body exceeds 64 MiB"},
      {"header claims 100000 x 100000", server_.url("/huge"), "", "refused: larger than 100000000 pixels"},
      {"Desktoppr 500", "", "500", "answered with HTTP status 500"},
      {"Desktoppr not UTF-8", "", "not-utf8", "answered with text that is not UTF-8"},
      {"Desktoppr JSON of the wrong shape", "", "shape", "fetchRandomImageFromDesktopprWithHandler(2)"},
      {"Desktoppr not JSON", "", "html", "fetchRandomImageFromDesktopprWithHandler(1)"},
  };
  const auto before = wallpaperHashes();
  ASSERT_FALSE(before.empty());
  const pid_t pid = springBoardPid();
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.name);
    {
      std::lock_guard lock(answerMu_);
      desktopprAnswer_ = fault.desktopprAnswer;
    }
    if (!fault.customURL.empty()) {
      TovalunePreferencesManager::setPrefForKey("ImageMode", 1);
      TovalunePreferencesManager::setPrefForKey("CustomURL", fault.customURL);
    } else {
      TovalunePreferencesManager::setPrefForKey("ImageMode", 4);
    }
    ASSERT_NO_FATAL_FAILURE(passCoolDown());
    std::size_t requestsBefore = server_.requestCount();
    int resetsBefore = resetting_.connections();
    const std::size_t logBefore = runLauncher({"logs"}).out.size();
    auto locked = runLauncher({"lock", "--wait", "30"});
    ASSERT_EQ(locked.status, 0) << locked.out << locked.err;
    std::string logged = runLauncher({"logs"}).out;
    logged.erase(0, std::min(logBefore, logged.size()));
    EXPECT_NE(logged.find(fault.logged), std::string::npos) << logged;
    EXPECT_EQ(locked.out.find("still running"), std::string::npos) << "the refresh outlived its timeouts";
    EXPECT_GT(server_.requestCount() - requestsBefore + std::size_t(resetting_.connections() - resetsBefore), 0u)
        << "the fault was never met";
    EXPECT_EQ(wallpaperHashes(), before);
    EXPECT_EQ(springBoardPid(), pid) << "SpringBoard restarted";
    ASSERT_EQ(runLauncher({"unlock"}).status, 0);
  }
  EXPECT_TRUE(brokenPictures("/var/mobile/Library/TovaluneStore").empty());

  // The same device still changes wallpapers when the server behaves.
  TovalunePreferencesManager::setPrefForKey("ImageMode", 1);
  TovalunePreferencesManager::setPrefForKey("CustomURL", server_.url("/fine.png"));
  ASSERT_NO_FATAL_FAILURE(passCoolDown());
  ASSERT_EQ(runLauncher({"lock"}).status, 0);
  EXPECT_NE(wallpaperHashes(), before);
}

}  // namespace
