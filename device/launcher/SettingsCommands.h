#pragma once
// `tovalune-device settings …`: the Settings app, driven as a person drives it. The launcher
// starts Settings on first use (recorded in Settings.pid, its output in Settings.log) and talks to
// it over its socket; see device/settings/SettingsRequests.h for what each request does.
//   settings open [PANE]          start Settings if needed; with a pane, open it
//   settings show                 the screen on top as text
//   settings tap TEXT | tap-at X Y | toggle LABEL | choose LABEL TITLE | type LABEL TEXT | back
//   settings screenshot FILE.png  (FILE on this machine)
//   settings close                end Settings
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

inline constexpr const char* kSettingsPidPath = "/private/var/simulator/Settings.pid";
inline constexpr const char* kSettingsLogPath = "/private/var/log/Settings.log";

int runSettings(const std::vector<std::string>& args);

// The running Settings app of this device; 0 when none runs.
pid_t runningSettingsPid();
// Ends it (SIGTERM, then SIGKILL after a grace period) and waits; true when none runs afterwards.
bool stopSettings();
// What the Settings app answers to `status`; nothing when it does not run or does not answer.
std::optional<nlohmann::json> settingsStatus();
