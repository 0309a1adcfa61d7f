#pragma once
// What the device's package database knows about one installed package: its version. Asked of
// the device's own query program each time, so an upgrade shows at the next lookup.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class OrbelPackage {
 public:
  // As a rootful phone places it; started below the build's install prefix (shared/InstallPrefix.h).
  static constexpr const char* kQueryProgramPath = "/usr/bin/dpkg-query";

  // Runs "dpkg-query -s <identifier>" in the device's "/" and waits for it to close its output.
  // A package that is not installed, a query program that is missing or fails, or output that is
  // not UTF-8 all give a package without a version.
  static std::shared_ptr<OrbelPackage> packageWithIdentifier(const std::string& identifier);

  const std::optional<std::string>& version() const { return version_; }
  void setVersion(std::optional<std::string> version) { version_ = std::move(version); }

 private:
  std::optional<std::string> version_;
};

// The fields of a status record: each line holding ": " is split at its first ": " into name
// and value; a later line with the same name replaces the earlier value; other lines are skipped.
// Continuation lines keep their leading blank, so " Version: x" inside a description is the
// field " Version", not "Version".
std::map<std::string, std::string> packageFieldsFromQueryOutput(std::string_view text);
