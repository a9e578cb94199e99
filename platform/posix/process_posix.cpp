// The process's standard descriptors on POSIX.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"

void PlatformOpenStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is this one: the ones below are open by now.
    const int null = open("/dev/null", O_RDWR | O_NOCTTY);
    if (null < 0) {
      // Without a null device the number would stay free for the next file
      // opened; nothing may run that way, and there is no sure place to say
      // so.
      _exit(1);
    }
    if (null != fd) {
      dup2(null, fd);
      close(null);
    }
  }
}
