#pragma once
// The second half of `boot`: puts the deliverables and the starting pictures on the device and
// starts it (the supervisor, which starts SpringBoard). On a running device nothing is started
// twice.
#include <string>

// `hostEngine` empty: the built engine beside the launcher; a missing one is reported and the
// device starts without it. Returns the exit status.
int startDevice(const std::string& hostEngine);
