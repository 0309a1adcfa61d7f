#include "engine/providers/ProviderAnswers.h"

#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/foundation/NSLog.h"

using nlohmann::json;

namespace {

constexpr const char* kNotAContainer =
    "JSON text did not start with array or object and option to allow fragments not set.";

struct WalkError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

const json* key(const json* node, const char* name) {
  if (!node || node->is_null()) return nullptr;
  if (!node->is_object()) throw WalkError(fmt::format("-[{} objectForKeyedSubscript:]: unrecognized selector (key \"{}\")", node->type_name(), name));
  auto it = node->find(name);
  return it == node->end() ? nullptr : &*it;
}

const json* index(const json* node, std::size_t i) {
  if (!node || node->is_null()) return nullptr;
  if (!node->is_array()) throw WalkError(fmt::format("-[{} objectAtIndexedSubscript:]: unrecognized selector", node->type_name()));
  if (i >= node->size())
    throw WalkError(fmt::format("*** -[__NSArrayM objectAtIndexedSubscript:]: index {} beyond bounds for empty array", i));
  return &(*node)[i];
}

// NSString from a JSON value: nil for nil, raising for anything but a string.
std::optional<std::string> string(const json* node) {
  if (!node || node->is_null()) return std::nullopt;
  if (!node->is_string()) throw WalkError(fmt::format("-[{} length]: unrecognized selector", node->type_name()));
  return node->get<std::string>();
}

// The JSON of a service's answer; nothing for no answer, or (logged as the provider's first step)
// for text that is no JSON.
std::optional<json> parseAnswer(const std::optional<std::string>& text, const char* method) {
  if (!text) return std::nullopt;
  try {
    json root = json::parse(*text);
    // The phone's JSON reader, asked for no fragments, refuses a bare number, string or null.
    if (!root.is_object() && !root.is_array()) {
      NSLog("[Tovalune] {}(1): {}", method, kNotAContainer);
      return std::nullopt;
    }
    return root;
  } catch (const json::exception& e) {
    // Not only syntax: a number too large for a double is an out_of_range error of the parser.
    NSLog("[Tovalune] {}(1): {}", method, e.what());
    return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> microsoftPictureURL(const std::optional<std::string>& answer) {
  std::optional<json> root = parseAnswer(answer, "fetchRandomImageFromMicrosoftWithHandler");
  if (!root) return std::nullopt;
  try {
    std::optional<std::string> item = string(key(index(key(key(&*root, "batchrsp"), "items"), 0), "item"));
    if (!item) throw WalkError("*** +[NSJSONSerialization JSONObjectWithData:options:error:]: data parameter is nil");
    json inner;
    try {
      inner = json::parse(*item);
    } catch (const json::exception& e) {
      NSLog("[Tovalune] fetchRandomImageFromMicrosoftWithHandler(2): {}", e.what());
      return std::nullopt;
    }
    if (!inner.is_object() && !inner.is_array()) {
      NSLog("[Tovalune] fetchRandomImageFromMicrosoftWithHandler(2): {}", kNotAContainer);
      return std::nullopt;
    }
    return string(key(key(key(&inner, "ad"), "image_fullscreen_001_portrait"), "u"));
  } catch (const std::exception& e) {
    NSLog("[Tovalune] fetchRandomImageFromMicrosoftWithHandler(3): {}", e.what());
    return std::nullopt;
  }
}

std::optional<std::string> desktopprPictureURL(const std::optional<std::string>& answer) {
  std::optional<json> root = parseAnswer(answer, "fetchRandomImageFromDesktopprWithHandler");
  if (!root) return std::nullopt;
  try {
    return string(key(key(key(&*root, "response"), "image"), "url"));
  } catch (const WalkError& e) {
    // An answer of another shape: no picture rather than a crash of SpringBoard.
    NSLog("[Tovalune] fetchRandomImageFromDesktopprWithHandler(2): {}", e.what());
    return std::nullopt;
  }
}
