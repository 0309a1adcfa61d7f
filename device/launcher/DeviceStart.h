#pragma once
// The second half of `boot`: gives the device its own programs and package database, installs
// the deliverables' package and the starting pictures, and starts the device (the supervisor,
// which starts SpringBoard). On a running device nothing is started twice.
#include <string>

// `hostEngine` empty: the built package as it is; otherwise the built package around that
// engine. A package that is not built is reported and the device starts without it. Returns the
// exit status.
int startDevice(const std::string& hostEngine);
