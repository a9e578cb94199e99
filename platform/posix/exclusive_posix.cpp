// Exclusive use of a serial device: the lock that cooperating programs take,
// the kernel's exclusive-use mark, and what a refusal with EBUSY means.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(__linux__)
#include <sys/sysmacros.h>
#endif

#include "platform/posix/posix_internal.h"
#include "platform/posix/terminal_device.h"

namespace {

// The marked devices, for PosixSerialReleaseAll, which a fatal-signal
// handler calls: each slot holds a descriptor plus one, 0 when it is free.
// Lock-free atomics are safe to read in a signal handler.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> g_marked[terminal::kMaxMarked];

enum class Holder { kNone, kSome, kUnknown };

#if defined(__linux__)
// Whether the lock-table line names a lock on the file (device, inode). The
// file appears as "MAJ:MIN:INODE", the first two in hex.
bool LockLineNames(const char* line, dev_t dev, ino_t ino) {
  for (const char* p = line; *p;) {
    while (*p == ' ')
      ++p;
    const char* end = p;
    while (*end && *end != ' ')
      ++end;
    unsigned int maj = 0, min = 0;
    unsigned long long inode = 0;
    int used = 0;
    if (std::sscanf(p, "%x:%x:%llu%n", &maj, &min, &inode, &used) == 3 && p + used == end) {
      return maj == major(dev) && min == minor(dev) &&
             inode == static_cast<unsigned long long>(ino);
    }
    p = end;
  }
  return false;
}
#endif

// Whether any process holds a lock (whole-file or record) on the file. Linux
// lists the locks of the system in /proc/locks; elsewhere it is unknown.
Holder LockHolder(const struct stat& file) {
#if defined(__linux__)
  const int fd = open("/proc/locks", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Holder::kUnknown;
  char buf[4096];
  std::size_t have = 0;
  bool found = false;
  for (;;) {
    const ssize_t n = read(fd, buf + have, sizeof buf - 1 - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return Holder::kUnknown;
    }
    have += static_cast<std::size_t>(n);
    buf[have] = '\0';
    char* start = buf;
    for (char* nl; (nl = std::strchr(start, '\n')) != nullptr; start = nl + 1) {
      *nl = '\0';
      found = found || LockLineNames(start, file.st_dev, file.st_ino);
    }
    if (n == 0) {
      found = found || LockLineNames(start, file.st_dev, file.st_ino);
      break;
    }
    have = static_cast<std::size_t>(buf + have - start);
    std::memmove(buf, start, have);
    if (have == sizeof buf - 1) have = 0;  // no lock line is that long
  }
  close(fd);
  return found ? Holder::kSome : Holder::kNone;
#else
  (void)file;
  return Holder::kUnknown;
#endif
}

}  // namespace

namespace terminal {

int Lock(int fd) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
  return errno == EWOULDBLOCK ? kErrPortBusy : errno;
}

// The device refused because it is marked for exclusive use (TIOCEXCL).
// That mark outlives a program that dies without clearing it while
// something else keeps the device alive (the other end of a
// pseudo-terminal), so only a lock held by a live process shows that another
// program is using the port.
int BusyReason(const char* path) {
  struct stat st {};
  if (stat(path, &st) != 0) return kErrPortMarked;
  switch (LockHolder(st)) {
    case Holder::kSome:
      return kErrPortBusy;
    case Holder::kNone:
      return kErrPortMarkedUnlocked;
    default:
      return kErrPortMarked;
  }
}

bool Mark(int fd) {
  for (std::atomic<int>& slot : g_marked) {
    int free = 0;
    if (slot.compare_exchange_strong(free, fd + 1)) {
      ioctl(fd, TIOCEXCL);  // a device that cannot be marked still has the lock
      return true;
    }
  }
  return false;
}

void Unmark(int fd) {
  ioctl(fd, TIOCNXCL);
  for (std::atomic<int>& slot : g_marked) {
    int mine = fd + 1;
    if (slot.compare_exchange_strong(mine, 0)) return;
  }
}

}  // namespace terminal

void PosixSerialReleaseAll() {
  terminal::GiveBackAllLowLatency();
  for (const std::atomic<int>& slot : g_marked) {
    const int fd = slot.load() - 1;
    if (fd >= 0) ioctl(fd, TIOCNXCL);
  }
}
