#include "app/start_up.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/command_line.h"
#include "app/input/keyboard_source.h"
#include "app/port_hint.h"
#include "app/port_open.h"
#include "app/report.h"
#include "app/run.h"
#include "platform/platform.h"
#include "platform/timing_request.h"
#include "serial/com.h"

namespace {

// The settings the environment adds; false, with the reason reported, when
// they are not valid together with the command line's.
bool CompleteSettings(RunSettings* settings) {
  const char* bad = nullptr;
  if (!ApplyEnvironment(std::getenv("PADLINK_STOP"), std::getenv("PADLINK_HOLD"), settings, &bad)) {
    ReportBadVariable(bad, std::getenv(bad));
    return false;
  }
  if (settings->hold_ms.value_or(0) > 0 && !settings->stop_command) {
    ReportHoldWithoutStop();
    return false;
  }
  return true;
}

// The port the settings name, opened and set for the link mode; null when
// it could not be, with the failure reported.
std::unique_ptr<Port> OpenPort(const RunSettings& settings) {
  auto opened = OpenRunPort(settings, kComConnectTimeoutMs);
  if (opened) return std::move(opened.value());
  const PortOpenFailure& failure = opened.error();
  if (failure.error.step == ComStep::kConfig) {
    ReportConfigError(failure.error);
  } else {
    ReportOpenError(settings.port, failure.address ? &*failure.address : nullptr, failure.error);
  }
  return nullptr;
}

// Where a port number of the system's own naming led, before the run.
void ReportWherePortLed(const RunSettings& settings) {
  if (const ComResult<PortAddress> address = ResolvePort(settings.port)) {
    const std::string note = SystemPortNote(settings.port, *address);
    if (!note.empty()) ReportPortNote(note);
  }
}

}  // namespace

int StartUp(int argc, const char* const* argv) {
  CommandLine line = ParseCommandLine(argc, argv);
  switch (line.request) {
    case CommandRequest::kHelp:
      ReportHelp();
      return 0;
    case CommandRequest::kVersion:
      ReportVersion();
      return 0;
    case CommandRequest::kUsage:
      ReportUsage();
      return 1;
    case CommandRequest::kBadValue:
      ReportBadOption(line.option, line.value);
      return 1;
    case CommandRequest::kRun:
      break;
  }
  RunSettings& settings = line.settings;
  if (!CompleteSettings(&settings)) return 1;
  // The console's settings are taken before the port can touch anything.
  PlatformStartUp();
  std::unique_ptr<Port> port = OpenPort(settings);
  if (!port) return 1;
  ReportWherePortLed(settings);
  // From here on the strobes and polls need the processor on time.
  if (const char* wish = std::getenv("PADLINK_REALTIME");
      TimingWishOf(wish) == TimingWish::kUnknown)
    ReportUnknownRealtime(wish);
  PlatformRequestTiming();
  // The run's input sources, asked in this order each pass.
  InputSources inputs;
  // Without monitors nothing else would show that a run whose input ended
  // goes on.
  const bool monitors = settings.ad_channel >= 0 || settings.gyro >= 0;
  inputs.push_back(std::make_unique<KeyboardSource>(/*say_when_ended=*/!monitors));
  Run run(settings, RobotLink(std::move(port), settings.mode, PlatformClock()), std::move(inputs));
  return run.Execute();
}
