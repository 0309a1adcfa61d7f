#include "platform/foundation/NSJSONSerialization.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/foundation/NSException.h"

namespace platform {

using nlohmann::json;

bool JSONValue::isNil() const { return !node_ || node_->is_null(); }

JSONValue JSONValue::objectForKeyedSubscript(std::string_view key) const {
  if (isNil()) return {};
  if (!node_->is_object())
    raise("NSInvalidArgumentException",
          fmt::format("-[{} objectForKeyedSubscript:]: unrecognized selector (key \"{}\")", node_->type_name(), key));
  auto it = node_->find(std::string(key));
  return it == node_->end() ? JSONValue() : JSONValue(document_, &*it);
}

JSONValue JSONValue::objectAtIndexedSubscript(std::size_t index) const {
  if (isNil()) return {};
  if (!node_->is_array())
    raise("NSInvalidArgumentException",
          fmt::format("-[{} objectAtIndexedSubscript:]: unrecognized selector", node_->type_name()));
  if (index >= node_->size())
    raise("NSRangeException",
          node_->empty()
              ? fmt::format("*** -[__NSArrayM objectAtIndexedSubscript:]: index {} beyond bounds for empty array", index)
              : fmt::format("*** -[__NSArrayM objectAtIndexedSubscript:]: index {} beyond bounds [0 .. {}]", index,
                            node_->size() - 1));
  return JSONValue(document_, &(*node_)[index]);
}

std::optional<std::string> JSONValue::string() const {
  if (isNil()) return std::nullopt;
  if (!node_->is_string())
    raise("NSInvalidArgumentException", fmt::format("-[{} length]: unrecognized selector", node_->type_name()));
  return node_->get<std::string>();
}

std::optional<JSONValue> JSONObjectWithData(const std::optional<std::string>& data, std::string* error) {
  if (!data) raise("NSInvalidArgumentException", "*** +[NSJSONSerialization JSONObjectWithData:options:error:]: data parameter is nil");
  auto fail = [&](std::string why) -> std::optional<JSONValue> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  std::shared_ptr<json> root;
  try {
    root = std::make_shared<json>(json::parse(*data));
  } catch (const json::exception& e) {
    // Not only syntax: a number too large for a double is an out_of_range error of the parser.
    return fail(e.what());
  }
  // Asked for no fragments, the reader refuses a bare number, string or null.
  if (!root->is_object() && !root->is_array())
    return fail("JSON text did not start with array or object and option to allow fragments not set.");
  const json* node = root.get();
  return JSONValue(std::move(root), node);
}

}  // namespace platform
