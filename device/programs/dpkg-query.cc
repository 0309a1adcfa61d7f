// The device's /usr/bin/dpkg-query (see DpkgQueryCommand.h).
#include <string>
#include <vector>

#include "device/programs/DpkgQueryCommand.h"
#include "device/programs/ProgramDevice.h"

int main(int argc, char** argv) {
  return execDpkgQuery(deviceRootOfThisProgram(), std::vector<std::string>(argv + 1, argv + argc));
}
