// Serial ports on Windows: \\.\COMn through the communications API.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "platform/win32/net_win32.h"

namespace {

HANDLE Handle(PlatformHandle h) {
  return reinterpret_cast<HANDLE>(h);
}

}  // namespace

// Port n is COMn, or the remote port whose URL $PADLINK_PORT_<n> holds.
bool SerialDeviceName(std::int32_t port, char* buf, std::int32_t size) {
  if (const int r = rfc2217::PortUrlFromEnvironment(port, buf, size)) return Win32Net(r > 0);
  const int n =
      std::snprintf(buf, static_cast<std::size_t>(size), "\\\\.\\COM%d", static_cast<int>(port));
  if (n < 0 || n >= size) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  return true;
}

PlatformHandle SerialOpen(const char* name) {
  if (rfc2217::LooksLikeUrl(name)) return Win32Net(rfc2217::NetOpen(name, Win32Connect));
  const HANDLE h =
      CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  return reinterpret_cast<PlatformHandle>(h);  // INVALID_HANDLE_VALUE is -1
}

bool SerialSetQueues(PlatformHandle h, std::int32_t in_size, std::int32_t out_size) {
  if (rfc2217::IsNetHandle(h)) return true;
  return SetupComm(Handle(h), static_cast<DWORD>(in_size), static_cast<DWORD>(out_size)) != 0;
}

bool SerialGetSettings(PlatformHandle h, LineSettings* s) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetGetSettings(h, s));
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(Handle(h), &dcb)) return false;
  s->DCBlength = dcb.DCBlength;
  s->BaudRate = dcb.BaudRate;
  s->fBinary = static_cast<std::uint8_t>(dcb.fBinary);
  s->fParity = static_cast<std::uint8_t>(dcb.fParity);
  s->fOutxCtsFlow = static_cast<std::uint8_t>(dcb.fOutxCtsFlow);
  s->fOutxDsrFlow = static_cast<std::uint8_t>(dcb.fOutxDsrFlow);
  s->fDtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
  s->fDsrSensitivity = static_cast<std::uint8_t>(dcb.fDsrSensitivity);
  s->fTXContinueOnXoff = static_cast<std::uint8_t>(dcb.fTXContinueOnXoff);
  s->fOutX = static_cast<std::uint8_t>(dcb.fOutX);
  s->fInX = static_cast<std::uint8_t>(dcb.fInX);
  s->fErrorChar = static_cast<std::uint8_t>(dcb.fErrorChar);
  s->fNull = static_cast<std::uint8_t>(dcb.fNull);
  s->fRtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
  s->fAbortOnError = static_cast<std::uint8_t>(dcb.fAbortOnError);
  s->XonLim = dcb.XonLim;
  s->XoffLim = dcb.XoffLim;
  s->ByteSize = dcb.ByteSize;
  s->Parity = dcb.Parity;
  s->StopBits = dcb.StopBits;
  s->XonChar = dcb.XonChar;
  s->XoffChar = dcb.XoffChar;
  s->ErrorChar = dcb.ErrorChar;
  s->EofChar = dcb.EofChar;
  s->EvtChar = dcb.EvtChar;
  return true;
}

bool SerialSetSettings(PlatformHandle h, const LineSettings* s) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetSetSettings(h, s));
  DCB dcb{};
  dcb.DCBlength = s->DCBlength;
  dcb.BaudRate = s->BaudRate;
  dcb.fBinary = s->fBinary;
  dcb.fParity = s->fParity;
  dcb.fOutxCtsFlow = s->fOutxCtsFlow;
  dcb.fOutxDsrFlow = s->fOutxDsrFlow;
  dcb.fDtrControl = s->fDtrControl;
  dcb.fDsrSensitivity = s->fDsrSensitivity;
  dcb.fTXContinueOnXoff = s->fTXContinueOnXoff;
  dcb.fOutX = s->fOutX;
  dcb.fInX = s->fInX;
  dcb.fErrorChar = s->fErrorChar;
  dcb.fNull = s->fNull;
  dcb.fRtsControl = s->fRtsControl;
  dcb.fAbortOnError = s->fAbortOnError;
  dcb.XonLim = s->XonLim;
  dcb.XoffLim = s->XoffLim;
  dcb.ByteSize = s->ByteSize;
  dcb.Parity = s->Parity;
  dcb.StopBits = s->StopBits;
  dcb.XonChar = s->XonChar;
  dcb.XoffChar = s->XoffChar;
  dcb.ErrorChar = s->ErrorChar;
  dcb.EofChar = s->EofChar;
  dcb.EvtChar = s->EvtChar;
  return SetCommState(Handle(h), &dcb) != 0;
}

bool SerialGetTimeouts(PlatformHandle h, PortTimeouts* t) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetGetTimeouts(h, t));
  COMMTIMEOUTS c{};
  if (!GetCommTimeouts(Handle(h), &c)) return false;
  *t = PortTimeouts{c.ReadIntervalTimeout, c.ReadTotalTimeoutMultiplier, c.ReadTotalTimeoutConstant,
                    c.WriteTotalTimeoutMultiplier, c.WriteTotalTimeoutConstant};
  return true;
}

bool SerialSetTimeouts(PlatformHandle h, const PortTimeouts* t) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetSetTimeouts(h, t));
  COMMTIMEOUTS c{t->ReadIntervalTimeout, t->ReadTotalTimeoutMultiplier, t->ReadTotalTimeoutConstant,
                 t->WriteTotalTimeoutMultiplier, t->WriteTotalTimeoutConstant};
  return SetCommTimeouts(Handle(h), &c) != 0;
}

bool SerialInputCount(PlatformHandle h, std::int32_t* count) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetInputCount(h, count));
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(Handle(h), &errors, &stat)) return false;
  *count = static_cast<std::int32_t>(stat.cbInQue);
  return true;
}

std::int32_t SerialRead(PlatformHandle h, void* buf, std::int32_t n) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetRead(h, buf, n));
  DWORD got = 0;
  ReadFile(Handle(h), buf, static_cast<DWORD>(n), &got, nullptr);
  return static_cast<std::int32_t>(got);
}

std::int32_t SerialWrite(PlatformHandle h, const void* buf, std::int32_t n) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetWrite(h, buf, n));
  DWORD done = 0;
  WriteFile(Handle(h), buf, static_cast<DWORD>(n), &done, nullptr);
  return static_cast<std::int32_t>(done);
}

bool SerialEscape(PlatformHandle h, RtsEscape function) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetEscape(h, function));
  return EscapeCommFunction(Handle(h), function == RtsEscape::kSet ? SETRTS : CLRRTS) != 0;
}

bool SerialClose(PlatformHandle h) {
  if (rfc2217::IsNetHandle(h)) return Win32Net(rfc2217::NetClose(h));
  return CloseHandle(Handle(h)) != 0;
}
