#include "app/port_open.h"

#include <utility>
#include <variant>

Result<std::unique_ptr<Port>, PortOpenFailure> OpenRunPort(const RunSettings& settings,
                                                           std::int32_t connect_timeout_ms,
                                                           std::int32_t set_up_ms,
                                                           const std::function<bool()>& give_up) {
  ComResult<PortAddress> address = ResolvePort(settings.port);
  if (!address) return Fail(PortOpenFailure{std::move(address.error()), std::nullopt});
  ComResult<std::unique_ptr<Port>> opened =
      ComOpen(*address, connect_timeout_ms, set_up_ms, give_up);
  if (!opened) return Fail(PortOpenFailure{std::move(opened.error()), std::move(*address)});
  std::unique_ptr<Port> port = std::move(opened.value());
  const PortSettingsWord word =
      settings.mode == LinkMode::kCable ? kCableModeSettingsWord : kStrobeModeSettingsWord;
  if (ComResult<void> configured = ComConfig(*port, word); !configured) {
    (void)ComClose(*port);
    return Fail(PortOpenFailure{std::move(configured.error()), std::move(*address)});
  }
  return port;
}

std::string PortPlace(const PortAddress& address) {
  if (const RemoteUrl* url = std::get_if<RemoteUrl>(&address)) return url->url;
  return std::get<DevicePath>(address).path;
}
