#include "app/monitors.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/run.h"
#include "app/writers/csv_stdout/csv_stdout.h"
#include "tests/support/fake_fixture.h"
#include "tests/support/fake_robot.h"

namespace {

using fake::Call;
using ::testing::ElementsAre;
using ::testing::Pair;
using Bytes = std::vector<std::uint8_t>;

// Cable mode; the robot echoes each byte 1 ms after it, so a PeekAD takes
// 3 ms and a PeekSRAM 4 ms. A/D values are 100 + channel, gyro values
// 200 + gyro, the SRAM byte 7.
class MonitorTest : public FakeTest {
 protected:
  void SetUp() override {
    FakeTest::SetUp();
    robot_.value = [](const Bytes& f) {
      if (f[0] == 0xE2) return 100 + f[1];
      return f[1] == 65 ? 7 : 200 + f[1] - 47;
    };
    robot_.Attach();
  }

  // A/D port or gyro `number`, sampled every interval_ms.
  static Monitor MonitorOf(std::int32_t number, std::int32_t interval_ms) {
    Monitor m;
    m.number = number;
    m.interval_ms = interval_ms;
    return m;
  }

  // Runs a whole run until Esc at quit_at; returns stdout, stderr in *err.
  int RunMonitored(RunSettings settings, int quit_at, std::string* out, std::string* err) {
    fake::PressKey(static_cast<std::uint64_t>(quit_at), 27);
    settings.port = 1;
    settings.mode = LinkMode::kCable;
    ::Run run(settings, RobotLink(OpenQuietly(), LinkMode::kCable, PlatformClock()),
              KeyboardInput());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = run.Execute();
    *err = ::testing::internal::GetCapturedStderr();
    *out = ::testing::internal::GetCapturedStdout();
    return status;
  }

  RobotLink link_{OpenQuietly(), LinkMode::kCable, clock()};
  ElapsedClock clock_{clock()};
  FakeRobot robot_;
  CsvStdout csv_;  // the run's writer
};

constexpr SampleStatus kOk = SampleStatus::kOk;

TEST_F(MonitorTest, FirstCallPrintsTheHeaderAndASampleThenWaitsForTheInterval) {
  Monitor m = MonitorOf(3, 200);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(MonitorAD(m, link_, clock_, csv_), kOk);  // starts at ElapsedMs 0; ends at 7
  fake::Get().now = 199;
  EXPECT_EQ(MonitorAD(m, link_, clock_, csv_), kOk);  // 199 ms after the previous start
  fake::Get().now = 200;
  EXPECT_EQ(MonitorAD(m, link_, clock_, csv_), kOk);
  fake::Get().now = 405;  // 205 ms after the previous sample began, not ended
  EXPECT_EQ(MonitorAD(m, link_, clock_, csv_), kOk);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "AD3, ADsecond, SRAM, SRAMsecond\n"
            "103, 0.003, 7, 0.007\n"
            "103, 0.203, 7, 0.207\n"
            "103, 0.408, 7, 0.412\n");
  EXPECT_EQ(robot_.frames.size(), 6u);
}

TEST_F(MonitorTest, IntervalZeroSamplesEveryCall) {
  Monitor m = MonitorOf(2, 0);
  ::testing::internal::CaptureStdout();
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(MonitorGyro(m, link_, clock_, csv_), kOk);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "GYRO2, GYROsecond, SRAM, SRAMsecond\n"
            "202, 0.004, 7, 0.008\n"
            "202, 0.012, 7, 0.016\n"
            "202, 0.020, 7, 0.024\n");
  EXPECT_EQ(robot_.frames[0], (Bytes{0xF7, 49, 5, 0}));
  EXPECT_EQ(robot_.frames[1], (Bytes{0xF7, 65, 1, 0}));
}

TEST_F(MonitorTest, HeaderOnceAndTimesFromTheFirstSampleEvenWhenItStartsAtZero) {
  // The first sample begins at ElapsedMs 0, and later ones keep counting
  // from there.
  Monitor m = MonitorOf(0, 0);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(MonitorAD(m, link_, clock_, csv_), kOk);
  EXPECT_EQ(MonitorAD(m, link_, clock_, csv_), kOk);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "AD0, ADsecond, SRAM, SRAMsecond\n100, 0.003, 7, 0.007\n100, 0.010, 7, 0.014\n");
}

TEST_F(MonitorTest, TimesAcrossTheWrapOfTheTickCount) {
  fake::Get().ms_at_zero = 0xFFFFFFFEu;
  const ElapsedClock clock{PlatformClock()};
  Monitor m = MonitorOf(1, 0);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(MonitorAD(m, link_, clock, csv_), kOk);
  EXPECT_EQ(MonitorAD(m, link_, clock, csv_), kOk);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "AD1, ADsecond, SRAM, SRAMsecond\n101, 0.003, 7, 0.007\n101, 0.010, 7, 0.014\n");
}

// A writer that keeps what it is given, each with the number of requests
// the robot had answered by then; it takes the header, or the samples, only
// while told to.
struct Recorder final : SampleWriter {
  explicit Recorder(const FakeRobot& r) : robot(r) {}
  bool Begin(const SampleSource& source) override {
    headers.emplace_back(source, robot.frames.size());
    return take_header;
  }
  bool Write(const Sample& sample) override {
    samples.emplace_back(sample, robot.frames.size());
    return take_samples;
  }

  const FakeRobot& robot;
  bool take_header = true;
  bool take_samples = true;
  std::vector<std::pair<SampleSource, std::size_t>> headers;
  std::vector<std::pair<Sample, std::size_t>> samples;
};

TEST_F(MonitorTest, WriterGetsTheHeaderBeforeTheRequestsAndEachRecordAfterThem) {
  Recorder out(robot_);
  Monitor m = MonitorOf(2, 0);
  EXPECT_EQ(MonitorGyro(m, link_, clock_, out), kOk);
  EXPECT_EQ(MonitorGyro(m, link_, clock_, out), kOk);
  const SampleSource gyro2{SensorKind::kGyro, 2};
  EXPECT_THAT(out.headers, ElementsAre(Pair(gyro2, 0u)));
  EXPECT_THAT(
      out.samples,
      ElementsAre(
          Pair(Sample{.source = gyro2, .sensor = 202, .sensor_ms = 4, .sram = 7, .sram_ms = 8}, 2u),
          Pair(Sample{.source = gyro2, .sensor = 202, .sensor_ms = 12, .sram = 7, .sram_ms = 16},
               4u)));
}

TEST_F(MonitorTest, HeaderOrRecordTheWriterCannotTakeEndsTheSampling) {
  Recorder out(robot_);
  out.take_header = false;
  Monitor m = MonitorOf(3, 0);
  EXPECT_EQ(MonitorAD(m, link_, clock_, out), SampleStatus::kCannotWrite);
  EXPECT_TRUE(robot_.frames.empty());  // nothing was asked of the robot
  EXPECT_TRUE(out.samples.empty());

  out.take_header = true;
  out.take_samples = false;
  Monitor n = MonitorOf(3, 0);
  EXPECT_EQ(MonitorAD(n, link_, clock_, out), SampleStatus::kCannotWrite);
  EXPECT_EQ(robot_.frames.size(), 2u);
  EXPECT_EQ(out.samples.size(), 1u);
}

// The run's writers: each gets every header and record, also after another
// one failed, and any failure is the run's.
TEST_F(MonitorTest, EachOfTheRunsWritersGetsEveryHeaderAndRecord) {
  auto first = std::make_unique<Recorder>(robot_);
  auto second = std::make_unique<Recorder>(robot_);
  const Recorder& a = *first;
  const Recorder& b = *second;
  first->take_samples = false;
  SampleWriters writers;
  writers.Add(std::move(first));
  writers.Add(std::move(second));
  Monitor m = MonitorOf(3, 0);
  EXPECT_EQ(MonitorAD(m, link_, clock_, writers), SampleStatus::kCannotWrite);
  EXPECT_EQ(a.headers.size(), 1u);
  EXPECT_EQ(a.headers, b.headers);
  EXPECT_EQ(a.samples.size(), 1u);
  EXPECT_EQ(a.samples, b.samples);
}

TEST_F(MonitorTest, BothMonitorsSampleInEveryPassAdFirst) {
  std::string out, err;
  EXPECT_EQ(RunMonitored({.ad_channel = 4, .gyro = 1, .interval_ms = 0}, 30, &out, &err), 0);
  // Pass 1 at 0: A/D (0..7), gyro (7..15), pause to 20; pass 2 at 20.
  EXPECT_EQ(out,
            "AD4, ADsecond, SRAM, SRAMsecond\n"
            "104, 0.003, 7, 0.007\n"
            "GYRO1, GYROsecond, SRAM, SRAMsecond\n"
            "201, 0.004, 7, 0.008\n"
            "104, 0.023, 7, 0.027\n"
            "201, 0.024, 7, 0.028\n");
}

TEST_F(MonitorTest, FailedRequestStillReadsTheSramByteAndEndsTheRunWithItsLine) {
  robot_.value = [](const Bytes& f) { return f[0] == 0xE2 ? 100 : 7; };
  fake::Refuse(Call::kWrite, 5, 7, 1);  // the second sample's PeekAD fails
  std::string out, err;
  EXPECT_EQ(RunMonitored({.ad_channel = 3, .interval_ms = 0}, 5000, &out, &err), 1);
  EXPECT_EQ(err, "PeekAD3:Send error.\n");
  EXPECT_EQ(out,
            "AD3, ADsecond, SRAM, SRAMsecond\n"
            "100, 0.003, 7, 0.007\n"
            "-1, 0.012, 7, 0.016\n");  // the second pass begins after the 5 ms pause
  EXPECT_EQ(robot_.frames.back(), (Bytes{0xF7, 65, 1, 0}));
  EXPECT_EQ(fake::Get().log.back().call, Call::kClose);  // closed before the exit
}

#if !defined(_WIN32)
// Standard output on a device that takes nothing (a full disk).
class FullOutput {
 public:
  FullOutput() {
    std::fflush(stdout);
    full_ = open("/dev/full", O_WRONLY);
    saved_ = dup(STDOUT_FILENO);
    if (full_ >= 0) dup2(full_, STDOUT_FILENO);
  }
  ~FullOutput() {
    std::fflush(stdout);
    std::clearerr(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    if (full_ >= 0) close(full_);
  }
  bool ok() const { return full_ >= 0; }

 private:
  int full_ = -1;
  int saved_ = -1;
};

TEST_F(MonitorTest, SampleLineThatCannotBeWrittenEndsTheRunWithTheReason) {
  for (int gyro : {-1, 2}) {  // the A/D monitor's line, and the gyro's after it
    const fake::Platform fresh;
    robot_.Attach();
    const std::size_t frames_before = robot_.frames.size();
    fake::PressKey(5000, 27);
    ::Run run({.port = 1,
               .mode = LinkMode::kCable,
               .ad_channel = gyro < 0 ? 3 : -1,
               .gyro = gyro,
               .interval_ms = 0},
              RobotLink(OpenQuietly(), LinkMode::kCable, PlatformClock()), KeyboardInput());
    ::testing::internal::CaptureStderr();
    int status = 0;
    {
      FullOutput full;
      if (!full.ok()) GTEST_SKIP() << "no /dev/full";
      status = run.Execute();
    }
    EXPECT_EQ(status, 1) << gyro;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "padlink: cannot write samples: No space left on device\n")
        << gyro;
    EXPECT_EQ(fake::Get().log.back().call, Call::kClose) << gyro;  // closed before the exit
    // No sample after the one whose line was lost.
    EXPECT_EQ(robot_.frames.size() - frames_before, 2u) << gyro;
  }
}

// A line lost because the run is asked to end (SIGPIPE: the reader of the
// samples went away) is not reported: the process ends of the signal, as it
// always has.
TEST_F(MonitorTest, SampleLineLostToAnEndRequestIsNotReported) {
  robot_.Attach();
  fake::RequestAt(1, OutsideRequest::kEnd);  // comes during the first sample
  ::Run run({.port = 1, .mode = LinkMode::kCable, .ad_channel = 3, .interval_ms = 0},
            RobotLink(OpenQuietly(), LinkMode::kCable, PlatformClock()), KeyboardInput());
  ::testing::internal::CaptureStderr();
  int status = 0;
  {
    FullOutput full;
    if (!full.ok()) GTEST_SKIP() << "no /dev/full";
    status = run.Execute();
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(fake::Get().log.back().call, Call::kClose);
}
#endif

TEST_F(MonitorTest, FirstKeyAfterASampleIsNeverARepeat) {
  // The samples right after the first send leave no last command; the next
  // ones are due 300 ms later.
  fake::PressKey(0, '5');    // sent
  fake::PressKey(103, '5');  // a repeat within 500 ms, but after a sample: sent
  fake::PressKey(136, '5');  // no sample since: dropped
  std::string out, err;
  RunMonitored({.ad_channel = 4, .gyro = 1, .interval_ms = 300}, 150, &out, &err);
  EXPECT_EQ(robot_.commands, (Bytes{5, 5}));
}

TEST_F(MonitorTest, KeyWithoutActionAfterASamplePutsThePendingCommandBack) {
  fake::PressKey(0, '5');
  fake::PressKey(103, 'x');  // after the sample at 100: no last command -> 5
  fake::PressKey(118, '5');  // a repeat of 5 within 500 ms: dropped again
  std::string out, err;
  RunMonitored({.ad_channel = 4, .gyro = 1, .interval_ms = 300}, 150, &out, &err);
  EXPECT_EQ(robot_.commands, (Bytes{5}));
}

}  // namespace
