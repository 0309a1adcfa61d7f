#pragma once
// [NSData dataWithContentsOfURL:options:error:]: the whole content of a URL, synchronously, on the
// calling thread (so never on the main thread).
//
// As on the device, an HTTP answer is data whatever its status: a server's 404 page comes back as
// its bytes, and only a failed transfer (no connection, a timeout, a body above 64 MiB) or a URL
// that is nothing yields nothing. A "file:" URL reads the device file at its path. Nothing is
// cached, so NSDataReadingUncached changes nothing here.
#include <optional>
#include <string>

#include "platform/net/NSURL.h"

enum NSDataReadingOptions : unsigned {
  NSDataReadingMappedIfSafe = 1u << 0,
  NSDataReadingUncached = 1u << 1,
  NSDataReadingMappedAlways = 1u << 3,
};

namespace platform {
std::optional<std::string> dataWithContentsOfURL(const std::optional<NSURL>& url, unsigned options = 0);
}  // namespace platform
