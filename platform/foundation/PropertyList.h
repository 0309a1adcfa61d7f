#pragma once
// Reading and writing property-list files (NSDictionary dictionaryWithContentsOfFile: and
// writeToFile:atomically:). Reads XML and binary; writes XML (binary for what XML cannot keep).
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/PlistValue.h"

namespace platform {

// Any value from property-list bytes (XML or binary); nothing for bytes that are not a plist.
std::optional<Value> propertyListFromBytes(std::string_view bytes);

// A property-list file larger than this is not read: no settings file comes near it, and one
// that does (a file replaced by something else) must not fill the reader's memory.
inline constexpr std::size_t kMaxPropertyListBytes = std::size_t{16} << 20;

// The dictionary in the file at a device path; nothing when the file is missing, unreadable, not
// a property list, or a property list whose root is not a dictionary.
std::optional<Dictionary> dictionaryWithContentsOfFile(const std::string& devicePath);

// One value of the dictionary in a file, converting only that value (a preferences lookup reads
// the whole file each time, so it should not build the whole tree to answer one key).
enum class FileLookup { Found, NoKey, NoFile, Unreadable };
FileLookup valueForKeyInFile(const std::string& devicePath, const std::string& key, Value* out);

// The value as an XML property list.
std::string xmlPropertyList(const Value& value);
// The value as a binary property list (for devices that write binary files, and for tests).
std::string binaryPropertyList(const Value& value);

// Writes the dictionary as an XML property list, or as a binary one when it holds a UID, which
// only the binary form keeps. Atomically: into a temporary file in the same folder, then renamed
// over the target, so readers see the old file or the new one, whole.
bool writeToFile(const Dictionary& dict, const std::string& devicePath, bool atomically = true);

}  // namespace platform
