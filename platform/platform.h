// The operating system as padlink sees it: serial device, error text, clock,
// pause, console keyboard and process exit. One implementation per platform
// (platform/posix, platform/win32) and a fake in virtual time for the unit
// tests (platform/fake); each executable links exactly one of them.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Serial device

// An open device. Holds a file descriptor on POSIX and a HANDLE on Windows.
using PlatformHandle = std::intptr_t;
constexpr PlatformHandle kInvalidPlatformHandle = -1;

// Codes of the line-settings record. The values are those of the Windows
// device control block, so the record maps one to one there.
constexpr std::uint8_t kOneStopBit = 0;
constexpr std::uint8_t kOne5StopBits = 1;
constexpr std::uint8_t kTwoStopBits = 2;

constexpr std::uint8_t kNoParity = 0;
constexpr std::uint8_t kOddParity = 1;
constexpr std::uint8_t kEvenParity = 2;
constexpr std::uint8_t kMarkParity = 3;
constexpr std::uint8_t kSpaceParity = 4;

constexpr std::uint8_t kDtrControlDisable = 0;
constexpr std::uint8_t kDtrControlEnable = 1;
constexpr std::uint8_t kDtrControlHandshake = 2;

constexpr std::uint8_t kRtsControlDisable = 0;
constexpr std::uint8_t kRtsControlEnable = 1;
constexpr std::uint8_t kRtsControlHandshake = 2;
constexpr std::uint8_t kRtsControlToggle = 3;

// The line settings of a port: speed, framing, parity, modem lines and flow
// control. Flags are 0 or 1.
struct LineSettings {
  std::uint32_t DCBlength;
  std::uint32_t BaudRate;
  std::uint8_t fBinary;
  std::uint8_t fParity;
  std::uint8_t fOutxCtsFlow;
  std::uint8_t fOutxDsrFlow;
  std::uint8_t fDtrControl;
  std::uint8_t fDsrSensitivity;
  std::uint8_t fTXContinueOnXoff;
  std::uint8_t fOutX;
  std::uint8_t fInX;
  std::uint8_t fErrorChar;
  std::uint8_t fNull;
  std::uint8_t fRtsControl;
  std::uint8_t fAbortOnError;
  std::uint16_t XonLim;
  std::uint16_t XoffLim;
  std::uint8_t ByteSize;
  std::uint8_t Parity;
  std::uint8_t StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;

  bool operator==(const LineSettings&) const = default;
};

// Time-outs of a port, in milliseconds. A read returns when all requested
// bytes arrived, when ReadIntervalTimeout passes between two bytes, or when
// ReadTotalTimeoutMultiplier * n + ReadTotalTimeoutConstant passes in total;
// 0 switches the respective limit off. A write gives up after its total.
struct PortTimeouts {
  std::uint32_t ReadIntervalTimeout;
  std::uint32_t ReadTotalTimeoutMultiplier;
  std::uint32_t ReadTotalTimeoutConstant;
  std::uint32_t WriteTotalTimeoutMultiplier;
  std::uint32_t WriteTotalTimeoutConstant;

  bool operator==(const PortTimeouts&) const = default;
};

// The line escape functions used on the RTS line.
enum class RtsEscape { kSet = 3, kClear = 4 };

// Room for a device name.
constexpr std::int32_t kMaxDeviceName = 4096;
// Writes the platform's device name of serial port `port` into buf; false,
// with the last error set, when it does not fit.
bool SerialDeviceName(std::int32_t port, char* buf, std::int32_t size);
// Opens the named device exclusively for reading and writing, only if it
// exists. kInvalidPlatformHandle on failure, with the last error set.
PlatformHandle SerialOpen(const char* name);
bool SerialSetQueues(PlatformHandle h, std::int32_t in_size, std::int32_t out_size);
bool SerialGetSettings(PlatformHandle h, LineSettings* settings);
bool SerialSetSettings(PlatformHandle h, const LineSettings* settings);
bool SerialGetTimeouts(PlatformHandle h, PortTimeouts* timeouts);
bool SerialSetTimeouts(PlatformHandle h, const PortTimeouts* timeouts);
// Bytes waiting in the driver's input queue; false when the query fails.
bool SerialInputCount(PlatformHandle h, std::int32_t* count);
// One synchronous transfer within the port's time-outs; returns the bytes
// that moved (0 when nothing did, also on failure).
std::int32_t SerialRead(PlatformHandle h, void* buf, std::int32_t n);
std::int32_t SerialWrite(PlatformHandle h, const void* buf, std::int32_t n);
bool SerialEscape(PlatformHandle h, RtsEscape function);
bool SerialClose(PlatformHandle h);

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
};

// How the platform names its ports.
enum class PortNaming : std::int32_t {
  kSystem,    // port n is a device of the system's own (/dev/ttyS(n-1))
  kPortDir,   // port n is comN in the directory PADLINK_PORT_DIR names
  kComNames,  // port n is COMn
};

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

// Describes port `port` after opening it failed with the platform error
// `error`: the device it stands for and what is wrong with it, and the
// serial devices present. A port outside 1..256 gets no device name.
void SerialDescribePort(std::int32_t port, std::int32_t error, PortDescription* description);

// ---------------------------------------------------------------------------
// Errors

// The platform's last-error code, as the most recent failing call left it.
std::int32_t PlatformLastError();
// Sets the last error to what the platform reports for a port that does not
// exist, and for an argument that the platform cannot accept.
void PlatformSetNoSuchPortError();
void PlatformSetInvalidArgumentError();
// The system's text for an error code; release it with PlatformFreeErrorText.
// Never null.
char* PlatformErrorText(std::int32_t code);
void PlatformFreeErrorText(char* text);

// ---------------------------------------------------------------------------
// Time

// A free-running millisecond tick count that wraps at 2^32.
std::uint32_t PlatformTickMs();
// Suspends the thread for at least ms milliseconds.
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

// Prepares the console for reading single keys (no echo, no line editing).
// The console's previous state comes back on every way out of the process.
void KeyboardOpen();
// True when a key code can be read without waiting: a key press that yields a
// code, or the second code of a special key.
bool KeyboardKeyWaiting();
// The next key code: a character code, or 0 and then an extended code for a
// special key; -1 when the console cannot be read. Waits for a key.
int KeyboardReadKey();

// ---------------------------------------------------------------------------
// Process

// Called once at start-up, before any device is opened: records the
// console's settings as they are before the run, so that whatever happens to
// a device later cannot change what is restored, and sets up the clean-up
// (console back, serial devices released) for every way out of the process
// that can be caught, whatever standard input is.
void PlatformStartUp();
// Ends the process with the given status after restoring the console.
// Buffered standard output is delivered.
[[noreturn]] void PlatformExit(int status);
