#include "app/start_up.h"

#include <cstdlib>
#include <memory>
#include <utility>

#include "app/command_line.h"
#include "app/report.h"
#include "app/run.h"
#include "platform/platform.h"
#include "platform/timing_request.h"
#include "serial/com.h"

namespace {

// The port the settings name, opened and set for the link mode; null when
// it could not be, with the failure reported.
std::unique_ptr<Port> OpenPort(const RunSettings& settings) {
  ComResult<PortAddress> address = ResolvePort(settings.port);
  if (!address) {
    ReportOpenError(settings.port, nullptr, address.error());
    return nullptr;
  }
  ComResult<std::unique_ptr<Port>> opened = ComOpen(*address);
  if (!opened) {
    ReportOpenError(settings.port, &address.value(), opened.error());
    return nullptr;
  }
  std::unique_ptr<Port> port = std::move(opened.value());
  const PortSettingsWord word =
      settings.mode == LinkMode::kCable ? kCableModeSettingsWord : kStrobeModeSettingsWord;
  if (ComResult<void> configured = ComConfig(*port, word); !configured) {
    ReportConfigError(configured.error());
    (void)ComClose(*port);
    return nullptr;
  }
  return port;
}

}  // namespace

int StartUp(int argc, const char* const* argv) {
  RunSettings settings;
  if (!ParseCommandLine(argc, argv, &settings)) {
    PrintUsage();
    return 1;
  }
  // The console's settings are taken before the port can touch anything.
  PlatformStartUp();
  std::unique_ptr<Port> port = OpenPort(settings);
  if (!port) return 1;
  // From here on the strobes and polls need the processor on time.
  if (const char* wish = std::getenv("PADLINK_REALTIME");
      TimingWishOf(wish) == TimingWish::kUnknown)
    ReportUnknownRealtime(wish);
  PlatformRequestTiming();
  Run run(settings, RobotLink(std::move(port), settings.mode));
  return run.Execute();
}
