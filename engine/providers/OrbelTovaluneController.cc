#include "engine/providers/OrbelTovaluneController.h"

#include <stdlib.h>

#include <fmt/format.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "platform/uikit/UIScreen.h"

namespace {

platform::DispatchQueue& backgroundQueue() {
  return platform::dispatch_get_global_queue(platform::QueuePriority::Background);
}

using Controller = OrbelTovaluneController;

// Each provider's fetch, and whether its picture is also kept in the store: the pictures that came
// from the network are, the user's own (local folder, photo album) are not copied.
struct ProviderEntry {
  ImageProvider provider;
  void (*fetch)(Controller& controller, ImageCompletion completion);
  bool keepsPicture;
};

constexpr ProviderEntry kProviders[] = {
    {ProviderLocalFolder, [](Controller& c, ImageCompletion h) { c.fetchRandomLocalImageWithHandler(std::move(h)); },
     false},
    {ProviderCustomURL, [](Controller& c, ImageCompletion h) { c.fetchCustomImageWithHandler(std::move(h)); }, true},
    {ProviderMicrosoft, [](Controller& c, ImageCompletion h) { c.fetchRandomImageFromMicrosoftWithHandler(std::move(h)); },
     true},
    {ProviderUnsplash, [](Controller& c, ImageCompletion h) { c.fetchRandomImageFromUnsplashWithHandler(std::move(h)); },
     true},
    {ProviderDesktoppr, [](Controller& c, ImageCompletion h) { c.fetchRandomImageFromDesktopprWithHandler(std::move(h)); },
     true},
    {ProviderPicsum, [](Controller& c, ImageCompletion h) { c.fetchRandomImageFromPicsumWithHandler(std::move(h)); },
     true},
    {ProviderLoremFlickr, [](Controller& c, ImageCompletion h) { c.fetchRandomImageFromFlickrWithHandler(std::move(h)); },
     true},
    {ProviderCatAPI, [](Controller& c, ImageCompletion h) { c.fetchRandomImageFromCatAPIWithHandler(std::move(h)); },
     true},
    {ProviderPhotosAlbum,
     [](Controller& c, ImageCompletion h) {
       c.fetchRandomImageFromPhotosAlbumWithHandler(std::move(h), c.PhotosAlbumIdentifier);
     },
     false},
};

// The table is indexed by the stored number.
constexpr bool tableFollowsTheNumbers() {
  int number = 0;
  for (const ProviderEntry& entry : kProviders)
    if (entry.provider != number++) return false;
  return number == kImageProviderCount;
}
static_assert(tableFollowsTheNumbers());

}  // namespace

void OrbelTovaluneController::fetchRandomImageWithHandler(ImageCompletion completion) {
  if (CurrentProvider < 0 || CurrentProvider >= kImageProviderCount) return;
  const ProviderEntry& entry = kProviders[CurrentProvider];
  if (!entry.keepsPicture) {
    entry.fetch(*this, std::move(completion));
    return;
  }
  auto self = shared_from_this();
  entry.fetch(*this, [self, completion = std::move(completion)](std::shared_ptr<UIImage> image) {
    self->saveImageToStore(image);
    completion(image);
  });
}

OrbelTovaluneController::ScreenSize OrbelTovaluneController::screenSize() const {
  CGRect r = FullResolution ? UIScreen::mainScreen().nativeBounds() : UIScreen::mainScreen().bounds();
  return {static_cast<int>(r.size.width), static_cast<int>(r.size.height)};
}

void OrbelTovaluneController::fetchDirectImage(std::string url, ImageCompletion completion) {
  auto self = shared_from_this();
  platform::dispatch_async(backgroundQueue(), [self, url = std::move(url), completion = std::move(completion)] {
    completion(self->imageWithUrl(url));
  });
}

void OrbelTovaluneController::fetchRandomImageFromUnsplashWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from Unsplash...");
  ScreenSize s = screenSize();
  fetchDirectImage(fmt::format("https://{}/random/{}x{}", Hosts.Unsplash, s.width, s.height), std::move(completion));
}

void OrbelTovaluneController::fetchRandomImageFromPicsumWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from Picsum...");
  ScreenSize s = screenSize();
  fetchDirectImage(fmt::format("https://{}/{}/{}/?random", Hosts.Picsum, s.height, s.width), std::move(completion));
}

void OrbelTovaluneController::fetchRandomImageFromFlickrWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from Flickr...");
  ScreenSize s = screenSize();
  fetchDirectImage(fmt::format("https://{}/{}/{}/landscape", Hosts.LoremFlickr, s.height, s.width),
                   std::move(completion));
}

void OrbelTovaluneController::fetchRandomImageFromCatAPIWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from CatAPI...");
  fetchDirectImage(fmt::format("http://{}/api/images/get", Hosts.CatAPI), std::move(completion));
}

void OrbelTovaluneController::fetchCustomImageWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from custom provider: {}...", CustomProvider ? *CustomProvider : "(null)");
  if (!CustomProvider || platform::stringByTrimmingWhitespace(*CustomProvider).empty()) return;
  std::string url = *CustomProvider;
  if (CustomProviderIncludeSize) {
    ScreenSize s = screenSize();
    url = fmt::format("{}/{}/{}", url, s.width, s.height);
  }
  fetchDirectImage(std::move(url), std::move(completion));
}

void OrbelTovaluneController::fetchRandomLocalImageWithHandler(ImageCompletion completion) {
  NSLog("Fetching random local image...");
  auto self = shared_from_this();
  platform::dispatch_async(backgroundQueue(), [self, completion = std::move(completion)] {
    const std::string folder = self->LocalPath.value_or("");
    if (!self->LocalPath || !platform::directoryExistsAtPath(folder)) {
      NSLog("Could not find local folder: {}", self->LocalPath ? folder : "(null)");
      return;
    }
    auto names = platform::contentsOfDirectoryAtPath(folder);
    if (!names || names->empty()) {
      NSLog("Could not find any files in local folder: {}", folder);
      return;
    }
    const std::string& name = (*names)[arc4random() % names->size()];
    completion(UIImage::imageWithContentsOfFile(platform::stringByAppendingPathComponent(folder, name)));
  });
}
