#include "prefs/editors/TovaluneImageViewerCollectionViewCell.h"

#include "prefs/editors/TovaluneImageGrid.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneImageViewerCollectionViewCell::cls();
}  // namespace

objc::Class* TovaluneImageViewerCollectionViewCell::cls() {
  static objc::Class* c = [] {
    objc::Class* cls =
        objc::objc_allocateClassPair(UICollectionViewCell::cls(), "TovaluneImageViewerCollectionViewCell");
    cls->setAllocator(&objc::allocateInstance<TovaluneImageViewerCollectionViewCell>);
    return cls;
  }();
  return c;
}

TovaluneImageViewerCollectionViewCell::TovaluneImageViewerCollectionViewCell(objc::Class* isa)
    : UICollectionViewCell(isa) {}

void TovaluneImageViewerCollectionViewCell::setImage(std::shared_ptr<UIImage> image) {
  setImageTileImage(*this, imageView_, std::move(image));
}

void TovaluneImageViewerCollectionViewCell::layoutSubviews() {
  UICollectionViewCell::layoutSubviews();
  layoutImageTile(*this, imageView_.get());
}

void TovaluneImageViewerCollectionViewCell::prepareForReuse() {
  UICollectionViewCell::prepareForReuse();
  dropImageTileView(imageView_);
}
