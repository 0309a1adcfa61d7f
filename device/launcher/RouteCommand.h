#pragma once
#include <string>
#include <vector>

// `route` lists the device's routes; `route HOST ADDR:PORT` serves HOST from a local address over
// plain HTTP; `route --remove HOST` forgets it. Returns the exit status.
int runRoute(const std::vector<std::string>& args);
