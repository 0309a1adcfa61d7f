#include "device/launcher/PhotosCommand.h"

#include <fmt/format.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/FileManager.h"
#include "platform/photos/PHConstants.h"
#include "platform/photos/PhotoLibrary.h"

namespace {

int photosUsage() {
  fmt::print(stderr,
             "usage: tovalune-device photos add-album TITLE\n"
             "       tovalune-device photos add FILE [--album ID-or-TITLE]   (JPEG, PNG, HEIC, AVIF, WebP, GIF, TIFF, BMP)\n"
             "       tovalune-device photos list\n"
             "       tovalune-device photos access [allow|deny]   (deny plays a user who refused access)\n");
  return 2;
}

std::string kindOf(const platform::PhotoCollectionRecord& r) {
  if (r.isCollectionList) return "folder";
  if (r.type == PHAssetCollectionTypeSmartAlbum) return fmt::format("smart album {}", r.subtype);
  if (r.type == PHAssetCollectionTypeAlbum && r.subtype == PHAssetCollectionSubtypeAlbumSyncedAlbum) return "synced album";
  if (r.type == PHAssetCollectionTypeAlbum) return "album";
  return fmt::format("collection {}/{}", r.type, r.subtype);
}

// An album named by its identifier, or else by its title when exactly one album carries it.
std::optional<std::string> findAlbum(const std::string& idOrTitle) {
  std::vector<std::string> titled;
  for (const auto& r : platform::photoLibraryAllCollections()) {
    if (r.isCollectionList) continue;
    if (r.localIdentifier == idOrTitle) return r.localIdentifier;
    if (r.title == idOrTitle) titled.push_back(r.localIdentifier);
  }
  if (titled.size() == 1) return titled.front();
  if (titled.empty()) fmt::print(stderr, "photos: no album \"{}\"\n", idOrTitle);
  else fmt::print(stderr, "photos: {} albums are titled \"{}\"; name one by its identifier\n", titled.size(), idOrTitle);
  return std::nullopt;
}

int list() {
  auto all = platform::photoLibraryAllCollections();
  if (all.empty()) fmt::print("the photo library holds no albums\n");
  for (const auto& r : all) {
    std::string where;
    if (r.parentIdentifier)
      for (const auto& p : all)
        if (p.localIdentifier == *r.parentIdentifier) where = fmt::format(" in \"{}\"", p.title);
    std::string count =
        r.isCollectionList ? "" : fmt::format(" ({} pictures)", platform::photoLibraryAssetsInCollection(r.localIdentifier).size());
    fmt::print("{}  {} \"{}\"{}{}\n", r.localIdentifier, kindOf(r), r.title, where, count);
  }
  return 0;
}

int add(const std::vector<std::string>& args) {
  if (args.size() != 2 && !(args.size() == 4 && args[2] == "--album")) return photosUsage();
  std::vector<std::string> albums;
  if (args.size() == 4) {
    auto album = findAlbum(args[3]);
    if (!album) return 1;
    albums.push_back(*album);
  }
  std::ifstream in(args[1], std::ios::binary);
  if (!in) {
    fmt::print(stderr, "photos: cannot read {}\n", args[1]);
    return 1;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  auto id = platform::photoLibraryAddPictureData(bytes.str(), platform::pathExtension(args[1]), albums);
  if (!id) {
    fmt::print(stderr, "photos: {} was not added (see the log line above)\n", args[1]);
    return 1;
  }
  fmt::print("{}\n", *id);
  return 0;
}

// Without a word, prints the current setting; apps see it at their next fetch.
int access(const std::vector<std::string>& args) {
  platform::DeviceSettings settings = platform::deviceSettings();
  if (args.size() == 1) {
    fmt::print("{}\n", settings.photoLibraryAccess ? "allow" : "deny");
    return 0;
  }
  if (args.size() != 2 || (args[1] != "allow" && args[1] != "deny")) return photosUsage();
  settings.photoLibraryAccess = args[1] == "allow";
  if (!platform::saveDeviceSettings(settings)) {
    fmt::print(stderr, "photos: cannot write the device settings {}\n", platform::kDeviceSettingsPath);
    return 1;
  }
  return 0;
}

}  // namespace

int runPhotos(const std::vector<std::string>& args) {
  if (args.empty()) return photosUsage();
  if (args[0] == "list" && args.size() == 1) return list();
  if (args[0] == "add-album" && args.size() == 2) {
    auto id = platform::photoLibraryCreateAlbum(args[1]);
    if (!id) return 1;
    fmt::print("{}\n", *id);
    return 0;
  }
  if (args[0] == "add") return add(args);
  if (args[0] == "access") return access(args);
  return photosUsage();
}
