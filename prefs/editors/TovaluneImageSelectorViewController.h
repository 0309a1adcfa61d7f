#pragma once
// The screen on which the user fills and prunes the local picture folder, the folder the Local
// Folder source draws from.
//
// Every picture of the folder is a rounded tile of a grid, in the folder's listing order, and a
// plus tile comes last. The plus tile opens the photo picker; the picked photo is stored in the
// folder as a PNG named by a new UUID ("%@.png"), the folder made first when it is missing. A tap
// on a picture asks "Remove Image" and, when confirmed, deletes exactly that file. The screen
// keeps nothing but the paths it shows; it touches neither the preferences nor the engine, and it
// lists the folder again only when it opens and after its own additions and removals.
#include <memory>
#include <string>
#include <vector>

#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UIImagePickerController.h"
#include "platform/uikit/UIViewController.h"

class TovaluneImageSelectorViewController : public UIViewController,
                                            public UICollectionViewDataSource,
                                            public UICollectionViewDelegate,
                                            public UIImagePickerControllerDelegate {
 public:
  // The picture of the plus tile, drawn white as a template; as a rootful phone places it, read
  // below the build's install prefix (shared/InstallPrefix.h).
  static constexpr const char* kPlusImagePath = "/Library/PreferenceBundles/TovalunePrefs.bundle/plus.png";

  static objc::Class* cls();
  // [[TovaluneImageSelectorViewController alloc] init].
  static std::shared_ptr<TovaluneImageSelectorViewController> init() {
    return objc::createInstance<TovaluneImageSelectorViewController>();
  }
  explicit TovaluneImageSelectorViewController(objc::Class* isa = TovaluneImageSelectorViewController::cls());

  const std::shared_ptr<UICollectionView>& collectionView() const { return collectionView_; }
  // The pictures shown, in grid order; the plus tile is the item after the last of them.
  const std::vector<std::string>& selectedImagePaths() const { return selectedImagePaths_; }

  // Lists the folder again into selectedImagePaths; the grid is not reloaded.
  void loadImages();
  // Stores a picked picture in the folder as a new PNG and shows it. A picture that cannot be
  // encoded is logged and nothing is written.
  void selectedImage(const std::shared_ptr<UIImage>& image);

  // ---- Grid ----
  int numberOfItemsInSection(UICollectionView* collectionView, int section) override;
  std::shared_ptr<UICollectionViewCell> cellForItemAtIndexPath(UICollectionView* collectionView,
                                                               const NSIndexPath& indexPath) override;
  CGSize sizeForItemAtIndexPath(UICollectionView* collectionView, UICollectionViewFlowLayout* layout,
                                const NSIndexPath& indexPath) override;
  void didSelectItemAtIndexPath(UICollectionView* collectionView, const NSIndexPath& indexPath) override;

  // ---- Picker ----
  void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker,
                                                          const UIImagePickerInfo& info) override;

 protected:
  void viewDidLoad() override;

 private:
  void askToRemove(const std::string& path);

  std::shared_ptr<UICollectionView> collectionView_;
  std::vector<std::string> selectedImagePaths_;
  // Height over width of each picture shown, as the listing found it; sizes the tile's decode.
  std::vector<double> tileShapes_;
};
