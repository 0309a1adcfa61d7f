# Lays out the package's file tree and builds the Debian package from it. Run at build time:
#   cmake -DSTAGE=... -DOUTPUT=... -DCONTROL=... -DENGINE=... -DFILTER=... -DBUNDLE_DIR=...
#         [-DPANE_LIBRARY=... -DLOADER_ENTRY=...] [-DPREFIX=var/jb] -DSTRIP=... -DDPKG_DEB=...
#         -P StagePackage.cmake
# PREFIX is the folder, relative to the phone's "/", that holds every file of the package on a
# rootless phone; empty for a rootful one. The binaries are shipped stripped (their debug
# information stays in the build), compressed with xz, which every bootstrap's dpkg reads.
# The tree is rebuilt from nothing each time, so a file dropped from the package leaves it.
cmake_minimum_required(VERSION 3.25)

foreach(required STAGE OUTPUT CONTROL ENGINE FILTER BUNDLE_DIR STRIP DPKG_DEB)
  if(NOT DEFINED ${required} OR "${${required}}" STREQUAL "")
    message(FATAL_ERROR "StagePackage: ${required} is not given")
  endif()
endforeach()

if(DEFINED PREFIX AND NOT PREFIX STREQUAL "")
  set(files "${STAGE}/${PREFIX}")
else()
  set(files "${STAGE}")
endif()
set(substrate "${files}/Library/MobileSubstrate/DynamicLibraries")
set(bundle "${files}/Library/PreferenceBundles/TovalunePrefs.bundle")
set(loader "${files}/Library/PreferenceLoader/Preferences")

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}/DEBIAN" "${substrate}" "${bundle}")

function(stage_file source target mode)
  if(NOT EXISTS "${source}")
    message(FATAL_ERROR "StagePackage: ${source} is missing")
  endif()
  file(COPY_FILE "${source}" "${target}")
  file(CHMOD "${target}" FILE_PERMISSIONS ${mode})
endfunction()

# A binary as shipped: without its symbol table and debug sections; what the dynamic loader needs stays.
function(stage_binary source target)
  stage_file("${source}" "${target}" "${executable}")
  execute_process(COMMAND "${STRIP}" --strip-unneeded "${target}" RESULT_VARIABLE result ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "StagePackage: cannot strip ${target}: ${err}")
  endif()
endfunction()

set(executable OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(data OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

stage_binary("${ENGINE}" "${substrate}/Tovalune.dylib")
stage_file("${FILTER}" "${substrate}/Tovalune.plist" "${data}")

# The pane's bundle folder as the build leaves it (its resources and our icons), then its
# shared object under the bundle's executable name.
file(GLOB bundle_files LIST_DIRECTORIES false "${BUNDLE_DIR}/*")
foreach(source ${bundle_files})
  get_filename_component(name "${source}" NAME)
  if(name STREQUAL "TovalunePrefs")
    continue()  # the module of the build's own layout; the package's comes from PANE_LIBRARY
  endif()
  stage_file("${source}" "${bundle}/${name}" "${data}")
endforeach()
foreach(icon icon-large.png plus.png)
  if(NOT EXISTS "${bundle}/${icon}")
    message(FATAL_ERROR "StagePackage: ${BUNDLE_DIR}/${icon} is missing")
  endif()
endforeach()
if(DEFINED PANE_LIBRARY AND NOT PANE_LIBRARY STREQUAL "")
  stage_binary("${PANE_LIBRARY}" "${bundle}/TovalunePrefs")
  file(MAKE_DIRECTORY "${loader}")
  stage_file("${LOADER_ENTRY}" "${loader}/TovalunePrefs.plist" "${data}")
endif()

# Installed-Size (KiB, each file rounded up as the package tools count it) and the checksums
# that dpkg keeps for the installed files.
file(GLOB_RECURSE payload LIST_DIRECTORIES false RELATIVE "${STAGE}" "${STAGE}/*")
list(FILTER payload EXCLUDE REGEX "^DEBIAN/")
list(SORT payload)
set(kib 0)
set(md5sums "")
foreach(relative ${payload})
  file(SIZE "${STAGE}/${relative}" bytes)
  math(EXPR kib "${kib} + (${bytes} + 1023) / 1024")
  file(MD5 "${STAGE}/${relative}" md5)
  string(APPEND md5sums "${md5}  ${relative}\n")
endforeach()

file(READ "${CONTROL}" control)
string(REGEX REPLACE "\nDescription:" "\nInstalled-Size: ${kib}\nDescription:" control "${control}")
file(WRITE "${STAGE}/DEBIAN/control" "${control}")
file(WRITE "${STAGE}/DEBIAN/md5sums" "${md5sums}")
file(CHMOD "${STAGE}/DEBIAN/control" "${STAGE}/DEBIAN/md5sums" FILE_PERMISSIONS ${data})
# Folders as a device has them, whatever the builder's umask (dpkg-deb also insists on it for DEBIAN).
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${STAGE}/*")
foreach(entry "${STAGE}" ${entries})
  if(IS_DIRECTORY "${entry}")
    file(CHMOD "${entry}" PERMISSIONS ${executable})
  endif()
endforeach()

execute_process(COMMAND "${DPKG_DEB}" --root-owner-group -Zxz --build "${STAGE}" "${OUTPUT}"
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "StagePackage: dpkg-deb could not build ${OUTPUT}:\n${out}${err}")
endif()
