#include "platform/photos/PHCollection.h"

#include "platform/photos/PHAssetCollection.h"
#include "platform/photos/PHCollectionList.h"
#include "platform/photos/PhotoLibrary.h"

namespace {
template <typename T>
PHFetchResult<T> resultOf(const std::vector<platform::PhotoCollectionRecord>& records) {
  std::vector<std::shared_ptr<T>> objects;
  for (const auto& r : records)
    if (auto object = std::dynamic_pointer_cast<T>(PHCollection::fromRecord(r))) objects.push_back(object);
  return PHFetchResult<T>(std::move(objects));
}
}  // namespace

std::shared_ptr<PHCollection> PHCollection::fromRecord(const platform::PhotoCollectionRecord& r) {
  if (r.isCollectionList) return std::make_shared<PHCollectionList>(r.localIdentifier, r.title, r.type, r.subtype);
  return std::make_shared<PHAssetCollection>(r.localIdentifier, r.title, r.type, r.subtype);
}

PHFetchResult<PHCollection> PHCollection::fetchTopLevelUserCollectionsWithOptions(const PHFetchOptions* options) {
  if (!platform::photoLibraryFetchAllowed("fetchTopLevelUserCollectionsWithOptions")) return {};
  return resultOf<PHCollection>(platform::photoLibraryTopLevelUserCollections(fetchLimitOf(options)));
}

PHFetchResult<PHCollection> PHCollection::fetchCollectionsInCollectionList(const std::shared_ptr<PHCollectionList>& list,
                                                                           const PHFetchOptions* options) {
  if (!list || !platform::photoLibraryFetchAllowed("fetchCollectionsInCollectionList")) return {};
  return resultOf<PHCollection>(platform::photoLibraryCollectionsInList(list->localIdentifier(), fetchLimitOf(options)));
}

PHFetchResult<PHAssetCollection> PHAssetCollection::fetchAssetCollectionsWithType(int type, int subtype,
                                                                                  const PHFetchOptions* options) {
  if (!platform::photoLibraryFetchAllowed("fetchAssetCollectionsWithType")) return {};
  return resultOf<PHAssetCollection>(platform::photoLibraryAssetCollections(type, subtype, fetchLimitOf(options)));
}
