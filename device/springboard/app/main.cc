// SpringBoard: the simulated device's home screen and lock screen process. The launcher's
// supervisor starts it with the device root in the environment; add-ons reach it through the
// substrate loader, the launcher through its socket.
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <exception>

#include "device/springboard/SBFWallpaperConfigurationManager.h"
#include "device/springboard/SpringBoard.h"
#include "device/springboard/SpringBoardClasses.h"
#include "device/springboard/app/SpringBoardSocketRequests.h"
#include "device/springboard/app/SpringBoardSocketServer.h"
#include "device/springboard/app/SubstrateLoader.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NSException.h"
#include "platform/foundation/NSLog.h"

namespace {

std::atomic<bool> terminationRequested{false};

void requestTermination(int) { terminationRequested = true; }

// An exception nobody caught ends SpringBoard as it would on the device: a line in the log and a
// failing exit, after which the supervisor starts it again.
[[noreturn]] void crash(const std::string& description) {
  NSLog("SpringBoard: terminating on an uncaught exception: {}", description);
  std::fflush(stderr);
  std::_Exit(1);
}

template <typename F>
auto runOrCrash(F&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const platform::NSException& e) {
    std::string stack;
    for (const auto& frame : e.callStackSymbols()) stack += "\n  " + frame;
    crash(e.name() + ": " + e.reason() + stack);
  } catch (const std::exception& e) {
    crash(e.what());
  }
}

void performWallpaperMigration() {
  objc::id manager = objc::class_createInstance(SBFWallpaperConfigurationManager::cls());
  objc::msgSend<objc::Object*>(manager.get(), objc::sel("init"));
  objc::msgSend<void, objc::Object*>(manager.get(), objc::sel("performMigrationWithFailureHandler:"), nullptr);
}

}  // namespace

int main() {
  platform::setProcessName("SpringBoard");
  ::prctl(PR_SET_NAME, "SpringBoard");
  std::signal(SIGPIPE, SIG_IGN);
  // A write over the file size limit fails like one on a full disk, and is handled as one.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGTERM, requestTermination);
  std::signal(SIGINT, requestTermination);

  registerSpringBoardClasses();
  loadSubstrateLibraries({"com.apple.springboard", "SpringBoard"});
  runOrCrash([] { performWallpaperMigration(); });
  runOrCrash([] { SpringBoard::sharedApplication()->applicationDidFinishLaunching(); });

  SpringBoardSocketServer server(SpringBoardSocketServer::ConcurrentHandler(
      [](const std::string& request, SpringBoardSocketServer::Connection& connection) {
        return runOrCrash([&] { return handleSpringBoardRequest(request, connection); });
      }));
  if (!server.start()) return 1;
  NSLog("SpringBoard: ready (pid {})", ::getpid());
  // Requests run their SpringBoard work here, on the main thread, as do the engine's main-queue tasks.
  while (!terminationRequested) runOrCrash([] { platform::runMainQueueFor(std::chrono::milliseconds(100)); });

  server.stop();
  NSLog("SpringBoard: terminated");
  std::fflush(stderr);
  // Pool threads may still hold engine work; leaving without static destructors keeps them from
  // running against torn-down state.
  std::_Exit(0);
}
