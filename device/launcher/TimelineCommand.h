#pragma once
// `timeline add HH:MM[:SS] PICTURE|random`, `timeline list`, `timeline clear`: the time-of-day
// timeline (preference ImageTimeline) as the Settings pane keeps it. PICTURE is a picture already
// on the device (a device path) or a file on the host, which is copied into the timeline folder
// as a PNG. Returns the exit status.
#include <string>
#include <vector>

int runTimeline(const std::vector<std::string>& args);
