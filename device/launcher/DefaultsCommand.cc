#include "device/launcher/DefaultsCommand.h"

#include <cerrno>
#include <cstdlib>

#include <fmt/format.h>

#include "platform/foundation/FileManager.h"
#include "shared/TovalunePreferencesManager.h"

using platform::Value;

namespace {

int usage() {
  fmt::print(stderr,
             "usage: tovalune-device defaults read [KEY]\n"
             "       tovalune-device defaults write KEY -int N | -bool true|false | -string S\n"
             "       tovalune-device defaults delete KEY\n");
  return 2;
}

std::optional<Value> parseTyped(const std::string& type, const std::string& text) {
  if (type == "-int" || type == "-integer") {
    errno = 0;
    char* end = nullptr;
    long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE) return std::nullopt;
    return Value(static_cast<std::int64_t>(n));
  }
  if (type == "-bool" || type == "-boolean") {
    if (text == "true" || text == "YES" || text == "yes" || text == "1") return Value(true);
    if (text == "false" || text == "NO" || text == "no" || text == "0") return Value(false);
    return std::nullopt;
  }
  if (type == "-string") return Value(text);
  return std::nullopt;
}

int read(const std::vector<std::string>& args) {
  if (args.size() == 1) {
    auto prefs = TovalunePreferencesManager::getPrefs();
    if (!prefs) {
      fmt::print(stderr, "defaults: the preferences file {} is not a readable property-list dictionary\n",
                 TovalunePreferencesManager::kPreferencesPath);
      return 1;
    }
    fmt::print("{}\n", Value(*prefs).toJSON());
    return 0;
  }
  if (args.size() != 2) return usage();
  auto value = TovalunePreferencesManager::getPrefForKey(args[1]);
  if (!value) {
    fmt::print(stderr, "defaults: no value for key {}\n", args[1]);
    return 1;
  }
  if (auto s = value->string()) fmt::print("{}\n", *s);
  else if (value->isBool() || value->isInteger()) fmt::print("{}\n", value->longLongValue());
  else fmt::print("{}\n", value->toJSON());
  return 0;
}

int write(const std::vector<std::string>& args) {
  if (args.size() != 4) return usage();
  auto value = parseTyped(args[2], args[3]);
  if (!value) {
    fmt::print(stderr, "defaults: cannot read \"{}\" as {}\n", args[3], args[2]);
    return 2;
  }
  if (!TovalunePreferencesManager::setPrefForKey(args[1], *value)) {
    fmt::print(stderr, "defaults: the preferences file is not a readable dictionary; nothing written\n");
    return 1;
  }
  return 0;
}

int remove(const std::vector<std::string>& args) {
  if (args.size() != 2) return usage();
  auto prefs = TovalunePreferencesManager::getPrefs();
  if (prefs && !prefs->count(args[1])) {
    fmt::print(stderr, "defaults: no key {} in the preferences file\n", args[1]);
    return 1;
  }
  if (!TovalunePreferencesManager::removePrefForKey(args[1])) {
    fmt::print(stderr, "defaults: the preferences file is not a readable dictionary; nothing changed\n");
    return 1;
  }
  return 0;
}

}  // namespace

int runDefaults(const std::vector<std::string>& args) {
  if (args.empty()) return usage();
  if (args[0] == "read") return read(args);
  if (args[0] == "write") return write(args);
  if (args[0] == "delete") return remove(args);
  return usage();
}
