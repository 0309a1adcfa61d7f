#include "platform/foundation/NSException.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>

#include <cstdlib>

#include <fmt/format.h>

#include "platform/foundation/FileManager.h"

namespace platform {

NSException::NSException(std::string name, std::string reason)
    : name_(std::move(name)), reason_(std::move(reason)), description_(reason_),
      addresses_(platform::callStackReturnAddresses(1)) {}

std::vector<std::string> NSException::callStackSymbols() const { return platform::callStackSymbols(addresses_); }

void raise(const std::string& name, const std::string& reason) { throw NSException(name, reason); }

std::vector<void*> callStackReturnAddresses(int skip) {
  void* frames[128];
  int n = ::backtrace(frames, 128);
  std::vector<void*> out;
  for (int i = skip + 1; i < n; ++i) out.push_back(frames[i]);
  return out;
}

std::vector<std::string> callStackSymbols(const std::vector<void*>& addresses) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    Dl_info info{};
    std::string image = "???", symbol;
    std::uintptr_t addr = reinterpret_cast<std::uintptr_t>(addresses[i]);
    std::uintptr_t offset = 0;
    if (::dladdr(addresses[i], &info)) {
      if (info.dli_fname) image = lastPathComponent(info.dli_fname);
      if (info.dli_sname) {
        int status = 0;
        char* dem = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
        symbol = status == 0 && dem ? dem : info.dli_sname;
        std::free(dem);
        offset = addr - reinterpret_cast<std::uintptr_t>(info.dli_saddr);
      } else if (info.dli_fbase) {
        offset = addr - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
      }
    }
    if (symbol.empty()) symbol = fmt::format("0x{:x}", addr - offset);
    // A symbol must be one piece: the last three pieces are the symbol, "+" and the offset.
    for (char& c : symbol)
      if (c == ' ') c = '_';
    lines.push_back(fmt::format("{:<4}{:<36}0x{:016x} {} + {}", i, image, addr, symbol, offset));
  }
  return lines;
}

}  // namespace platform
