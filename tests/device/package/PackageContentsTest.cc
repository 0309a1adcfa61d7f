// The packages the build makes, for rootful and for rootless phones, read with the package tools
// as any receiver of them would: their fields, their file lists and what the files hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

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

// The two packages of the build: one per kind of jailbroken phone.
struct PackageKind {
  const char* name;
  std::string package, engine, architecture, prefix;
};
const PackageKind kKinds[] = {
    {"Rootful", TOVALUNE_TEST_ROOTFUL_PACKAGE, TOVALUNE_TEST_ROOTFUL_ENGINE, "iphoneos-arm", "."},
    {"Rootless", TOVALUNE_TEST_ROOTLESS_PACKAGE, TOVALUNE_TEST_ROOTLESS_ENGINE, "iphoneos-arm64", "./var/jb"},
};

class PackageContents : public ::testing::TestWithParam<PackageKind> {
 protected:
  const std::string& package() const { return GetParam().package; }

  // Every file of the package, at the paths a rootful phone keeps them below the kind's prefix.
  std::set<std::string> expectedFiles() const {
    std::set<std::string> files;
    std::vector<const char*> paths = {"/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib",
                                      "/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist",
                                      "/Library/PreferenceBundles/TovalunePrefs.bundle/icon-large.png",
                                      "/Library/PreferenceBundles/TovalunePrefs.bundle/plus.png"};
    if (TOVALUNE_TEST_HAS_PANE)
      paths.insert(paths.end(), {"/Library/PreferenceBundles/TovalunePrefs.bundle/TovalunePrefs",
                                 "/Library/PreferenceBundles/TovalunePrefs.bundle/Info.plist",
                                 "/Library/PreferenceBundles/TovalunePrefs.bundle/Root.plist",
                                 "/Library/PreferenceLoader/Preferences/TovalunePrefs.plist"});
    for (const char* path : paths) files.insert(GetParam().prefix + path);
    return files;
  }
  // The folders above them, "./" included, and nothing else.
  std::set<std::string> expectedFolders() const {
    std::set<std::string> folders{"./"};
    for (const std::string& file : expectedFiles())
      for (fs::path up = fs::path(file).parent_path(); up != "."; up = up.parent_path()) folders.insert(up.string() + "/");
    return folders;
  }
};

TEST_P(PackageContents, IsNamedAndDescribedAsThePhonesPackageManagerExpects) {
  EXPECT_EQ(fs::path(package()).filename().string(),
            std::string("com.orbel.tovalune_") + TOVALUNE_TEST_VERSION + "_" + GetParam().architecture + ".deb");
  Output control = run("dpkg-deb --field '" + package() + "'");
  ASSERT_EQ(control.status, 0) << control.text;
  std::map<std::string, std::string> fields;
  std::istringstream controlLines(control.text);
  for (std::string line; std::getline(controlLines, line);)
    if (auto colon = line.find(": "); colon != std::string::npos && line[0] != ' ')
      fields[line.substr(0, colon)] = line.substr(colon + 2);
  EXPECT_EQ(fields["Package"], "com.orbel.tovalune");
  EXPECT_EQ(fields["Name"], "Tovalune");
  EXPECT_EQ(fields["Version"], TOVALUNE_TEST_VERSION);
  EXPECT_EQ(fields["Architecture"], GetParam().architecture);
  EXPECT_EQ(fields["Depends"], "mobilesubstrate (>= 0.9.5000), preferenceloader (>= 2.2.3), firmware (>= 10.0)");
  EXPECT_EQ(fields["Section"], "Tweaks");
  const std::regex person(".+ <[^@<> ]+@[^@<> ]+\\.[a-z]+>");
  EXPECT_TRUE(std::regex_match(fields["Maintainer"], person)) << fields["Maintainer"];
  EXPECT_TRUE(std::regex_match(fields["Author"], person)) << fields["Author"];
  EXPECT_FALSE(fields["Description"].empty());

  // dpkg-deb --info shows the same control file, with the checksums beside it; both parts are xz.
  Output info = run("dpkg-deb --info '" + package() + "'");
  ASSERT_EQ(info.status, 0) << info.text;
  EXPECT_NE(info.text.find(" Package: com.orbel.tovalune\n"), std::string::npos) << info.text;
  EXPECT_NE(info.text.find("md5sums"), std::string::npos) << info.text;
  Output members = run("ar t '" + package() + "'");
  EXPECT_EQ(members.text, "debian-binary\ncontrol.tar.xz\ndata.tar.xz\n");

  // Installed-Size counts the files in KiB, each rounded up.
  Output listing = run("dpkg-deb --contents '" + package() + "'");
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

TEST_P(PackageContents, HoldsExactlyTheDeliverablesBelowItsPrefixOwnedByRootWithTheModesOfAPhone) {
  Output listing = run("dpkg-deb --contents '" + package() + "'");
  ASSERT_EQ(listing.status, 0) << listing.text;
  std::set<std::string> files, folders;
  std::map<std::string, std::string> modes;
  std::istringstream lines(listing.text);
  for (std::string mode, owner, size, date, time, path; lines >> mode >> owner >> size >> date >> time >> path;) {
    EXPECT_EQ(owner, "root/root") << path;
    if (mode[0] == 'd') {
      EXPECT_EQ(mode, "drwxr-xr-x") << path;
      folders.insert(path);
      continue;
    }
    files.insert(path);
    modes[path] = mode;
  }
  EXPECT_EQ(files, expectedFiles());
  EXPECT_EQ(folders, expectedFolders());
  const std::string prefix = GetParam().prefix;
  for (const auto& [path, mode] : modes) {
    bool binary = path == prefix + "/Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib" ||
                  path == prefix + "/Library/PreferenceBundles/TovalunePrefs.bundle/TovalunePrefs";
    EXPECT_EQ(mode, binary ? "-rwxr-xr-x" : "-rw-r--r--") << path;
  }
}

TEST_P(PackageContents, FilesAreTheBuildsStrippedEngineAFilterForSpringBoardAndIconsWithTrueChecksums) {
  TempDeviceRoot temp;
  fs::path tree = fs::path(temp.path()) / "tree";
  ASSERT_EQ(run("dpkg-deb --raw-extract '" + package() + "' '" + tree.string() + "'").status, 0);
  fs::path files = tree / GetParam().prefix;

  // The engine of this kind's build (its build id), without the debug information the build keeps.
  fs::path shipped = files / "Library/MobileSubstrate/DynamicLibraries/Tovalune.dylib";
  auto buildId = [](const std::string& path) {
    Output notes = run("readelf --notes '" + path + "'");
    std::size_t at = notes.text.find("Build ID: ");
    return at == std::string::npos ? std::string() : notes.text.substr(at + 10, notes.text.find('\n', at) - at - 10);
  };
  EXPECT_NE(buildId(shipped), "");
  EXPECT_EQ(buildId(shipped), buildId(GetParam().engine));
  for (const PackageKind& other : kKinds) {
    if (other.engine != GetParam().engine) {
      EXPECT_NE(buildId(other.engine), buildId(GetParam().engine));
    }
  }
  std::vector<fs::path> binaries{shipped};
  if (TOVALUNE_TEST_HAS_PANE) binaries.push_back(files / "Library/PreferenceBundles/TovalunePrefs.bundle/TovalunePrefs");
  for (const fs::path& binary : binaries) {
    Output sections = run("readelf --section-headers --wide '" + binary.string() + "'");
    ASSERT_EQ(sections.status, 0) << sections.text;
    EXPECT_EQ(sections.text.find(".debug_"), std::string::npos) << binary;
    EXPECT_EQ(sections.text.find(".symtab"), std::string::npos) << binary;
    EXPECT_NE(sections.text.find(".dynsym"), std::string::npos) << binary;
  }
  EXPECT_NE(run("readelf --section-headers '" + GetParam().engine + "'").text.find(".debug_info"), std::string::npos)
      << "the build keeps the engine's debug information";

  auto filter = platform::dictionaryWithContentsOfFile(
      "/tree/" + fs::path(GetParam().prefix).lexically_normal().string() + "/Library/MobileSubstrate/DynamicLibraries/Tovalune.plist");
  ASSERT_TRUE(filter);
  auto bundles = platform::find(*filter, "Filter");
  ASSERT_TRUE(bundles && bundles->dictionary());
  auto list = platform::find(*bundles->dictionary(), "Bundles");
  ASSERT_TRUE(list && list->array());
  ASSERT_EQ(list->array()->size(), 1u);
  EXPECT_EQ(*list->array()->front().string(), "com.apple.springboard");

  fs::path bundle = files / "Library/PreferenceBundles/TovalunePrefs.bundle";
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

INSTANTIATE_TEST_SUITE_P(BothKinds, PackageContents, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
