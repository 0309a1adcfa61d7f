#include "shared/ImageFolders.h"

#include <fmt/format.h>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSUUID.h"

std::string newImageFileName() { return fmt::format("{}.png", platform::UUIDString()); }

std::string newImagePathInFolder(const std::string& folder) {
  return platform::stringByAppendingPathComponent(folder, newImageFileName());
}
