# Writes a C++ source that holds the page's files as byte arrays, with findWebAsset over them.
# Run as: cmake -DOUTPUT=<file.cc> -DASSETS="a|b|c" -P EmbedAssets.cmake (a build command would split
# a list at its semicolons).
string(REPLACE "|" ";" ASSETS "${ASSETS}")
set(entries "")
set(arrays "")
set(index 0)
foreach(asset IN LISTS ASSETS)
  get_filename_component(name "${asset}" NAME)
  get_filename_component(ext "${asset}" EXT)
  if(ext STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(ext STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(ext STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  elseif(ext STREQUAL ".svg")
    set(type "image/svg+xml")
  else()
    message(FATAL_ERROR "no content type for ${asset}")
  endif()
  file(READ "${asset}" hex HEX)
  file(SIZE "${asset}" size)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char kAsset${index}[] = {${bytes} 0};\n")
  string(APPEND entries "    {\"/${name}\", \"${type}\", std::string_view(reinterpret_cast<const char*>(kAsset${index}), ${size})},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Made by EmbedAssets.cmake from device/launcher/web/assets; edit those files instead.
#include \"device/launcher/web/WebAssets.h\"

namespace {
${arrays}
const WebAsset kAssets[] = {
${entries}};
}  // namespace

const WebAsset* findWebAsset(std::string_view path) {
  for (const WebAsset& asset : kAssets)
    if (asset.path == path) return &asset;
  return nullptr;
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
