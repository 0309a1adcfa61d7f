#include "prefs/editors/TovaluneImageViewerViewController.h"

#include "prefs/editors/EditorPlaceholder.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneImageViewerViewController::cls();
}  // namespace

objc::Class* TovaluneImageViewerViewController::cls() {
  static objc::Class* c = [] {
    objc::Class* cls = objc::objc_allocateClassPair(UIViewController::cls(), "TovaluneImageViewerViewController");
    cls->setAllocator(&objc::allocateInstance<TovaluneImageViewerViewController>);
    return cls;
  }();
  return c;
}

std::shared_ptr<TovaluneImageViewerViewController> TovaluneImageViewerViewController::init() {
  return std::static_pointer_cast<TovaluneImageViewerViewController>(objc::class_createInstance(cls()));
}

TovaluneImageViewerViewController::TovaluneImageViewerViewController(objc::Class* isa) : UIViewController(isa) { setTitle("Image Viewer"); }

void TovaluneImageViewerViewController::viewDidLoad() {
  UIViewController::viewDidLoad();
  showEditorPlaceholder(*this, "The most recent wallpapers are kept here.");
}
