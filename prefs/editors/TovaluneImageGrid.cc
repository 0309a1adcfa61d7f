#include "prefs/editors/TovaluneImageGrid.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <thread>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/UINavigationController.h"
#include "platform/uikit/UIScreen.h"
#include "platform/uikit/UIViewController.h"

namespace {

// Enough pixels to tell a picture's shape to within a pixel in 64, few enough to cost nothing.
constexpr double kShapeProbePixels = 64;

// Decodes the files on every core; each result lands in its own slot, so the order stays the
// listing's. What the decodes hold at once is bounded by the decoder's pixel budget, whatever the
// number of threads and the size of the pictures.
std::vector<std::optional<FolderPicture>> probeAll(const std::vector<std::string>& paths) {
  std::vector<std::optional<FolderPicture>> found(paths.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < paths.size(); i = next++) {
      auto image = UIImage::thumbnailWithContentsOfFile(paths[i], kShapeProbePixels, kShapeProbePixels);
      if (image && image->width() > 0) found[i] = FolderPicture{paths[i], image->height() / image->width()};
    }
  };
  const std::size_t threads = std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), 8, paths.size()});
  std::vector<std::thread> helpers;
  for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
  work();
  for (auto& helper : helpers) helper.join();
  return found;
}

}  // namespace

std::vector<FolderPicture> picturesInFolder(const std::string& folder) {
  std::vector<FolderPicture> pictures;
  if (!platform::directoryExistsAtPath(folder)) {
    NSLog("Could not find local folder: {}", folder);
    return pictures;
  }
  auto names = platform::contentsOfDirectoryAtPath(folder);
  if (!names || names->empty()) {
    NSLog("Could not find any files in local folder: {}", folder);
    return pictures;
  }
  std::vector<std::string> paths;
  for (const auto& name : *names) paths.push_back(platform::stringByAppendingPathComponent(folder, name));
  for (auto& picture : probeAll(paths))
    if (picture) pictures.push_back(std::move(*picture));
  return pictures;
}

std::shared_ptr<UIImage> tileImageAtPath(const std::string& path, double heightOverWidth) {
  const double pixels = kImageTileSize * UIScreen::mainScreen().scale();
  const double shape = std::isfinite(heightOverWidth) && heightOverWidth > 0 ? heightOverWidth : 1;
  // The size the picture has once fitted in the tile; the decoder gives at least that.
  const double width = shape >= 1 ? pixels / shape : pixels;
  const double height = shape >= 1 ? pixels : pixels * shape;
  return UIImage::thumbnailWithContentsOfFile(path, std::ceil(width), std::ceil(height), platform::Preview::Allowed);
}

std::shared_ptr<UICollectionView> addImageGrid(
    UIViewController& screen, const std::shared_ptr<UICollectionViewDataSource>& dataSource,
    const std::shared_ptr<UICollectionViewDelegate>& delegate, objc::Class* cellClass) {
  auto layout = UICollectionViewFlowLayout::create();
  layout->setSectionInset(UIEdgeInsets{kImageGridInset, kImageGridInset, kImageGridInset, kImageGridInset});
  auto grid = UICollectionView::alloc()->initWithFrame(screen.view()->frame(), layout);
  grid->setDataSource(dataSource);
  grid->setDelegate(delegate);
  grid->registerClass(cellClass, kImageTileReuseIdentifier);
  grid->setBackgroundColor(UIColor::clearColor());
  grid->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
  screen.view()->addSubview(grid);
  return grid;
}

std::string editorLocalizedString(const std::string& key) {
  return NSBundle::mainBundle()->localizedStringForKey(key, "", "");
}

void dismissWhatScreenPresents(UIViewController& screen) {
  std::shared_ptr<UIViewController> presenter = screen.navigationController();
  if (!presenter) presenter = std::static_pointer_cast<UIViewController>(screen.shared_from_this());
  if (presenter->presentedViewController()) screen.dismissViewControllerAnimated(true, nullptr);
}

void TovaluneImageTileCell::layoutSubviews() {
  UICollectionViewCell::layoutSubviews();
  setCornerRadius(0.225 * frame().width());
  setClipsToBounds(true);
  setBackgroundColor(UIColor::grayColor());
  if (imageView_) imageView_->setTintColor(UIColor::whiteColor());
}

void TovaluneImageTileCell::setImage(std::shared_ptr<UIImage> image) {
  if (!imageView_) {
    imageView_ = UIImageView::alloc()->initWithFrame(bounds());
    imageView_->setContentMode(UIViewContentModeScaleAspectFit);
    addSubview(imageView_);
  }
  imageView_->setImage(std::move(image));
  setNeedsLayout();
  layoutIfNeeded();
}

void TovaluneImageTileCell::prepareForReuse() {
  UICollectionViewCell::prepareForReuse();
  if (!imageView_) return;
  imageView_->removeFromSuperview();
  imageView_.reset();
}
