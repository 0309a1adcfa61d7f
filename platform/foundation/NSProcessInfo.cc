#include "platform/foundation/NSProcessInfo.h"

#include <fstream>
#include <iterator>

namespace platform {

std::vector<std::string> processArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  std::size_t start = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == '\0') {
      args.push_back(all.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < all.size()) args.push_back(all.substr(start));
  return args;
}

}  // namespace platform
