#include "prefs/editors/TovaluneImageSelectorViewController.h"

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIAlertController.h"
#include "prefs/editors/TovaluneImageGrid.h"
#include "prefs/editors/TovaluneImageSelectorCollectionViewCell.h"
#include "shared/ImageFolders.h"
#include "shared/InstallPrefix.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneImageSelectorViewController::cls();

// The plus sign takes this share of its tile, centred.
constexpr double kPlusShare = 0.6;
}  // namespace

OBJC_DEFINE_CLASS(TovaluneImageSelectorViewController, UIViewController)

// Titled from the start: the list names a screen by its title before the screen is shown.
TovaluneImageSelectorViewController::TovaluneImageSelectorViewController(objc::Class* isa) : UIViewController(isa) {
  setTitle(editorLocalizedString("Image Selector"));
}

void TovaluneImageSelectorViewController::viewDidLoad() {
  UIViewController::viewDidLoad();
  view()->setBackgroundColor(UIColor::whiteColor());
  setTitle(editorLocalizedString("Image Selector"));
  setExtendedLayoutIncludesOpaqueBars(true);

  loadImages();

  auto self = std::static_pointer_cast<TovaluneImageSelectorViewController>(shared_from_this());
  collectionView_ = addImageGrid(*this, self, self, TovaluneImageSelectorCollectionViewCell::cls());
}

void TovaluneImageSelectorViewController::loadImages() {
  selectedImagePaths_.clear();
  tileShapes_.clear();
  for (auto& picture : picturesInFolder(kLocalImagesPath)) {
    selectedImagePaths_.push_back(std::move(picture.path));
    tileShapes_.push_back(picture.heightOverWidth);
  }
}

int TovaluneImageSelectorViewController::numberOfItemsInSection(UICollectionView*, int) {
  return static_cast<int>(selectedImagePaths_.size()) + 1;
}

CGSize TovaluneImageSelectorViewController::sizeForItemAtIndexPath(UICollectionView*, UICollectionViewFlowLayout*,
                                                                   const NSIndexPath&) {
  return CGSize{kImageTileSize, kImageTileSize};
}

std::shared_ptr<UICollectionViewCell> TovaluneImageSelectorViewController::cellForItemAtIndexPath(
    UICollectionView* collectionView, const NSIndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<TovaluneImageSelectorCollectionViewCell>(
      collectionView->dequeueReusableCellWithReuseIdentifier(kImageTileReuseIdentifier, indexPath));
  if (!cell) return nullptr;
  const std::size_t item = static_cast<std::size_t>(indexPath.item());
  if (item < selectedImagePaths_.size()) {
    auto image = tileImageAtPath(selectedImagePaths_[item], tileShapes_[item]);
    platform::dispatch_async(platform::dispatch_get_main_queue(), [cell, image] { cell->setImage(image); });
    return cell;
  }
  platform::dispatch_async(platform::dispatch_get_main_queue(), [cell] {
    const std::string plusPath = installedPath(kPlusImagePath);
    auto plus = UIImage::imageWithContentsOfFile(plusPath);
    if (!plus) NSLog("Could not load the plus picture: {}", plusPath);
    cell->setImage(plus ? plus->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate) : nullptr);
    const auto& imageView = cell->imageView();
    const CGRect frame = imageView->frame();
    const CGPoint centre = imageView->center();
    const double width = frame.width() * kPlusShare, height = frame.height() * kPlusShare;
    imageView->setFrame(CGRectMake(centre.x - width / 2, centre.y - height / 2, width, height));
  });
  return cell;
}

void TovaluneImageSelectorViewController::didSelectItemAtIndexPath(UICollectionView*, const NSIndexPath& indexPath) {
  const std::size_t item = static_cast<std::size_t>(indexPath.item());
  if (item < selectedImagePaths_.size()) {
    askToRemove(selectedImagePaths_[item]);
    return;
  }
  auto picker = UIImagePickerController::create();
  picker->setDelegate(std::static_pointer_cast<TovaluneImageSelectorViewController>(shared_from_this()));
  picker->setSourceType(UIImagePickerControllerSourceTypePhotoLibrary);
  picker->setAllowsEditing(false);
  presentViewController(picker, true, nullptr);
}

// The path is taken when the tile is tapped, so "Remove" deletes the picture the user saw.
void TovaluneImageSelectorViewController::askToRemove(const std::string& path) {
  auto alert = UIAlertController::alertControllerWithTitle(editorLocalizedString("Remove Image"),
                                                           editorLocalizedString("Are you sure you want to remove this Image?"),
                                                           UIAlertControllerStyleAlert);
  std::weak_ptr<TovaluneImageSelectorViewController> weakSelf =
      std::static_pointer_cast<TovaluneImageSelectorViewController>(shared_from_this());
  alert->addAction(UIAlertAction::actionWithTitle(editorLocalizedString("Remove"), UIAlertActionStyleDestructive,
                                                  [weakSelf, path](UIAlertAction*) {
                                                    platform::removeItemAtPath(path);
                                                    auto self = weakSelf.lock();
                                                    if (!self) return;
                                                    self->loadImages();
                                                    self->collectionView_->reloadData();
                                                  }));
  alert->addAction(UIAlertAction::actionWithTitle(editorLocalizedString("Cancel"), UIAlertActionStyleCancel, nullptr));
  platform::dispatch_async(platform::dispatch_get_main_queue(), [weakSelf, alert] {
    if (auto self = weakSelf.lock()) self->presentViewController(alert, true, nullptr);
  });
}

void TovaluneImageSelectorViewController::imagePickerControllerDidFinishPickingMediaWithInfo(
    UIImagePickerController* picker, const UIImagePickerInfo& info) {
  NSLog("didFinishPickingMediaWithInfo: {}", info.description());
  auto image = info.imageForKey(UIImagePickerControllerOriginalImage);
  NSLog("didFinishPickingMediaWithInfo: {}", image ? image->description() : std::string("(null)"));
  selectedImage(image);
  picker->dismissViewControllerAnimated(true, nullptr);
}

void TovaluneImageSelectorViewController::selectedImage(const std::shared_ptr<UIImage>& image) {
  NSLog("Selected Image: {}", image ? image->description() : std::string("(null)"));
  // Encoded before anything is made, so a picture that cannot be stored leaves the folder as it is.
  auto png = UIImagePNGRepresentation(image.get());
  if (!png) {
    NSLog("Could not store the picked image: it cannot be encoded as PNG");
    return;
  }
  if (!platform::directoryExistsAtPath(kLocalImagesPath)) {
    NSLog("Could not find local folder: {}... Creating...", kLocalImagesPath);
    platform::createDirectoryAtPath(kLocalImagesPath, true);
  }
  const std::string path = newImagePathInFolder(kLocalImagesPath);
  if (!platform::writeFile(path, *png, true)) NSLog("Could not write the picked image to {}", path);
  loadImages();
  if (collectionView_) collectionView_->reloadData();
}
