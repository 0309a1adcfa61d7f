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
// Atomic: the contents are written to an unnamed file in the same folder, which then takes the
// target's place whole (a named temporary file, renamed over it, where the file system has no
// unnamed files); a process killed midway leaves the old file and nothing else.
bool writeFile(const std::string& path, std::string_view bytes, bool atomically = true);

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
