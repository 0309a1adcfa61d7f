#include "platform/net/NSData.h"

#include <cctype>

#include "platform/foundation/FileManager.h"
#include "platform/net/HTTPTransfer.h"

namespace platform {
namespace {
std::string percentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}
}  // namespace

std::optional<std::string> dataWithContentsOfURL(const std::optional<NSURL>& url, unsigned) {
  if (!url) return std::nullopt;
  if (url->isFileURL()) return readFile(percentDecode(url->path()));
  return performHTTPRequest(NSURLRequest::requestWithURL(url)).body;
}

}  // namespace platform
