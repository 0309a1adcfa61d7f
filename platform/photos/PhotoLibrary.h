#pragma once
// The device's photo library: a SQLite database at kPhotoLibraryDatabasePath with the collections
// (albums, smart albums, folders) and the assets, whose pictures are files in kPhotoLibraryDCIMPath.
// The Photos classes (PHAssetCollection, PHCollectionList, PHAsset) read it; the launcher, tests and
// UIImageWriteToSavedPhotosAlbum add to it through the functions here.
//
// A missing or unreadable database is an empty library: reads log one line and return nothing,
// and writes refuse to touch a file that is not a photo library (it may be the user's data).
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class NSError;
class UIImage;

namespace platform {

extern const char* const kPhotoLibraryDatabasePath;  // "/var/mobile/Media/PhotoData/Photos.sqlite"
extern const char* const kPhotoLibraryDCIMPath;      // "/var/mobile/Media/DCIM/100APPLE"

// A row of the library as the Photos classes see it.
struct PhotoCollectionRecord {
  std::string localIdentifier;
  std::string title;
  bool isCollectionList = false;  // a folder (PHCollectionList) rather than an album
  int type = 0;                   // PHAssetCollectionType or PHCollectionListType
  int subtype = 0;
  std::optional<std::string> parentIdentifier;  // the folder holding it
};

struct PhotoAssetRecord {
  std::string localIdentifier;
  std::string path;  // device path of the picture file
  int pixelWidth = 0;
  int pixelHeight = 0;
  double creationDate = 0;  // seconds since 1970
};

// Reads. Each returns the rows in creation order, at most `limit` of them (0: all).
// Asset collections of one type and subtype (kPHAssetCollectionSubtypeAny matches every subtype).
std::vector<PhotoCollectionRecord> photoLibraryAssetCollections(int type, int subtype, std::size_t limit = 0);
// The user's albums (album, regular subtype) and folders that are in no folder.
std::vector<PhotoCollectionRecord> photoLibraryTopLevelUserCollections(std::size_t limit = 0);
std::vector<PhotoCollectionRecord> photoLibraryCollectionsInList(const std::string& listIdentifier, std::size_t limit = 0);
std::vector<PhotoAssetRecord> photoLibraryAssetsInCollection(const std::string& collectionIdentifier,
                                                             std::size_t limit = 0);
std::vector<PhotoCollectionRecord> photoLibraryAllCollections();
// Every asset of the library, in or out of albums, the most recently created first (the image
// picker's order).
std::vector<PhotoAssetRecord> photoLibraryAllAssetsNewestFirst(std::size_t limit = 0);
std::optional<PhotoCollectionRecord> photoLibraryCollection(const std::string& localIdentifier);

// Writes. Each creates the library when there is none and returns the new local identifier, or
// nothing (with a log line) when it cannot.
std::optional<std::string> photoLibraryCreateAssetCollection(const std::string& title, int type, int subtype,
                                                             const std::optional<std::string>& folder = std::nullopt);
// A user album: album type, regular subtype.
std::optional<std::string> photoLibraryCreateAlbum(const std::string& title,
                                                   const std::optional<std::string>& folder = std::nullopt);
std::optional<std::string> photoLibraryCreateFolder(const std::string& title,
                                                    const std::optional<std::string>& folder = std::nullopt);
// Copies a picture file (device path) into the library as a new asset, in the given albums. Refused
// when the file is not a decodable picture or an album does not exist.
std::optional<std::string> photoLibraryAddPictureFile(const std::string& devicePath,
                                                      const std::vector<std::string>& albums = {});
// The same for picture bytes (JPEG, PNG, HEIC, ... : whatever UIImage decodes); `extension` names
// the file type ("jpg", "heic", ...), and when it is empty the bytes' own format does.
std::optional<std::string> photoLibraryAddPictureData(std::string_view bytes, const std::string& extension,
                                                      const std::vector<std::string>& albums = {});
bool photoLibraryAddAssetToCollection(const std::string& assetIdentifier, const std::string& collectionIdentifier);

// Whether apps may use the photo library: the device setting PhotoLibraryAccess (allowed unless
// it is set to false), so a test or a person can play a user who refused access.
bool photoLibraryAccessAllowed();
// For the Photos classes, which apps call: whether `fetch` may read the library. Under refused
// access it logs one line and the fetch finds nothing, as the phone's fetches do. The functions
// above are the device's own and read the library whatever the setting says.
bool photoLibraryFetchAllowed(const char* fetch);

}  // namespace platform

// Saves the picture as a PNG asset of the camera roll (the smart album "Recents", made when
// missing). The device reports the outcome to a target's selector; the system passes none, so the
// outcome is the return value here (and a log line on failure).
bool UIImageWriteToSavedPhotosAlbum(const std::shared_ptr<UIImage>& image);

// Errors of saving to the camera roll (domain "PHPhotosErrorDomain").
inline constexpr long PHPhotosErrorInvalidResource = 3302;  // no picture, or one that cannot be encoded
inline constexpr long PHPhotosErrorNotEnoughSpace = 3305;   // the disk is full
inline constexpr long PHPhotosErrorAccessUserDenied = 3311; // the device refuses access
inline constexpr long PHPhotosErrorLibraryUnavailable = 3105;  // the library could not be written
// UIImageWriteToSavedPhotosAlbum(image, target, @selector(image:didFinishSavingWithError:contextInfo:), ctx)
// in the form of a completion: the save runs on a background queue and the completion is then
// called on the main queue with nullptr when the camera roll holds the picture, else an error
// whose localizedDescription says why (no access, disk full, ...). Always called exactly once,
// never before this call returns; a failure is also logged.
void UIImageWriteToSavedPhotosAlbum(const std::shared_ptr<UIImage>& image,
                                    std::function<void(std::shared_ptr<NSError> error)> completion);
