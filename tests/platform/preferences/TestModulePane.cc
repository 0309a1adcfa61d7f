// A pane as the Settings app loads one: a shared object that registers its list class when it is
// opened, and says nothing about where its bundle is.
#include "platform/preferences/PSListController.h"

namespace {

class TestModulePane : public PSListController {
 public:
  using PSListController::PSListController;
  PSSpecifierList specifiers() override {
    if (!_specifiers) _specifiers = loadSpecifiersFromPlistName("Root", this);
    return *_specifiers;
  }
};

[[maybe_unused]] const bool kRegistered = [] {
  objc::Class* k = objc::objc_allocateClassPair(PSListController::cls(), "TestModulePane");
  k->setAllocator(&objc::allocateInstance<TestModulePane>);
  return true;
}();

}  // namespace
