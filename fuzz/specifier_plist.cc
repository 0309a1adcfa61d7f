// The Settings list framework's specifier file, from its bytes to the rows: every row a file
// yields has a title for each of its choices, and finds each choice back by its value.
#include <cstdint>

#include "fuzz/FuzzDevice.h"
#include "platform/foundation/PropertyList.h"
#include "platform/preferences/SpecifierPlist.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::prepareDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto plist = platform::propertyListFromBytes(fuzz::bytes(data, size));
  if (!plist || !plist->dictionary()) return 0;
  auto localize = [](const std::string& text) { return "~" + text; };
  platform::SpecifierFile file = platform::specifiersFromDictionary(*plist->dictionary(), nullptr, localize, "fuzz");
  for (const auto& specifier : file.specifiers) {
    fuzz::check(specifier != nullptr, "an empty row");
    (void)specifier->identifier();
    (void)specifier->key();
    (void)specifier->description();
    fuzz::check(specifier->titles().size() == specifier->values().size(), "choices without their titles");
    for (const platform::Value& value : specifier->values()) {
      if (!(value == value)) continue;  // a NaN matches nothing, itself included
      fuzz::check(specifier->titleForValue(value).has_value(), "a choice without a title");
      fuzz::check(specifier->indexOfValue(value).has_value(), "a choice not found by its value");
    }
  }
  return 0;
}
