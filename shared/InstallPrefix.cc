// Compiled once for each layout, with TOVALUNE_ROOTLESS set to 0 or 1 by the build; everything
// else of a deliverable is the same in both.
#include "shared/InstallPrefix.h"

#ifndef TOVALUNE_ROOTLESS
#error "the build names no layout: TOVALUNE_ROOTLESS is 0 (rootful) or 1 (rootless)"
#endif

const std::string_view kInstallPrefix = TOVALUNE_ROOTLESS ? kRootlessInstallPrefix : std::string_view();

std::string installedPath(std::string_view path) {
  std::string out(kInstallPrefix);
  out += path;
  return out;
}
