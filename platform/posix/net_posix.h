// Remote serial ports on POSIX: the RFC 2217 device (platform/rfc2217) over
// TCP sockets. serial_posix.cpp routes the calls for its handles here.
#pragma once

#include <cstdint>

#include "platform/posix/posix_internal.h"
#include "platform/rfc2217/net_device.h"
#include "platform/rfc2217/net_errors.h"
#include "platform/rfc2217/port_url.h"

// Passes a remote port's result on, its error into the last error.
template <typename T>
T PosixNet(T result) {
  if (const std::int32_t e = rfc2217::TakeError()) PosixSetLastError(e);
  return result;
}

// Connects to a port server over TCP.
rfc2217::Transport* PosixConnect(const rfc2217::PortUrl& url, std::uint32_t timeout_ms);

// When the port directory's entry at path (in buf) is a link whose target is
// a URL, replaces the path by that URL. The link is read, never opened.
void PosixRemoteLinkTarget(char* buf, std::int32_t size);
