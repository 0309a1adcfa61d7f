#include "prefs/editors/TovaluneImageSelectorCollectionViewCell.h"

#include "platform/runtime/RuntimeClass.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneImageSelectorCollectionViewCell::cls();
}  // namespace

OBJC_DEFINE_CLASS(TovaluneImageSelectorCollectionViewCell, UICollectionViewCell)

TovaluneImageSelectorCollectionViewCell::TovaluneImageSelectorCollectionViewCell(objc::Class* isa)
    : TovaluneImageTileCell(isa) {}
