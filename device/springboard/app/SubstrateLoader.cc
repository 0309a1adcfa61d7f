#include "device/springboard/app/SubstrateLoader.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>

#include "device/jailbreak/JailbreakLayout.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/PropertyList.h"
#include "platform/symbolication/DynamicLoader.h"

namespace {

bool arrayHolds(const platform::Dictionary& filter, const char* key, const std::string& wanted) {
  const platform::Value* list = platform::find(filter, key);
  if (!list || !list->array() || wanted.empty()) return false;
  return std::any_of(list->array()->begin(), list->array()->end(),
                     [&](const platform::Value& v) { return v.string() && *v.string() == wanted; });
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

bool filterNamesProcess(const platform::Dictionary& filterPlist, const SubstrateProcess& process) {
  const platform::Value* filter = platform::find(filterPlist, "Filter");
  if (!filter || !filter->dictionary()) return false;
  return arrayHolds(*filter->dictionary(), "Bundles", process.bundleIdentifier) ||
         arrayHolds(*filter->dictionary(), "Executables", process.executableName);
}

SubstrateLoadResult loadSubstrateLibraries(const SubstrateProcess& process) {
  SubstrateLoadResult result;
  const std::string folder = devicePackagePath(kSubstrateLibrariesPath);
  auto names = platform::contentsOfDirectoryAtPath(folder);
  if (!names) return result;  // no substrate on this device
  for (const std::string& name : *names) {  // the listing is sorted by name
    if (name.size() <= 6 || !endsWith(name, ".dylib")) continue;
    std::string library = platform::stringByAppendingPathComponent(folder, name);
    std::string filterPath = library.substr(0, library.size() - 6) + ".plist";
    auto filter = platform::dictionaryWithContentsOfFile(filterPath);
    if (!filter || !filterNamesProcess(*filter, process)) continue;
    NSLog("{}: loading {}", process.executableName, library);
    if (platform::dlopen(library, RTLD_NOW | RTLD_GLOBAL)) {
      result.loaded.push_back(library);
    } else {
      const char* why = ::dlerror();
      NSLog("{}: could not load {}: {}", process.executableName, library, why ? why : "unknown error");
      result.failed.push_back(library);
    }
  }
  return result;
}

bool isImageLoaded(std::string_view pathSuffix) {
  struct Search {
    std::string_view suffix;
    bool found = false;
  } search{pathSuffix};
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_name && endsWith(info->dlpi_name, s->suffix)) s->found = true;
        return s->found ? 1 : 0;
      },
      &search);
  return search.found;
}
