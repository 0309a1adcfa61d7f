#pragma once
#include <string>
#include <vector>

// `defaults read [KEY]`, `defaults write KEY -int N | -bool true|false | -string S`,
// `defaults delete KEY`, on the preferences file through the store. Returns the exit status.
int runDefaults(const std::vector<std::string>& args);
