#pragma once
// The dynamic loader's view of the process: opening a library by its device path, dladdr and the
// list of loaded images.
//
// Each loaded ELF image is presented with a Mach-O header of its own, so that code walking an
// image's load commands finds what it would find on the device: the machine's CPU type and
// subtype, and one LC_UUID command holding the first 16 bytes of the image's GNU build-id (no
// command when the image has no build-id). The main program is named by its full path, both here
// and by dladdr, so that the two can be compared and the file opened from any working folder.
#include <dlfcn.h>

#include <cstdint>
#include <string_view>

#include "platform/symbolication/MachO.h"

namespace platform {

// ::dlopen of the library at a device path ("/Library/MobileSubstrate/DynamicLibraries/x.dylib"),
// wherever the device keeps its files. Null, with the reason in ::dlerror(), when it cannot be
// loaded. A relative path is taken from the device's "/", as everywhere; never the main program.
void* dlopen(std::string_view devicePath, int mode);

// ::dladdr, with the main program's name replaced by its full path.
int dladdr(const void* address, Dl_info* info);

// The loaded images, in load order (the main program first). An index past the end yields null.
// The list can change between calls when another thread loads or unloads a library.
std::uint32_t _dyld_image_count();
const char* _dyld_get_image_name(std::uint32_t index);
const mach_header* _dyld_get_image_header(std::uint32_t index);

}  // namespace platform
