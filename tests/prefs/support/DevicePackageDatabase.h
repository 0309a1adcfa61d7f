#pragma once
// A device's package database in the standard admin-dir layout (<root>/var/lib/dpkg with its
// status file, info/ and updates/), and the device's own /usr/bin/dpkg-query: a script that runs
// the host's real query program over that database. Made in the current device root.
#include <string>

class DevicePackageDatabase {
 public:
  DevicePackageDatabase();

  // Replaces the status file with these records (each ends in an empty line).
  void setStatus(const std::string& records);
  // A complete record of an installed package; `descriptionLines` are appended to its
  // description as they stand (each should start with a blank, as continuation lines do).
  static std::string installedRecord(const std::string& package, const std::string& version,
                                     const std::string& descriptionLines = "");

  // Puts another program at the device's /usr/bin/dpkg-query instead (a shell script body).
  static void replaceQueryProgram(const std::string& script);
};
