#pragma once
// NSFileManager and NSString path helpers over the device root. All paths are device paths.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

bool fileExistsAtPath(const std::string& path, bool* isDirectory = nullptr);
bool directoryExistsAtPath(const std::string& path);
// fileExistsAtPath about the item itself, as attributesOfItemAtPath: sees it: a symbolic link is
// an item of its own (not a directory), whatever its target is and whether that exists.
bool itemExistsAtPath(const std::string& path, bool* isDirectory = nullptr);
// Names only, not recursive, hidden files included, "." and ".." excluded, sorted by name so that
// a listing is stable. Nothing when the path is not a readable folder.
std::optional<std::vector<std::string>> contentsOfDirectoryAtPath(const std::string& path);
bool createDirectoryAtPath(const std::string& path, bool withIntermediateDirectories = true);
// Removes a file, or a folder with everything in it. errno is left as the failure set it.
bool removeItemAtPath(const std::string& path);
bool moveItemAtPath(const std::string& from, const std::string& to);
bool copyItemAtPath(const std::string& from, const std::string& to);
// Content modification date in seconds since 1970 (sub-second precision kept).
std::optional<double> contentModificationDate(const std::string& path);
bool setContentModificationDate(const std::string& path, double secondsSince1970);

// The whole content of a regular file; nothing for anything else (a folder, a FIFO, a device)
// and for a file larger than maxBytes.
inline constexpr std::size_t kMaxReadFileBytes = std::size_t{256} << 20;
std::optional<std::string> readFile(const std::string& path);
std::optional<std::string> readFile(const std::string& path, std::size_t maxBytes);
// Atomic: the contents are written to an UnnamedFile in the same folder, which then takes the
// target's place whole; a process killed midway leaves the old file and nothing else.
bool writeFile(const std::string& path, std::string_view bytes, bool atomically = true);

// A file made in a folder without a name, written through its descriptor and then given one or
// more names. Each name takes its place atomically: the old file under it stays whole until the
// new one replaces it, and a process killed before the file has a name leaves nothing behind,
// where a named temporary file would stay in the folder for good (nothing else removes it).
// Where the file system makes no unnamed files, a hidden temporary name in the folder stands in,
// and goes with this object. Move-only; closes the file when it goes.
class UnnamedFile {
 public:
  // Nothing, errno set, when the folder (a device path) cannot take a file.
  static std::optional<UnnamedFile> create(const std::string& folder);

  int descriptor() const { return fd_; }
  // The folder on this machine the file lies in.
  const std::string& hostFolder() const { return hostFolder_; }
  // Gives the file the name `path` (a device path), replacing what was there. False, errno set and
  // the old file left as it was, when it cannot: in another file system (EXDEV), for one.
  bool publish(const std::string& path);

  UnnamedFile(UnnamedFile&& other) noexcept;
  UnnamedFile& operator=(UnnamedFile&& other) noexcept;
  UnnamedFile(const UnnamedFile&) = delete;
  UnnamedFile& operator=(const UnnamedFile&) = delete;
  ~UnnamedFile();

 private:
  UnnamedFile(int fd, std::string hostFolder, std::string namedTemp);
  void release();

  int fd_ = -1;
  std::string hostFolder_;
  // Where the file system has no unnamed files: the hidden name the file was made under.
  std::string namedTemp_;
};

// NSString path helpers.
std::string lastPathComponent(std::string_view path);
std::string stringByAppendingPathComponent(std::string_view path, std::string_view component);
std::string stringByDeletingLastPathComponent(std::string_view path);
std::string pathExtension(std::string_view path);
// stringByResolvingSymlinksInPath with stringByStandardizingPath: an absolute device path with ".",
// ".." and every symbolic link along it resolved as the device sees them (a link's absolute target
// is a device path; ".." never climbs above "/"). Parts that do not exist are kept as written.
// Empty for a relative path, or for links that loop.
std::string stringByResolvingSymlinksInPath(std::string_view path);

}  // namespace platform
