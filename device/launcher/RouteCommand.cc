#include "device/launcher/RouteCommand.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

#include "platform/foundation/DeviceSettings.h"

namespace {

int routeUsage() {
  fmt::print(stderr,
             "usage: tovalune-device route                  list the routes\n"
             "       tovalune-device route HOST ADDR:PORT   serve HOST from ADDR:PORT over plain HTTP\n"
             "       tovalune-device route --remove HOST\n");
  return 2;
}

bool validHost(const std::string& host) {
  return !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_';
  });
}

bool validTarget(const std::string& target) {
  std::size_t colon = target.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= target.size() || colon + 6 < target.size()) return false;
  std::string port = target.substr(colon + 1);
  if (!std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); })) return false;
  int n = std::stoi(port);
  std::string address = target.substr(0, colon);
  bool spaceless = std::none_of(address.begin(), address.end(), [](unsigned char c) { return std::isspace(c); });
  return n >= 1 && n <= 65535 && spaceless;
}

}  // namespace

int runRoute(const std::vector<std::string>& args) {
  platform::DeviceSettings settings = platform::deviceSettings();
  if (args.empty()) {
    if (settings.routes.empty()) fmt::print("no routes: every host is the real one\n");
    for (const auto& [host, target] : settings.routes) fmt::print("{} -> {}\n", host, target);
    return 0;
  }
  if (args.size() != 2) return routeUsage();
  if (args[0] == "--remove") {
    if (!settings.routes.erase(args[1])) {
      fmt::print(stderr, "route: no route for {}\n", args[1]);
      return 1;
    }
  } else {
    if (!validHost(args[0])) {
      fmt::print(stderr, "route: \"{}\" is not a host name\n", args[0]);
      return 2;
    }
    if (!validTarget(args[1])) {
      fmt::print(stderr, "route: \"{}\" is not ADDR:PORT\n", args[1]);
      return 2;
    }
    settings.routes[args[0]] = args[1];
  }
  if (!platform::saveDeviceSettings(settings)) {
    fmt::print(stderr, "route: cannot write the device settings {}\n", platform::kDeviceSettingsPath);
    return 1;
  }
  return 0;
}
