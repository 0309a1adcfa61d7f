#pragma once
// UIImagePickerController: the system's photo picker, presented over a controller. It is a
// navigation controller whose one screen shows the device's photo library (platform/photos) as a
// grid of square tiles, newest first, under the title "Photos" with a "Cancel" bar button.
//
// A tap on a tile decodes that photo in full and hands it to the delegate's
// imagePickerControllerDidFinishPickingMediaWithInfo, which is expected to dismiss the picker
// (the picker stays up until it does). "Cancel" calls imagePickerControllerDidCancel, whose
// default dismisses the picker. A photo whose file can no longer be decoded is not handed on: the
// tap is logged and the picker stays up.
//
// Tiles are decoded at tile size (JPEG with TurboJPEG's scaled decoding, other formats decoded and
// scaled down), and only for the tiles on screen, so a library of hundreds of photos opens fast.
//
// An empty library shows "No Photos or Videos"; a library the device refuses access to (see
// platform::photoLibraryAccessAllowed) shows that the app has no access, and lists no photos.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/image/UIImage.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/uikit/UINavigationController.h"

class UICollectionView;
class UIImagePickerController;

enum UIImagePickerControllerSourceType {
  UIImagePickerControllerSourceTypePhotoLibrary = 0,
  UIImagePickerControllerSourceTypeCamera = 1,
  UIImagePickerControllerSourceTypeSavedPhotosAlbum = 2,
};

// Keys of the info handed to the delegate.
extern const char* const UIImagePickerControllerMediaType;       // "public.image"
extern const char* const UIImagePickerControllerOriginalImage;   // the picture, decoded in full
extern const char* const UIImagePickerControllerEditedImage;     // with allowsEditing: the same picture
extern const char* const UIImagePickerControllerImageURL;        // "file://" + the asset's file (device path)
extern const char* const UIImagePickerControllerReferenceURL;    // "assets-library://asset/asset.EXT?id=ID&ext=EXT"
extern const char* const UIImagePickerControllerPHAssetIdentifier;  // the asset's local identifier

// The info dictionary of a pick: texts and pictures under the keys above.
class UIImagePickerInfo {
 public:
  void setString(const std::string& key, std::string value) { strings_[key] = std::move(value); }
  void setImage(const std::string& key, std::shared_ptr<UIImage> image) { images_[key] = std::move(image); }
  // objectForKey: for each kind of value; nothing (nullptr) when the key holds none of that kind.
  std::shared_ptr<UIImage> imageForKey(const std::string& key) const;
  std::optional<std::string> stringForKey(const std::string& key) const;
  std::size_t count() const { return strings_.size() + images_.size(); }
  // As a dictionary prints for "%@": the keys in order, one per line, four spaces in, texts quoted.
  //   {
  //       UIImagePickerControllerMediaType = "public.image";
  //       UIImagePickerControllerOriginalImage = <UIImage: 0x...> size {3024, 4032} scale 1;
  //   }
  std::string description() const;

 private:
  std::map<std::string, std::string> strings_;
  std::map<std::string, std::shared_ptr<UIImage>> images_;
};

// UIImagePickerControllerDelegate (with UINavigationControllerDelegate's nothing). Held weakly.
class UIImagePickerControllerDelegate {
 public:
  virtual ~UIImagePickerControllerDelegate() = default;
  // imagePickerController:didFinishPickingMediaWithInfo:. The default dismisses the picker, as
  // the device does for a delegate that does not answer it.
  virtual void imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker,
                                                                  const UIImagePickerInfo& info);
  // imagePickerControllerDidCancel:. The default dismisses the picker.
  virtual void imagePickerControllerDidCancel(UIImagePickerController* picker);
};

class UIImagePickerController : public UINavigationController {
 public:
  static objc::Class* cls();
  // [[UIImagePickerController alloc] init] (+new).
  static std::shared_ptr<UIImagePickerController> create();
  explicit UIImagePickerController(objc::Class* isa = UIImagePickerController::cls());

  // isSourceTypeAvailable:. Only the photo library and the saved-photos album exist here.
  static bool isSourceTypeAvailable(UIImagePickerControllerSourceType sourceType);
  UIImagePickerControllerSourceType sourceType() const { return sourceType_; }
  // An unavailable source (the camera) is logged and the photo library is kept.
  void setSourceType(UIImagePickerControllerSourceType sourceType);
  // There is no cropping screen here: with editing allowed the info also carries the picture as
  // UIImagePickerControllerEditedImage.
  bool allowsEditing() const { return allowsEditing_; }
  void setAllowsEditing(bool allows) { allowsEditing_ = allows; }
  std::shared_ptr<UIImagePickerControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<UIImagePickerControllerDelegate>& delegate) { delegate_ = delegate; }

  // ---- What the picker shows (for hosts that drive it) ----
  // The photos in grid order, newest first; read from the library when the grid first loads.
  const std::vector<platform::PhotoAssetRecord>& photos();
  // The grid of tiles (item i shows photos()[i]).
  std::shared_ptr<UICollectionView> collectionView();
  // What a tap on tile `index` does: false (logged) for an index out of range or a photo that no
  // longer decodes.
  bool pickPhotoAtIndex(std::size_t index);
  // What a tap on "Cancel" does.
  void cancel();

 private:
  class GridScreen;
  std::shared_ptr<GridScreen> grid();

  UIImagePickerControllerSourceType sourceType_ = UIImagePickerControllerSourceTypePhotoLibrary;
  bool allowsEditing_ = false;
  std::weak_ptr<UIImagePickerControllerDelegate> delegate_;
  std::shared_ptr<GridScreen> grid_;
};
