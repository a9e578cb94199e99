// What stands behind a port number that would not open, and the serial
// devices that exist: from the kernel's tty class in /sys, the device nodes
// in /dev and the stable names in /dev/serial/by-id.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace {

// Copies src, cut short to fit.
void Copy(char* dst, std::size_t size, const char* src) {
  std::size_t i = 0;
  for (; i + 1 < size && src[i]; ++i)
    dst[i] = src[i];
  dst[i] = '\0';
}

bool Exists(const char* path) {
  struct stat st {};
  return stat(path, &st) == 0;
}

const char* BaseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// "ttyUSB10" after "ttyUSB9": runs of digits compare by their value.
int NaturalCompare(const char* a, const char* b) {
  while (*a && *b) {
    const bool da = *a >= '0' && *a <= '9';
    const bool db = *b >= '0' && *b <= '9';
    if (da && db) {
      while (*a == '0' && a[1] >= '0' && a[1] <= '9')
        ++a;
      while (*b == '0' && b[1] >= '0' && b[1] <= '9')
        ++b;
      std::size_t la = 0, lb = 0;
      while (a[la] >= '0' && a[la] <= '9')
        ++la;
      while (b[lb] >= '0' && b[lb] <= '9')
        ++lb;
      if (la != lb) return la < lb ? -1 : 1;
      const int c = std::strncmp(a, b, la);
      if (c) return c;
      a += la;
      b += lb;
      continue;
    }
    if (*a != *b) return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*b) ? -1 : 1;
    ++a;
    ++b;
  }
  return *a ? 1 : (*b ? -1 : 0);
}

// A device being gathered, with its resolved path for matching links to it.
struct Candidate {
  SerialDeviceEntry entry;
  char real[PATH_MAX];
};

// The devices found so far: the first kMaxCandidates of them, and how many
// there are in all.
struct Found {
  static constexpr std::size_t kMaxCandidates = 128;
  std::vector<Candidate> list;
  std::int32_t total = 0;

  Candidate* FindReal(const char* real) {
    for (Candidate& c : list) {
      if (std::strcmp(c.real, real) == 0) return &c;
    }
    return nullptr;
  }

  void Add(const char* name, const char* real, std::int32_t port) {
    ++total;
    if (list.size() == kMaxCandidates) return;
    Candidate& c = list.emplace_back();
    Copy(c.entry.name, sizeof c.entry.name, name);
    Copy(c.real, sizeof c.real, real);
    c.entry.port = port;
  }
};

// The UART type the kernel reports for a tty; -1 when it reports none.
int UartType(const char* sys_tty, const char* name) {
  char path[PATH_MAX];
  const int len = std::snprintf(path, sizeof path, "%s/%s/type", sys_tty, name);
  if (len < 0 || len >= static_cast<int>(sizeof path)) return -1;  // never a cut-short path
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char buf[16] = {};
  const ssize_t n = read(fd, buf, sizeof buf - 1);
  close(fd);
  return n > 0 ? std::atoi(buf) : -1;
}

// Port N for ttyS(N-1), the naming without a port directory.
std::int32_t SystemPortOf(const char* name) {
  if (std::strncmp(name, "ttyS", 4) != 0 || !name[4]) return 0;
  for (const char* p = name + 4; *p; ++p) {
    if (*p < '0' || *p > '9') return 0;
  }
  const long n = std::strtol(name + 4, nullptr, 10) + 1;
  return n >= 1 && n <= 256 ? static_cast<std::int32_t>(n) : 0;
}

// comN with N in 1..256; 0 otherwise.
std::int32_t PortOfLinkName(const char* name) {
  if (std::strncmp(name, "com", 3) != 0 || !name[3]) return 0;
  for (const char* p = name + 3; *p; ++p) {
    if (*p < '0' || *p > '9') return 0;
  }
  const long n = std::strtol(name + 3, nullptr, 10);
  return n >= 1 && n <= 256 ? static_cast<std::int32_t>(n) : 0;
}

void GatherClassDevices(const char* sys_tty, const char* dev, bool system_naming, Found* found) {
  DIR* dir = opendir(sys_tty);
  if (!dir) return;
  while (const dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    char path[PATH_MAX];
    // Virtual terminals, the console and the pseudo-terminal multiplexer
    // have no device behind them.
    std::snprintf(path, sizeof path, "%s/%s/device", sys_tty, e->d_name);
    struct stat st {};
    if (lstat(path, &st) != 0) continue;
    // A UART slot with no UART answering (type 0, "unknown").
    if (UartType(sys_tty, e->d_name) == 0) continue;
    std::snprintf(path, sizeof path, "%s/%s", dev, e->d_name);
    char real[PATH_MAX];
    if (!realpath(path, real) || found->FindReal(real)) continue;
    found->Add(path, real, system_naming ? SystemPortOf(e->d_name) : 0);
  }
  closedir(dir);
}

// A pseudo-terminal, or a character device of the kernel's tty class.
bool IsTerminalDevice(const struct stat& st) {
  if (!S_ISCHR(st.st_mode)) return false;
  const unsigned major_number = major(st.st_rdev);
  constexpr unsigned kFirstPtyMajor = 136, kLastPtyMajor = 143;  // /dev/pts/N
  if (major_number >= kFirstPtyMajor && major_number <= kLastPtyMajor) return true;
  char path[PATH_MAX];
  std::snprintf(path, sizeof path, "/sys/dev/char/%u:%u/subsystem", major_number,
                static_cast<unsigned>(minor(st.st_rdev)));
  char real[PATH_MAX];
  return realpath(path, real) && std::strcmp(BaseName(real), "tty") == 0;
}

// The comN links of the port directory: they give listed devices their port
// numbers, and list the terminal devices they lead to that are not listed
// yet (a pseudo-terminal, a device the kernel does not class as serial).
void GatherPortDir(const char* port_dir, Found* found) {
  DIR* dir = opendir(port_dir);
  if (!dir) return;
  while (const dirent* e = readdir(dir)) {
    const std::int32_t port = PortOfLinkName(e->d_name);
    if (!port) continue;
    char path[PATH_MAX];
    std::snprintf(path, sizeof path, "%s/%s", port_dir, e->d_name);
    char real[PATH_MAX];
    struct stat st {};
    if (!realpath(path, real) || stat(real, &st) != 0) continue;
    if (Candidate* c = found->FindReal(real)) {
      if (!c->entry.port || port < c->entry.port) c->entry.port = port;
      continue;
    }
    if (IsTerminalDevice(st)) found->Add(real, real, port);
  }
  closedir(dir);
}

// Stable names: the first, in natural order, of the links leading to each.
void GatherAliases(const char* by_id, Found* found) {
  DIR* dir = opendir(by_id);
  if (!dir) return;
  while (const dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    char path[PATH_MAX];
    std::snprintf(path, sizeof path, "%s/%s", by_id, e->d_name);
    char real[PATH_MAX];
    if (!realpath(path, real)) continue;
    Candidate* c = found->FindReal(real);
    if (!c) continue;
    if (!c->entry.alias[0] || NaturalCompare(path, c->entry.alias) < 0)
      Copy(c->entry.alias, sizeof c->entry.alias, path);
  }
  closedir(dir);
}

PortProblem ProblemOf(std::int32_t error, const char* device) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return PortProblem::kMissing;
    case ENXIO:
    case ENODEV:
      return PortProblem::kNoHardware;
    case EIO: {
      // A UART slot without a UART behind it refuses to open this way.
      char real[PATH_MAX];
      if (realpath(device, real) && UartType("/sys/class/tty", BaseName(real)) == 0)
        return PortProblem::kNoHardware;
      return PortProblem::kUnknown;
    }
    case kErrPortBusy:
      return PortProblem::kBusy;
    case EBUSY:
    case kErrPortMarked:
    case kErrPortMarkedUnlocked:
      return PortProblem::kMarked;
    case EACCES:
    case EPERM:
      return PortProblem::kNoAccess;
    case kErrNotATerminal:
    case kErrPtyMaster:
    case kErrOwnTerminal:
      return PortProblem::kNotSerial;
    case ELOOP:
      return PortProblem::kLinkLoop;
    default:
      return PortProblem::kUnknown;
  }
}

}  // namespace

void PosixListSerialDevices(const char* sys_tty, const char* dev, const char* by_id,
                            const char* port_dir, PortDescription* d) {
  Found found;
  GatherClassDevices(sys_tty, dev, port_dir == nullptr, &found);
  if (port_dir) GatherPortDir(port_dir, &found);
  if (by_id) GatherAliases(by_id, &found);
  std::stable_sort(found.list.begin(), found.list.end(),
                   [](const Candidate& a, const Candidate& b) {
                     return NaturalCompare(a.entry.name, b.entry.name) < 0;
                   });
  d->count = found.total;
  for (std::size_t i = 0; i < found.list.size() && i < kMaxListedDevices; ++i)
    d->devices[i] = found.list[i].entry;
}

// The port number adds nothing here: the path is what it stands for.
void SerialDescribePort(std::int32_t /*port*/, const std::string& path, std::int32_t error,
                        PortDescription* d) {
  *d = PortDescription{};
  const char* dir = std::getenv("PADLINK_PORT_DIR");
  const bool use_dir = dir && *dir;
  d->naming = use_dir ? PortNaming::kPortDir : PortNaming::kSystem;
  if (!path.empty()) {
    Copy(d->device, sizeof d->device, path.c_str());
    if (const std::optional<std::string> target = PlatformReadLink(path))
      Copy(d->target, sizeof d->target, target->c_str());
    d->problem = ProblemOf(error, d->device);
    // The port directory is a file: no link can be made in it.
    struct stat dir_st {};
    if (use_dir && error == ENOTDIR && stat(dir, &dir_st) == 0 && !S_ISDIR(dir_st.st_mode))
      d->problem = PortProblem::kNoPortDir;
    // A link in the port directory that leads nowhere.
    if (d->problem == PortProblem::kUnknown && d->target[0] && !Exists(d->device))
      d->problem = PortProblem::kMissing;
    if (d->problem == PortProblem::kNoAccess) {
      // Named only when its members may read and write the device, so that
      // joining it would help.
      struct stat st {};
      constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
      if (stat(d->device, &st) == 0 && (st.st_mode & kGroupReadWrite) == kGroupReadWrite) {
        if (const group* g = getgrgid(st.st_gid)) Copy(d->group, sizeof d->group, g->gr_name);
      }
    }
  }
  PosixListSerialDevices("/sys/class/tty", "/dev", "/dev/serial/by-id", use_dir ? dir : nullptr, d);
}
