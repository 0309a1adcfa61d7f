#include "platform/uikit/UIImagePickerController.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "platform/photos/PhotoLibrary.h"
#include "platform/runtime/RuntimeClass.h"
#include "platform/uikit/UIBarButtonItem.h"
#include "platform/uikit/UICollectionView.h"
#include "platform/uikit/UIImageView.h"
#include "platform/uikit/UILabel.h"
#include "platform/uikit/UINavigationItem.h"
#include "platform/uikit/UIScreen.h"

const char* const UIImagePickerControllerMediaType = "UIImagePickerControllerMediaType";
const char* const UIImagePickerControllerOriginalImage = "UIImagePickerControllerOriginalImage";
const char* const UIImagePickerControllerEditedImage = "UIImagePickerControllerEditedImage";
const char* const UIImagePickerControllerImageURL = "UIImagePickerControllerImageURL";
const char* const UIImagePickerControllerReferenceURL = "UIImagePickerControllerReferenceURL";
const char* const UIImagePickerControllerPHAssetIdentifier = "UIImagePickerControllerPHAssetIdentifier";

namespace {

constexpr int kColumns = 4;
constexpr double kSpacing = 2;
const char* const kTileIdentifier = "UIImagePickerTile";

// One photo of the grid: its picture filling the square, cut to it.
class PickerTile : public UICollectionViewCell {
 public:
  PickerTile() {
    imageView_ = std::make_shared<UIImageView>();
    imageView_->setContentMode(UIViewContentModeScaleAspectFill);
    imageView_->setClipsToBounds(true);
    imageView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    contentView()->addSubview(imageView_);
    setBackgroundColor(UIColor::systemGray5Color());
  }
  void setFrame(const CGRect& frame) override {
    UICollectionViewCell::setFrame(frame);
    imageView_->setFrame(bounds());
  }
  void prepareForReuse() override {
    UICollectionViewCell::prepareForReuse();
    imageView_->setImage(nullptr);
  }
  const std::shared_ptr<UIImageView>& imageView() const { return imageView_; }

 private:
  std::shared_ptr<UIImageView> imageView_;
};

// The picker's view: the grid, or a message for an empty or refused library, under the bar.
class PickerView : public UIView {
 public:
  std::function<double()> top;
  std::shared_ptr<UIView> content;
  void layoutSubviews() override {
    double t = top ? std::max(0.0, top()) : 0;
    CGRect b = bounds();
    if (content) content->setFrame(CGRectMake(0, t, b.width(), std::max(0.0, b.height() - t)));
  }
};

std::string quotedIfNeeded(const std::string& text) {
  bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '_';
  });
  if (plain) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
  return out + "\"";
}

}  // namespace

// ---- The info dictionary ----

std::shared_ptr<UIImage> UIImagePickerInfo::imageForKey(const std::string& key) const {
  auto it = images_.find(key);
  return it == images_.end() ? nullptr : it->second;
}

std::optional<std::string> UIImagePickerInfo::stringForKey(const std::string& key) const {
  auto it = strings_.find(key);
  return it == strings_.end() ? std::nullopt : std::optional(it->second);
}

std::string UIImagePickerInfo::description() const {
  std::map<std::string, std::string> lines;
  for (const auto& [key, value] : strings_) lines[key] = quotedIfNeeded(value);
  for (const auto& [key, image] : images_) lines[key] = image ? image->description() : "<null>";
  std::string out = "{\n";
  for (const auto& [key, value] : lines) out += "    " + key + " = " + value + ";\n";
  return out + "}";
}

// ---- The delegate's defaults ----

void UIImagePickerControllerDelegate::imagePickerControllerDidFinishPickingMediaWithInfo(UIImagePickerController* picker,
                                                                                        const UIImagePickerInfo&) {
  if (picker) picker->dismissViewControllerAnimated(true, nullptr);
}

void UIImagePickerControllerDelegate::imagePickerControllerDidCancel(UIImagePickerController* picker) {
  if (picker) picker->dismissViewControllerAnimated(true, nullptr);
}

// ---- The grid screen ----

class UIImagePickerController::GridScreen : public UIViewController,
                                            public UICollectionViewDataSource,
                                            public UICollectionViewDelegate {
 public:
  explicit GridScreen(std::weak_ptr<UIImagePickerController> picker) : picker_(std::move(picker)) {}

  const std::vector<platform::PhotoAssetRecord>& photos() {
    loadPhotos();
    return photos_;
  }
  const std::shared_ptr<UICollectionView>& grid() {
    view();
    return grid_;
  }

  int numberOfItemsInSection(UICollectionView*, int) override { return int(photos().size()); }

  std::shared_ptr<UICollectionViewCell> cellForItemAtIndexPath(UICollectionView* grid,
                                                               const NSIndexPath& indexPath) override {
    auto cell = grid->dequeueReusableCellWithReuseIdentifier(kTileIdentifier, indexPath);
    auto* tile = dynamic_cast<PickerTile*>(cell.get());
    if (!tile || indexPath.item() >= int(photos_.size())) return cell;
    const auto& photo = photos_[indexPath.item()];
    double pixels = std::ceil(grid->frameForItemAtIndexPath(indexPath).width() * UIScreen::mainScreen().scale());
    auto thumbnail = UIImage::thumbnailWithContentsOfFile(photo.path, pixels, pixels);
    if (!thumbnail) NSLog("UIImagePickerController: the photo {} cannot be shown", photo.path);
    tile->imageView()->setImage(thumbnail);
    tile->setAccessibilityLabel("Photo, " + platform::lastPathComponent(photo.path));
    return cell;
  }

  CGSize sizeForItemAtIndexPath(UICollectionView* grid, UICollectionViewFlowLayout*, const NSIndexPath&) override {
    double side = std::floor((grid->bounds().width() - (kColumns - 1) * kSpacing) / kColumns);
    return CGSize{std::max(1.0, side), std::max(1.0, side)};
  }

  void didSelectItemAtIndexPath(UICollectionView* grid, const NSIndexPath& indexPath) override {
    grid->deselectItemAtIndexPath(indexPath, false);
    if (auto picker = picker_.lock()) picker->pickPhotoAtIndex(std::size_t(indexPath.item()));
  }

 protected:
  void loadView() override {
    auto root = std::make_shared<PickerView>();
    root->setBackgroundColor(UIColor::whiteColor());
    // The view may begin under the translucent bar; the grid begins below it.
    root->top = [this] {
      auto navigation = navigationController();
      return navigation && isViewLoaded() ? navigation->contentTop() - view()->frame().minY() : 0.0;
    };
    setView(root);
  }

  void viewDidLoad() override {
    auto root = std::static_pointer_cast<PickerView>(view());
    loadPhotos();
    if (!platform::photoLibraryAccessAllowed() || photos_.empty()) {
      auto label = UILabel::alloc();
      label->setText(platform::photoLibraryAccessAllowed()
                         ? "No Photos or Videos"
                         : "This app does not have access to your photos.\nYou can allow access in Settings.");
      label->setTextAlignment(NSTextAlignmentCenter);
      label->setNumberOfLines(0);
      label->setTextColor(UIColor::secondaryLabelColor());
      root->content = label;
      root->addSubview(label);
    }
    auto layout = UICollectionViewFlowLayout::create();
    layout->setMinimumInteritemSpacing(kSpacing);
    layout->setMinimumLineSpacing(kSpacing);
    grid_ = UICollectionView::alloc()->initWithFrame(root->bounds(), layout);
    grid_->registerClass<PickerTile>(kTileIdentifier);
    auto self = std::dynamic_pointer_cast<GridScreen>(shared_from_this());
    grid_->setDataSource(self);
    grid_->setDelegate(self);
    if (!root->content) {
      root->content = grid_;
      root->addSubview(grid_);
    }
    root->setNeedsLayout();
  }

 private:
  void loadPhotos() {
    if (loaded_) return;
    loaded_ = true;
    if (!platform::photoLibraryAccessAllowed()) {
      NSLog("UIImagePickerController: the device refuses access to the photo library");
      return;
    }
    photos_ = platform::photoLibraryAllAssetsNewestFirst();
  }

  std::weak_ptr<UIImagePickerController> picker_;  // which owns this screen
  bool loaded_ = false;
  std::vector<platform::PhotoAssetRecord> photos_;
  std::shared_ptr<UICollectionView> grid_;
};

// ---- The picker ----

OBJC_DEFINE_CLASS(UIImagePickerController, UINavigationController)

UIImagePickerController::UIImagePickerController(objc::Class* isa) : UINavigationController(isa) {}

std::shared_ptr<UIImagePickerController> UIImagePickerController::create() {
  auto picker = std::make_shared<UIImagePickerController>();
  picker->grid();
  return picker;
}

std::shared_ptr<UIImagePickerController::GridScreen> UIImagePickerController::grid() {
  if (grid_) return grid_;
  std::weak_ptr<UIImagePickerController> weak =
      std::static_pointer_cast<UIImagePickerController>(shared_from_this());
  grid_ = std::make_shared<GridScreen>(weak);
  grid_->setTitle("Photos");
  grid_->navigationItem()->setRightBarButtonItem(
      UIBarButtonItem::itemWithTitle("Cancel", UIBarButtonItemStylePlain, [weak](UIBarButtonItem*) {
        if (auto picker = weak.lock()) picker->cancel();
      }));
  setViewControllers({grid_}, false);
  return grid_;
}

bool UIImagePickerController::isSourceTypeAvailable(UIImagePickerControllerSourceType sourceType) {
  return sourceType == UIImagePickerControllerSourceTypePhotoLibrary ||
         sourceType == UIImagePickerControllerSourceTypeSavedPhotosAlbum;
}

void UIImagePickerController::setSourceType(UIImagePickerControllerSourceType sourceType) {
  if (!isSourceTypeAvailable(sourceType)) {
    NSLog("UIImagePickerController: source type {} is not available on this device; showing the photo library",
          int(sourceType));
    sourceType = UIImagePickerControllerSourceTypePhotoLibrary;
  }
  sourceType_ = sourceType;
}

const std::vector<platform::PhotoAssetRecord>& UIImagePickerController::photos() { return grid()->photos(); }

std::shared_ptr<UICollectionView> UIImagePickerController::collectionView() { return grid()->grid(); }

bool UIImagePickerController::pickPhotoAtIndex(std::size_t index) {
  auto keep = shared_from_this();
  const auto& all = photos();
  if (index >= all.size()) {
    NSLog("UIImagePickerController: there is no photo {} (the library shows {})", index, all.size());
    return false;
  }
  const platform::PhotoAssetRecord photo = all[index];
  auto image = UIImage::imageWithContentsOfFile(photo.path);
  if (!image) {
    NSLog("UIImagePickerController: the photo {} cannot be read; nothing was picked", photo.path);
    return false;
  }
  UIImagePickerInfo info;
  info.setString(UIImagePickerControllerMediaType, "public.image");
  info.setImage(UIImagePickerControllerOriginalImage, image);
  if (allowsEditing_) info.setImage(UIImagePickerControllerEditedImage, image);
  info.setString(UIImagePickerControllerImageURL, "file://" + photo.path);
  std::string ext = platform::uppercaseString(platform::pathExtension(photo.path));
  std::string id = photo.localIdentifier.substr(0, photo.localIdentifier.find('/'));
  info.setString(UIImagePickerControllerReferenceURL,
                 fmt::format("assets-library://asset/asset.{}?id={}&ext={}", ext, id, ext));
  info.setString(UIImagePickerControllerPHAssetIdentifier, photo.localIdentifier);
  if (auto delegate = this->delegate())
    delegate->imagePickerControllerDidFinishPickingMediaWithInfo(this, info);
  else
    UIImagePickerControllerDelegate().imagePickerControllerDidFinishPickingMediaWithInfo(this, info);
  return true;
}

void UIImagePickerController::cancel() {
  auto keep = shared_from_this();
  if (auto delegate = this->delegate())
    delegate->imagePickerControllerDidCancel(this);
  else
    UIImagePickerControllerDelegate().imagePickerControllerDidCancel(this);
}
