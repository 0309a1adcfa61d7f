// HTTP retrieval and the store of recent pictures, shared by the providers.
#include <algorithm>
#include <chrono>
#include <thread>

#include <fmt/format.h>

#include "engine/providers/OrbelTovaluneController.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUUID.h"
#include "platform/net/NSData.h"
#include "platform/net/NSURLSession.h"

void OrbelTovaluneController::getDataFrom(const std::string& url, TextCompletion handler) {
  getDataFrom(url, "GET", std::nullopt, std::move(handler));
}

void OrbelTovaluneController::getDataFrom(const std::string& url, const std::string& method,
                                          const std::optional<std::string>& body, TextCompletion handler) {
  NSURLRequest request;
  request.HTTPMethod = method;
  if (body) {
    request.HTTPBody = *body;
    request.setValue(fmt::format("{}", body->size()), "Content-Length");
  }
  request.URL = NSURL::URLWithString(url);
  auto session = NSURLSession::sessionWithConfiguration(NSURLSessionConfiguration::defaultSessionConfiguration(),
                                                        shared_from_this(), nullptr);
  // A failed transfer is logged by the platform; an answer the services never give in good times
  // (another status, text that is not UTF-8) is logged here, since the providers only see nil.
  auto task = session->dataTaskWithRequest(
      std::move(request), [url, handler = std::move(handler)](std::optional<std::string> data, int statusCode,
                                                              std::optional<std::string>) {
        if (!data) {
          handler(std::nullopt);
          return;
        }
        if (statusCode != 200) {
          NSLog("[Tovalune] {} answered with HTTP status {}", url, statusCode);
          handler(std::nullopt);
          return;
        }
        std::optional<std::string> text = platform::stringWithUTF8Data(*data);
        if (!text) NSLog("[Tovalune] {} answered with text that is not UTF-8", url);
        handler(std::move(text));
      });
  task->resume();
}

std::shared_ptr<UIImage> OrbelTovaluneController::imageWithUrl(const std::optional<std::string>& url) {
  if (!url) return nullptr;
  auto data = platform::dataWithContentsOfURL(NSURL::URLWithString(*url), NSDataReadingUncached);
  if (!data) return nullptr;
  return UIImage::imageWithData(*data);
}

void OrbelTovaluneController::saveImageToStore(std::shared_ptr<UIImage> image) {
  if (StoreLast < 1) return;
  const std::string storePath = StorePath.value_or("");
  const int keep = StoreLast;
  auto self = shared_from_this();
  platform::dispatch_async(platform::dispatch_get_global_queue(platform::QueuePriority::Background),
                           [self, image = std::move(image), storePath, keep] {
                             if (!platform::directoryExistsAtPath(storePath))
                               platform::createDirectoryAtPath(storePath, true);
                             self->pruneStore(storePath, keep);
                             std::string path = platform::stringByAppendingPathComponent(
                                 storePath, fmt::format("{}.png", platform::UUIDString()));
                             NSLog("Creating file: {}", path);
                             if (auto png = UIImagePNGRepresentation(image.get()))
                               platform::writeFile(path, *png, true);
                           });
}

void OrbelTovaluneController::pruneStore(const std::string& storePath, int keep) {
  struct Entry {
    std::string path;
    double modified;
  };
  std::vector<Entry> pictures;
  for (const std::string& name : platform::contentsOfDirectoryAtPath(storePath).value_or(std::vector<std::string>{})) {
    if (platform::lowercaseString(platform::pathExtension(name)) != "png") continue;
    std::string path = platform::stringByAppendingPathComponent(storePath, name);
    // A file that vanished since the listing sorts as the oldest; its deletion then counts as done.
    pictures.push_back({path, platform::contentModificationDate(path).value_or(0)});
  }
  std::stable_sort(pictures.begin(), pictures.end(),
                   [](const Entry& a, const Entry& b) { return b.modified < a.modified; });

  int budget = 10;
  while (!pictures.empty() && budget >= 1 && pictures.size() > static_cast<std::size_t>(keep)) {
    const std::string& oldest = pictures.back().path;
    NSLog("Remove File: {}", oldest);
    int failures = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (platform::removeItemAtPath(oldest)) break;
      // Another store run already removed it: that is what this run wanted, so it is done.
      if (!platform::fileExistsAtPath(oldest)) break;
      ++failures;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    budget -= failures;
    pictures.pop_back();
  }
}
