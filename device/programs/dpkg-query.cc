// The device's /usr/bin/dpkg-query (see DpkgQueryCommand.h).
#include <string>
#include <vector>

#include "device/programs/DpkgQueryCommand.h"
#include "device/programs/ProgramDevice.h"

int main(int argc, char** argv) {
  const std::string root = deviceRootOfThisProgram();
  return execDpkgQuery(root, devicePrefixOfThisProgram(root), std::vector<std::string>(argv + 1, argv + argc));
}
