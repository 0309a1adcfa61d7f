// A pane as the Settings app loads one: a shared object that registers its list class when it is
// opened, and says nothing about where its bundle is.
#include "platform/preferences/PSListController.h"
#include "platform/runtime/RuntimeClass.h"

namespace {

class TestModulePane : public PSListController {
 public:
  using PSListController::PSListController;
  PSSpecifierList specifiers() override {
    if (!_specifiers) _specifiers = loadSpecifiersFromPlistName("Root", this);
    return *_specifiers;
  }
};

[[maybe_unused]] objc::Class* const kRegistered = objc::defineClass<TestModulePane, PSListController>("TestModulePane");

}  // namespace
