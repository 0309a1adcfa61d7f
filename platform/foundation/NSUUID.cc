#include "platform/foundation/NSUUID.h"

#include <uuid/uuid.h>

namespace platform {

std::string UUIDString() {
  uuid_t u;
  uuid_generate_random(u);
  char text[37];
  uuid_unparse_upper(u, text);
  return text;
}

std::string UUIDStringFromBytes(const std::array<std::uint8_t, 16>& bytes) {
  char text[37];
  uuid_unparse_upper(bytes.data(), text);
  return text;
}

}  // namespace platform
