#pragma once
// What a person does to a running SpringBoard: the display off and on, screenshots, taps, and
// SpringBoard's log. Each returns the exit status.
#include <string>

// lock and unlock answer once the work they set off is done, or after waitSeconds with a line
// saying it still runs.
inline constexpr int kDefaultDisplayWaitSeconds = 10;
int runLock(int waitSeconds = kDefaultDisplayWaitSeconds);
int runUnlock(int waitSeconds = kDefaultDisplayWaitSeconds);
// `which` is lock or home; the file is a host path, relative to the current folder.
int runScreenshot(const std::string& which, const std::string& file);
int runTap(const std::string& title);
int runLogs(bool follow);
