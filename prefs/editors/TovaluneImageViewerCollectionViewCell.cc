#include "prefs/editors/TovaluneImageViewerCollectionViewCell.h"

#include "platform/runtime/RuntimeClass.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneImageViewerCollectionViewCell::cls();
}  // namespace

OBJC_DEFINE_CLASS(TovaluneImageViewerCollectionViewCell, UICollectionViewCell)

TovaluneImageViewerCollectionViewCell::TovaluneImageViewerCollectionViewCell(objc::Class* isa)
    : TovaluneImageTileCell(isa) {}
