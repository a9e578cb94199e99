// Finding the port a number stands for, and opening it as a Port object.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "serial/com.h"
#include "serial/rfc2217/remote_port.h"

static_assert(kComConnectTimeoutMs == rfc2217::kConnectTimeoutMs);

namespace {

ComError OpenError(SysError cause) {
  return ComError{ComStep::kOpen, std::move(cause)};
}

// PADLINK_PORT_<n>: a remote port's URL, which wins over the port's device.
// Nothing when the variable is unset, empty or blank.
ComResult<std::optional<PortAddress>> AddressFromEnvironment(std::int32_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "PADLINK_PORT_%d", static_cast<int>(number));
  SysResult<std::optional<std::string>> url = rfc2217::UrlFromVariable(name, std::getenv(name));
  if (!url) return Fail(OpenError(std::move(url.error())));
  if (!*url) return std::optional<PortAddress>{};
  return std::optional<PortAddress>{RemoteUrl{std::move(**url)}};
}

}  // namespace

// The platform's connection, within the shorter of the two times. A type of
// its own (not a lambda), whose type information is shared read-only data.
struct ConnectWithin {
  std::int32_t most_ms;
  SysResult<std::unique_ptr<Connection>> operator()(const std::string& host, std::uint16_t port,
                                                    std::int32_t timeout_ms) const {
    return PlatformConnectTcp(host, port, std::min(timeout_ms, most_ms));
  }
};

ComResult<PortAddress> ResolvePort(std::int32_t number) {
  if (number < 1 || number > kMaxPort) return Fail(OpenError(PlatformNoSuchPortError()));
  auto from_environment = AddressFromEnvironment(number);
  if (!from_environment) return Fail(from_environment.error());
  if (*from_environment) return **from_environment;
  std::string path = PlatformSerialDeviceName(number);
  // A link whose target is a URL names a remote port; it is read, never
  // followed, so the computer that drives the robot needs no such file.
  if (const auto target = PlatformReadLink(path)) {
    std::string url = rfc2217::TrimBlanks(target->c_str());
    if (rfc2217::LooksLikeUrl(url.c_str())) return PortAddress{RemoteUrl{std::move(url)}};
  }
  return PortAddress{DevicePath{std::move(path)}};
}

ComResult<std::unique_ptr<Port>> ComOpen(const PortAddress& address,
                                         std::int32_t connect_timeout_ms, std::int32_t set_up_ms,
                                         const std::function<bool()>& give_up) {
  SysResult<std::unique_ptr<Port>> opened =
      std::holds_alternative<RemoteUrl>(address)
          ? rfc2217::OpenRemotePort(std::get<RemoteUrl>(address).url,
                                    ConnectWithin{connect_timeout_ms},
                                    rfc2217::SetUpLimits{set_up_ms, give_up})
          : PlatformOpenSerialDevice(std::get<DevicePath>(address).path);
  if (!opened) return Fail(OpenError(std::move(opened.error())));
  std::unique_ptr<Port> port = std::move(opened.value());
  // The settings of a freshly opened port: 9600 baud, 8N1, DTR and RTS on,
  // no flow control. A refusal here is not an open error: the link mode's
  // settings come next and report what the port cannot do.
  (void)ComConfig(*port, kOpenSettingsWord);
  return port;
}

ComResult<void> ComConfig(Port& port, PortSettingsWord word) {
  if (!SettingsWordValid(word))
    return Fail(ComError{ComStep::kConfig, PlatformInvalidArgumentError()});
  SysResult<LineConfig> config = port.GetConfig();
  if (!config) return Fail(ComError{ComStep::kConfig, std::move(config.error())});
  ApplySettingsWord(word, &config.value());
  SysResult<void> applied = port.Configure(*config);
  if (!applied) return Fail(ComError{ComStep::kConfig, std::move(applied.error())});
  return {};
}
