// Calls open through its own import slot; loaded twice, once hooked and once behind the hook's back.
#include <fcntl.h>
#include <unistd.h>

int openAndClose(const char* path) {
  int fd = open(path, O_RDONLY);
  if (fd >= 0) close(fd);
  return fd;
}
