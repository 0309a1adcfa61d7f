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

}  // namespace

void OrbelTovaluneController::fetchRandomImageWithHandler(ImageCompletion completion) {
  auto self = shared_from_this();
  ImageCompletion storing = [self, completion](std::shared_ptr<UIImage> image) {
    self->saveImageToStore(image);
    completion(image);
  };
  switch (CurrentProvider) {
    case 0: fetchRandomLocalImageWithHandler(std::move(completion)); break;
    case 1: fetchCustomImageWithHandler(std::move(storing)); break;
    case 2: fetchRandomImageFromMicrosoftWithHandler(std::move(storing)); break;
    case 3: fetchRandomImageFromUnsplashWithHandler(std::move(storing)); break;
    case 4: fetchRandomImageFromDesktopprWithHandler(std::move(storing)); break;
    case 5: fetchRandomImageFromPicsumWithHandler(std::move(storing)); break;
    case 6: fetchRandomImageFromFlickrWithHandler(std::move(storing)); break;
    case 7: fetchRandomImageFromCatAPIWithHandler(std::move(storing)); break;
    case 8: fetchRandomImageFromPhotosAlbumWithHandler(std::move(completion), PhotosAlbumIdentifier); break;
    default: break;
  }
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
