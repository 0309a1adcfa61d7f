#pragma once
// Running a program of this machine from the launcher: the package tools (dpkg, dpkg-deb,
// dpkg-query) that act on a device from outside it. Unlike NSTask, a path here is never taken
// for a device path, so a device's own programs cannot stand in for the machine's.
#include <string>
#include <vector>

struct HostProgramResult {
  int status = -1;     // exit status; 128 + the signal when one ended it; -1 when it could not start
  std::string output;  // standard output and standard error together, as the program wrote them
};

// Runs argv (argv[0] looked up in PATH) to its end with standard input from /dev/null.
HostProgramResult runHostProgram(const std::vector<std::string>& argv);
