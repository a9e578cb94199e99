#include "app/port_hint.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <memory>
#include <variant>

#include "serial/com.h"
#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/port_url.h"

namespace {

// Appends formatted text to a bounded, always terminated buffer.
struct Text {
  char* buf;
  std::int32_t size;
  std::int32_t len;
};

void Add(Text* t, const char* format, ...) __attribute__((format(printf, 2, 3)));

void Add(Text* t, const char* format, ...) {
  if (t->len >= t->size - 1) return;
  va_list ap;
  va_start(ap, format);
  const int n =
      std::vsnprintf(t->buf + t->len, static_cast<std::size_t>(t->size - t->len), format, ap);
  va_end(ap);
  if (n < 0) return;
  t->len = n < t->size - t->len ? t->len + n : t->size - 1;
}

void AddProblem(Text* t, const PortDescription& d) {
  switch (d.problem) {
    case PortProblem::kMissing:
      Add(t, ", which does not exist");
      break;
    case PortProblem::kNoHardware:
      Add(t, ", which has no serial hardware behind it");
      break;
    case PortProblem::kNotSerial:
      Add(t, ", which is not a serial device");
      break;
    case PortProblem::kBusy:
      Add(t, ", which another program is using");
      break;
    case PortProblem::kMarked:
      Add(t, ", which is marked for exclusive use");
      break;
    case PortProblem::kNoAccess:
      if (d.group[0])
        Add(t, ", which belongs to group %s", d.group);
      else
        Add(t, ", which you may not open");
      break;
    case PortProblem::kLinkLoop:
      Add(t, ", a link that leads back to itself");
      break;
    case PortProblem::kNoPortDir:
      Add(t, ", but PADLINK_PORT_DIR names no directory");
      break;
    case PortProblem::kUnknown:
      break;
  }
}

void AddDevices(Text* t, const PortDescription& d) {
  if (d.count <= 0) {
    Add(t, "; no serial devices found here");
    return;
  }
  const std::int32_t listed = d.count < kMaxListedDevices ? d.count : kMaxListedDevices;
  Add(t, "; serial devices here: ");
  for (std::int32_t i = 0; i < listed; ++i) {
    const SerialDeviceEntry& e = d.devices[i];
    Add(t, "%s%s", i ? ", " : "", e.name);
    if (e.alias[0]) Add(t, " (%s)", e.alias);
    // A COM name is its own port number.
    if (e.port > 0 && d.naming != PortNaming::kComNames) Add(t, " as port %d", e.port);
  }
  if (d.count > listed) Add(t, ", and %d more", d.count - listed);
}

void AddAdvice(Text* t, bool port_in_range, const PortDescription& d) {
  if (d.problem == PortProblem::kNoAccess) {
    if (d.group[0])
      Add(t, "; add your user to group %s (sudo usermod -aG %s $USER) and log in again", d.group,
          d.group);
    else
      Add(t, "; ask for read and write access to %s", d.target[0] ? d.target : d.device);
    return;
  }
  if (d.problem == PortProblem::kBusy) {
    Add(t, "; end the other program, or choose another port");
    return;
  }
  if (d.problem == PortProblem::kMarked) {
    // The mark goes with the device's last close.
    Add(t, "; end every program that has it open, or choose another port");
    return;
  }
  if (d.problem == PortProblem::kNoPortDir) {
    Add(t, "; set PADLINK_PORT_DIR to a directory of links comN to your serial devices");
    return;
  }
  switch (d.naming) {
    case PortNaming::kComNames:
      if (d.count > 0)
        Add(t, "; use the number of one of them with -c");
      else
        Add(t, "; plug in the adapter and look up its COM number in the Device Manager");
      break;
    case PortNaming::kPortDir:
      if (port_in_range && d.device[0]) {
        Add(t, "; make %s a link to %s", d.device,
            d.count > 0 ? "one of them" : "your serial device");
        break;
      }
      [[fallthrough]];
    case PortNaming::kSystem:
      Add(t, "; map a port number with PADLINK_PORT_DIR");
      break;
  }
}

}  // namespace

void FormatPortHint(std::int32_t port, const PortAddress* address, const PortDescription& d,
                    char* buf, std::int32_t size) {
  if (size <= 0) return;
  buf[0] = '\0';
  Text t{buf, size, 0};
  if (address && std::holds_alternative<RemoteUrl>(*address)) {
    const std::string& url = std::get<RemoteUrl>(*address).url;
    const SysResult<rfc2217::PortUrl> parsed = rfc2217::ParsePortUrl(url.c_str());
    if (!parsed) {
      // Not a port padlink can open: no server to check.
      Add(&t, "padlink: port %d is %s, ", static_cast<int>(port), url.c_str());
      if (parsed.error().code == rfc2217::kNetErrUnknownScheme)
        Add(&t, "whose scheme padlink does not know: ");
      else
        Add(&t, "which is not a valid port URL: ");
      Add(&t,
          "a serial port on another computer is rfc2217://host:port, served by a port server "
          "such as ser2net, see padlink(1)");
      return;
    }
    // A port on another computer: the local devices are beside the point.
    Add(&t,
        "padlink: port %d is %s, a serial port on another computer; check that its port "
        "server runs, serves that port and is not in use by another client, see padlink(1)",
        static_cast<int>(port), std::get<RemoteUrl>(*address).url.c_str());
    return;
  }
  const bool in_range = port >= 1 && port <= kMaxPort;
  if (!address && in_range) {
    // A number in range leads nowhere only when PADLINK_PORT_<n> holds no URL.
    Add(&t,
        "padlink: port %d is named by PADLINK_PORT_%d, which holds no URL; set it to the port's "
        "URL, rfc2217://host:port, or remove it to use the port's device, see padlink(1)",
        static_cast<int>(port), static_cast<int>(port));
    return;
  }
  if (!in_range || !d.device[0]) {
    Add(&t, "padlink: there is no port %d: port numbers run from 1 to %d", static_cast<int>(port),
        static_cast<int>(kMaxPort));
  } else {
    Add(&t, "padlink: port %d is %s", static_cast<int>(port), d.device);
    if (d.target[0]) Add(&t, " -> %s", d.target);
    AddProblem(&t, d);
  }
  AddDevices(&t, d);
  AddAdvice(&t, in_range, d);
  Add(&t, ", see padlink(1)");
}

std::string SystemPortNote(std::int32_t port, const PortAddress& address) {
  const DevicePath* device = std::get_if<DevicePath>(&address);
  if (!device) return "";
  auto d = std::make_unique<PortDescription>();
  SerialDescribePort(port, device->path, 0, d.get());
  const std::int32_t listed = d->count < kMaxListedDevices ? d->count : kMaxListedDevices;
  bool others = d->count > listed;
  for (std::int32_t i = 0; i < listed; ++i)
    others = others || std::strcmp(d->devices[i].name, d->device) != 0;
  if (d->naming != PortNaming::kSystem || !others) return "";
  d->problem = PortProblem::kUnknown;
  std::string note(kMaxPortHint, '\0');
  FormatPortHint(port, &address, *d, note.data(), kMaxPortHint);
  note.resize(std::strlen(note.c_str()));
  return note;
}

std::string PortHint(std::int32_t port, const PortAddress* address, std::int32_t error) {
  auto description = std::make_unique<PortDescription>();
  const DevicePath* device = address ? std::get_if<DevicePath>(address) : nullptr;
  if (!address || device)
    SerialDescribePort(port, device ? device->path : "", error, description.get());
  std::string hint(kMaxPortHint, '\0');
  FormatPortHint(port, address, *description, hint.data(), kMaxPortHint);
  hint.resize(std::strlen(hint.c_str()));
  return hint;
}
