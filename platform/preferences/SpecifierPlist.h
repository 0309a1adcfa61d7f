#pragma once
// Reading a specifier file: a property-list dictionary whose `items` array holds one dictionary
// per row (`cell`, `key`, `default`, `defaults`, `label`, `validValues`, `validTitles`,
// `shortTitles`, `action`, `detail`, `cellClass`, `footerText`, `get`, `set`, ...) and whose
// optional `title` names the screen. XML and binary files read alike.
//
// A file that cannot be read (missing, not a property list, a root that is not a dictionary,
// `items` that is not an array) gives no rows and one log line; an entry that is not a dictionary
// is skipped with a log line; the other rows still load.
#include <functional>
#include <string>

#include "platform/foundation/PlistValue.h"
#include "platform/preferences/PSSpecifier.h"

namespace platform {

// Turns a text of the file (a label, a title, a footer) into the device's language.
using SpecifierLocalizer = std::function<std::string(const std::string& text)>;

struct SpecifierFile {
  PSSpecifierList specifiers;
  std::string title;  // localized; empty when the file names none
};

// The rows of a specifier file's dictionary. `target` receives the rows' values and actions
// (readPreferenceValue: and setPreferenceValue:specifier: unless an entry names its own `get` and
// `set`). Rows whose `requiredCapabilities` the device lacks are left out. `origin` names the
// file in log lines.
SpecifierFile specifiersFromDictionary(const Dictionary& plist, objc::Object* target,
                                       const SpecifierLocalizer& localize, const std::string& origin);

// The same, read from the file at a device path.
SpecifierFile specifiersFromFile(const std::string& devicePath, objc::Object* target,
                                 const SpecifierLocalizer& localize);

// One entry of `items`; nothing (logged) when it is not a dictionary. The capability check is the
// caller's.
std::shared_ptr<PSSpecifier> specifierFromEntry(const Value& entry, objc::Object* target,
                                                const SpecifierLocalizer& localize, const std::string& origin);

}  // namespace platform
