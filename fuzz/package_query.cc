// The package query's answer as the pane reads it: the UTF-8 check, then the status fields. Every
// field found is a line of the answer split at its first ": ".
#include <cstdint>

#include "fuzz/FuzzDevice.h"
#include "platform/foundation/NSString.h"
#include "prefs/root/OrbelPackage.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::prepareDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::optional<std::string> text = platform::stringWithUTF8Data(fuzz::bytes(data, size));
  if (!text) return 0;
  for (const auto& [name, value] : packageFieldsFromQueryOutput(*text)) {
    fuzz::check(name.find('\n') == std::string::npos && value.find('\n') == std::string::npos,
                "a field that spans lines");
    fuzz::check(text->find(name + ": " + value) != std::string::npos, "a field that is not in the answer");
  }
  return 0;
}
