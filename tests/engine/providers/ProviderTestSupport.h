#pragma once
// A device whose six picture services all live on one local server, with a 1125x2436-pixel screen.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/providers/OrbelTovaluneController.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSLog.h"
#include "tests/support/LocalHttpServer.h"
#include "platform/foundation/DeviceSettings.h"
#include "tests/support/TempDeviceRoot.h"

// PNG bytes of a w x h picture of one colour.
std::string pngPicture(int w, int h, std::uint8_t red = 200);
std::string readSample(const std::string& name);

// Collects what completions receive; waits for the queues the providers use.
class CompletionRecorder {
 public:
  ImageCompletion completion();
  // Waits until every queued task has run, then returns the pictures received (nullptr for nil).
  std::vector<std::shared_ptr<UIImage>> settle();
  int calls() const { return calls_; }

 private:
  std::mutex mu_;
  std::vector<std::shared_ptr<UIImage>> received_;
  std::atomic<int> calls_{0};
};

class ProviderTest : public ::testing::Test {
 protected:
  ProviderTest();
  ~ProviderTest() override;
  // A controller as the refresh cycle makes it, with the store off unless a test turns it on.
  std::shared_ptr<OrbelTovaluneController> controller(int provider);
  // Serves a picture at a path of the local server.
  void servePicture(const std::string& path, int w = 20, int h = 30);
  std::vector<std::string> requestedURLs() const;

  TempDeviceRoot root;
  LocalHttpServer server;
  platform::LogCapture log;
  CompletionRecorder recorder;

 private:
  mutable std::mutex urlMu_;
  std::vector<std::string> urls_;
};
