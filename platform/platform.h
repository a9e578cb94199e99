// The operating system as padlink sees it: serial device, error text, clock,
// pause, console keyboard and process exit. One implementation per platform
// (platform/posix, platform/win32) and a fake in virtual time for the unit
// tests (platform/fake); each executable links exactly one of them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "keys/key.h"
#include "platform/clock.h"
#include "platform/port.h"

// ---------------------------------------------------------------------------
// Serial devices

// The platform's device name of serial port `port` (1..256): on POSIX
// $PADLINK_PORT_DIR/comN when that variable names a directory, else
// /dev/ttyS(n-1); on Windows \\.\COMn.
std::string PlatformSerialDeviceName(std::int32_t port);
// The target of the symbolic link at `path`, read and never followed;
// nothing when path is no link (always nothing where links are not kept).
std::optional<std::string> PlatformReadLink(const std::string& path);
// Opens the named serial device exclusively for reading and writing, only if
// it exists and is a serial line that is not padlink's own terminal, with
// every byte passed unchanged both ways and the input emptied. The device
// keeps its line settings until the port is configured.
SysResult<std::unique_ptr<Port>> PlatformOpenSerialDevice(const std::string& path);

// ---------------------------------------------------------------------------
// Finding a port: what a user needs to know when a port cannot be opened

// What stands in the way of a port, as far as the platform can tell.
enum class PortProblem : std::int32_t {
  kUnknown,     // nothing more than the error itself
  kMissing,     // the device (or what its link points to) does not exist
  kNoHardware,  // the device exists, but no serial hardware is behind it
  kNotSerial,   // the name is no serial device
  kBusy,        // another program has the port
  kMarked,      // the device is marked for exclusive use, by no program known
  kNoAccess,    // the user may not open the device
  kLinkLoop,    // the name is a link that leads back to itself, at last
  kNoPortDir,   // what PADLINK_PORT_DIR names is there, but no directory
};

// How the platform names its ports.
enum class PortNaming : std::int32_t {
  kSystem,    // port n is a device of the system's own (/dev/ttyS(n-1))
  kPortDir,   // port n is comN in the directory PADLINK_PORT_DIR names
  kComNames,  // port n is COMn
};

// Room for a device name.
constexpr std::int32_t kMaxDeviceName = 4096;
constexpr std::int32_t kMaxListedDevices = 16;
constexpr std::int32_t kMaxListedName = 256;

// A serial device that exists: its name, a stable name for the same device
// where the system keeps one (/dev/serial/by-id/...) or "", and the port
// number that reaches it, 0 when none does.
struct SerialDeviceEntry {
  char name[kMaxListedName];
  char alias[kMaxListedName];
  std::int32_t port;
};

struct PortDescription {
  PortNaming naming;
  char device[kMaxDeviceName];  // the name port n stands for, as a user writes it
  char target[kMaxDeviceName];  // where that name links to; "" when it is no link
  PortProblem problem;
  char group[64];  // kNoAccess: the group that owns the device; "" when unknown
  // The serial devices present: `count` of them, the first (at most
  // kMaxListedDevices) in `devices`, in their natural order.
  std::int32_t count;
  SerialDeviceEntry devices[kMaxListedDevices];
};

// Describes port `port`, which stands for the device `path`, after opening
// it failed with the platform error `error`: the device and what is wrong
// with it, and the serial devices present. An empty path (a port outside
// 1..256) names no device.
void SerialDescribePort(std::int32_t port, const std::string& path, std::int32_t error,
                        PortDescription* description);

// ---------------------------------------------------------------------------
// Errors

// The error with its system text for a platform error code (an errno value
// or a Windows error code, or one of the platform's own codes), of the kind
// the code stands for where the code alone tells it (on POSIX EIO, ENXIO and
// ENODEV are a device unplugged or hung up: gone; EBUSY and the marks of
// exclusive use: busy; EACCES, EPERM and a line setting the device cannot
// do: refused). Where a code means one thing at one moment and another at
// the next (on Windows access denied is a port in use while it opens, an
// adapter unplugged once it is open), the caller sets the kind.
SysError PlatformError(std::int32_t code);
// The error the platform reports for a port that does not exist, and for an
// argument it cannot accept.
SysError PlatformNoSuchPortError();
SysError PlatformInvalidArgumentError();

// ---------------------------------------------------------------------------
// Time

// The system's monotonic clock (platform/clock.h), the one a run is given.
const Clock& PlatformClock();
// The same clock's milliseconds as a free-running count that wraps at 2^32,
// for the platform's own waits, and its pause.
std::uint32_t PlatformTickMs();
void PlatformPause(std::int32_t ms);

// ---------------------------------------------------------------------------
// Scheduling

// Asks the system for the timing the run needs, once at start-up: a raised
// priority for the one thread, so that it runs as soon as a pause ends or a
// byte arrives even on a busy computer, and pauses that end on time. Where
// the system does not permit it, the run goes on at the priority it has,
// silently: nothing is printed and the last error stays as it was. The
// environment variable PADLINK_REALTIME=0 turns the request off.
void PlatformRequestTiming();

// ---------------------------------------------------------------------------
// Console keyboard

// The console keyboard, taken for single keys (no echo, no line editing) for
// as long as the object lives: the console's previous state comes back when
// it ends, and on every other way out of the process. One at a time.
class Keyboard {
 public:
  virtual ~Keyboard() = default;
  Keyboard() = default;
  Keyboard(const Keyboard&) = delete;
  Keyboard& operator=(const Keyboard&) = delete;

  // The next key when one has come, without waiting for one: nothing when
  // none has (also once the input has ended). Fails when the console cannot
  // be read; a later call tries again.
  virtual SysResult<std::optional<Key>> Poll() = 0;
  // The next key, waiting for it. Fails when the console cannot be read, and
  // once its input has ended and every key that came is taken (the error's
  // kind is then ErrorKind::kEnded).
  virtual SysResult<Key> Read() = 0;
  // Drops every key that came and is not taken yet, with the bytes of an
  // unfinished one and what waits in the console's own queue: a run about
  // to be suspended acts on none of them when it goes on.
  virtual void Discard() = 0;
  // True once the input has ended (a file or a pipe at its end, the null
  // device) and every key that came is taken: no key can come any more.
  virtual bool Ended() { return false; }
};

// Takes the console keyboard.
std::unique_ptr<Keyboard> PlatformOpenKeyboard();

// ---------------------------------------------------------------------------
// Process

// Called first thing in main, before anything is opened: puts the null
// device on each of standard input, output and error that the process was
// started with closed. Otherwise the next device or file opened would take
// that number: a serial port on 1 would get the sample lines, one on 2 the
// messages, and a port on any of them would pass for the terminal padlink
// runs in. (On Windows files and devices are handles of their own, and
// nothing is done.)
void PlatformOpenStandardStreams();

// Called once at start-up, before any device is opened: records the
// console's settings as they are before the run, so that whatever happens to
// a device later cannot change what is restored, and sets up the clean-up
// (console back, serial devices released) for every way out of the process
// that can be caught, whatever standard input is.
void PlatformStartUp();

// What the user or the system asks of the run from outside it.
enum class OutsideRequest {
  kNone,
  // End the run: SIGINT (Ctrl+C), SIGTERM, SIGHUP (the terminal closed),
  // SIGQUIT (Ctrl+\), SIGPIPE (standard output's reader went away); on
  // Windows Ctrl+C, Ctrl+Break, and the console's close, log-off and
  // shut-down events.
  kEnd,
  // Suspend it: SIGTSTP (Ctrl+Z). Never on Windows.
  kSuspend,
};

// From now on the signals and console events of OutsideRequest are taken
// as requests, which the run acts on between its steps, instead of acting
// at once; the console is still given back the moment one comes. Before
// this call (and in a process that never makes it) they act as they always
// have. A signal the process was started with ignored stays ignored.
void PlatformTakeRequests();
// The request that has come, without waiting: an end request stays (every
// later call returns it, whatever came after it) until the process ends; a
// suspend request is returned once. A signal interrupts the waits of the
// keyboard, the pauses and the connecting of a remote port within
// milliseconds; an exchange with the robot is finished first.
OutsideRequest PlatformRequest();
// Whether an end request has come, without taking a suspend request.
bool PlatformEndRequested();
// Suspends the process as a suspend request asks: the console given back as
// it was, the process stopped until it is continued, the console taken
// again. Returns once it runs again.
void PlatformSuspend();

// Ends the process with the given status after restoring the console.
// Buffered standard output is delivered. With an end request pending, the
// process ends as the request would have ended it without padlink's say:
// killed by the same signal (POSIX), or with the status of a console
// program interrupted by Ctrl+C (Windows), whatever the status.
[[noreturn]] void PlatformExit(int status);
