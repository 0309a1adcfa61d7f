#include "platform/foundation/DeviceSettings.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"

namespace platform {

const char* const kDeviceSettingsPath = "/private/var/simulator/DeviceSettings.plist";

namespace {
struct Cache {
  std::mutex mu;
  std::string root;
  timespec mtime{};
  off_t size = -1;
  DeviceSettings settings;
  bool loaded = false;
};
Cache& cache() {
  static Cache c;
  return c;
}

void applyTimeZone(const std::string& tz) {
  static std::string applied;
  if (tz.empty() || tz == applied) return;
  applied = tz;
  ::setenv("TZ", tz.c_str(), 1);
  ::tzset();
}

DeviceSettings parse(const Dictionary& d) {
  DeviceSettings s;
  auto str = [&](const char* k, std::string& out) {
    if (auto v = find(d, k); v && v->string()) out = *v->string();
  };
  auto num = [&](const char* k, double& out) {
    if (auto v = find(d, k); v && v->isNumber()) out = v->doubleValue();
  };
  str("iOSVersion", s.iosVersion);
  std::string jailbreak;
  str("Jailbreak", jailbreak);
  if (!parseJailbreakKind(jailbreak, &s.jailbreak)) s.jailbreak = jailbreakKindForVersion(s.iosVersion);
  num("ScreenWidth", s.screenWidth);
  num("ScreenHeight", s.screenHeight);
  num("ScreenScale", s.screenScale);
  num("ClockOffset", s.clockOffset);
  str("TimeZone", s.timeZone);
  if (auto v = find(d, "PhotoLibraryAccess"); v && v->isNumber()) s.photoLibraryAccess = v->doubleValue() != 0;
  std::string net;
  str("Network", net);
  parseNetworkKind(net, &s.network);
  if (auto v = find(d, "Routes"); v && v->dictionary())
    for (const auto& [host, target] : *v->dictionary())
      if (target.string()) s.routes[host] = *target.string();
  return s;
}
}  // namespace

DeviceSettings deviceSettings() {
  Cache& c = cache();
  std::lock_guard lock(c.mu);
  struct stat st {};
  bool exists = ::stat(hostPath(kDeviceSettingsPath).c_str(), &st) == 0;
  off_t size = exists ? st.st_size : -1;
  if (!c.loaded || c.root != deviceRoot() || size != c.size || st.st_mtim.tv_sec != c.mtime.tv_sec ||
      st.st_mtim.tv_nsec != c.mtime.tv_nsec) {
    auto d = exists ? dictionaryWithContentsOfFile(kDeviceSettingsPath) : std::nullopt;
    c.settings = d ? parse(*d) : DeviceSettings{};
    c.root = deviceRoot();
    c.mtime = st.st_mtim;
    c.size = size;
    c.loaded = true;
    applyTimeZone(c.settings.timeZone);
  }
  return c.settings;
}

bool saveDeviceSettings(const DeviceSettings& s) {
  Dictionary d;
  d["iOSVersion"] = s.iosVersion;
  d["Jailbreak"] = jailbreakKindName(s.jailbreak);
  d["ScreenWidth"] = s.screenWidth;
  d["ScreenHeight"] = s.screenHeight;
  d["ScreenScale"] = s.screenScale;
  d["ClockOffset"] = s.clockOffset;
  d["TimeZone"] = s.timeZone;
  d["Network"] = networkKindName(s.network);
  d["PhotoLibraryAccess"] = s.photoLibraryAccess;
  Dictionary routes;
  for (const auto& [host, target] : s.routes) routes[host] = target;
  d["Routes"] = routes;
  createDirectoryAtPath(stringByDeletingLastPathComponent(kDeviceSettingsPath));
  bool ok = writeToFile(d, kDeviceSettingsPath, true);
  std::lock_guard lock(cache().mu);
  cache().loaded = false;
  return ok;
}

std::string networkKindName(NetworkKind kind) {
  switch (kind) {
    case NetworkKind::WiFi: return "wifi";
    case NetworkKind::Cellular: return "cellular";
    case NetworkKind::None: return "none";
    default: return "host";
  }
}

bool parseNetworkKind(const std::string& name, NetworkKind* out) {
  if (name == "wifi") *out = NetworkKind::WiFi;
  else if (name == "cellular") *out = NetworkKind::Cellular;
  else if (name == "none") *out = NetworkKind::None;
  else if (name == "host") *out = NetworkKind::Host;
  else return false;
  return true;
}

std::string jailbreakKindName(JailbreakKind kind) {
  return kind == JailbreakKind::Rootful ? "rootful" : "rootless";
}

bool parseJailbreakKind(const std::string& name, JailbreakKind* out) {
  if (name == "rootful") *out = JailbreakKind::Rootful;
  else if (name == "rootless") *out = JailbreakKind::Rootless;
  else return false;
  return true;
}

JailbreakKind jailbreakKindForVersion(const std::string& iosVersion) {
  int major = 0;
  std::sscanf(iosVersion.c_str(), "%d", &major);
  return major >= 15 ? JailbreakKind::Rootless : JailbreakKind::Rootful;
}

bool deviceSettingsNameJailbreakKind() {
  auto d = dictionaryWithContentsOfFile(kDeviceSettingsPath);
  const Value* kind = d ? find(*d, "Jailbreak") : nullptr;
  JailbreakKind ignored;
  return kind && kind->string() && parseJailbreakKind(*kind->string(), &ignored);
}

bool isOperatingSystemAtLeastVersion(int major, int minor, int patch) {
  int v[3] = {0, 0, 0};
  std::sscanf(deviceSettings().iosVersion.c_str(), "%d.%d.%d", &v[0], &v[1], &v[2]);
  int want[3] = {major, minor, patch};
  for (int i = 0; i < 3; ++i)
    if (v[i] != want[i]) return v[i] > want[i];
  return true;
}

}  // namespace platform
