#pragma once
// PHImageManager: the picture of an asset, decoded, at most the target size.
//
// A synchronous request calls the result handler on the calling thread before it returns. Any
// other request decodes on a global queue and calls the handler on the main queue, as the device
// does. The handler is called exactly once; with nothing (and the reason in the info) when the
// asset is missing or its file is no picture.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class PHAsset;
class UIImage;

struct PHImageTargetSize {
  double width = 0;
  double height = 0;
};
// The picture as large as it is.
inline constexpr PHImageTargetSize PHImageManagerMaximumSize{-1, -1};

inline constexpr int PHImageContentModeAspectFit = 0;
inline constexpr int PHImageContentModeAspectFill = 1;
inline constexpr int PHImageContentModeDefault = PHImageContentModeAspectFit;

inline constexpr int PHImageRequestOptionsDeliveryModeOpportunistic = 0;
inline constexpr int PHImageRequestOptionsDeliveryModeHighQualityFormat = 1;
inline constexpr int PHImageRequestOptionsDeliveryModeFastFormat = 2;

struct PHImageRequestOptions {
  int deliveryMode = PHImageRequestOptionsDeliveryModeOpportunistic;
  bool synchronous = false;
  // Every picture is on the device; kept for the caller's sake.
  bool networkAccessAllowed = false;
};

struct PHImageResultInfo {
  // The library keeps no lower-quality previews, so a result is never degraded.
  bool isDegraded = false;
  std::optional<std::string> error;
};

using PHImageRequestID = std::int32_t;
using PHImageResultHandler = std::function<void(std::shared_ptr<UIImage> result, const PHImageResultInfo& info)>;

class PHImageManager {
 public:
  static std::shared_ptr<PHImageManager> defaultManager();

  // Aspect fit scales the picture down to fit inside the target size, aspect fill to cover it; a
  // picture is never scaled up, and PHImageManagerMaximumSize keeps it whole.
  PHImageRequestID requestImageForAsset(const std::shared_ptr<PHAsset>& asset, PHImageTargetSize targetSize,
                                        int contentMode, const PHImageRequestOptions* options,
                                        PHImageResultHandler resultHandler);
};
