#include "platform/foundation/PropertyList.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"

namespace platform {
namespace {

// Seconds between 1970-01-01 and 2001-01-01, the property-list date epoch.
constexpr double kAppleEpochOffset = 978307200.0;
// Deeper nesting than this is not a preferences file; refusing it keeps recursion bounded.
constexpr int kMaxDepth = 256;

struct PlistFree {
  void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

std::optional<Value> fromNode(plist_t node, int depth) {
  if (!node || depth > kMaxDepth) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return Value(b != 0);
    }
    case PLIST_UINT: {
      uint64_t u = 0;
      plist_get_uint_val(node, &u);
      // libplist keeps signed integers in their two's-complement form.
      return Value(static_cast<std::int64_t>(u));
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return Value(d);
    }
    case PLIST_STRING: {
      uint64_t len = 0;
      const char* s = plist_get_string_ptr(node, &len);
      return Value(s ? std::string(s, len) : std::string());
    }
    case PLIST_KEY: {
      char* s = nullptr;
      plist_get_key_val(node, &s);
      std::string str = s ? s : "";
      free(s);
      return Value(std::move(str));
    }
    case PLIST_DATA: {
      char* d = nullptr;
      uint64_t len = 0;
      plist_get_data_val(node, &d, &len);
      Data data;
      if (d) data.bytes.assign(reinterpret_cast<uint8_t*>(d), reinterpret_cast<uint8_t*>(d) + len);
      free(d);
      return Value(std::move(data));
    }
    case PLIST_DATE: {
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return Value(Date{sec + usec / 1e6 + kAppleEpochOffset});
    }
    case PLIST_UID: {
      uint64_t u = 0;
      plist_get_uid_val(node, &u);
      return Value(Uid{u});
    }
    case PLIST_ARRAY: {
      Array arr;
      uint32_t n = plist_array_get_size(node);
      arr.reserve(n);
      for (uint32_t i = 0; i < n; ++i) {
        auto v = fromNode(plist_array_get_item(node, i), depth + 1);
        if (!v) return std::nullopt;
        arr.push_back(std::move(*v));
      }
      return Value(std::move(arr));
    }
    case PLIST_DICT: {
      Dictionary dict;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      if (!it) return Value(std::move(dict));
      for (;;) {
        char* key = nullptr;
        plist_t val = nullptr;
        plist_dict_next_item(node, it, &key, &val);
        if (!val) {
          free(key);
          break;
        }
        auto v = fromNode(val, depth + 1);
        if (!v) {
          free(key);
          free(it);
          return std::nullopt;
        }
        dict.emplace_hint(dict.end(), key ? std::string(key) : std::string(), std::move(*v));
        free(key);
      }
      free(it);
      return Value(std::move(dict));
    }
    default:
      return std::nullopt;
  }
}

plist_t toNode(const Value& v) {
  return std::visit(
      [](const auto& x) -> plist_t {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, bool>) return plist_new_bool(x);
        else if constexpr (std::is_same_v<T, std::int64_t>) return plist_new_uint(static_cast<uint64_t>(x));
        else if constexpr (std::is_same_v<T, double>) return plist_new_real(x);
        else if constexpr (std::is_same_v<T, std::string>) return plist_new_string(x.c_str());
        else if constexpr (std::is_same_v<T, Data>)
          return plist_new_data(reinterpret_cast<const char*>(x.bytes.data()), x.bytes.size());
        else if constexpr (std::is_same_v<T, Date>) {
          // The library keeps a date as 32-bit whole seconds around 2001 (1933 to 2069): a date
          // beyond that (a damaged file can hold any) is written as the nearest it can keep, and
          // one that is no number at all as 2001 itself, rather than overflowing the conversion.
          double rel = std::isnan(x.seconds) ? 0 : x.seconds - kAppleEpochOffset;
          rel = std::clamp(rel, double(std::numeric_limits<int32_t>::min()), double(std::numeric_limits<int32_t>::max()));
          double whole = std::floor(rel);
          return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((rel - whole) * 1e6));
        } else if constexpr (std::is_same_v<T, Uid>) {
          return plist_new_uid(x.value);
        } else if constexpr (std::is_same_v<T, Array>) {
          plist_t a = plist_new_array();
          for (const auto& e : x) plist_array_append_item(a, toNode(e));
          return a;
        } else {
          plist_t d = plist_new_dict();
          for (const auto& [k, e] : x) plist_dict_set_item(d, k.c_str(), toNode(e));
          return d;
        }
      },
      v.storage());
}

// libplist turns a binary UTF-16 string holding U+0000 into a text with a NUL inside, and when
// such a text is a dictionary key, reading the key asserts and ends the process. So a binary
// list with such a string is refused before libplist reads it. The walk trusts nothing: every
// offset and length is checked against the bytes, and anything it cannot follow is left to
// libplist's own checks.
bool binaryHoldsNulCharacter(std::string_view b) {
  auto byte = [&](std::size_t i) { return static_cast<uint8_t>(b[i]); };
  auto number = [&](std::size_t at, std::size_t width, uint64_t* out) {
    if (width == 0 || width > 8 || at > b.size() || b.size() - at < width) return false;
    uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) v = v << 8 | byte(at + i);
    *out = v;
    return true;
  };
  if (b.size() < 40) return false;
  const std::size_t trailer = b.size() - 32;
  const std::size_t offsetWidth = byte(trailer + 6);
  uint64_t objects = 0, table = 0;
  if (!number(trailer + 8, 8, &objects) || !number(trailer + 24, 8, &table)) return false;
  if (offsetWidth == 0 || offsetWidth > 8 || table > trailer) return false;
  objects = std::min<uint64_t>(objects, (trailer - table) / offsetWidth);
  for (uint64_t i = 0; i < objects; ++i) {
    uint64_t offset = 0;
    if (!number(table + i * offsetWidth, offsetWidth, &offset) || offset >= trailer) continue;
    const uint8_t marker = byte(offset);
    if ((marker & 0xF0) != 0x60) continue;
    uint64_t count = marker & 0x0F;
    std::size_t start = offset + 1;
    if (count == 0x0F) {
      if (start >= trailer || (byte(start) & 0xF0) != 0x10) continue;
      const std::size_t width = std::size_t{1} << (byte(start) & 0x0F);
      if (!number(start + 1, width, &count)) continue;
      start += 1 + width;
    }
    if (start > trailer) continue;
    count = std::min<uint64_t>(count, (trailer - start) / 2);
    for (uint64_t j = 0; j < count; ++j)
      if (byte(start + 2 * j) == 0 && byte(start + 2 * j + 1) == 0) return true;
  }
  return false;
}

bool looksLikePlist(std::string_view bytes) {
  if (bytes.size() >= 8 && bytes.substr(0, 6) == "bplist") return true;
  // XML: optional BOM and white space, then '<'.
  std::size_t i = 0;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\n' || bytes[i] == '\r' || bytes[i] == '\t')) ++i;
  return i < bytes.size() && bytes[i] == '<';
}

PlistPtr parse(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max() || !looksLikePlist(bytes)) return nullptr;
  plist_t root = nullptr;
  if (plist_is_binary(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
    if (binaryHoldsNulCharacter(bytes)) return nullptr;
    plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  } else {
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  }
  return PlistPtr(root);
}

}  // namespace

std::optional<Value> propertyListFromBytes(std::string_view bytes) {
  PlistPtr root = parse(bytes);
  return fromNode(root.get(), 0);
}

FileLookup valueForKeyInFile(const std::string& devicePath, const std::string& key, Value* out) {
  auto bytes = readFile(devicePath, kMaxPropertyListBytes);
  if (!bytes) return fileExistsAtPath(devicePath) ? FileLookup::Unreadable : FileLookup::NoFile;
  PlistPtr root = parse(*bytes);
  if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return FileLookup::Unreadable;
  plist_t item = plist_dict_get_item(root.get(), key.c_str());
  if (!item) return FileLookup::NoKey;
  auto v = fromNode(item, 1);
  if (!v) return FileLookup::Unreadable;
  *out = std::move(*v);
  return FileLookup::Found;
}

std::optional<Dictionary> dictionaryWithContentsOfFile(const std::string& devicePath) {
  auto bytes = readFile(devicePath, kMaxPropertyListBytes);
  if (!bytes) return std::nullopt;
  auto v = propertyListFromBytes(*bytes);
  if (!v || !v->isDictionary()) return std::nullopt;
  return std::move(*const_cast<Dictionary*>(v->dictionary()));
}

std::string xmlPropertyList(const Value& value) {
  PlistPtr node(toNode(value));
  char* xml = nullptr;
  uint32_t len = 0;
  plist_to_xml(node.get(), &xml, &len);
  std::string out = xml ? std::string(xml, len) : std::string();
  if (xml) plist_to_xml_free(xml);
  return out;
}

std::string binaryPropertyList(const Value& value) {
  PlistPtr node(toNode(value));
  char* bin = nullptr;
  uint32_t len = 0;
  plist_to_bin(node.get(), &bin, &len);
  std::string out = bin ? std::string(bin, len) : std::string();
  if (bin) plist_to_bin_free(bin);
  return out;
}

bool writeToFile(const Dictionary& dict, const std::string& devicePath, bool atomically) {
  // XML has no UID: libplist writes one as the dictionary {CF$UID = n} and reads that back as a
  // dictionary, so a UID would come back as something else. The binary form has the kind itself,
  // which every reader of the file (libplist here, CoreFoundation on the phone) keeps as a UID.
  const Value root(dict);
  return writeFile(devicePath, root.holdsUid() ? binaryPropertyList(root) : xmlPropertyList(root), atomically);
}

}  // namespace platform
