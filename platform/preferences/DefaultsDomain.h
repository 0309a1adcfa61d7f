#pragma once
// A defaults domain: the preferences file of one identifier, as a settings list reads and writes
// the `defaults` of its rows. Every read goes to the file, so another process's change is seen at
// once; every write is one read-modify-write of the whole file under an advisory lock beside it,
// written atomically, so two writers of different keys both keep their change.
#include <optional>
#include <string>

#include "platform/foundation/PlistValue.h"

namespace platform {

// "/var/mobile/Library/Preferences/<domain>.plist"; nothing for a domain that is not a plain
// identifier (empty, or holding "/" or a leading "."), which could name a file elsewhere.
std::optional<std::string> defaultsDomainPath(const std::string& domain);

// The value stored under `key`; nothing when the domain, its file or the key is missing, or the
// file is not a dictionary (logged).
std::optional<Value> defaultsValueForKey(const std::string& domain, const std::string& key);

// Stores the value as it is (a bool stays a bool, a real a real); nothing removes the key.
// A file that exists but cannot be read is kept beside the new one as "<domain>.plist.unreadable"
// before it is replaced, so nothing the user had is lost. False when nothing was written (logged).
bool setDefaultsValueForKey(const std::string& domain, const std::string& key, const std::optional<Value>& value);

}  // namespace platform
