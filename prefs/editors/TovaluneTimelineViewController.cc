#include "prefs/editors/TovaluneTimelineViewController.h"

#include "prefs/editors/EditorPlaceholder.h"

namespace {
// Found by name once the pane is loaded, like every class of the pane.
[[maybe_unused]] objc::Class* const kRegistered = TovaluneTimelineViewController::cls();
}  // namespace

objc::Class* TovaluneTimelineViewController::cls() {
  static objc::Class* c = [] {
    objc::Class* cls = objc::objc_allocateClassPair(UIViewController::cls(), "TovaluneTimelineViewController");
    cls->setAllocator(&objc::allocateInstance<TovaluneTimelineViewController>);
    return cls;
  }();
  return c;
}

std::shared_ptr<TovaluneTimelineViewController> TovaluneTimelineViewController::init() {
  return std::static_pointer_cast<TovaluneTimelineViewController>(objc::class_createInstance(cls()));
}

TovaluneTimelineViewController::TovaluneTimelineViewController(objc::Class* isa) : UIViewController(isa) { setTitle("Timeline"); }

void TovaluneTimelineViewController::viewDidLoad() {
  UIViewController::viewDidLoad();
  showEditorPlaceholder(*this, "Each entry of the timeline starts at a time of day.");
}
