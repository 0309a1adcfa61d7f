#include "prefs/editors/TovalunePhotoAlbumSelectorViewController.h"

#include "prefs/editors/EditorPlaceholder.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovalunePhotoAlbumSelectorViewController::cls();
}  // namespace

objc::Class* TovalunePhotoAlbumSelectorViewController::cls() {
  static objc::Class* c = [] {
    objc::Class* cls = objc::objc_allocateClassPair(UIViewController::cls(), "TovalunePhotoAlbumSelectorViewController");
    cls->setAllocator(&objc::allocateInstance<TovalunePhotoAlbumSelectorViewController>);
    return cls;
  }();
  return c;
}

std::shared_ptr<TovalunePhotoAlbumSelectorViewController> TovalunePhotoAlbumSelectorViewController::initWithPrefsKey(
    std::string prefsKey) {
  auto screen = std::static_pointer_cast<TovalunePhotoAlbumSelectorViewController>(objc::class_createInstance(cls()));
  screen->setPrefsKey(std::move(prefsKey));
  return screen;
}

TovalunePhotoAlbumSelectorViewController::TovalunePhotoAlbumSelectorViewController(objc::Class* isa)
    : UIViewController(isa) {
  setTitle("Album Selector");
}

void TovalunePhotoAlbumSelectorViewController::viewDidLoad() {
  UIViewController::viewDidLoad();
  showEditorPlaceholder(*this, "The albums of your photo library are listed here.");
}
