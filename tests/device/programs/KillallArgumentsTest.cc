// What the device's killall and dpkg-query make of what they are given: argument forms, signal
// names, the device a copy belongs to, pid files. No process is signalled here.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "device/programs/DpkgQueryCommand.h"
#include "device/programs/KillallCommand.h"
#include "device/programs/ProgramDevice.h"
#include "device/programs/RecordedProcesses.h"
#include "device/programs/SignalNames.h"
#include "tests/support/TempDeviceRoot.h"

namespace fs = std::filesystem;

namespace {

TEST(SignalNames, ReadsNumbersNamesAndPrefixesInEitherCaseAndNothingElse) {
  const struct {
    const char* text;
    std::optional<int> signal;
  } cases[] = {
      {"9", SIGKILL},      {"KILL", SIGKILL},     {"SIGKILL", SIGKILL}, {"kill", SIGKILL}, {"sigterm", SIGTERM},
      {"HUP", SIGHUP},     {"0", 0},              {"15", SIGTERM},      {"USR1", SIGUSR1}, {"STOP", SIGSTOP},
      {"", std::nullopt},  {"SIG", std::nullopt}, {"FOO", std::nullopt}, {"-9", std::nullopt},
      {"9x", std::nullopt}, {" 9", std::nullopt}, {"65", std::nullopt}, {"99999999999", std::nullopt},
      {"KILLALL", std::nullopt}, {"SIGSIGKILL", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(signalFromText(c.text), c.signal) << '"' << c.text << '"';
}

TEST(SignalNames, NamesAndListAgreeWithParsing) {
  EXPECT_EQ(signalName(SIGKILL), "KILL");
  EXPECT_EQ(signalName(0), "0");
  std::string list = signalList();
  EXPECT_EQ(list.rfind("HUP INT QUIT", 0), 0u) << list;
  // Every listed name reads back as its own signal.
  std::size_t start = 0;
  int previous = 0;
  while (start < list.size()) {
    std::size_t end = std::min(list.find(' ', start), list.size());
    auto signal = signalFromText(list.substr(start, end - start));
    ASSERT_TRUE(signal) << list.substr(start, end - start);
    EXPECT_GT(*signal, previous) << "in number order";
    previous = *signal;
    start = end + 1;
  }
}

TEST(KillallArguments, AcceptsTheUsualForms) {
  const struct {
    std::vector<std::string> args;
    int signal;
    std::vector<std::string> names;
    bool verbose;
  } cases[] = {
      {{"SpringBoard"}, SIGTERM, {"SpringBoard"}, false},
      {{"-9", "SpringBoard"}, SIGKILL, {"SpringBoard"}, false},
      {{"-KILL", "SpringBoard"}, SIGKILL, {"SpringBoard"}, false},
      {{"-SIGHUP", "SpringBoard"}, SIGHUP, {"SpringBoard"}, false},
      {{"-s", "INT", "SpringBoard"}, SIGINT, {"SpringBoard"}, false},
      {{"-s", "9", "SpringBoard", "Settings"}, SIGKILL, {"SpringBoard", "Settings"}, false},
      {{"-v", "-9", "SpringBoard"}, SIGKILL, {"SpringBoard"}, true},
      {{"-9", "-TERM", "SpringBoard"}, SIGTERM, {"SpringBoard"}, false},  // the last one given wins
      {{"-9", "--", "-odd-name"}, SIGKILL, {"-odd-name"}, false},
      // Options come first: what follows the first name is a name.
      {{"SpringBoard", "-9"}, SIGTERM, {"SpringBoard", "-9"}, false},
  };
  for (const auto& c : cases) {
    KillallRequest request;
    std::string error;
    ASSERT_TRUE(parseKillallArguments(c.args, &request, &error)) << c.args.front() << ": " << error;
    EXPECT_EQ(request.signal, c.signal) << c.args.front();
    EXPECT_EQ(request.names, c.names) << c.args.front();
    EXPECT_EQ(request.verbose, c.verbose);
    EXPECT_FALSE(request.listSignals);
  }
}

TEST(KillallArguments, UsageErrorsSayWhatIsWrongAndExitWithTwo) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "no process name given"},
      {{"-9"}, "no process name given"},
      {{"-s"}, "-s needs a signal"},
      {{"-s", "BOGUS", "SpringBoard"}, "unknown signal BOGUS"},
      {{"-BOGUS", "SpringBoard"}, "unknown signal or option -BOGUS"},
      {{"-x", "SpringBoard"}, "unknown signal or option -x"},
      {{"-9", ""}, "cannot be empty"},
  };
  for (const auto& c : cases) {
    KillallRequest request;
    std::string error;
    EXPECT_FALSE(parseKillallArguments(c.args, &request, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;

    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(killallMain(c.args, "/nonexistent", out, err), 2);
    std::rewind(err);
    char buffer[512] = {};
    std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, err);
    EXPECT_NE(std::string(buffer, n).find("usage: killall"), std::string::npos);
    std::fclose(out);
    std::fclose(err);
  }
}

TEST(KillallArguments, ListsSignalsWithoutNeedingADeviceAndRefusesToGuessOne) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(killallMain({"-l"}, "", out, err), 0);
  std::rewind(out);
  char buffer[1024] = {};
  std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, out);
  EXPECT_NE(std::string(buffer, n).find("KILL"), std::string::npos);

  EXPECT_EQ(killallMain({"-9", "SpringBoard"}, "", out, err), 2) << "no device: nothing may be signalled";
  std::rewind(err);
  n = std::fread(buffer, 1, sizeof buffer - 1, err);
  EXPECT_NE(std::string(buffer, n).find("cannot tell which device"), std::string::npos);
  std::fclose(out);
  std::fclose(err);
}

TEST(ProgramDevice, ACopyInADeviceServesThatDeviceAndAnyOtherCopyTheInheritedOne) {
  TempDeviceRoot a;
  fs::path rootA = fs::canonical(a.path());
  fs::create_directories(rootA / "var/mobile");
  fs::create_directories(rootA / "usr/bin");
  fs::path other = rootA / "other-device";
  fs::create_directories(other / "var/mobile");
  fs::path notADevice = rootA / "host-like";
  fs::create_directories(notADevice / "usr/bin");
  // A rootless device keeps its programs below its prefix folder.
  fs::path rootless = rootA / "rootless";
  fs::create_directories(rootless / "var/mobile");
  fs::create_directories(rootless / "var/jb/usr/bin");

  const std::string envOther = other.string();
  const std::string envOtherDotted = envOther + "/./";
  const struct {
    std::string executable;
    const char* inherited;
    std::string expected;
  } cases[] = {
      {(rootA / "usr/bin/killall").string(), envOther.c_str(), rootA.string()},
      {(rootA / "usr/bin/killall").string(), nullptr, rootA.string()},
      {(rootless / "var/jb/usr/bin/killall").string(), envOther.c_str(), rootless.string()},
      {"/work/build/device-base/usr/bin/killall", envOther.c_str(), envOther},  // no var/mobile above it
      {(notADevice / "usr/bin/killall").string(), envOther.c_str(), envOther},
      {(notADevice / "usr/bin/killall").string(), nullptr, ""},
      {"/somewhere/killall", "", ""},
      {"/somewhere/killall", "/no/such/folder", ""},
      // The inherited root is made canonical: a trailing slash or a dot changes nothing.
      {"/somewhere/killall", envOtherDotted.c_str(), envOther},
  };
  for (const auto& c : cases) EXPECT_EQ(deviceRootFor(c.executable, c.inherited), c.expected) << c.executable;

  // Which database a program serves: the one of the folder it stands in, else the one the device has.
  EXPECT_EQ(devicePrefixFor((rootA / "usr/bin/dpkg-query").string(), rootA.string()), "");
  EXPECT_EQ(devicePrefixFor((rootless / "var/jb/usr/bin/dpkg-query").string(), rootless.string()), "/var/jb");
  EXPECT_EQ(devicePrefixFor("/work/build/device-base/usr/bin/dpkg-query", rootless.string()), "");
  fs::create_directories(rootless / "var/jb/var/lib/dpkg");
  EXPECT_EQ(devicePrefixFor("/work/build/device-base/usr/bin/dpkg-query", rootless.string()), "/var/jb");
}

TEST(RecordedProcesses, PidFilesHoldOnlyPlausiblePids) {
  const struct {
    const char* text;
    pid_t pid;
  } cases[] = {{"1234\n", 1234}, {"1234", 1234}, {" 77 \n", 77},    {"", 0},       {"\n", 0},
               {"abc", 0},       {"12x", 0},     {"12 13", 0},      {"-5", 0},     {"0", 0},
               {"1", 0},         {"4194303", 4194303}, {"4194304", 0}, {"99999999999999999999", 0}};
  for (const auto& c : cases) EXPECT_EQ(parsePid(c.text), c.pid) << '"' << c.text << '"';
}

TEST(DpkgQuery, AsksTheMachinesProgramAboutTheDevicesDatabaseWithTheArgumentsAsGiven) {
  auto argv = dpkgQueryCommandLine("/devices/one", "", {"-s", "com.orbel.tovalune"});
  EXPECT_EQ(argv, (std::vector<std::string>{"/usr/bin/dpkg-query", "--admindir=/devices/one/var/lib/dpkg", "-s",
                                            "com.orbel.tovalune"}));
  EXPECT_EQ(dpkgQueryCommandLine("/devices/two", "/var/jb", {"-l"})[1], "--admindir=/devices/two/var/jb/var/lib/dpkg");
}

}  // namespace
