#include "prefs/editors/TovaluneImageViewerViewController.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <fmt/format.h>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/NSLog.h"
#include "platform/image/UIImage.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIAlertController.h"
#include "prefs/editors/TovaluneImageGrid.h"
#include "prefs/editors/TovaluneImageViewerCollectionViewCell.h"
#include "shared/ImageFolders.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneImageViewerViewController::cls();

// The localized keys of a failed save; "%@" is the library's own reason.
constexpr const char* kNotSavedTitle = "Image Not Saved";
constexpr const char* kNotSavedMessage = "The image could not be saved to the camera roll.";
constexpr const char* kNotSavedBecauseMessage = "The image could not be saved to the camera roll: %@";
}  // namespace

OBJC_DEFINE_CLASS(TovaluneImageViewerViewController, UIViewController)

// Titled from the start: the list names a screen by its title before the screen is shown.
TovaluneImageViewerViewController::TovaluneImageViewerViewController(objc::Class* isa) : UIViewController(isa) {
  setTitle(editorLocalizedString("Image Viewer"));
}

void TovaluneImageViewerViewController::viewDidLoad() {
  UIViewController::viewDidLoad();
  view()->setBackgroundColor(UIColor::whiteColor());
  setTitle(editorLocalizedString("Image Viewer"));
  setExtendedLayoutIncludesOpaqueBars(true);

  loadImages();

  auto self = std::static_pointer_cast<TovaluneImageViewerViewController>(shared_from_this());
  collectionView_ = addImageGrid(*this, self, self, TovaluneImageViewerCollectionViewCell::cls());
}

void TovaluneImageViewerViewController::loadImages() {
  // Each date is read once; a file gone since the listing sorts last.
  std::vector<std::pair<double, FolderPicture>> dated;
  for (auto& picture : picturesInFolder(kStoreImagesPath)) {
    double date = platform::contentModificationDate(picture.path).value_or(-std::numeric_limits<double>::infinity());
    dated.emplace_back(date, std::move(picture));
  }
  std::stable_sort(dated.begin(), dated.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  selectedImagePaths_.clear();
  tileShapes_.clear();
  for (auto& [date, picture] : dated) {
    selectedImagePaths_.push_back(std::move(picture.path));
    tileShapes_.push_back(picture.heightOverWidth);
  }
}

int TovaluneImageViewerViewController::numberOfItemsInSection(UICollectionView*, int) {
  return static_cast<int>(selectedImagePaths_.size());
}

CGSize TovaluneImageViewerViewController::sizeForItemAtIndexPath(UICollectionView*, UICollectionViewFlowLayout*,
                                                                 const NSIndexPath&) {
  return CGSize{kImageTileSize, kImageTileSize};
}

std::shared_ptr<UICollectionViewCell> TovaluneImageViewerViewController::cellForItemAtIndexPath(
    UICollectionView* collectionView, const NSIndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<TovaluneImageViewerCollectionViewCell>(
      collectionView->dequeueReusableCellWithReuseIdentifier(kImageTileReuseIdentifier, indexPath));
  if (!cell) return nullptr;
  const std::size_t item = static_cast<std::size_t>(indexPath.item());
  if (item >= selectedImagePaths_.size()) return cell;
  auto image = tileImageAtPath(selectedImagePaths_[item], tileShapes_[item]);
  platform::dispatch_async(platform::dispatch_get_main_queue(), [cell, image] { cell->setImage(image); });
  return cell;
}

void TovaluneImageViewerViewController::didSelectItemAtIndexPath(UICollectionView*, const NSIndexPath& indexPath) {
  const int item = indexPath.item();
  if (item < 0 || static_cast<std::size_t>(item) >= selectedImagePaths_.size()) return;
  // The path is taken now, so the sheet acts on the picture the user tapped.
  const std::string path = selectedImagePaths_[item];
  std::weak_ptr<TovaluneImageViewerViewController> weakSelf =
      std::static_pointer_cast<TovaluneImageViewerViewController>(shared_from_this());

  auto sheet = UIAlertController::alertControllerWithTitle(fmt::format("Image {}", item), "What would you like to do?",
                                                           UIAlertControllerStyleActionSheet);
  sheet->addAction(UIAlertAction::actionWithTitle("Cancel", UIAlertActionStyleCancel, [weakSelf](UIAlertAction*) {
    if (auto self = weakSelf.lock()) dismissWhatScreenPresents(*self);
  }));
  sheet->addAction(UIAlertAction::actionWithTitle("Delete", UIAlertActionStyleDestructive, [weakSelf, path](UIAlertAction*) {
    if (auto self = weakSelf.lock()) self->confirmDelete(path);
  }));
  sheet->addAction(UIAlertAction::actionWithTitle("Save To Photos", UIAlertActionStyleDefault,
                                                  [weakSelf, path](UIAlertAction*) {
                                                    if (auto self = weakSelf.lock()) self->saveToPhotos(path);
                                                  }));
  presentSoon(sheet);
}

void TovaluneImageViewerViewController::confirmDelete(const std::string& path) {
  std::weak_ptr<TovaluneImageViewerViewController> weakSelf =
      std::static_pointer_cast<TovaluneImageViewerViewController>(shared_from_this());
  auto alert = UIAlertController::alertControllerWithTitle(editorLocalizedString("Delete Image"),
                                                           editorLocalizedString("Are you sure you want to delete this image?"),
                                                           UIAlertControllerStyleAlert);
  alert->addAction(UIAlertAction::actionWithTitle(editorLocalizedString("Delete"), UIAlertActionStyleDestructive,
                                                  [weakSelf, path](UIAlertAction*) {
                                                    platform::removeItemAtPath(path);
                                                    auto self = weakSelf.lock();
                                                    if (!self) return;
                                                    self->loadImages();
                                                    self->collectionView_->reloadData();
                                                    dismissWhatScreenPresents(*self);
                                                  }));
  alert->addAction(UIAlertAction::actionWithTitle(editorLocalizedString("Cancel"), UIAlertActionStyleCancel,
                                                  [weakSelf](UIAlertAction*) {
                                                    if (auto self = weakSelf.lock()) dismissWhatScreenPresents(*self);
                                                  }));
  presentSoon(alert);
}

void TovaluneImageViewerViewController::saveToPhotos(const std::string& path) {
  // Through PNG and back, so the camera roll gets a plain picture whatever the store file was.
  auto stored = UIImage::imageWithContentsOfFile(path);
  auto png = UIImagePNGRepresentation(stored.get());
  auto image = png ? UIImage::imageWithData(*png) : nullptr;
  if (!image) {
    NSLog("Could not read the picture to save: {}", path);
    reportSave(NSError::errorWithDomain("TovaluneErrorDomain", 1, "The picture could not be read."));
    return;
  }
  std::weak_ptr<TovaluneImageViewerViewController> weakSelf =
      std::static_pointer_cast<TovaluneImageViewerViewController>(shared_from_this());
  UIImageWriteToSavedPhotosAlbum(image, [weakSelf](std::shared_ptr<NSError> error) {
    if (auto self = weakSelf.lock()) self->reportSave(error);
  });
}

void TovaluneImageViewerViewController::reportSave(const std::shared_ptr<NSError>& error) {
  std::string title, message;
  if (!error) {
    title = editorLocalizedString("Image Saved");
    message = editorLocalizedString("Image saved to camera roll");
  } else {
    title = editorLocalizedString(kNotSavedTitle);
    const std::string& reason = error->localizedDescription();
    if (reason.empty()) {
      message = editorLocalizedString(kNotSavedMessage);
    } else {
      message = editorLocalizedString(kNotSavedBecauseMessage);
      if (auto at = message.find("%@"); at != std::string::npos) message.replace(at, 2, reason);
    }
  }
  auto alert = UIAlertController::alertControllerWithTitle(title, message, UIAlertControllerStyleAlert);
  std::weak_ptr<TovaluneImageViewerViewController> weakSelf =
      std::static_pointer_cast<TovaluneImageViewerViewController>(shared_from_this());
  alert->addAction(UIAlertAction::actionWithTitle(editorLocalizedString("OK"), UIAlertActionStyleCancel,
                                                  [weakSelf](UIAlertAction*) {
                                                    if (auto self = weakSelf.lock()) dismissWhatScreenPresents(*self);
                                                  }));
  presentSoon(alert);
}

void TovaluneImageViewerViewController::presentSoon(const std::shared_ptr<UIViewController>& alert) {
  std::weak_ptr<TovaluneImageViewerViewController> weakSelf =
      std::static_pointer_cast<TovaluneImageViewerViewController>(shared_from_this());
  platform::dispatch_async(platform::dispatch_get_main_queue(), [weakSelf, alert] {
    if (auto self = weakSelf.lock()) self->presentViewController(alert, true, nullptr);
  });
}
