#pragma once
// Where the files of a package lie on the phone. A rootful phone keeps them at the system's own
// paths ("/Library/MobileSubstrate/...", "/usr/bin/..."); a rootless one keeps every file of every
// package, the system's own programs and the package database included, under one folder, since
// its system volume stays sealed. A deliverable finds its own installed files, and the programs
// it starts, through the prefix its build fixes (InstallPrefix.cc is compiled once per layout),
// never by looking around. The user's data (/var/mobile/...) and SpringBoard's own files never move.
#include <string>
#include <string_view>

// The folder that holds everything installed on a rootless phone.
inline constexpr std::string_view kRootlessInstallPrefix = "/var/jb";

// This build's prefix: empty for a rootful phone, kRootlessInstallPrefix for a rootless one.
extern const std::string_view kInstallPrefix;

// An installed file's path as this build lays it out: kInstallPrefix + `path`, where `path` is the
// file's place on a rootful phone ("/usr/bin/killall").
std::string installedPath(std::string_view path);
