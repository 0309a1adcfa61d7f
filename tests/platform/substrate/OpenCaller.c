// A library that calls open through its own import slot, built three ways by the tests.
#include <fcntl.h>

int openThroughLibrary(const char* path, int flags, int mode) { return open(path, flags, mode); }
