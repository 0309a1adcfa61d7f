// Build step: draws the pane's pictures into its bundle folder.
//   draw-pane-icons FOLDER
#include <filesystem>
#include <string>

#include <fmt/format.h>

#include "device/package/PaneIcons.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fmt::print(stderr, "usage: draw-pane-icons FOLDER\n");
    return 2;
  }
  std::filesystem::path folder(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    fmt::print(stderr, "draw-pane-icons: cannot create {}: {}\n", folder.string(), ec.message());
    return 1;
  }
  std::string error;
  if (!drawBannerIcon((folder / "icon-large.png").string(), 400, &error) ||
      !drawPlusSign((folder / "plus.png").string(), 120, &error)) {
    fmt::print(stderr, "draw-pane-icons: {}\n", error);
    return 1;
  }
  return 0;
}
