#pragma once
// PHAsset: one picture of the library.
#include <memory>
#include <string>

#include "platform/photos/PHCollection.h"

class PHAsset : public PHObject {
 public:
  PHAsset(std::string localIdentifier, std::string filePath, int pixelWidth, int pixelHeight, double creationDate)
      : PHObject(std::move(localIdentifier)),
        filePath_(std::move(filePath)),
        pixelWidth_(pixelWidth),
        pixelHeight_(pixelHeight),
        creationDate_(creationDate) {}

  int pixelWidth() const { return pixelWidth_; }
  int pixelHeight() const { return pixelHeight_; }
  double creationDate() const { return creationDate_; }  // seconds since 1970
  // Device path of the picture file; the platform's own (PHImageManager reads it).
  const std::string& filePath() const { return filePath_; }

  // fetchAssetsInAssetCollection:options:, in creation order. A folder, or nothing, holds no assets:
  // the result is empty (the device would raise).
  static PHFetchResult<PHAsset> fetchAssetsInAssetCollection(const std::shared_ptr<PHCollection>& collection,
                                                             const PHFetchOptions* options);

 private:
  std::string filePath_;
  int pixelWidth_;
  int pixelHeight_;
  double creationDate_;
};
