#include "prefs/editors/TovaluneImageSelectorCollectionViewCell.h"

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
    : TovaluneImageTileCell(isa) {}
