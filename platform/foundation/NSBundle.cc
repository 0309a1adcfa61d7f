#include "platform/foundation/NSBundle.h"

#include <algorithm>
#include <cstdint>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSProcessInfo.h"
#include "platform/foundation/PropertyList.h"

namespace {

constexpr const char* kDefaultTable = "Localizable";
constexpr const char* kDefaultDevelopmentRegion = "en";

std::mutex gBundlesMutex;
std::string gMainBundlePath;
std::vector<std::string> gPreferredLanguages{"en"};
// By host folder, so that a process that changes device roots (a test) gets fresh bundles.
std::map<std::string, std::shared_ptr<NSBundle>> gBundles;

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path.empty() ? "/" : path;
}

std::shared_ptr<NSBundle> bundleFor(const std::string& devicePath) {
  std::string path = withoutTrailingSlash(devicePath);
  std::lock_guard lock(gBundlesMutex);
  auto& bundle = gBundles[platform::hostPath(path)];
  if (!bundle) bundle = std::make_shared<NSBundle>(path);
  return bundle;
}

// The device folder of the running executable, when the executable lies on the device.
std::string executableFolder() {
  std::string executable = platform::executablePath();
  if (executable.empty()) return {};
  std::string device = platform::devicePathFromHost(executable);
  return device.empty() ? std::string{} : platform::stringByDeletingLastPathComponent(device);
}

// ---- Strings files ----

void appendUTF8(std::string& out, std::uint32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// UTF-16 text (after its byte-order mark) as UTF-8; unpaired surrogates become U+FFFD.
std::string utf8FromUTF16(std::string_view bytes, bool bigEndian) {
  std::string out;
  auto unit = [&](std::size_t i) -> std::uint32_t {
    auto a = std::uint8_t(bytes[i]), b = std::uint8_t(bytes[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      std::uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    appendUTF8(out, c);
  }
  return out;
}

// The text form: a sequence of `"key" = "value";` (or `"key";`, whose value is the key), as an
// old-style property list without (or with) its outer braces.
class StringsTextParser {
 public:
  explicit StringsTextParser(std::string_view text) : s_(text) {}

  std::optional<std::map<std::string, std::string>> parse() {
    std::map<std::string, std::string> table;
    skipSpace();
    bool braced = peek('{');
    if (braced) ++i_;
    while (skipSpace(), i_ < s_.size() && !peek('}')) {
      auto key = string();
      if (!key) return std::nullopt;
      skipSpace();
      std::string value = *key;
      if (peek('=')) {
        ++i_;
        skipSpace();
        auto v = string();
        if (!v) return std::nullopt;
        value = std::move(*v);
        skipSpace();
      }
      if (!peek(';')) return std::nullopt;
      ++i_;
      table[*key] = std::move(value);
    }
    if (braced != peek('}')) return std::nullopt;
    if (braced) ++i_;
    skipSpace();
    if (i_ != s_.size()) return std::nullopt;
    return table;
  }

 private:
  bool peek(char c) const { return i_ < s_.size() && s_[i_] == c; }

  void skipSpace() {
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
        ++i_;
      } else if (s_.substr(i_, 2) == "//") {
        std::size_t end = s_.find('\n', i_);
        i_ = end == std::string_view::npos ? s_.size() : end + 1;
      } else if (s_.substr(i_, 2) == "/*") {
        std::size_t end = s_.find("*/", i_ + 2);
        // An unclosed comment runs to the end, and the parse then fails on what it swallowed.
        i_ = end == std::string_view::npos ? s_.size() + 1 : end + 2;
      } else {
        return;
      }
    }
  }

  static bool unquotedChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
  }

  std::optional<std::string> string() {
    if (i_ >= s_.size()) return std::nullopt;
    if (s_[i_] != '"') {
      std::size_t start = i_;
      while (i_ < s_.size() && unquotedChar(s_[i_])) ++i_;
      if (i_ == start) return std::nullopt;
      return std::string(s_.substr(start, i_ - start));
    }
    ++i_;
    std::string out;
    while (i_ < s_.size() && s_[i_] != '"') {
      if (s_[i_] != '\\') {
        out += s_[i_++];
        continue;
      }
      if (++i_ >= s_.size()) return std::nullopt;
      char e = s_[i_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case 'U':
        case 'u': {
          auto c = hex4();
          if (!c) return std::nullopt;
          std::uint32_t code = *c;
          if (code >= 0xD800 && code <= 0xDBFF && s_.substr(i_, 2) == "\\U") {
            std::size_t save = i_;
            i_ += 2;
            auto low = hex4();
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
            else i_ = save;
          }
          appendUTF8(out, code);
          break;
        }
        default:
          if (e >= '0' && e <= '7') {
            std::uint32_t code = std::uint32_t(e - '0');
            for (int k = 0; k < 2 && i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '7'; ++k)
              code = code * 8 + std::uint32_t(s_[i_++] - '0');
            appendUTF8(out, code);
          } else {
            out += e;  // \" \\ \' and any other character stand for themselves
          }
      }
    }
    if (i_ >= s_.size()) return std::nullopt;
    ++i_;
    return out;
  }

  std::optional<std::uint32_t> hex4() {
    if (i_ + 4 > s_.size()) return std::nullopt;
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      char c = s_[i_ + std::size_t(k)];
      int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (d < 0) return std::nullopt;
      v = v * 16 + std::uint32_t(d);
    }
    i_ += 4;
    return v;
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

bool looksLikePropertyList(std::string_view text) {
  std::size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return false;
  text.remove_prefix(start);
  return text.starts_with("bplist") || text.starts_with("<?xml") || text.starts_with("<!DOCTYPE") ||
         text.starts_with("<plist");
}

}  // namespace

namespace platform {

std::optional<std::map<std::string, std::string>> stringsTableFromBytes(std::string_view bytes) {
  std::string text;
  if (bytes.starts_with("\xFF\xFE")) text = utf8FromUTF16(bytes.substr(2), false);
  else if (bytes.starts_with("\xFE\xFF")) text = utf8FromUTF16(bytes.substr(2), true);
  else if (bytes.starts_with("\xEF\xBB\xBF")) text = std::string(bytes.substr(3));
  else text = std::string(bytes);

  if (looksLikePropertyList(text)) {
    auto value = propertyListFromBytes(bytes.starts_with("bplist") ? bytes : std::string_view(text));
    if (!value || !value->dictionary()) return std::nullopt;
    std::map<std::string, std::string> table;
    for (const auto& [key, v] : *value->dictionary())
      if (v.string()) table[key] = *v.string();
    return table;
  }
  return StringsTextParser(text).parse();
}

}  // namespace platform

std::shared_ptr<NSBundle> NSBundle::mainBundle() {
  std::string path;
  {
    std::lock_guard lock(gBundlesMutex);
    path = gMainBundlePath;
  }
  if (path.empty()) path = executableFolder();
  return bundleFor(path.empty() ? "/" : path);
}

void NSBundle::setMainBundlePath(std::string devicePath) {
  std::lock_guard lock(gBundlesMutex);
  gMainBundlePath = std::move(devicePath);
}

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(const std::string& devicePath) {
  if (devicePath.empty() || !platform::directoryExistsAtPath(devicePath)) return nullptr;
  return bundleFor(devicePath);
}

void NSBundle::setPreferredLanguages(std::vector<std::string> languages) {
  std::lock_guard lock(gBundlesMutex);
  gPreferredLanguages = std::move(languages);
}

std::vector<std::string> NSBundle::preferredLanguages() {
  std::lock_guard lock(gBundlesMutex);
  return gPreferredLanguages;
}

NSBundle::NSBundle(std::string devicePath) : path_(std::move(devicePath)) {}

const platform::Dictionary& NSBundle::infoDictionary() const {
  std::lock_guard lock(mu_);
  if (!info_) {
    std::string plist = platform::stringByAppendingPathComponent(path_, "Info.plist");
    info_ = platform::dictionaryWithContentsOfFile(plist).value_or(platform::Dictionary{});
    if (info_->empty() && platform::fileExistsAtPath(plist)) NSLog("NSBundle: {} is not a property list", plist);
  }
  return *info_;
}

const platform::Value* NSBundle::objectForInfoDictionaryKey(const std::string& key) const {
  return platform::find(infoDictionary(), key);
}

std::optional<std::string> NSBundle::bundleIdentifier() const {
  const platform::Value* v = objectForInfoDictionaryKey("CFBundleIdentifier");
  return v && v->string() ? std::optional(*v->string()) : std::nullopt;
}

std::vector<std::string> NSBundle::localizations() const {
  std::vector<std::string> names;
  for (const auto& entry : platform::contentsOfDirectoryAtPath(path_).value_or(std::vector<std::string>{}))
    if (entry.size() > 6 && entry.ends_with(".lproj")) names.push_back(entry.substr(0, entry.size() - 6));
  return names;
}

std::vector<std::string> NSBundle::searchLanguages() const {
  std::vector<std::string> order;
  auto add = [&](const std::string& language) {
    if (!language.empty() && std::find(order.begin(), order.end(), language) == order.end()) order.push_back(language);
  };
  for (const auto& language : preferredLanguages()) {
    add(language);
    std::size_t cut = language.find_first_of("-_");
    if (cut != std::string::npos) add(language.substr(0, cut));
  }
  const platform::Value* region = objectForInfoDictionaryKey("CFBundleDevelopmentRegion");
  add(region && region->string() ? *region->string() : kDefaultDevelopmentRegion);
  add("Base");
  return order;
}

std::optional<std::string> NSBundle::pathForResource(const std::string& name, const std::string& type) const {
  if (name.empty()) return std::nullopt;
  std::string file = type.empty() ? name : name + "." + (type.starts_with('.') ? type.substr(1) : type);
  std::vector<std::string> folders{path_};
  for (const auto& language : searchLanguages())
    folders.push_back(platform::stringByAppendingPathComponent(path_, language + ".lproj"));
  for (const auto& folder : folders) {
    std::string candidate = platform::stringByAppendingPathComponent(folder, file);
    if (platform::fileExistsAtPath(candidate)) return candidate;
  }
  return std::nullopt;
}

const NSBundle::Table* NSBundle::tableNamed(const std::string& table) const {
  {
    std::lock_guard lock(mu_);
    if (auto it = tables_.find(table); it != tables_.end()) return it->second.get();
  }
  std::unique_ptr<Table> loaded;
  for (const auto& language : searchLanguages()) {
    std::string file = platform::stringByAppendingPathComponent(
        platform::stringByAppendingPathComponent(path_, language + ".lproj"), table + ".strings");
    auto bytes = platform::readFile(file);
    if (!bytes) continue;
    auto parsed = platform::stringsTableFromBytes(*bytes);
    if (!parsed) NSLog("NSBundle: {} is not a strings file; its translations are not used", file);
    loaded = std::make_unique<Table>(parsed.value_or(Table{}));
    break;
  }
  std::lock_guard lock(mu_);
  auto [it, inserted] = tables_.emplace(table, std::move(loaded));
  return it->second.get();
}

std::string NSBundle::localizedStringForKey(const std::string& key, const std::string& value,
                                            const std::string& table) const {
  if (const Table* strings = tableNamed(table.empty() ? kDefaultTable : table))
    if (auto it = strings->find(key); it != strings->end()) return it->second;
  return value.empty() ? key : value;
}
