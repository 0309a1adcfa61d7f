#include "engine/diagnostics/CallStackDiagnostics.h"

#include <cstdint>
#include <cstring>

#include "engine/diagnostics/LoadCommands.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "platform/symbolication/CoreSymbolication.h"
#include "platform/symbolication/DynamicLoader.h"

namespace {

const platform::mach_header* loadedImageHeader(const char* path) {
  const std::uint32_t count = platform::_dyld_image_count();
  for (std::uint32_t i = 0; i < count; ++i) {
    const char* name = platform::_dyld_get_image_name(i);
    if (name && std::strcmp(name, path) == 0) return platform::_dyld_get_image_header(i);
  }
  return nullptr;
}


}  // namespace

std::optional<std::string> nameForSymbol(const void* address) {
  Dl_info info{};
  if (!platform::dladdr(address, &info) || !info.dli_fname) return std::nullopt;
  const std::string imagePath = info.dli_fname;
  const auto loadAddress = reinterpret_cast<std::uintptr_t>(info.dli_fbase);

  const std::optional<std::string> uuid = imageUUIDString(loadedImageHeader(imagePath.c_str()));

  const platform::mach_header* header = loadedImageHeader(imagePath.c_str());
  if (!header || header->cputype == 0) return std::nullopt;
  platform::CSSymbolicatorRef symbolicator =
      platform::CSSymbolicatorCreateWithPathAndArchitecture(imagePath.c_str(), {header->cputype, header->cpusubtype});
  if (platform::CSIsNull(symbolicator)) return std::nullopt;

  std::optional<std::string> name;
  std::optional<platform::CFUUIDBytes> uuidValue;
  if (uuid && uuid->size() >= 32) uuidValue = platform::CFUUIDCreateFromString(*uuid);
  platform::CSSymbolOwnerRef owner =
      uuidValue ? platform::CSSymbolicatorGetSymbolOwnerWithUUIDAtTime(symbolicator, *uuidValue, platform::kCSNow)
                : platform::CSSymbolOwnerRef{};
  if (!platform::CSIsNull(owner)) {
    // The address itself is looked up, not dladdr's nearest symbol: dladdr only knows exported
    // symbols, so for a static function its nearest symbol is some other function, or none.
    const std::uint64_t linked =
        platform::CSSymbolOwnerGetBaseAddress(owner) + (reinterpret_cast<std::uintptr_t>(address) - loadAddress);
    platform::CSSymbolRef symbol = platform::CSSymbolOwnerGetSymbolWithAddress(owner, linked);
    if (!platform::CSIsNull(symbol)) name = platform::CSSymbolGetName(symbol);
  }
  platform::CSRelease(symbolicator);
  return name;
}

std::vector<std::string> symbolicatedStackSymbols(const std::vector<std::string>& lines,
                                                  const std::vector<void*>& addresses) {
  std::vector<std::string> result = lines;
  for (std::size_t i = 0; i < result.size() && i < addresses.size(); ++i) {
    std::optional<std::string> name = nameForSymbol(addresses[i]);
    if (!name) continue;
    std::vector<std::string> pieces = platform::componentsSeparatedByString(result[i], " ");
    if (pieces.size() < 3) continue;
    pieces.resize(pieces.size() - 3);
    std::string shortened;
    for (std::size_t p = 0; p < pieces.size(); ++p) shortened += (p ? " " : "") + pieces[p];
    result[i] = fmt::format("{} {}", shortened, *name);
  }
  return result;
}

std::vector<std::string> symbolicatedCallStack(const platform::NSException& exception) {
  return symbolicatedStackSymbols(exception.callStackSymbols(), exception.callStackReturnAddresses());
}

void PrintCallStack(const std::string& tag) {
  const std::vector<void*> addresses = platform::callStackReturnAddresses();
  for (const std::string& line : symbolicatedStackSymbols(platform::callStackSymbols(addresses), addresses))
    NSLog("[{}] : {}", tag, line);
}
