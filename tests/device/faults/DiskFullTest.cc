// A full disk, played by a file size limit on the writing process (with SIGXFSZ ignored, a write
// over the limit fails as one on a full disk does): the store, the wallpaper files and the
// preferences file keep their old content whole, a log line says what could not be written,
// nothing crashes, and writing works again once there is room.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <regex>

#include <fmt/format.h>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/PropertyList.h"
#include "shared/ImageFolders.h"
#include "shared/TovalunePreferencesManager.h"
#include "tests/device/faults/FaultDevice.h"

using namespace std::chrono_literals;

namespace {

bool limitFileSize(pid_t pid, rlim_t bytes) {
  rlimit limit{bytes, RLIM_INFINITY};
  return ::prlimit(pid, RLIMIT_FSIZE, &limit, nullptr) == 0;
}

// Every file of a device folder (not recursive) with its content.
std::map<std::string, std::string> filesIn(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& name : platform::contentsOfDirectoryAtPath(folder).value_or(std::vector<std::string>{}))
    if (auto bytes = platform::readFile(folder + "/" + name)) files[name] = *bytes;
  return files;
}

class DiskFull : public ::testing::Test {
 protected:
  TempDeviceRoot root_;
};

std::string settings(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"settings"};
  argv.insert(argv.end(), args.begin(), args.end());
  return launcherOk(argv);
}

std::string settingsLog() { return platform::readFile("/private/var/log/Settings.log").value_or(""); }

TEST_F(DiskFull, SpringBoardKeepsTheOldWallpapersAndStoreAndSaysWhatItCouldNotWrite) {
  BootedDeviceGuard guard;
  LocalHttpServer server;
  std::atomic<int> served{0};
  server.server().Get("/picture.png", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(pngPicture(200, 400, static_cast<unsigned char>(++served)), "image/png");
  });
  ASSERT_NO_FATAL_FAILURE(bootDeviceWithEngine());
  TovalunePreferencesManager::setPrefForKey("ImageMode", 1);
  TovalunePreferencesManager::setPrefForKey("Location", 3);
  TovalunePreferencesManager::setPrefForKey("CustomURL", server.url("/picture.png"));
  ASSERT_NO_FATAL_FAILURE(passCoolDown());
  ASSERT_EQ(runLauncher({"lock"}).status, 0);

  const std::string wallpaperFolder = springBoardStatus().value("wallpaperDirectory", "");
  const std::string store = "/var/mobile/Library/TovaluneStore";
  const auto hashes = wallpaperHashes();
  const auto wallpapers = filesIn(wallpaperFolder);
  const auto stored = filesIn(store);
  ASSERT_FALSE(wallpapers.empty());
  ASSERT_EQ(stored.size(), 1u);
  const pid_t pid = springBoardPid();
  ASSERT_TRUE(limitFileSize(pid, 4096));

  ASSERT_NO_FATAL_FAILURE(passCoolDown());
  auto locked = runLauncher({"lock"});
  ASSERT_EQ(locked.status, 0) << locked.err;
  EXPECT_EQ(served, 2);
  EXPECT_EQ(springBoardPid(), pid);
  EXPECT_EQ(wallpaperHashes(), hashes);
  EXPECT_EQ(filesIn(wallpaperFolder), wallpapers) << "a wallpaper file changed or a partial file was left";
  EXPECT_EQ(filesIn(store), stored) << "a stored picture changed or a partial file was left";
  std::string log = runLauncher({"logs"}).out;
  EXPECT_NE(log.find("Could not write " + store + "/"), std::string::npos) << log;
  EXPECT_NE(log.find("SpringBoard: could not write the wallpaper file " + wallpaperFolder), std::string::npos);

  // Room again: the same SpringBoard writes the next picture everywhere.
  ASSERT_TRUE(limitFileSize(pid, RLIM_INFINITY));
  ASSERT_NO_FATAL_FAILURE(passCoolDown());
  ASSERT_EQ(runLauncher({"lock"}).status, 0);
  EXPECT_NE(wallpaperHashes(), hashes);
  EXPECT_EQ(filesIn(store).size(), 2u);
  EXPECT_TRUE(brokenPictures(wallpaperFolder).empty());
}

TEST_F(DiskFull, APreferenceThatDoesNotFitLeavesThePreferencesFileAsItWas) {
  ASSERT_TRUE(TovalunePreferencesManager::setPrefForKey("ImageMode", 5));
  ASSERT_TRUE(TovalunePreferencesManager::setPrefForKey("StoreLast", 7));
  const auto before = platform::readFile(TovalunePreferencesManager::kPreferencesPath);
  ASSERT_TRUE(before);

  // The pane and the launcher write preferences through the same store; here a process of the
  // test's own does, with a limit its file cannot fit in.
  const std::string log = root_.path() + "/writer.log";
  pid_t child = ::fork();
  if (child == 0) {
    int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, 2);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{before->size() + 64, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    bool written = TovalunePreferencesManager::setPrefForKey("CustomURL", "https://example.com/" + std::string(4096, 'a'));
    std::_Exit(written ? 0 : 3);
  }
  int raw = 0;
  ASSERT_EQ(::waitpid(child, &raw, 0), child);
  ASSERT_TRUE(WIFEXITED(raw)) << "the writer died of signal " << WTERMSIG(raw);
  EXPECT_EQ(WEXITSTATUS(raw), 3) << "the write was reported as done";
  EXPECT_EQ(platform::readFile(TovalunePreferencesManager::kPreferencesPath), before);
  EXPECT_EQ(TovalunePreferencesManager::getPrefForKey("ImageMode"), platform::Value(5));
  EXPECT_TRUE(temporaryFiles("/var/mobile/Library/Preferences").empty());
  std::string written = platform::readFile("/writer.log").value_or("");
  EXPECT_NE(written.find("Could not write " + std::string(TovalunePreferencesManager::kPreferencesPath)), std::string::npos)
      << written;
}

// The pane's two picture saves, a photo picked into the local folder and a photo made into a
// timeline entry, with a Settings that cannot write a picture's size: each folder stays as it was,
// no entry names a missing file, the log says why, and Settings goes on once there is room.
TEST_F(DiskFull, APictureThePaneCannotWriteLeavesItsFolderAndTheTimelineAsTheyWere) {
  BootedDeviceGuard guard;
  ASSERT_NO_FATAL_FAILURE(bootPhoneSized(ENGINE_LIBRARY));
  ASSERT_TRUE(platform::writeFile("/photo.png", pngPicture(700, 700, 9)));
  ASSERT_EQ(runLauncher({"photos", "add", root_.host("/photo.png")}).status, 0);
  settings({"open", "Tovalune"});
  settings({"choose", "Image Source", "Local Folder"});
  settings({"tap", "Choose Local Pictures"});
  std::smatch plus;
  std::string grid = settings({"show"});
  ASSERT_TRUE(std::regex_search(grid, plus, std::regex(R"(tile (\d+): plus\.png)"))) << grid;
  const auto localBefore = filesIn(kLocalImagesPath);

  // Room for the log to go on, not for a 700 x 700 picture of noise (about 2 MB as PNG).
  const pid_t pid = pidFromFile("/private/var/simulator/Settings.pid");
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(limitFileSize(pid, settingsLog().size() + (128 << 10)));

  settings({"tile", plus[1].str()});
  settings({"pick", "0"});
  EXPECT_EQ(filesIn(kLocalImagesPath), localBefore) << "a picture changed or a partial file was left";
  EXPECT_NE(settingsLog().find("Could not write the picked image to " + std::string(kLocalImagesPath)),
            std::string::npos) << settingsLog();

  settings({"back"});
  settings({"choose", "New Wallpaper", "Follow Timeline"});
  settings({"tap", "Edit Timeline"});
  settings({"tap", "Add"});
  settings({"wheel", "07:00"});
  settings({"tap", "Next"});
  settings({"tap", "Select From Photos"});
  settings({"pick", "0"});
  EXPECT_TRUE(filesIn(kTimelineImagesPath).empty());
  EXPECT_FALSE(TovalunePreferencesManager::getPrefForKey("ImageTimeline")) << "an entry names a picture never written";
  EXPECT_NE(settingsLog().find("; no entry is made"), std::string::npos) << settingsLog();
  std::string sources = settings({"show"});
  EXPECT_NE(sources.find("Select Image Source"), std::string::npos) << "not left where a second try can start\n" << sources;

  // Room again: the same Settings makes the entry with its picture on a second try.
  ASSERT_TRUE(limitFileSize(pid, RLIM_INFINITY));
  settings({"tap", "Select From Photos"});
  settings({"pick", "0"});
  EXPECT_EQ(pidFromFile("/private/var/simulator/Settings.pid"), pid);
  auto timeline = TovalunePreferencesManager::getPrefForKey("ImageTimeline");
  ASSERT_TRUE(timeline && timeline->array());
  ASSERT_EQ(timeline->array()->size(), 1u);
  const auto folder = filesIn(kTimelineImagesPath);
  ASSERT_EQ(folder.size(), 1u);
  EXPECT_EQ(*platform::find(*(*timeline->array())[0].dictionary(), "ImagePath")->string(),
            std::string(kTimelineImagesPath) + "/" + folder.begin()->first);
}

}  // namespace
