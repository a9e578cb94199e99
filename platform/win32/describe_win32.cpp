// What stands behind a port number that would not open, and the COM ports the
// system lists (the SERIALCOMM device map, which every serial driver fills).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

PortProblem ProblemOf(std::int32_t error) {
  switch (static_cast<DWORD>(error)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return PortProblem::kMissing;
    // A COM port opened by another program refuses every other open.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return PortProblem::kBusy;
    default:
      return PortProblem::kUnknown;
  }
}

// The number of a "COMn" name, 0 for any other name.
std::int32_t ComNumber(const char* name) {
  if (_strnicmp(name, "COM", 3) != 0 || !name[3]) return 0;
  for (const char* p = name + 3; *p; ++p) {
    if (*p < '0' || *p > '9') return 0;
  }
  const long n = std::strtol(name + 3, nullptr, 10);
  return n > 0 && n < 100000 ? static_cast<std::int32_t>(n) : 0;
}

// The name a user writes for a device path: \\.\COM5 is COM5.
const char* UserName(const std::string& path) {
  constexpr char kDevicePrefix[] = "\\\\.\\";
  const std::size_t prefix = sizeof kDevicePrefix - 1;
  return path.compare(0, prefix, kDevicePrefix) == 0 ? path.c_str() + prefix : path.c_str();
}

void ListComPorts(PortDescription* d) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return;
  // Numbers in ascending order, each once.
  std::int32_t numbers[kMaxListedDevices];
  std::int32_t listed = 0;
  for (DWORD i = 0;; ++i) {
    char value_name[256];
    DWORD value_name_len = sizeof value_name;
    char data[64] = {};
    DWORD data_len = sizeof data - 1;
    DWORD type = 0;
    const LONG r = RegEnumValueA(key, i, value_name, &value_name_len, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data), &data_len);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;
    data[data_len < sizeof data ? data_len : sizeof data - 1] = '\0';
    const std::int32_t n = ComNumber(data);
    if (!n) continue;
    bool seen = false;
    for (std::int32_t k = 0; k < listed; ++k)
      seen = seen || numbers[k] == n;
    if (seen) continue;
    ++d->count;
    if (listed == kMaxListedDevices) {
      // Keep the lowest numbers.
      std::int32_t highest = 0;
      for (std::int32_t k = 1; k < listed; ++k)
        if (numbers[k] > numbers[highest]) highest = k;
      if (n < numbers[highest]) numbers[highest] = n;
      continue;
    }
    numbers[listed++] = n;
  }
  RegCloseKey(key);
  for (std::int32_t i = 1; i < listed; ++i) {
    const std::int32_t n = numbers[i];
    std::int32_t j = i;
    for (; j > 0 && numbers[j - 1] > n; --j)
      numbers[j] = numbers[j - 1];
    numbers[j] = n;
  }
  for (std::int32_t i = 0; i < listed; ++i) {
    SerialDeviceEntry& e = d->devices[i];
    std::snprintf(e.name, sizeof e.name, "COM%d", static_cast<int>(numbers[i]));
    e.port = numbers[i];
  }
}

}  // namespace

// Windows keeps no links to devices: the target stays empty.
void SerialDescribePort(std::int32_t, const std::string& path, std::int32_t error,
                        PortDescription* d) {
  *d = PortDescription{};
  d->naming = PortNaming::kComNames;
  if (!path.empty()) {
    std::snprintf(d->device, sizeof d->device, "%s", UserName(path));
    d->problem = ProblemOf(error);
  }
  ListComPorts(d);
}
