// Remote serial ports on Windows: the RFC 2217 device (platform/rfc2217)
// over Winsock. serial_win32.cpp routes the calls for its handles here.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/rfc2217/net_device.h"
#include "platform/rfc2217/net_errors.h"
#include "platform/rfc2217/port_url.h"

// Passes a remote port's result on, its error into the last error.
template <typename T>
T Win32Net(T result) {
  if (const std::int32_t e = rfc2217::TakeError()) SetLastError(static_cast<DWORD>(e));
  return result;
}

// Connects to a port server over TCP.
rfc2217::Transport* Win32Connect(const rfc2217::PortUrl& url, std::uint32_t timeout_ms);
