#include "platform/photos/PHImageManager.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/photos/PHAsset.h"
#include "platform/photos/PhotoLibrary.h"

namespace {

std::atomic<PHImageRequestID> nextRequestID{1};

// Box filter: each target pixel is the average of the source pixels it covers.
platform::Bitmap downscale(const platform::Bitmap& src, std::uint32_t width, std::uint32_t height) {
  platform::Bitmap out;
  out.width = width;
  out.height = height;
  out.rgba.resize(std::size_t(width) * height * 4);
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint32_t y0 = std::uint64_t(y) * src.height / height;
    std::uint32_t y1 = std::max<std::uint32_t>(y0 + 1, std::uint64_t(y + 1) * src.height / height);
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint32_t x0 = std::uint64_t(x) * src.width / width;
      std::uint32_t x1 = std::max<std::uint32_t>(x0 + 1, std::uint64_t(x + 1) * src.width / width);
      std::uint64_t sum[4] = {0, 0, 0, 0};
      for (std::uint32_t sy = y0; sy < y1; ++sy)
        for (std::uint32_t sx = x0; sx < x1; ++sx)
          for (int c = 0; c < 4; ++c) sum[c] += src.rgba[(std::size_t(sy) * src.width + sx) * 4 + c];
      std::uint64_t n = std::uint64_t(y1 - y0) * (x1 - x0);
      for (int c = 0; c < 4; ++c) out.rgba[(std::size_t(y) * width + x) * 4 + c] = std::uint8_t(sum[c] / n);
    }
  }
  return out;
}

std::shared_ptr<UIImage> fitted(std::shared_ptr<UIImage> image, PHImageTargetSize target, int contentMode) {
  const platform::Bitmap& b = image->bitmap();
  if (target.width <= 0 || target.height <= 0) return image;
  double fx = target.width / b.width, fy = target.height / b.height;
  double factor = contentMode == PHImageContentModeAspectFill ? std::max(fx, fy) : std::min(fx, fy);
  if (factor >= 1) return image;
  auto w = std::max<std::uint32_t>(1, std::uint32_t(std::lround(b.width * factor)));
  auto h = std::max<std::uint32_t>(1, std::uint32_t(std::lround(b.height * factor)));
  return UIImage::imageWithBitmap(downscale(b, w, h));
}

std::pair<std::shared_ptr<UIImage>, PHImageResultInfo> load(const std::shared_ptr<PHAsset>& asset,
                                                            PHImageTargetSize target, int contentMode) {
  PHImageResultInfo info;
  if (!asset) {
    info.error = "no asset";
    return {nullptr, info};
  }
  // An asset fetched while access was allowed gives no picture once it is refused.
  if (!platform::photoLibraryFetchAllowed("requestImageForAsset")) {
    info.error = "access to the photo library is refused";
    return {nullptr, info};
  }
  auto image = UIImage::imageWithContentsOfFile(asset->filePath());
  if (!image) {
    NSLog("Photos: the picture of {} cannot be read: {}", asset->localIdentifier(), asset->filePath());
    info.error = "the picture cannot be read";
    return {nullptr, info};
  }
  return {fitted(std::move(image), target, contentMode), info};
}

}  // namespace

std::shared_ptr<PHImageManager> PHImageManager::defaultManager() {
  static auto manager = std::make_shared<PHImageManager>();
  return manager;
}

PHImageRequestID PHImageManager::requestImageForAsset(const std::shared_ptr<PHAsset>& asset,
                                                      PHImageTargetSize targetSize, int contentMode,
                                                      const PHImageRequestOptions* options,
                                                      PHImageResultHandler resultHandler) {
  PHImageRequestID id = nextRequestID++;
  if (options && options->synchronous) {
    auto [image, info] = load(asset, targetSize, contentMode);
    if (resultHandler) resultHandler(std::move(image), info);
    return id;
  }
  platform::dispatch_async(platform::dispatch_get_global_queue(platform::QueuePriority::Default),
                           [asset, targetSize, contentMode, handler = std::move(resultHandler)] {
                             auto result = std::make_shared<std::pair<std::shared_ptr<UIImage>, PHImageResultInfo>>(
                                 load(asset, targetSize, contentMode));
                             platform::dispatch_async(platform::dispatch_get_main_queue(), [handler, result] {
                               if (handler) handler(result->first, result->second);
                             });
                           });
  return id;
}
