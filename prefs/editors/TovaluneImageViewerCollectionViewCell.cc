#include "prefs/editors/TovaluneImageViewerCollectionViewCell.h"

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
    : TovaluneImageTileCell(isa) {}
