#pragma once
// What a person does to a running SpringBoard: the display off and on, screenshots, taps, and
// SpringBoard's log. Each returns the exit status.
#include <string>

int runLock();
int runUnlock();
// `which` is lock or home; the file is a host path, relative to the current folder.
int runScreenshot(const std::string& which, const std::string& file);
int runTap(const std::string& title);
int runLogs(bool follow);
