#pragma once
// Panes as a pane author writes them: a list that loads "Root" from its bundle, registered with
// the runtime under a name, as the Settings app finds a principal class.
#include <map>
#include <string>

#include "platform/preferences/PSListController.h"
#include "platform/runtime/RuntimeClass.h"

// The usual `specifiers`: the cache, else the bundle's "Root" file with this list as target.
class FilePane : public PSListController {
 public:
  using PSListController::PSListController;
  static objc::Class* cls() {
    static objc::Class* const k = objc::defineClass<FilePane, PSListController>("TestFilePane");
    return k;
  }
  PSSpecifierList specifiers() override {
    if (!_specifiers) _specifiers = loadSpecifiersFromPlistName("Root", this);
    return *_specifiers;
  }
};

inline platform::Dictionary entry(std::initializer_list<std::pair<const std::string, platform::Value>> values) {
  return platform::Dictionary(values);
}
