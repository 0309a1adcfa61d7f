#pragma once
// NSBundle: a folder of a program or plug-in and the resources in it: its Info.plist, files found
// by name and type (in the folder, then in the folders of its localizations), and localized
// strings from "<language>.lproj/<table>.strings".
//
// A bundle's files do not change while it is loaded, as on the device: Info.plist and each strings
// table are read once, on first use. Bundles are kept per folder of the device in use, so the
// same path gives the same object.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/PlistValue.h"

class NSBundle {
 public:
  // The running program's bundle: the device folder the host named with setMainBundlePath, else
  // the folder of the running executable when it lies on the device, else "/".
  static std::shared_ptr<NSBundle> mainBundle();
  static void setMainBundlePath(std::string devicePath);
  // The bundle of a device folder; nullptr when there is no such folder.
  static std::shared_ptr<NSBundle> bundleWithPath(const std::string& devicePath);

  // The languages the device prefers, best first ("en" until a host says otherwise). A region
  // ("en-GB") also accepts its language's table ("en").
  static void setPreferredLanguages(std::vector<std::string> languages);
  static std::vector<std::string> preferredLanguages();

  explicit NSBundle(std::string devicePath);

  const std::string& bundlePath() const { return path_; }
  // CFBundleIdentifier, when Info.plist has one.
  std::optional<std::string> bundleIdentifier() const;
  // Info.plist as a dictionary (XML or binary); empty when the file is missing or no dictionary.
  const platform::Dictionary& infoDictionary() const;
  const platform::Value* objectForInfoDictionaryKey(const std::string& key) const;

  // The device path of "<name>.<type>" (type may be empty, or be part of the name): in the
  // bundle's folder, else in its localization folders in the order localizedStringForKey uses.
  std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const;
  // The names of the bundle's localizations (its ".lproj" folders without the extension).
  std::vector<std::string> localizations() const;

  // The translation of the key in the table ("Localizable" when empty) of the first localization
  // that has that table, trying the preferred languages, then the development region
  // (CFBundleDevelopmentRegion, "en" by default), then "Base". Without a translation: the given
  // value when it is not empty, else the key itself. A table that cannot be read is logged once
  // and counts as empty.
  std::string localizedStringForKey(const std::string& key, const std::string& value,
                                    const std::string& table) const;

 private:
  using Table = std::map<std::string, std::string>;
  std::vector<std::string> searchLanguages() const;
  const Table* tableNamed(const std::string& table) const;

  std::string path_;
  mutable std::mutex mu_;
  mutable std::optional<platform::Dictionary> info_;
  // Per table name: the table of the chosen localization, or nullptr when no localization has it.
  mutable std::map<std::string, std::unique_ptr<Table>> tables_;
};

namespace platform {

// The pairs of a strings file: the text form ("key" = "value"; with comments, escapes and
// \Uxxxx characters, in UTF-8 or UTF-16 with its byte-order mark) or a property list (XML or
// binary) whose root is a dictionary of strings. Nothing when the bytes are neither.
std::optional<std::map<std::string, std::string>> stringsTableFromBytes(std::string_view bytes);

}  // namespace platform
