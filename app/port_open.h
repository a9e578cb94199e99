// The run's port: the number resolved, the port opened and set for the link
// mode, at start-up and again when a port that was gone is tried once more.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/run_settings.h"
#include "platform/result.h"
#include "serial/com.h"

// Why the port could not be had: the failure (ComStep::kConfig when the
// link mode's settings were refused, else an open failure) and the address,
// when the number led to one.
struct PortOpenFailure {
  ComError error;
  std::optional<PortAddress> address;
};

// Resolves the port number of the settings (a link in the port directory
// is read anew), opens the port within connect_timeout_ms for a remote one,
// and applies the link mode's settings word; a port that takes its settings
// word is closed again before the failure is returned. A remote port's
// set-up after its connection ends within set_up_ms (when above 0) and at
// once when give_up says so (ComOpen).
Result<std::unique_ptr<Port>, PortOpenFailure> OpenRunPort(
    const RunSettings& settings, std::int32_t connect_timeout_ms, std::int32_t set_up_ms = 0,
    const std::function<bool()>& give_up = {});

// How the messages name the place a port number leads to: the device's path
// or the remote port's URL.
std::string PortPlace(const PortAddress& address);
