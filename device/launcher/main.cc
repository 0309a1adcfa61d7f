// tovalune-device: the one command a person uses to run the simulated device.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <filesystem>

#include "device/launcher/BootCommand.h"
#include "device/launcher/ClockCommand.h"
#include "device/launcher/DefaultsCommand.h"
#include "device/launcher/DeviceRootCheck.h"
#include "device/launcher/DeviceStart.h"
#include "device/launcher/DeviceStatus.h"
#include "device/launcher/EngineInstall.h"
#include "device/launcher/Launchd.h"
#include "device/launcher/PhotosCommand.h"
#include "device/launcher/RouteCommand.h"
#include "device/launcher/SettingsCommands.h"
#include "device/launcher/SpringBoardCommands.h"
#include "device/launcher/TimelineCommand.h"
#include "device/launcher/web/WebCommand.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSLog.h"
#include "shared/InstallPrefix.h"

int main(int argc, char** argv) {
  CLI::App app{"tovalune-device: the simulated device that hosts Tovalune"};
  app.require_subcommand(1);
  std::string root = "./device";
  app.add_option("--device", root, "device root folder")->capture_default_str();

  BootOptions boot;
  auto* bootCmd = app.add_subcommand("boot", "create the device (harmless on a booted device)");
  bootCmd->add_option("--ios", boot.iosVersion, "iOS version, e.g. 12.4 or 16.0");
  bootCmd->add_option("--network", boot.network, "wifi, cellular, none or host");
  bootCmd->add_option("--jailbreak", boot.jailbreak,
                      "rootful (packages at /, iphoneos-arm) or rootless (under " + std::string(kRootlessInstallPrefix) +
                          ", iphoneos-arm64); default: rootless from iOS 15 on, rootful before");
  bootCmd->add_option("--screen-width", boot.screenWidth, "screen width in points");
  bootCmd->add_option("--screen-height", boot.screenHeight, "screen height in points");
  bootCmd->add_option("--screen-scale", boot.screenScale, "pixels per point");
  std::string engine;
  bootCmd->add_option("--engine", engine, "engine library to put in the package (default: the built one)");

  auto* statusCmd = app.add_subcommand("status", "print what the device holds");
  bool statusJSON = false;
  statusCmd->add_flag("--json", statusJSON, "as JSON");
  auto* defaultsCmd = app.add_subcommand("defaults", "read and change the preferences");
  defaultsCmd->prefix_command();
  auto* routeCmd = app.add_subcommand("route", "serve a host from a local address (list, HOST ADDR:PORT, --remove HOST)");
  routeCmd->prefix_command();
  auto* photosCmd = app.add_subcommand("photos", "the photo library (add-album TITLE, add FILE [--album A], list)");
  photosCmd->prefix_command();

  int displayWait = kDefaultDisplayWaitSeconds;
  auto* lockCmd = app.add_subcommand("lock", "turn the display off");
  lockCmd->add_option("--wait", displayWait, "seconds to wait for the refresh it starts")->capture_default_str();
  auto* unlockCmd = app.add_subcommand("unlock", "turn the display on");
  unlockCmd->add_option("--wait", displayWait, "seconds to wait for the work it starts")->capture_default_str();
  std::string clockTime;
  auto* clockCmd = app.add_subcommand("clock", "set the device's time of day");
  clockCmd->add_option("time", clockTime, "HH:MM or HH:MM:SS")->required();
  std::string screen, shotFile;
  auto* shotCmd = app.add_subcommand("screenshot", "save the lock or home screen as a PNG");
  shotCmd->add_option("screen", screen, "lock or home")->required();
  shotCmd->add_option("file", shotFile, "PNG file on this machine")->required();
  std::string tapTitle;
  auto* tapCmd = app.add_subcommand("tap", "tap the control with this title");
  tapCmd->add_option("title", tapTitle, "the control's title")->required();
  auto* installCmd = app.add_subcommand("install", "install the package with dpkg and restart SpringBoard");
  std::string packageFile;
  installCmd->add_option("package", packageFile, "package file, FILE.deb (default: the built one)");
  installCmd->add_option("--engine", engine, "engine library to put in the package (default: the package's)");
  auto* uninstallCmd = app.add_subcommand("uninstall", "remove the package with dpkg and restart SpringBoard");
  bool follow = false;
  auto* logsCmd = app.add_subcommand("logs", "print SpringBoard's log");
  logsCmd->add_flag("-f,--follow", follow, "keep printing what it adds");
  auto* timelineCmd = app.add_subcommand("timeline", "the timeline (add HH:MM PICTURE|random, list, clear)");
  timelineCmd->prefix_command();
  auto* settingsCmd = app.add_subcommand(
      "settings", "the Settings app (open [PANE], show, tap TEXT, tap-at X Y, toggle LABEL, choose LABEL TITLE, "
                  "type LABEL TEXT, back, screenshot FILE.png, close)");
  settingsCmd->prefix_command();
  WebOptions web;
  auto* webCmd = app.add_subcommand("web", "serve the device to a browser: the live screen to click, buttons, clock, log");
  webCmd->add_option("--port", web.port, "port (0: any free one)")->capture_default_str();
  webCmd->add_flag("--open", web.open, "open the page in this machine's browser");
  webCmd->add_option("--listen", web.listen, "address to listen on (another than 127.0.0.1 is open to others)")
      ->capture_default_str();
  auto* shutdownCmd = app.add_subcommand("shutdown", "stop SpringBoard, Settings and the device");
  auto* launchdCmd = app.add_subcommand("launchd", "the device's supervisor (started by boot)");
  launchdCmd->group("");

  CLI11_PARSE(app, argc, argv);
  platform::setProcessName("tovalune-device");
  // Absolute, because the supervisor and SpringBoard run from elsewhere and inherit it.
  std::error_code ec;
  auto absoluteRoot = std::filesystem::absolute(root, ec);
  platform::setDeviceRoot(ec ? root : absoluteRoot.lexically_normal().string());

  if (*bootCmd) {
    int rc = runBoot(boot);
    if (!rc) rc = startDevice(engine);
    return rc ? rc : runDeviceStatus(false);
  }
  if (!requireBootedDevice(platform::deviceRoot())) return 1;
  if (*statusCmd) return runDeviceStatus(statusJSON);
  if (*lockCmd) return runLock(displayWait);
  if (*unlockCmd) return runUnlock(displayWait);
  if (*clockCmd) return runClock(clockTime);
  if (*shotCmd) return runScreenshot(screen, shotFile);
  if (*tapCmd) return runTap(tapTitle);
  if (*installCmd) return runInstall(PackageRequest{packageFile, engine});
  if (*uninstallCmd) return runUninstall();
  if (*logsCmd) return runLogs(follow);
  if (*timelineCmd) return runTimeline(timelineCmd->remaining());
  if (*settingsCmd) return runSettings(settingsCmd->remaining());
  if (*shutdownCmd) {
    stopSettings();
    return runShutdown();
  }
  if (*launchdCmd) return runLaunchd();
  if (*webCmd) return runWeb(web);
  if (*defaultsCmd) return runDefaults(defaultsCmd->remaining());
  if (*routeCmd) return runRoute(routeCmd->remaining());
  if (*photosCmd) return runPhotos(photosCmd->remaining());
  return 0;
}
