// A service's answer as it comes off the network, through the text conversion and the walks of
// the two providers whose answer names the picture.
#include <cstdint>

#include "engine/providers/ProviderAnswers.h"
#include "fuzz/FuzzDevice.h"
#include "platform/foundation/NSString.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::prepareDevice();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::optional<std::string> text = platform::stringWithUTF8Data(fuzz::bytes(data, size));
  microsoftPictureURL(text);
  desktopprPictureURL(text);
  return 0;
}
