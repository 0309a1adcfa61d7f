#include "platform/photos/PhotoLibrary.h"

#include <sys/statvfs.h>

#include <fmt/format.h>

#include <functional>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/DeviceSettings.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUUID.h"
#include "platform/image/ImageCodec.h"
#include "platform/image/UIImage.h"
#include "platform/photos/PHConstants.h"
#include "platform/photos/SQLiteDatabase.h"

namespace platform {

const char* const kPhotoLibraryDatabasePath = "/var/mobile/Media/PhotoData/Photos.sqlite";
const char* const kPhotoLibraryDCIMPath = "/var/mobile/Media/DCIM/100APPLE";

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS collections(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  identifier TEXT NOT NULL UNIQUE,
  title TEXT NOT NULL,
  is_list INTEGER NOT NULL,
  type INTEGER NOT NULL,
  subtype INTEGER NOT NULL,
  parent INTEGER REFERENCES collections(id));
CREATE TABLE IF NOT EXISTS assets(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  identifier TEXT NOT NULL UNIQUE,
  path TEXT NOT NULL,
  width INTEGER NOT NULL,
  height INTEGER NOT NULL,
  created REAL NOT NULL);
CREATE TABLE IF NOT EXISTS memberships(
  collection INTEGER NOT NULL REFERENCES collections(id),
  asset INTEGER NOT NULL REFERENCES assets(id),
  PRIMARY KEY(collection, asset));
)sql";

// Collection columns in the order rowToCollection reads them.
constexpr const char* kCollectionColumns =
    "c.identifier, c.title, c.is_list, c.type, c.subtype, (SELECT p.identifier FROM collections p WHERE p.id = c.parent)";

std::unique_ptr<SQLiteDatabase> openLibrary(bool forWriting) {
  return SQLiteDatabase::open(kPhotoLibraryDatabasePath, forWriting, kSchema, {"Photos", "photo library"});
}

PhotoCollectionRecord rowToCollection(const SQLiteRow& row) {
  PhotoCollectionRecord r;
  r.localIdentifier = row.text(0);
  r.title = row.text(1);
  r.isCollectionList = row.integer(2) != 0;
  r.type = int(row.integer(3));
  r.subtype = int(row.integer(4));
  if (!row.isNull(5)) r.parentIdentifier = row.text(5);
  return r;
}

PhotoAssetRecord rowToAsset(const SQLiteRow& row) {
  return {row.text(0), row.text(1), int(row.integer(2)), int(row.integer(3)), row.real(4)};
}

std::string limitClause(std::size_t limit) { return limit ? fmt::format(" LIMIT {}", limit) : ""; }

std::vector<PhotoCollectionRecord> readCollections(const std::string& where, const std::vector<SQLiteValue>& args,
                                                   std::size_t limit) {
  std::vector<PhotoCollectionRecord> out;
  auto db = openLibrary(false);
  if (!db) return out;
  std::string sql = fmt::format("SELECT {} FROM collections c WHERE {} ORDER BY c.id{}", kCollectionColumns, where,
                                limitClause(limit));
  if (!db->query(sql, args, [&](const SQLiteRow& row) { out.push_back(rowToCollection(row)); })) out.clear();
  return out;
}

std::optional<std::int64_t> collectionRow(SQLiteDatabase& db, const std::string& identifier) {
  std::optional<std::int64_t> id;
  db.query("SELECT id FROM collections WHERE identifier = ?", {identifier},
           [&](const SQLiteRow& row) { id = row.integer(0); });
  return id;
}

std::optional<std::string> insertCollection(const std::string& title, bool isList, int type, int subtype,
                                            const std::optional<std::string>& folder) {
  auto db = openLibrary(true);
  if (!db) return std::nullopt;
  std::optional<std::int64_t> parent;
  if (folder) {
    auto folderRecord = photoLibraryCollection(*folder);
    if (!folderRecord || !folderRecord->isCollectionList) {
      NSLog("Photos: no folder {} in the photo library", *folder);
      return std::nullopt;
    }
    parent = collectionRow(*db, *folder);
  }
  std::string identifier = UUIDString() + "/L0/040";
  SQLiteValue parentValue;
  if (parent) parentValue = *parent;
  if (!db->query("INSERT INTO collections(identifier, title, is_list, type, subtype, parent) VALUES(?, ?, ?, ?, ?, ?)",
                 {identifier, title, std::int64_t(isList), std::int64_t(type), std::int64_t(subtype), parentValue}))
    return std::nullopt;
  return identifier;
}

// Writes the picture bytes as the next IMG_NNNN file of the DCIM folder and records the asset.
std::optional<std::string> insertAsset(SQLiteDatabase& db, std::string_view bytes, const std::string& extension, int width,
                                       int height, const std::vector<std::int64_t>& collections) {
  createDirectoryAtPath(kPhotoLibraryDCIMPath);
  std::int64_t next = 1;
  db.query("SELECT COALESCE(MAX(id), 0) + 1 FROM assets", {}, [&](const SQLiteRow& row) { next = row.integer(0); });
  std::string path;
  do {
    path = fmt::format("{}/IMG_{:04d}.{}", kPhotoLibraryDCIMPath, next++, uppercaseString(extension.empty() ? "png" : extension));
  } while (fileExistsAtPath(path));
  if (!writeFile(path, bytes)) {
    NSLog("Photos: cannot write the picture {}", path);
    return std::nullopt;
  }
  std::string identifier = UUIDString() + "/L0/001";
  bool ok = db.exec("BEGIN IMMEDIATE") &&
            db.query("INSERT INTO assets(identifier, path, width, height, created) VALUES(?, ?, ?, ?, ?)",
                     {identifier, path, std::int64_t(width), std::int64_t(height),
                      now()});
  std::int64_t assetRow = db.lastInsertRowid();
  for (std::int64_t c : collections)
    ok = ok && db.query("INSERT OR IGNORE INTO memberships(collection, asset) VALUES(?, ?)", {c, assetRow});
  if (!ok || !db.exec("COMMIT")) {
    db.exec("ROLLBACK");
    removeItemAtPath(path);
    return std::nullopt;
  }
  return identifier;
}

}  // namespace

std::vector<PhotoCollectionRecord> photoLibraryAssetCollections(int type, int subtype, std::size_t limit) {
  if (subtype == PHAssetCollectionSubtypeAny)
    return readCollections("c.is_list = 0 AND c.type = ?", {std::int64_t(type)}, limit);
  return readCollections("c.is_list = 0 AND c.type = ? AND c.subtype = ?", {std::int64_t(type), std::int64_t(subtype)},
                         limit);
}

std::vector<PhotoCollectionRecord> photoLibraryTopLevelUserCollections(std::size_t limit) {
  return readCollections(
      "c.parent IS NULL AND ((c.is_list = 0 AND c.type = ? AND c.subtype = ?) OR (c.is_list = 1 AND c.type = ?))",
      {std::int64_t(PHAssetCollectionTypeAlbum), std::int64_t(PHAssetCollectionSubtypeAlbumRegular),
       std::int64_t(PHCollectionListTypeFolder)},
      limit);
}

std::vector<PhotoCollectionRecord> photoLibraryCollectionsInList(const std::string& listIdentifier, std::size_t limit) {
  return readCollections("c.parent = (SELECT id FROM collections WHERE identifier = ? AND is_list = 1)",
                         {listIdentifier}, limit);
}

std::vector<PhotoCollectionRecord> photoLibraryAllCollections() { return readCollections("1", {}, 0); }

std::optional<PhotoCollectionRecord> photoLibraryCollection(const std::string& localIdentifier) {
  auto found = readCollections("c.identifier = ?", {localIdentifier}, 1);
  if (found.empty()) return std::nullopt;
  return found.front();
}

std::vector<PhotoAssetRecord> photoLibraryAllAssetsNewestFirst(std::size_t limit) {
  std::vector<PhotoAssetRecord> out;
  auto db = openLibrary(false);
  if (!db) return out;
  std::string sql = fmt::format(
      "SELECT identifier, path, width, height, created FROM assets ORDER BY created DESC, id DESC{}", limitClause(limit));
  bool ok = db->query(sql, {}, [&](const SQLiteRow& row) { out.push_back(rowToAsset(row)); });
  if (!ok) out.clear();
  return out;
}

std::vector<PhotoAssetRecord> photoLibraryAssetsInCollection(const std::string& collectionIdentifier, std::size_t limit) {
  std::vector<PhotoAssetRecord> out;
  auto db = openLibrary(false);
  if (!db) return out;
  std::string sql = fmt::format(
      "SELECT a.identifier, a.path, a.width, a.height, a.created FROM assets a JOIN memberships m ON m.asset = a.id "
      "JOIN collections c ON c.id = m.collection WHERE c.identifier = ? ORDER BY a.id{}",
      limitClause(limit));
  bool ok = db->query(sql, {collectionIdentifier}, [&](const SQLiteRow& row) { out.push_back(rowToAsset(row)); });
  if (!ok) out.clear();
  return out;
}

std::optional<std::string> photoLibraryCreateAssetCollection(const std::string& title, int type, int subtype,
                                                             const std::optional<std::string>& folder) {
  return insertCollection(title, false, type, subtype, folder);
}

std::optional<std::string> photoLibraryCreateAlbum(const std::string& title, const std::optional<std::string>& folder) {
  return insertCollection(title, false, PHAssetCollectionTypeAlbum, PHAssetCollectionSubtypeAlbumRegular, folder);
}

std::optional<std::string> photoLibraryCreateFolder(const std::string& title, const std::optional<std::string>& folder) {
  return insertCollection(title, true, PHCollectionListTypeFolder, PHCollectionListSubtypeRegularFolder, folder);
}

std::optional<std::string> photoLibraryAddPictureFile(const std::string& devicePath, const std::vector<std::string>& albums) {
  auto bytes = readFile(devicePath);
  if (!bytes) {
    NSLog("Photos: cannot read {}; nothing added", devicePath);
    return std::nullopt;
  }
  return photoLibraryAddPictureData(*bytes, pathExtension(devicePath), albums);
}

std::optional<std::string> photoLibraryAddPictureData(std::string_view bytes, const std::string& extension,
                                                      const std::vector<std::string>& albums) {
  auto image = UIImage::imageWithData(bytes);
  if (!image) {
    NSLog("Photos: the data is not a picture; nothing added");
    return std::nullopt;
  }
  auto db = openLibrary(true);
  if (!db) return std::nullopt;
  std::vector<std::int64_t> rows;
  for (const auto& album : albums) {
    auto record = photoLibraryCollection(album);
    auto row = record && !record->isCollectionList ? collectionRow(*db, album) : std::nullopt;
    if (!row) {
      NSLog("Photos: no album {} in the photo library; nothing added", album);
      return std::nullopt;
    }
    rows.push_back(*row);
  }
  // Bytes that come without a name are named by their format, so a HEIC from the camera is an
  // IMG_NNNN.HEIC like on the phone rather than a picture misnamed after some default.
  const std::string named = extension.empty() ? std::string(pictureFileExtension(bytes)) : extension;
  return insertAsset(*db, bytes, named, int(image->bitmap().width), int(image->bitmap().height), rows);
}

bool photoLibraryAddAssetToCollection(const std::string& assetIdentifier, const std::string& collectionIdentifier) {
  auto db = openLibrary(true);
  if (!db) return false;
  std::optional<std::int64_t> asset;
  db->query("SELECT id FROM assets WHERE identifier = ?", {assetIdentifier},
            [&](const SQLiteRow& row) { asset = row.integer(0); });
  auto record = photoLibraryCollection(collectionIdentifier);
  auto collection = record && !record->isCollectionList ? collectionRow(*db, collectionIdentifier) : std::nullopt;
  if (!asset || !collection) {
    NSLog("Photos: cannot add {} to {}: no such asset or album", assetIdentifier, collectionIdentifier);
    return false;
  }
  return db->query("INSERT OR IGNORE INTO memberships(collection, asset) VALUES(?, ?)", {*collection, *asset});
}

}  // namespace platform

namespace {

// Room the library keeps free beyond the picture itself, for its database and journal.
constexpr std::uint64_t kSpareBytes = 1 << 20;

std::shared_ptr<NSError> photosError(long code, std::string description) {
  return NSError::errorWithDomain("PHPhotosErrorDomain", code, std::move(description));
}

// The save behind both forms: nullptr when the camera roll holds the picture, else why not.
std::shared_ptr<NSError> saveToCameraRoll(const std::shared_ptr<UIImage>& image) {
  using namespace platform;
  if (!photoLibraryAccessAllowed())
    return photosError(PHPhotosErrorAccessUserDenied, "This app does not have access to your photos.");
  auto png = image ? UIImagePNGRepresentation(image.get()) : std::nullopt;
  if (!png) return photosError(PHPhotosErrorInvalidResource, "There is no picture to save.");
  createDirectoryAtPath(kPhotoLibraryDCIMPath);
  struct statvfs fs {};
  if (::statvfs(hostPath(kPhotoLibraryDCIMPath).c_str(), &fs) == 0 &&
      std::uint64_t(fs.f_bavail) * fs.f_frsize < png->size() + kSpareBytes)
    return photosError(PHPhotosErrorNotEnoughSpace, "There is not enough space on the device to save the picture.");
  auto db = openLibrary(true);
  if (!db) return photosError(PHPhotosErrorLibraryUnavailable, "The photo library could not be opened.");
  auto rolls = photoLibraryAssetCollections(PHAssetCollectionTypeSmartAlbum, PHAssetCollectionSubtypeSmartAlbumUserLibrary, 1);
  std::optional<std::string> roll = rolls.empty() ? std::nullopt : std::optional(rolls.front().localIdentifier);
  if (!roll)
    roll = photoLibraryCreateAssetCollection("Recents", PHAssetCollectionTypeSmartAlbum,
                                             PHAssetCollectionSubtypeSmartAlbumUserLibrary);
  auto row = roll ? collectionRow(*db, *roll) : std::nullopt;
  if (!row || !insertAsset(*db, *png, "png", int(image->bitmap().width), int(image->bitmap().height), {*row}))
    return photosError(PHPhotosErrorLibraryUnavailable, "The photo library could not store the picture.");
  return nullptr;
}

}  // namespace

namespace platform {

bool photoLibraryAccessAllowed() { return deviceSettings().photoLibraryAccess; }

bool photoLibraryFetchAllowed(const char* fetch) {
  if (photoLibraryAccessAllowed()) return true;
  NSLog("Photos: access to the photo library is refused; {} finds nothing", fetch);
  return false;
}

}  // namespace platform

bool UIImageWriteToSavedPhotosAlbum(const std::shared_ptr<UIImage>& image) {
  auto error = saveToCameraRoll(image);
  if (error) NSLog("Photos: the picture was not saved to the camera roll: {}", error->localizedDescription());
  return !error;
}

void UIImageWriteToSavedPhotosAlbum(const std::shared_ptr<UIImage>& image,
                                    std::function<void(std::shared_ptr<NSError> error)> completion) {
  using namespace platform;
  dispatch_async(dispatch_get_global_queue(QueuePriority::Default),
                 [image, completion = std::move(completion)]() mutable {
                   auto error = saveToCameraRoll(image);
                   if (error)
                     NSLog("Photos: the picture was not saved to the camera roll: {}", error->localizedDescription());
                   dispatch_async(dispatch_get_main_queue(),
                                  [error = std::move(error), completion = std::move(completion)] {
                                    if (completion) completion(error);
                                  });
                 });
}
