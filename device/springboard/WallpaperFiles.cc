#include "device/springboard/WallpaperFiles.h"

#include <fmt/format.h>

#include <cstdint>

std::string wallpaperFileName(WallpaperScreen screen, WallpaperAppearance appearance) {
  return fmt::format("{}Background{}.cpbitmap", screen == WallpaperScreen::Lock ? "Lock" : "Home",
                     appearance == WallpaperAppearance::Dark ? "Dark" : "");
}

std::string wallpaperScreenName(WallpaperScreen screen) { return screen == WallpaperScreen::Lock ? "lock" : "home"; }

std::string wallpaperAppearanceName(WallpaperAppearance appearance) {
  return appearance == WallpaperAppearance::Dark ? "dark" : "light";
}

std::vector<WallpaperScreen> screensForLocation(long location) {
  switch (location) {
    case kWallpaperLocationLockScreen: return {WallpaperScreen::Lock};
    case kWallpaperLocationHomeScreen: return {WallpaperScreen::Home};
    case kWallpaperLocationBoth: return {WallpaperScreen::Lock, WallpaperScreen::Home};
    default: return {};
  }
}

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    char c = static_cast<char>(hi * 16 + lo);
    if (c == '\0') return std::nullopt;
    out += c;
    i += 2;
  }
  return out;
}

}  // namespace

std::optional<std::string> pathFromFileURL(std::string_view url) {
  std::string_view rest = url;
  constexpr std::string_view scheme = "file://";
  if (rest.substr(0, scheme.size()) == scheme) {
    rest.remove_prefix(scheme.size());
    // "file://localhost/..." names this machine too; any other host does not.
    if (rest.substr(0, 9) == "localhost") rest.remove_prefix(9);
  }
  if (rest.empty() || rest.front() != '/') return std::nullopt;
  auto path = percentDecoded(rest);
  if (!path) return std::nullopt;
  while (path->size() > 1 && path->back() == '/') path->pop_back();
  return path;
}

std::string directoryURLWithPath(std::string_view path) {
  std::string url = fmt::format("file://{}", path);
  if (url.back() != '/') url += '/';
  return url;
}

std::string contentHash(std::string_view bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  return fmt::format("{:016x}", h);
}

std::string pictureHash(const platform::Bitmap& bitmap) {
  return contentHash(std::string_view(reinterpret_cast<const char*>(bitmap.rgba.data()), bitmap.rgba.size()));
}
