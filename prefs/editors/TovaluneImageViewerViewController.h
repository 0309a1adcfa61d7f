#pragma once
// The screen that shows the recent wallpapers the engine keeps in its store folder, newest first
// (by each file's content modification date), as the same rounded tiles as the local image
// selector, without a plus tile.
//
// A tap on tile i opens the sheet "Image i" (the first tile is Image 0) with "Cancel", "Delete"
// (which asks again before deleting exactly that file) and "Save To Photos". Saving copies the
// picture into the camera roll, and "Image Saved" appears only once the photo library reports that
// it holds the picture; when the library refuses (no access, a full disk), an alert says the
// picture was not saved and why. The screen writes nothing but these deletions and copies, and
// lists the store again only when it opens and after a deletion; the engine may add or prune
// pictures meanwhile.
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UIViewController.h"

class NSError;
class UIImage;

class TovaluneImageViewerViewController : public UIViewController,
                                          public UICollectionViewDataSource,
                                          public UICollectionViewDelegate {
 public:
  static objc::Class* cls();
  // [[TovaluneImageViewerViewController alloc] init].
  static std::shared_ptr<TovaluneImageViewerViewController> init() {
    return objc::createInstance<TovaluneImageViewerViewController>();
  }
  explicit TovaluneImageViewerViewController(objc::Class* isa = TovaluneImageViewerViewController::cls());

  const std::shared_ptr<UICollectionView>& collectionView() const { return collectionView_; }
  // The pictures shown, newest first.
  const std::vector<std::string>& selectedImagePaths() const { return selectedImagePaths_; }

  // Lists the store again into selectedImagePaths, newest first; the grid is not reloaded.
  void loadImages();

  // ---- Grid ----
  int numberOfItemsInSection(UICollectionView* collectionView, int section) override;
  std::shared_ptr<UICollectionViewCell> cellForItemAtIndexPath(UICollectionView* collectionView,
                                                               const NSIndexPath& indexPath) override;
  CGSize sizeForItemAtIndexPath(UICollectionView* collectionView, UICollectionViewFlowLayout* layout,
                                const NSIndexPath& indexPath) override;
  void didSelectItemAtIndexPath(UICollectionView* collectionView, const NSIndexPath& indexPath) override;

 protected:
  void viewDidLoad() override;

 private:
  void confirmDelete(const std::string& path);
  void saveToPhotos(const std::string& path);
  // The outcome of a save: "Image Saved", or why the picture is not in the camera roll.
  void reportSave(const std::shared_ptr<NSError>& error);
  void presentSoon(const std::shared_ptr<UIViewController>& alert);

  std::shared_ptr<UICollectionView> collectionView_;
  std::vector<std::string> selectedImagePaths_;
  // Height over width of each picture shown, as the listing found it; sizes the tile's decode.
  std::vector<double> tileShapes_;
};
