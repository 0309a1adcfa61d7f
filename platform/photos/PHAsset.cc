#include "platform/photos/PHAsset.h"

#include "platform/foundation/NSLog.h"
#include "platform/photos/PhotoLibrary.h"

PHFetchResult<PHAsset> PHAsset::fetchAssetsInAssetCollection(const std::shared_ptr<PHCollection>& collection,
                                                             const PHFetchOptions* options) {
  if (!collection || !collection->canContainAssets()) {
    NSLog("Photos: fetchAssetsInAssetCollection needs an album, got {}",
          collection ? collection->localIdentifier() : std::string("nothing"));
    return {};
  }
  if (!platform::photoLibraryFetchAllowed("fetchAssetsInAssetCollection")) return {};
  std::vector<std::shared_ptr<PHAsset>> assets;
  for (const auto& r : platform::photoLibraryAssetsInCollection(collection->localIdentifier(), fetchLimitOf(options)))
    assets.push_back(std::make_shared<PHAsset>(r.localIdentifier, r.path, r.pixelWidth, r.pixelHeight, r.creationDate));
  return PHFetchResult<PHAsset>(std::move(assets));
}
