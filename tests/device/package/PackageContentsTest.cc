// The package the build makes, read with the package tools as any receiver of it would:
// its fields, its file list and what the files hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "platform/foundation/PropertyList.h"
#include "platform/image/ImageCodec.h"
#include "tests/support/TempDeviceRoot.h"

namespace fs = std::filesystem;

namespace {

struct Output {
  int status = -1;
  std::string text;
};

Output run(const std::string& command) {
  Output out;
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.text.append(buffer, n);
  int raw = ::pclose(pipe);
  out.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::string kPackage = TOVALUNE_TEST_PACKAGE;

std::set<std::string> expectedFiles() {
  std::set<std::string> files = {
      "./Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib",
      "./Library/MobileSubstrate/DynamicLibraries/Tovalune.plist",
      "./Library/PreferenceBundles/TovalunePrefs.bundle/icon-large.png",
      "./Library/PreferenceBundles/TovalunePrefs.bundle/plus.png",
  };
  if (TOVALUNE_TEST_HAS_PANE) {
    for (const char* f : {"./Library/PreferenceBundles/TovalunePrefs.bundle/TovalunePrefs",
                          "./Library/PreferenceBundles/TovalunePrefs.bundle/Info.plist",
                          "./Library/PreferenceBundles/TovalunePrefs.bundle/Root.plist",
                          "./Library/PreferenceLoader/Preferences/TovalunePrefs.plist"})
      files.insert(f);
  }
  return files;
}

TEST(PackageContents, IsNamedAndDescribedAsTheDevicesPackageManagerExpects) {
  EXPECT_EQ(fs::path(kPackage).filename().string(),
            std::string("com.orbel.tovalune_") + TOVALUNE_TEST_VERSION + "_iphoneos-arm64.deb");
  Output control = run("dpkg-deb --field '" + kPackage + "'");
  ASSERT_EQ(control.status, 0) << control.text;
  std::map<std::string, std::string> fields;
  std::istringstream controlLines(control.text);
  for (std::string line; std::getline(controlLines, line);)
    if (auto colon = line.find(": "); colon != std::string::npos && line[0] != ' ')
      fields[line.substr(0, colon)] = line.substr(colon + 2);
  EXPECT_EQ(fields["Package"], "com.orbel.tovalune");
  EXPECT_EQ(fields["Name"], "Tovalune");
  EXPECT_EQ(fields["Version"], TOVALUNE_TEST_VERSION);
  EXPECT_EQ(fields["Architecture"], "iphoneos-arm64");
  EXPECT_EQ(fields["Depends"], "mobilesubstrate, preferenceloader");
  EXPECT_EQ(fields["Section"], "Tweaks");
  EXPECT_FALSE(fields["Maintainer"].empty());
  EXPECT_FALSE(fields["Description"].empty());

  // dpkg-deb --info shows the same control file, with the checksums beside it.
  Output info = run("dpkg-deb --info '" + kPackage + "'");
  ASSERT_EQ(info.status, 0) << info.text;
  EXPECT_NE(info.text.find(" Package: com.orbel.tovalune\n"), std::string::npos) << info.text;
  EXPECT_NE(info.text.find("md5sums"), std::string::npos) << info.text;

  // Installed-Size counts the files in KiB, each rounded up.
  Output listing = run("dpkg-deb --contents '" + kPackage + "'");
  ASSERT_EQ(listing.status, 0);
  long kib = 0;
  std::istringstream lines(listing.text);
  for (std::string mode, owner, date, time, path; lines >> mode >> owner;) {
    long size = 0;
    lines >> size >> date >> time >> path;
    if (mode[0] == '-') kib += (size + 1023) / 1024;
  }
  EXPECT_EQ(std::to_string(kib), fields["Installed-Size"]);
}

TEST(PackageContents, HoldsExactlyTheDeliverablesOwnedByRootWithAnExecutableEngine) {
  Output listing = run("dpkg-deb --contents '" + kPackage + "'");
  ASSERT_EQ(listing.status, 0) << listing.text;
  std::set<std::string> files;
  std::map<std::string, std::string> modes;
  std::istringstream lines(listing.text);
  for (std::string mode, owner, size, date, time, path; lines >> mode >> owner >> size >> date >> time >> path;) {
    EXPECT_EQ(owner, "root/root") << path;
    EXPECT_EQ(path.rfind("./", 0), 0u) << path;
    if (mode[0] == 'd') {
      EXPECT_EQ(mode, "drwxr-xr-x") << path;
      continue;
    }
    files.insert(path);
    modes[path] = mode;
  }
  EXPECT_EQ(files, expectedFiles());
  EXPECT_EQ(modes["./Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib"], "-rwxr-xr-x");
  EXPECT_EQ(modes["./Library/MobileSubstrate/DynamicLibraries/Tovalune.plist"], "-rw-r--r--");
  if (TOVALUNE_TEST_HAS_PANE) {
    EXPECT_EQ(modes["./Library/PreferenceBundles/TovalunePrefs.bundle/TovalunePrefs"], "-rwxr-xr-x");
  }
}

TEST(PackageContents, FilesAreTheBuildsEngineAFilterForSpringBoardAndDecodableIconsWithTrueChecksums) {
  TempDeviceRoot temp;
  fs::path tree = fs::path(temp.path()) / "tree";
  ASSERT_EQ(run("dpkg-deb --raw-extract '" + kPackage + "' '" + tree.string() + "'").status, 0);

  EXPECT_EQ(slurp(tree / "Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib"), slurp(TOVALUNE_TEST_ENGINE));
  auto filter = platform::dictionaryWithContentsOfFile("/tree/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist");
  ASSERT_TRUE(filter);
  auto bundles = platform::find(*filter, "Filter");
  ASSERT_TRUE(bundles && bundles->dictionary());
  auto list = platform::find(*bundles->dictionary(), "Bundles");
  ASSERT_TRUE(list && list->array());
  ASSERT_EQ(list->array()->size(), 1u);
  EXPECT_EQ(*list->array()->front().string(), "com.apple.springboard");

  fs::path bundle = tree / "Library/PreferenceBundles/TovalunePrefs.bundle";
  auto icon = platform::decodeImage(slurp(bundle / "icon-large.png"));
  auto plus = platform::decodeImage(slurp(bundle / "plus.png"));
  ASSERT_TRUE(icon && plus);
  EXPECT_EQ(icon->width, icon->height);
  EXPECT_GE(icon->width, 300u);
  EXPECT_EQ(plus->width, plus->height);

  // Every payload file has its checksum, and each checksum is the file's.
  Output check = run("cd '" + tree.string() + "' && md5sum --check --strict DEBIAN/md5sums");
  EXPECT_EQ(check.status, 0) << check.text;
  std::size_t sums = std::count(check.text.begin(), check.text.end(), '\n');
  EXPECT_EQ(sums, expectedFiles().size()) << check.text;
}

}  // namespace
