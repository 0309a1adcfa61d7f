#pragma once
#include <string>
#include <vector>

namespace platform {
// NSProcessInfo arguments: the process's argument list as it was started (argv).
std::vector<std::string> processArguments();
}  // namespace platform
