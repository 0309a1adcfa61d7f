// How long the engine's start-up takes inside SpringBoard: from the loader's dlopen (which runs the
// initialiser) to its return, with every hook installed. Start-up happens once per process, so each
// sample is a fresh process; the platform libraries are already loaded, as in SpringBoard.
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "device/springboard/SpringBoardClasses.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "platform/runtime/Runtime.h"

namespace {

// One sample, in a child whose argv[0] names SpringBoard: prints microseconds.
int measureOnce() {
  platform::setLogToStderr(false);
  registerSpringBoardClasses();
  objc::IMP before = objc::objc_getClass("SpringBoard")->lookup(objc::sel("applicationDidFinishLaunching:"));
  auto start = std::chrono::steady_clock::now();
  void* engine = ::dlopen(ENGINE_LIBRARY, RTLD_NOW | RTLD_GLOBAL);
  auto end = std::chrono::steady_clock::now();
  if (!engine) return 1;
  objc::IMP after = objc::objc_getClass("SpringBoard")->lookup(objc::sel("applicationDidFinishLaunching:"));
  if (before == after) return 1;  // the engine did not start: not a measurement of start-up
  // The initialiser alone, run again: the hooks are installed a second time over the first ones.
  // Nothing may be hooked after this (the open hook now calls itself), so the child only prints
  // and exits.
  auto startup = reinterpret_cast<void (*)()>(::dlsym(engine, "_Z21TovaluneEngineStartupv"));
  if (!startup) return 1;
  auto again = std::chrono::steady_clock::now();
  startup();
  auto done = std::chrono::steady_clock::now();
  std::printf("%lld %lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(end - start).count()),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(done - again).count()));
  std::fflush(stdout);
  ::_exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--once") == 0) return measureOnce();

  auto root = std::filesystem::temp_directory_path() / ("tovalune-startup-bench-" + std::to_string(::getpid()));
  platform::setDeviceRoot(root.string());
  platform::createDirectoryAtPath("/var/mobile/Library/Preferences");
  std::vector<long long> samples, initialiser;
  for (int i = 0; i < 15; ++i) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return 1;
    pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(pipeFds[1], STDOUT_FILENO);
      ::close(pipeFds[0]);
      char name[] = "SpringBoard";
      char once[] = "--once";
      char* childArgs[] = {name, once, nullptr};
      ::execv("/proc/self/exe", childArgs);
      ::_exit(127);
    }
    ::close(pipeFds[1]);
    char buf[64] = {};
    ssize_t n = ::read(pipeFds[0], buf, sizeof buf - 1);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    long long whole = 0, init = 0;
    if (n > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && std::sscanf(buf, "%lld %lld", &whole, &init) == 2) {
      samples.push_back(whole);
      initialiser.push_back(init);
    }
  }
  std::filesystem::remove_all(root);
  if (samples.empty()) {
    std::printf("engine start-up: no sample (the engine did not start)\n");
    return 1;
  }
  std::sort(samples.begin(), samples.end());
  std::sort(initialiser.begin(), initialiser.end());
  std::printf("engine start-up in SpringBoard (dlopen + initialiser, %zu processes): median %lld us, min %lld us, "
              "max %lld us\n",
              samples.size(), samples[samples.size() / 2], samples.front(), samples.back());
  std::printf("engine initialiser alone (start to last hook installed): median %lld us, min %lld us\n",
              initialiser[initialiser.size() / 2], initialiser.front());
  return 0;
}
