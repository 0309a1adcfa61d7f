#include "engine/providers/ProviderAnswers.h"

#include "platform/foundation/NSException.h"
#include "platform/foundation/NSJSONSerialization.h"
#include "platform/foundation/NSLog.h"

using platform::JSONValue;

namespace {

// The JSON of a service's answer; nothing for no answer, or (logged as the provider's first step)
// for text that is no JSON.
std::optional<JSONValue> parseAnswer(const std::optional<std::string>& text, const char* method) {
  if (!text) return std::nullopt;
  std::string error;
  std::optional<JSONValue> root = platform::JSONObjectWithData(text, &error);
  if (!root) NSLog("[Tovalune] {}(1): {}", method, error);
  return root;
}

}  // namespace

std::optional<std::string> microsoftPictureURL(const std::optional<std::string>& answer) {
  std::optional<JSONValue> root = parseAnswer(answer, "fetchRandomImageFromMicrosoftWithHandler");
  if (!root) return std::nullopt;
  try {
    std::optional<std::string> item =
        root->objectForKeyedSubscript("batchrsp").objectForKeyedSubscript("items").objectAtIndexedSubscript(0)
            .objectForKeyedSubscript("item").string();
    // The item is itself a document; no item at all raises, as nil data does.
    std::string error;
    std::optional<JSONValue> inner = platform::JSONObjectWithData(item, &error);
    if (!inner) {
      NSLog("[Tovalune] fetchRandomImageFromMicrosoftWithHandler(2): {}", error);
      return std::nullopt;
    }
    return inner->objectForKeyedSubscript("ad").objectForKeyedSubscript("image_fullscreen_001_portrait")
        .objectForKeyedSubscript("u").string();
  } catch (const std::exception& e) {
    NSLog("[Tovalune] fetchRandomImageFromMicrosoftWithHandler(3): {}", e.what());
    return std::nullopt;
  }
}

std::optional<std::string> desktopprPictureURL(const std::optional<std::string>& answer) {
  std::optional<JSONValue> root = parseAnswer(answer, "fetchRandomImageFromDesktopprWithHandler");
  if (!root) return std::nullopt;
  try {
    return root->objectForKeyedSubscript("response").objectForKeyedSubscript("image").objectForKeyedSubscript("url")
        .string();
  } catch (const platform::NSException& e) {
    // An answer of another shape: no picture rather than a crash of SpringBoard.
    NSLog("[Tovalune] fetchRandomImageFromDesktopprWithHandler(2): {}", e.description());
    return std::nullopt;
  }
}
