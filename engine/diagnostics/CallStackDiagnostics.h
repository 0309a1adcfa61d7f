#pragma once
// Call-stack diagnostics: call-stack lines whose frames carry the symbol names the image files
// know (static functions included), and a log of the current thread's stack. Meant for occasional
// use: every frame costs two walks of the loaded-image list and a read of the image's symbols.
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/NSException.h"

// Exported under their own names, as the wallpaper functions are, so that a debugging session or a
// companion library finds them by name in the loaded engine. Their callers are C++ and know these
// signatures; only the names are C's. Clang warns on a C++ result under C linkage, and no other
// spelling keeps both the names and the results, so the warning is off for these four alone.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif
extern "C" {

// The name of the function containing a code address; nothing when the address lies in no loaded
// image, the image has no UUID, or its file does not name the address.
std::optional<std::string> nameForSymbol(const void* address);

// A copy of `lines` in which every line whose address (same index) has a name ends with that name
// instead of its last three pieces ("<symbol> + <offset>"). Lines without a name, lines of fewer
// than three pieces, and lines beyond the addresses stay as they are.
std::vector<std::string> symbolicatedStackSymbols(const std::vector<std::string>& lines,
                                                  const std::vector<void*>& addresses);

// An exception's call stack, its lines symbolicated as above from its return addresses.
std::vector<std::string> symbolicatedCallStack(const platform::NSException& exception);

// Logs the current thread's call stack, one "[<tag>] : <line>" per frame, innermost first.
void PrintCallStack(const std::string& tag);
}
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
