#pragma once
// PHCollection: an album (PHAssetCollection) or a folder of albums (PHCollectionList).
#include <memory>
#include <string>

#include "platform/photos/PHFetchResult.h"
#include "platform/photos/PHObject.h"

namespace platform {
struct PhotoCollectionRecord;
}

class PHCollectionList;

class PHCollection : public PHObject {
 public:
  const std::string& localizedTitle() const { return localizedTitle_; }
  // Albums hold assets; folders hold collections.
  virtual bool canContainAssets() const = 0;
  virtual bool canContainCollections() const = 0;

  // The user's own albums and folders that are in no folder, in creation order.
  static PHFetchResult<PHCollection> fetchTopLevelUserCollectionsWithOptions(const PHFetchOptions* options);
  // The albums and folders inside a folder.
  static PHFetchResult<PHCollection> fetchCollectionsInCollectionList(const std::shared_ptr<PHCollectionList>& list,
                                                                      const PHFetchOptions* options);

  // The album or folder object for a library row.
  static std::shared_ptr<PHCollection> fromRecord(const platform::PhotoCollectionRecord& record);

 protected:
  PHCollection(std::string localIdentifier, std::string title)
      : PHObject(std::move(localIdentifier)), localizedTitle_(std::move(title)) {}

 private:
  std::string localizedTitle_;
};
