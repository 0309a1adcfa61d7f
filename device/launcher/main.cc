// tovalune-device: the one command a person uses to run the simulated device.
#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "device/launcher/BootCommand.h"
#include "device/launcher/DefaultsCommand.h"
#include "device/launcher/DeviceRootCheck.h"
#include "device/launcher/PhotosCommand.h"
#include "device/launcher/RouteCommand.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/NSLog.h"

int main(int argc, char** argv) {
  CLI::App app{"tovalune-device: the simulated device that hosts Tovalune"};
  app.require_subcommand(1);
  std::string root = "./device";
  app.add_option("--device", root, "device root folder")->capture_default_str();

  BootOptions boot;
  auto* bootCmd = app.add_subcommand("boot", "create the device (harmless on a booted device)");
  bootCmd->add_option("--ios", boot.iosVersion, "iOS version, e.g. 12.4 or 16.0");
  bootCmd->add_option("--network", boot.network, "wifi, cellular, none or host");
  bootCmd->add_option("--screen-width", boot.screenWidth, "screen width in points");
  bootCmd->add_option("--screen-height", boot.screenHeight, "screen height in points");
  bootCmd->add_option("--screen-scale", boot.screenScale, "pixels per point");

  auto* statusCmd = app.add_subcommand("status", "print what the device holds");
  auto* defaultsCmd = app.add_subcommand("defaults", "read and change the preferences");
  defaultsCmd->prefix_command();
  auto* routeCmd = app.add_subcommand("route", "serve a host from a local address (list, HOST ADDR:PORT, --remove HOST)");
  routeCmd->prefix_command();
  auto* photosCmd = app.add_subcommand("photos", "the photo library (add-album TITLE, add FILE [--album A], list)");
  photosCmd->prefix_command();

  CLI11_PARSE(app, argc, argv);
  platform::setProcessName("tovalune-device");
  platform::setDeviceRoot(root);

  if (*bootCmd) {
    int rc = runBoot(boot);
    return rc ? rc : runStatus();
  }
  if (!requireBootedDevice(platform::deviceRoot())) return 1;
  if (*statusCmd) return runStatus();
  if (*defaultsCmd) return runDefaults(defaultsCmd->remaining());
  if (*routeCmd) return runRoute(routeCmd->remaining());
  if (*photosCmd) return runPhotos(photosCmd->remaining());
  return 0;
}
