#pragma once
// PHCollectionList: a folder of albums. It holds no assets; fetchTopLevelUserCollectionsWithOptions
// is inherited from PHCollection, as on the device.
#include "platform/photos/PHCollection.h"
#include "platform/photos/PHConstants.h"

class PHCollectionList : public PHCollection {
 public:
  PHCollectionList(std::string localIdentifier, std::string title, int type, int subtype)
      : PHCollection(std::move(localIdentifier), std::move(title)), type_(type), subtype_(subtype) {}

  int collectionListType() const { return type_; }
  int collectionListSubtype() const { return subtype_; }
  bool canContainAssets() const override { return false; }
  bool canContainCollections() const override { return true; }

 private:
  int type_;
  int subtype_;
};
