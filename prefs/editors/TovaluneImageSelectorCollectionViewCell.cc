#include "prefs/editors/TovaluneImageSelectorCollectionViewCell.h"

#include "prefs/editors/TovaluneImageGrid.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneImageSelectorCollectionViewCell::cls();
}  // namespace

objc::Class* TovaluneImageSelectorCollectionViewCell::cls() {
  static objc::Class* c = [] {
    objc::Class* cls =
        objc::objc_allocateClassPair(UICollectionViewCell::cls(), "TovaluneImageSelectorCollectionViewCell");
    cls->setAllocator(&objc::allocateInstance<TovaluneImageSelectorCollectionViewCell>);
    return cls;
  }();
  return c;
}

TovaluneImageSelectorCollectionViewCell::TovaluneImageSelectorCollectionViewCell(objc::Class* isa)
    : UICollectionViewCell(isa) {}

void TovaluneImageSelectorCollectionViewCell::setImage(std::shared_ptr<UIImage> image) {
  setImageTileImage(*this, imageView_, std::move(image));
}

void TovaluneImageSelectorCollectionViewCell::layoutSubviews() {
  UICollectionViewCell::layoutSubviews();
  layoutImageTile(*this, imageView_.get());
}

void TovaluneImageSelectorCollectionViewCell::prepareForReuse() {
  UICollectionViewCell::prepareForReuse();
  dropImageTileView(imageView_);
}
