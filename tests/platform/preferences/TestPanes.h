#pragma once
// Panes as a pane author writes them: a list that loads "Root" from its bundle, registered with
// the runtime under a name, as the Settings app finds a principal class.
#include <map>
#include <string>

#include "platform/preferences/PSListController.h"

// The usual `specifiers`: the cache, else the bundle's "Root" file with this list as target.
class FilePane : public PSListController {
 public:
  using PSListController::PSListController;
  PSSpecifierList specifiers() override {
    if (!_specifiers) _specifiers = loadSpecifiersFromPlistName("Root", this);
    return *_specifiers;
  }
};

template <typename T>
objc::Class* registerPaneClass(const std::string& name, objc::Class* superclass = PSListController::cls()) {
  objc::Class* k = objc::objc_allocateClassPair(superclass, name);
  k->setAllocator(&objc::allocateInstance<T>);
  return k;
}

inline objc::Class* filePaneClass() {
  static objc::Class* k = registerPaneClass<FilePane>("TestFilePane");
  return k;
}

inline platform::Dictionary entry(std::initializer_list<std::pair<const std::string, platform::Value>> values) {
  return platform::Dictionary(values);
}
