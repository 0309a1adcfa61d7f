#include "prefs/editors/TovaluneImageSelectorViewController.h"

#include "prefs/editors/EditorPlaceholder.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneImageSelectorViewController::cls();
}  // namespace

objc::Class* TovaluneImageSelectorViewController::cls() {
  static objc::Class* c = [] {
    objc::Class* cls = objc::objc_allocateClassPair(UIViewController::cls(), "TovaluneImageSelectorViewController");
    cls->setAllocator(&objc::allocateInstance<TovaluneImageSelectorViewController>);
    return cls;
  }();
  return c;
}

std::shared_ptr<TovaluneImageSelectorViewController> TovaluneImageSelectorViewController::init() {
  return std::static_pointer_cast<TovaluneImageSelectorViewController>(objc::class_createInstance(cls()));
}

TovaluneImageSelectorViewController::TovaluneImageSelectorViewController(objc::Class* isa) : UIViewController(isa) { setTitle("Image Selector"); }

void TovaluneImageSelectorViewController::viewDidLoad() {
  UIViewController::viewDidLoad();
  showEditorPlaceholder(*this, "Pictures you add here are the ones the Local Folder source shows.");
}
