// The providers that read an answer before the picture: the Microsoft placement feed and
// Desktoppr, whose JSON walks are fixed by what those services send; and the photo-library album.
#include <stdlib.h>

#include <nlohmann/json.hpp>

#include "engine/providers/OrbelTovaluneController.h"
#include "platform/foundation/NSLog.h"
#include "platform/photos/PHAsset.h"
#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PHCollectionList.h"
#include "platform/photos/PHConstants.h"
#include "platform/photos/PHImageManager.h"

using nlohmann::json;

namespace {

// A walk step as the device's collections answer it: a missing key of a dictionary is nil and nil
// answers everything with nil, while a value of another type or an index past the end raises.
struct WalkError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

const json* key(const json* node, const char* name) {
  if (!node || node->is_null()) return nullptr;
  if (!node->is_object()) throw WalkError(fmt::format("-[{} objectForKeyedSubscript:]: unrecognized selector (key \"{}\")", node->type_name(), name));
  auto it = node->find(name);
  return it == node->end() ? nullptr : &*it;
}

const json* index(const json* node, std::size_t i) {
  if (!node || node->is_null()) return nullptr;
  if (!node->is_array()) throw WalkError(fmt::format("-[{} objectAtIndexedSubscript:]: unrecognized selector", node->type_name()));
  if (i >= node->size())
    throw WalkError(fmt::format("*** -[__NSArrayM objectAtIndexedSubscript:]: index {} beyond bounds for empty array", i));
  return &(*node)[i];
}

// NSString from a JSON value: nil for nil, raising for anything but a string.
std::optional<std::string> string(const json* node) {
  if (!node || node->is_null()) return std::nullopt;
  if (!node->is_string()) throw WalkError(fmt::format("-[{} length]: unrecognized selector", node->type_name()));
  return node->get<std::string>();
}

// The JSON of a service's answer. With no answer, or text that is no JSON (logged as the provider's
// first step), the completion gets nil and there is nothing to walk.
std::optional<json> parseAnswer(const std::optional<std::string>& text, const char* method,
                                const ImageCompletion& completion) {
  if (text) {
    try {
      return json::parse(*text);
    } catch (const json::parse_error& e) {
      NSLog("[Tovalune] {}(1): {}", method, e.what());
    }
  }
  completion(nullptr);
  return std::nullopt;
}

}  // namespace

void OrbelTovaluneController::fetchRandomImageFromMicrosoftWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from Microsoft...");
  ScreenSize s = screenSize();
  std::string url = fmt::format(
      "https://{}/v3/Delivery/Placement?pid=209567&fmt=json&rafb=0&ua=WindowsShellClient%2F0&cdm=1&disphorzres={}"
      "&dispvertres={}&lo=80217&pl=en-US&lc=en-US&ctry=us&time=2017-12-31T23:59:59Z",
      Hosts.Microsoft, s.height, s.width);
  auto self = shared_from_this();
  getDataFrom(url, [self, completion](std::optional<std::string> text) {
    std::optional<json> root = parseAnswer(text, "fetchRandomImageFromMicrosoftWithHandler", completion);
    if (!root) return;
    std::optional<std::string> picture;
    try {
      std::optional<std::string> item = string(key(index(key(key(&*root, "batchrsp"), "items"), 0), "item"));
      if (!item) throw WalkError("*** +[NSJSONSerialization JSONObjectWithData:options:error:]: data parameter is nil");
      json inner;
      try {
        inner = json::parse(*item);
      } catch (const json::parse_error& e) {
        NSLog("[Tovalune] fetchRandomImageFromMicrosoftWithHandler(2): {}", e.what());
        completion(nullptr);
        return;
      }
      picture = string(key(key(key(&inner, "ad"), "image_fullscreen_001_portrait"), "u"));
    } catch (const std::exception& e) {
      NSLog("[Tovalune] fetchRandomImageFromMicrosoftWithHandler(3): {}", e.what());
      completion(nullptr);
      return;
    }
    completion(self->imageWithUrl(picture));
  });
}

void OrbelTovaluneController::fetchRandomImageFromDesktopprWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from Desktoppr...");
  auto self = shared_from_this();
  getDataFrom(fmt::format("https://{}/1/wallpapers/random", Hosts.Desktoppr),
              [self, completion](std::optional<std::string> text) {
                std::optional<json> root = parseAnswer(text, "fetchRandomImageFromDesktopprWithHandler", completion);
                if (!root) return;
                std::optional<std::string> url;
                try {
                  url = string(key(key(key(&*root, "response"), "image"), "url"));
                } catch (const WalkError& e) {
                  // An answer of another shape: no picture rather than a crash of SpringBoard.
                  NSLog("[Tovalune] fetchRandomImageFromDesktopprWithHandler(2): {}", e.what());
                }
                completion(self->imageWithUrl(url));
              });
}

void OrbelTovaluneController::fetchRandomImageFromPhotosAlbumWithHandler(
    ImageCompletion completion, const std::optional<std::string>& albumIdentifier) {
  if (!albumIdentifier) return;
  std::shared_ptr<PHCollection> album;
  auto search = [&](const auto& fetch) {
    for (std::size_t i = 0; i < fetch.count() && !album; ++i)
      if (fetch.objectAtIndex(i)->localIdentifier() == *albumIdentifier) album = fetch.objectAtIndex(i);
  };
  search(PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeSmartAlbum, 2, nullptr));
  if (!album) search(PHCollectionList::fetchTopLevelUserCollectionsWithOptions(nullptr));
  if (!album) search(PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeAlbum, 5, nullptr));
  if (!album) return;
  PHFetchResult<PHAsset> assets = PHAsset::fetchAssetsInAssetCollection(album, nullptr);
  // An album without pictures yields no picture, so a lock-then-home refresh still goes on.
  if (assets.count() == 0) {
    completion(nullptr);
    return;
  }
  std::shared_ptr<PHAsset> asset = assets.objectAtIndex(arc4random() % assets.count());
  PHImageRequestOptions options;
  options.deliveryMode = PHImageRequestOptionsDeliveryModeHighQualityFormat;
  options.synchronous = true;
  options.networkAccessAllowed = true;
  auto manager = std::make_shared<PHImageManager>();
  manager->requestImageForAsset(asset, PHImageManagerMaximumSize, PHImageContentModeAspectFit, &options,
                                [&](std::shared_ptr<UIImage> image, const PHImageResultInfo&) { completion(image); });
}
