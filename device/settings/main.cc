// Settings: the simulated device's Settings app. The launcher starts it with the device root in
// the environment; it lists the installed panes, loads the one a person taps, and answers the
// launcher on its own socket. Add-ons whose filter names Settings are loaded as on the phone; the
// engine's filter names SpringBoard only, so it is not.
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <exception>

#include "device/settings/SettingsApp.h"
#include "device/settings/SettingsRequests.h"
#include "device/springboard/app/SpringBoardSocketServer.h"
#include "device/springboard/app/SubstrateLoader.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"
#include "platform/uikit/CADisplayLink.h"

namespace {

std::atomic<bool> terminationRequested{false};

void requestTermination(int) { terminationRequested = true; }

// A pane's uncaught exception ends Settings, as on the phone: a line in the log and a failing exit.
[[noreturn]] void crash(const std::string& description) {
  NSLog("Settings: terminating on an uncaught exception: {}", description);
  std::fflush(stderr);
  std::_Exit(1);
}

std::string answer(const std::string& request) {
  try {
    return handleSettingsRequest(request);
  } catch (const platform::NSException& e) {
    crash(e.name() + ": " + e.reason());
  } catch (const std::exception& e) {
    crash(e.what());
  }
}

}  // namespace

int main() {
  platform::setProcessName("Settings");
  ::prctl(PR_SET_NAME, "Settings");
  std::signal(SIGPIPE, SIG_IGN);
  // A write over the file size limit fails like one on a full disk, and is handled as one.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGTERM, requestTermination);
  std::signal(SIGINT, requestTermination);

  loadSubstrateLibraries({"com.apple.Preferences", "Settings"});
  SettingsApp::shared().launch();

  SpringBoardSocketServer server(answer, kSettingsSocketPath, "Settings");
  if (!server.start()) return 1;
  NSLog("Settings: ready (pid {})", ::getpid());
  // The run loop also draws the display's frames while something moves on it (a flicked list).
  while (!terminationRequested) platform::runMainRunLoopFor(std::chrono::milliseconds(100));

  server.stop();
  NSLog("Settings: terminated");
  std::fflush(stderr);
  // A pane's pool work may still run; leaving without static destructors keeps it from running
  // against torn-down state.
  std::_Exit(0);
}
