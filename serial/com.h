// The serial port layer: finding the port a number stands for, opening it as
// a Port object (serial device, or a port server's port for a URL), and the
// Com operations on an open port with this layer's one result convention.
// Nothing here prints, exits or raises.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "platform/port.h"
#include "platform/result.h"
#include "serial/settings_word.h"

// What the serial layer was doing when a failure came, and its reason.
enum class ComStep {
  kOpen,      // finding or opening the port
  kConfig,    // applying line settings
  kTransfer,  // reading, writing, counting
  kLine,      // driving a modem-control line
  kClose,
};
struct ComError {
  ComStep step;
  SysError cause;
};
template <typename T>
using ComResult = Result<T, ComError>;

constexpr std::int32_t kMaxPort = 256;

// The time-out of reads and writes where the caller names none.
constexpr std::int32_t kComDefaultTimeoutMs = 1000;

// Where a port number leads, decided once: a device of this computer, by
// its path (a link in the port directory is kept as the link's path, so a
// stable name finds the device again), or a port on a port server, by its
// rfc2217:// URL.
struct DevicePath {
  std::string path;
  bool operator==(const DevicePath&) const = default;
};
struct RemoteUrl {
  std::string url;
  bool operator==(const RemoteUrl&) const = default;
};
using PortAddress = std::variant<DevicePath, RemoteUrl>;

// The address of port `number` (1..kMaxPort): the URL in PADLINK_PORT_<n>;
// else the platform's device name for the number (on POSIX
// $PADLINK_PORT_DIR/comN or /dev/ttyS(n-1)), or the URL that is the target
// of a link of that name; blanks around a URL are dropped. Fails for a
// number outside the range (with the platform's error for a port that does
// not exist) and for a variable that holds no URL.
ComResult<PortAddress> ResolvePort(std::int32_t number);

// How long a remote port's connection may take to come about.
constexpr std::int32_t kComConnectTimeoutMs = 5000;

// Opens the port, exclusively, and applies kOpenSettingsWord; a remote
// port's connection must come about within connect_timeout_ms (at most
// kComConnectTimeoutMs). A remote port's set-up after it (the telnet
// negotiation, the purge, and the settings applied before its first
// transfer) ends within set_up_ms when that is above 0, and at once when
// give_up, asked every few milliseconds while it waits, says so.
ComResult<std::unique_ptr<Port>> ComOpen(const PortAddress& address,
                                         std::int32_t connect_timeout_ms = kComConnectTimeoutMs,
                                         std::int32_t set_up_ms = 0,
                                         const std::function<bool()>& give_up = {});
// Applies the fields the word selects to the port's settings; a word that
// names nothing in a field is refused before the port is touched.
ComResult<void> ComConfig(Port& port, PortSettingsWord word);
// Bytes waiting to be read.
ComResult<std::int32_t> ComRxCount(Port& port);
// Waits until at least n bytes wait, at most timeout_ms; the count then.
ComResult<std::int32_t> ComWaitRx(Port& port, std::int32_t n, std::int32_t timeout_ms);
// Reads up to n bytes within timeout_ms; the count read.
ComResult<std::int32_t> ComRead(Port& port, std::uint8_t* bytes, std::int32_t n,
                                std::int32_t timeout_ms = kComDefaultTimeoutMs);
// Writes n bytes within timeout_ms; the count written.
ComResult<std::int32_t> ComWrite(Port& port, const std::uint8_t* bytes, std::int32_t n,
                                 std::int32_t timeout_ms = kComDefaultTimeoutMs);
// Clears or sets the RTS line.
ComResult<void> ComClearRts(Port& port);
ComResult<void> ComSetRts(Port& port);
// Closes the port.
ComResult<void> ComClose(Port& port);
// Whether the failure shows that the port is gone, not just busy or slow:
// its kind is ErrorKind::kGone (the device was unplugged or hung up, or a
// remote port's connection was lost). Every later call fails the same way;
// only opening the port again can help.
bool ComPortGone(const ComError& error);
