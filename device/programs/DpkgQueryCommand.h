#pragma once
// The device's /usr/bin/dpkg-query: the machine's own dpkg-query, pointed at the device's
// package database (<root><prefix>/var/lib/dpkg, the standard admin-dir layout, below the
// device's install prefix), so a program of the device asks about the device's packages and
// never the machine's.
#include <string>
#include <vector>

inline constexpr const char* kHostDpkgQuery = "/usr/bin/dpkg-query";

// The command line that runs the query for the device at `canonicalRoot` with the install prefix
// `prefix`: the host program, the device's admin dir, then the arguments as given.
std::vector<std::string> dpkgQueryCommandLine(const std::string& canonicalRoot, const std::string& prefix,
                                              const std::vector<std::string>& args);

// Replaces this process with the query; returns only on failure, with the exit status to use
// (after printing why).
int execDpkgQuery(const std::string& canonicalRoot, const std::string& prefix, const std::vector<std::string>& args);
