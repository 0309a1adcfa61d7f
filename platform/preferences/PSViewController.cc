#include "platform/preferences/PSViewController.h"

objc::Class* PSViewController::cls() {
  static objc::Class* c = [] {
    objc::Class* k = objc::objc_allocateClassPair(UIViewController::cls(), "PSViewController");
    k->setAllocator(&objc::allocateInstance<PSViewController>);
    return k;
  }();
  return c;
}

PSViewController::PSViewController(objc::Class* isa) : UIViewController(isa) {}
