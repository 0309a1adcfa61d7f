#pragma once
// The page's files (HTML, CSS, plain JavaScript), built into the launcher from
// device/launcher/web/assets so that the page needs nothing beside the one program.
#include <string_view>

struct WebAsset {
  std::string_view path;  // "/index.html"
  std::string_view contentType;
  std::string_view bytes;
};

// The asset at a URL path; nullptr when there is none.
const WebAsset* findWebAsset(std::string_view path);
