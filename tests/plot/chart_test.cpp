// The live chart's renderer on a small fixed screen: the exact text for a
// known run, in braille and in ASCII, and the escape sequences of its rows.
#include "tools/plot/chart.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/plot/known_run.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

plot::Run KnownRun() {
  return ReadRun(KnownRunText());
}

plot::ChartStyle Style(bool unicode) {
  plot::ChartStyle style;
  style.unicode = unicode;
  style.window_s = 10;
  style.status = "21 lines, 0 bad";
  return style;
}

TEST(PlotChart, BrailleTracesAxesLegendAndStatus) {
  const plot::Screen screen = plot::RenderChart(KnownRun(), 44, 16, Style(true));
  // The window ends at the latest time, 10.021 s; the A/D trace enters
  // from the left edge, its failure is marked at the top.
  EXPECT_EQ(plot::ScreenText(screen), R"(━━ AD3    now 225  min 0  mean 112.5  max 22
━━ GYRO2  now 200  min 200  mean 200.0  max
━━ SRAM   now 100  min 100  mean 100.0  max
value                              last 10 s
 255 ┤                                     ×
     │                              ⣀⡤⠖⠚
 192 ┤⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⠉⢉⣩⠭⠟⠋⠉⠉⠉⠉⠁
     │                     ⢀⣠⠴⠚⠉
 128 ┤                 ⣀⡤⠖⠋⠉
     │⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⢒⣲⠶⠒⠛⠓⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒⠒
  64 ┤        ⣀⡤⠴⠚⠉
     │    ⣀⡤⠖⠋⠁
   0 ┤⣠⠴⠚⠉⠁
     └──────────────────┴──────────────────┴
                        5                  s
21 lines, 0 bad
)");
}

TEST(PlotChart, AsciiWhenTheLocaleIsNotUtf8) {
  const plot::Screen screen = plot::RenderChart(KnownRun(), 44, 16, Style(false));
  EXPECT_EQ(plot::ScreenText(screen), R"(** AD3    now 225  min 0  mean 112.5  max 22
++ GYRO2  now 200  min 200  mean 200.0  max
oo SRAM   now 100  min 100  mean 100.0  max
value                              last 10 s
 255 +                                     X
     |                               ***
 192 +++++++++++++++++++++++++++******++
     |                     ******
 128 +                ******
     |oooooooooooo*****ooooooooooooooooooooo
  64 +       ******
     |  ******
   0 +***
     +------------------+------------------+
                        5                  s
21 lines, 0 bad
)");
}

TEST(PlotChart, TheWindowScrollsWithTheLatestSample) {
  plot::ChartStyle style = Style(true);
  style.window_s = 4;
  const plot::Screen screen = plot::RenderChart(KnownRun(), 44, 16, style);
  // 6.021 s to 10.021 s, ticks every 2 s.
  EXPECT_EQ(plot::RowText(screen, 14), "                        8                  s");
  EXPECT_EQ(plot::RowText(screen, 13), "     └──────────────────┴──────────────────┴");
}

TEST(PlotChart, WaitsForInputAndCopesWithTinyScreens) {
  const plot::Run empty;
  const plot::Screen waiting = plot::RenderChart(empty, 40, 10, Style(true));
  EXPECT_EQ(plot::RowText(waiting, 0), "waiting for padlink's monitor lines");
  for (int w : {0, 1, 15})
    for (int h : {0, 1, 5}) {
      const plot::Screen tiny = plot::RenderChart(KnownRun(), w, h, Style(true));
      EXPECT_EQ(tiny.width, w);
      EXPECT_EQ(tiny.height, h);
    }
  EXPECT_EQ(plot::RowText(plot::RenderChart(KnownRun(), 40, 8, Style(true)), 0),
            "padlink-plot: terminal too small");
}

TEST(PlotChart, RowsAsEscapeSequences) {
  const plot::Screen screen = plot::RenderChart(KnownRun(), 100, 16, Style(true));
  // A legend row: placed, coloured swatch, colour off, rest of line erased.
  const std::string legend = plot::RowAnsi(screen, 0, true);
  EXPECT_EQ(legend,
            "\x1b[1;1H\x1b[38;5;32m━━ \x1b[0mAD3    now 225  min 0  mean 112.5  max 225  (10)  "
            "\x1b[38;5;160mfailed at 10.009 s: Echoeback timeout (-3)\x1b[0m\x1b[K");
  EXPECT_THAT(plot::RowAnsi(screen, 0, false), Not(HasSubstr("\x1b[38")));
  // A full row is not erased after its last column.
  const std::string axis = plot::RowAnsi(screen, 13, true);
  EXPECT_THAT(axis, Not(HasSubstr("\x1b[K")));
}

}  // namespace
