// The device's /usr/bin/killall (see KillallCommand.h).
#include <cstdio>
#include <string>
#include <vector>

#include "device/programs/KillallCommand.h"
#include "device/programs/ProgramDevice.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return killallMain(args, deviceRootOfThisProgram(), stdout, stderr);
}
