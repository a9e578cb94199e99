// padlink-plot: reads padlink's monitor lines on standard input and draws
// them as a live chart in the terminal, on the alternate screen, while
// padlink keeps the keyboard. When the input ends, or on SIGINT, SIGTERM or
// SIGHUP, it leaves the alternate screen and prints a summary line per
// series; it can also pass its input through to a file and write an SVG
// picture of the whole run.
//
//   padlink -c 1 -d -a 3 -g 2 -t 0 | padlink-plot [--window SECONDS]
//       [--csv FILE] [--svg FILE] [--title TEXT]
//   padlink-plot --svg run.svg < run.csv
//
// It never changes the terminal's settings (padlink owns them): all it does
// is write escape sequences. The same program runs in the Windows console
// (padlink.exe ... | padlink-plot.exe).
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tools/plot/input_loop.h"
#include "tools/plot/live_chart.h"
#include "tools/plot/log_parser.h"
#include "tools/plot/options.h"
#include "tools/plot/output_files.h"
#include "tools/plot/signals.h"
#include "tools/plot/terminal.h"

namespace {

// What failed, the files and the summary; the exit status.
int Finish(const plot::Options& o, const plot::Run& run, int read_error, plot::InputCopy& copy,
           plot::OutputFile& svg) {
  int status = 0;
  if (read_error != 0) {
    std::fprintf(stderr, "padlink-plot: reading standard input: %s\n", std::strerror(read_error));
    status = 1;
  }
  if (!copy.Commit()) status = 1;
  if (!plot::SaveSvg(svg, o.title, run)) status = 1;
  const std::string summary = plot::SummaryText(run);
  std::fwrite(summary.data(), 1, summary.size(), stdout);
  std::fflush(stdout);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Before --csv or --svg can open a file in the place of a closed standard
  // stream, which would then be read as the input, or get the chart and the
  // summary.
  PlatformOpenStandardStreams();
  plot::Options o;
  const int parsed = plot::ParseOptions(argc, argv, &o);
  if (parsed != 0) return parsed < 0 ? 0 : parsed;
  // Both files are made now, so that a run is not drawn for nothing.
  plot::InputCopy copy;
  plot::OutputFile svg;
  if (!copy.Open(o.csv) || !svg.Open(o.svg)) return 1;

  // The chart shows on a terminal; a saved log is read as fast as it goes,
  // without one.
  const bool live = plot::LiveOutput();
  plot::SignalWatch signals(live);
  plot::LogParser parser;
  plot::LiveChart chart(o.window_s);
  const int read_error = plot::InputLoop(live, signals, chart, parser, copy).Run();
  chart.Leave();
  parser.Finish();

  const int status = Finish(o, parser.run(), read_error, copy, svg);
  signals.EndAsCaught();
  return status;
}
