// The providers that read an answer before the picture: the Microsoft placement feed and
// Desktoppr (their walks are in ProviderAnswers); and the photo-library album.
#include <stdlib.h>

#include "engine/providers/OrbelTovaluneController.h"
#include "engine/providers/ProviderAnswers.h"
#include "platform/foundation/NSLog.h"
#include "platform/photos/PHAsset.h"
#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PHCollectionList.h"
#include "platform/photos/PHConstants.h"
#include "platform/photos/PHImageManager.h"

void OrbelTovaluneController::fetchRandomImageFromMicrosoftWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from Microsoft...");
  ScreenSize s = screenSize();
  std::string url = fmt::format(
      "https://{}/v3/Delivery/Placement?pid=209567&fmt=json&rafb=0&ua=WindowsShellClient%2F0&cdm=1&disphorzres={}"
      "&dispvertres={}&lo=80217&pl=en-US&lc=en-US&ctry=us&time=2017-12-31T23:59:59Z",
      Hosts.Microsoft, s.height, s.width);
  auto self = shared_from_this();
  getDataFrom(url, [self, completion](std::optional<std::string> text) {
    completion(self->imageWithUrl(microsoftPictureURL(text)));
  });
}

void OrbelTovaluneController::fetchRandomImageFromDesktopprWithHandler(ImageCompletion completion) {
  NSLog("Fetching random image from Desktoppr...");
  auto self = shared_from_this();
  getDataFrom(fmt::format("https://{}/1/wallpapers/random", Hosts.Desktoppr),
              [self, completion](std::optional<std::string> text) {
                completion(self->imageWithUrl(desktopprPictureURL(text)));
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
  search(PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeSmartAlbum,
                                                         PHAssetCollectionSubtypeAlbumRegular, nullptr));
  if (!album) search(PHCollectionList::fetchTopLevelUserCollectionsWithOptions(nullptr));
  if (!album)
    search(PHAssetCollection::fetchAssetCollectionsWithType(PHAssetCollectionTypeAlbum,
                                                            PHAssetCollectionSubtypeAlbumSyncedAlbum, nullptr));
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
