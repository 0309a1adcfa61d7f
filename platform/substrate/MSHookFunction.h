#pragma once
#include <fcntl.h>
// MSHookFunction: replaces a C function for every caller in the process that reaches it through an
// import slot, and hands back the previous function so the replacement can call through.
//
// ELF images call an imported function through a slot of their global offset table; rebinding
// those slots by the imported name reroutes every such call. Calls that never pass through a slot
// are not rerouted: calls inside the library that defines the function, and calls made through a
// pointer taken before the hook.
//
// Images loaded after a hook (dlopen) receive it too: the first hook also reroutes `dlopen`, which
// rebinds the newly loaded image before returning it. Code that runs inside dlopen itself (the new
// library's constructors) still reaches the previous function. Because the loader sees this library
// as dlopen's caller, a bare file name (no slash) is searched with this library's run path.
//
// Hooking the same function again chains: the new replacement's previous function is the first
// replacement. Hooks stay in place until the process exits.

// `symbol`: the function to replace (its alias names, such as `open` and `open64`, are the same
// function and are all rebound). `replacement`: the new function, with the same signature.
// `previous`, when not null, receives the function the slots led to before. A null symbol or
// replacement, or a symbol that lies in no loaded image, installs nothing and leaves `*previous`
// as it was.
void MSHookFunction(void* symbol, void* replacement, void** previous);

namespace platform {

// For a replacement of `open`, which must pass the caller's mode on: whether a call with these
// flags carries the third, mode, argument. Every flag that may create a file does: O_CREAT, and on
// this C library O_TMPFILE (whose bits include O_DIRECTORY, which alone takes no mode).
inline bool openTakesMode(int flags) {
#ifdef O_TMPFILE
  if ((flags & O_TMPFILE) == O_TMPFILE) return true;
#endif
  return (flags & O_CREAT) != 0;
}

}  // namespace platform
