#pragma once
// NSJSONSerialization, and the collections it hands back, as far as the system reads a web
// service's answer: parse a document, then walk it by key and index down to a string.
//
// A walk steps as the device's collections answer it: a missing key is nil and nil answers every
// step with nil, while a step the value cannot take (a key of something that is no dictionary, an
// index of something that is no array or past its end, a string from something that is no string)
// raises an NSException, as sending an unknown selector or a bad index does. JSON's null is read
// as nil. Nothing a document holds escapes as any other exception.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace platform {

class JSONValue;
std::optional<JSONValue> JSONObjectWithData(const std::optional<std::string>& data, std::string* error);

// One value of a parsed document, or nil (the default). Values keep their document alive, so a
// value may outlive the call that parsed it.
class JSONValue {
 public:
  JSONValue() = default;

  bool isNil() const;
  // dictionary[key]. Raises NSInvalidArgumentException when this is no dictionary.
  JSONValue objectForKeyedSubscript(std::string_view key) const;
  // array[index]. Raises NSRangeException past the end, NSInvalidArgumentException when this is no array.
  JSONValue objectAtIndexedSubscript(std::size_t index) const;
  // The string itself. Raises NSInvalidArgumentException when this is no string.
  std::optional<std::string> string() const;

 private:
  friend std::optional<JSONValue> JSONObjectWithData(const std::optional<std::string>& data, std::string* error);
  JSONValue(std::shared_ptr<const nlohmann::json> document, const nlohmann::json* node)
      : document_(std::move(document)), node_(node) {}
  std::shared_ptr<const nlohmann::json> document_;
  const nlohmann::json* node_ = nullptr;
};

// +[NSJSONSerialization JSONObjectWithData:options:0 error:]: the root of a UTF-8 document, which
// must be an array or a dictionary (no fragments). Text that is no such document gives nothing,
// with `error` (when given) set to why. Nil data raises NSInvalidArgumentException.
std::optional<JSONValue> JSONObjectWithData(const std::optional<std::string>& data, std::string* error);

}  // namespace platform
