#pragma once
// PHAssetCollection: an album, a smart album or a synced album (types and subtypes in PHConstants.h).
#include "platform/photos/PHCollection.h"
#include "platform/photos/PHConstants.h"

class PHAssetCollection : public PHCollection {
 public:
  PHAssetCollection(std::string localIdentifier, std::string title, int type, int subtype)
      : PHCollection(std::move(localIdentifier), std::move(title)), type_(type), subtype_(subtype) {}

  int assetCollectionType() const { return type_; }
  int assetCollectionSubtype() const { return subtype_; }
  bool canContainAssets() const override { return true; }
  bool canContainCollections() const override { return false; }

  // fetchAssetCollectionsWithType:subtype:options:, in creation order;
  // PHAssetCollectionSubtypeAny matches every subtype of the type.
  static PHFetchResult<PHAssetCollection> fetchAssetCollectionsWithType(int type, int subtype,
                                                                        const PHFetchOptions* options);

 private:
  int type_;
  int subtype_;
};
