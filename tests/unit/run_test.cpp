// The run's control loop on the fake platform, in virtual time.
#include "app/run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fake_fixture.h"

namespace {

using fake::Call;
using ::testing::ElementsAre;
using ::testing::Pair;

constexpr int kQuitAt = 5000;

class ControlLoopTest : public FakeTest {
 protected:
  // Runs the loop until the Esc pressed at `quit_at`; returns its stderr.
  // `before` runs once the run is made, just before its loop starts.
  template <typename Before>
  std::string RunLoop(LinkMode mode, int quit_at, Before before) {
    fake::PressKey(static_cast<std::uint64_t>(quit_at), 27);
    ::Run run({.port = 1, .mode = mode}, RobotLink(OpenQuietly(), mode, PlatformClock()),
              KeyboardInput());
    before();
    ::testing::internal::CaptureStderr();
    status_ = run.Execute();
    return ::testing::internal::GetCapturedStderr();
  }
  std::string RunLoop(LinkMode mode = LinkMode::kStrobe, int quit_at = kQuitAt) {
    return RunLoop(mode, quit_at, [] {});
  }

  // (virtual time, byte) of every byte written.
  static std::vector<std::pair<std::uint64_t, int>> Sends() {
    std::vector<std::pair<std::uint64_t, int>> out;
    for (const fake::Record& r : fake::Calls(Call::kWrite))
      out.emplace_back(r.time, r.bytes.at(0));
    return out;
  }

  int status_ = -1;
};

TEST_F(ControlLoopTest, StrobeModeWritesTheByteThenStrobesRts) {
  fake::PressSpecial(0, SpecialKey::kUp);
  RunLoop();
  // The pass ends with its 5 ms pause.
  EXPECT_THAT(CallKinds(5),
              ElementsAre(Call::kWrite, Call::kSetRts, Call::kPause, Call::kSetRts, Call::kPause));
  const auto& log = fake::Get().log;
  EXPECT_EQ(log[0].bytes, std::vector<std::uint8_t>{11});
  EXPECT_EQ(log[1].value, 0);  // RTS off
  EXPECT_EQ(log[2].value, 8);
  EXPECT_EQ(log[3].value, 1);  // RTS on
  EXPECT_EQ(log[3].time, 8u);
  EXPECT_EQ(log[4].value, 5);
  EXPECT_EQ(status_, 0);
}

TEST_F(ControlLoopTest, CableModeMakesNoRtsChangesButStillPauses8Ms) {
  fake::PressKey(0, '7');
  RunLoop(LinkMode::kCable);
  EXPECT_THAT(CallKinds(3), ElementsAre(Call::kWrite, Call::kPause, Call::kPause));
  const auto& log = fake::Get().log;
  EXPECT_EQ(log[1].value, 8);
  EXPECT_EQ(log[2].value, 5);
  // Only the close leaves RTS (and DTR) off, as they are in cable mode.
  EXPECT_EQ(fake::Count(Call::kSetRts), 1);
  EXPECT_EQ(fake::Calls(Call::kSetRts)[0].value, 0);
  EXPECT_EQ(fake::Get().log[fake::Get().log.size() - 3].call, Call::kSetRts);
}

// The close leaves RTS and DTR off, then closes the port.
TEST_F(ControlLoopTest, IdlePassesOnlyPause) {
  RunLoop(LinkMode::kStrobe, 50);
  const auto pauses = fake::Calls(Call::kPause);
  EXPECT_EQ(pauses.size(), 10u);  // passes at 0, 5, ..., 45; the quit at 50
  EXPECT_EQ(fake::Get().log.size(), pauses.size() + 3);
  const auto& log = fake::Get().log;
  EXPECT_EQ(log[log.size() - 3].call, Call::kSetRts);
  EXPECT_EQ(log[log.size() - 3].value, 0);
  EXPECT_EQ(log[log.size() - 2].call, Call::kSetDtr);
  EXPECT_EQ(log[log.size() - 2].value, 0);
  EXPECT_EQ(log.back().call, Call::kClose);
}

// Passes run every 5 ms; a pass that sends takes 8 ms more. The key times
// below fall on passes, so each key is read when it is pressed.

TEST_F(ControlLoopTest, RepeatWithin500MsIsDropped) {
  // The first send ends at 8 ms: the last send time. Passes at 13 + 5k.
  fake::PressKey(0, '5');
  fake::PressKey(303, '5');  // 295 ms later: dropped
  fake::PressKey(603, '5');  // 595 ms later: sent
  RunLoop();
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 5), Pair(603u, 5)));
}

TEST_F(ControlLoopTest, Exactly500MsIsDroppedAnd501IsSent) {
  fake::PressKey(0, '5');
  fake::PressKey(508, '5');  // read at 508: 500 ms after the send
  RunLoop();
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 5)));

  const fake::Platform fresh;
  fake::Get().late_pauses[1] = 1;  // the first pass's 5 ms pause wakes 1 ms late
  fake::PressKey(0, '5');
  fake::PressKey(509, '5');  // read at 509: 501 ms after the send
  RunLoop();
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 5), Pair(509u, 5)));
}

TEST_F(ControlLoopTest, SuppressionComparesOnlyWithThePreviousCommand) {
  fake::PressKey(0, '5');
  fake::PressKey(43, '6');
  fake::PressKey(81, '5');
  RunLoop();
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 5), Pair(43u, 6), Pair(81u, 5)));
}

TEST_F(ControlLoopTest, KeyWithoutActionSendsNothingAndKeepsTheLastSendTime) {
  fake::PressKey(0, '5');
  fake::PressKey(453, 'x');  // no action
  fake::KeyboardFails(458);  // a console that cannot be read: no action
  fake::PressKey(523, '5');  // 515 ms after the send, so sent
  RunLoop();
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 5), Pair(523u, 5)));
}

// Pasted text and ignored bytes are no keys: they send nothing and leave the
// repeat suppression as it was; the first paste says, as it begins, that it
// is not sent.
TEST_F(ControlLoopTest, PastesAndIgnoredBytesSendNothingAndTheFirstPasteSaysSo) {
  Key report;
  report.kind = KeyKind::kIgnored;
  report.length = 1;
  fake::PressKey(0, '5');
  fake::PressKey(100, Key::PasteBegin());
  fake::PressKey(150, Key::Paste(12));
  fake::PressKey(200, report);
  fake::PressKey(250, Key::PasteBegin());
  fake::PressKey(260, Key::Paste(3));
  fake::PressKey(303, '5');  // a repeat 295 ms after the send: dropped
  fake::PressKey(403, '6');
  const std::string err = RunLoop();
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 5), Pair(403u, 6)));
  EXPECT_EQ(err, "padlink: pasted text is not sent to the robot; type the keys instead\n");
}

TEST_F(ControlLoopTest, SpecialKeysGiveTheCommandsOfTheirAliases) {
  fake::PressSpecial(0, SpecialKey::kLeft, KeyForm::kCtrl);  // 's'
  fake::PressSpecial(23, SpecialKey::kUp, KeyForm::kCtrl);
  fake::PressSpecial(41, SpecialKey::kF3);  // no action
  fake::PressKey(61, 13);                   // Enter
  RunLoop();
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 22), Pair(23u, 10), Pair(61u, 26)));
}

TEST_F(ControlLoopTest, SendFailuresAreReportedAndTheLoopGoesOn) {
  // The first command's write, its RTS clear (the first change) or its RTS
  // set (the second) is refused; every step is still made.
  struct Case {
    Call call;
    int after;
    const char* message;
  };
  const Case cases[] = {{Call::kWrite, 0, "CMD:Send error 0 bytes sent.\n"},
                        {Call::kSetRts, 0, "CMD:CLRRTS error\n"},
                        {Call::kSetRts, 1, "CMD:SETRTS error\n"}};
  for (const Case& c : cases) {
    const fake::Platform fresh;
    fake::Refuse(c.call, 5, c.after, 1);
    fake::PressKey(0, '1');
    fake::PressKey(20, '2');
    EXPECT_EQ(RunLoop(), c.message);
    EXPECT_EQ(fake::Count(Call::kSetRts), 5);  // two strobes, and RTS off at the close
    EXPECT_EQ(Sends().size(), 2u);
    EXPECT_EQ(status_, 0);
  }
}

TEST_F(ControlLoopTest, FailedSendStillSetsTheLastSendTime) {
  fake::Refuse(Call::kWrite, 5, 0, 1);
  fake::PressKey(0, '5');
  fake::PressKey(303, '5');  // a repeat of the failed send: dropped
  fake::PressKey(603, '5');
  EXPECT_EQ(RunLoop(), "CMD:Send error 0 bytes sent.\n");
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 5), Pair(603u, 5)));
}

TEST_F(ControlLoopTest, QuitKeysCloseThePortAndExitWithZero) {
  const Key quits[] = {Key::Character(27), Key::Character('S'), Key::Special(SpecialKey::kDelete)};
  for (const Key& quit : quits) {
    const fake::Platform fresh;
    fake::PressKey(10, quit);
    fake::PressKey(20, '5');  // never read
    RunLoop(LinkMode::kStrobe, 30);
    EXPECT_EQ(status_, 0);
    EXPECT_EQ(fake::Count(Call::kClose), 1);
    EXPECT_EQ(fake::Get().log.back().call, Call::kClose);
    EXPECT_EQ(fake::Count(Call::kWrite), 0);
    EXPECT_EQ(fake::Get().keyboards_opened, 1);
  }
}

// The notice comes as a paste begins: a paste whose end never comes still
// says so at once.
TEST_F(ControlLoopTest, APasteSaysSoAsItBegins) {
  fake::PressKey(100, Key::PasteBegin());
  const std::string err = RunLoop(LinkMode::kStrobe, 120);
  EXPECT_EQ(err, "padlink: pasted text is not sent to the robot; type the keys instead\n");
}

// A quit key ends the run at the pass it has come to, whatever came before
// it: keys typed ahead in a burst are never sent when a quit key is among
// them.
TEST_F(ControlLoopTest, AQuitKeyWinsOverTheKeysThatCameBeforeIt) {
  for (const char* burst : {"123456789\x1b", "55555S", "1\x1b"}) {
    const fake::Platform fresh;
    for (const char* c = burst; *c; ++c)
      fake::PressKey(40, static_cast<unsigned char>(*c));
    RunLoop(LinkMode::kStrobe, 1000);
    EXPECT_EQ(fake::Count(Call::kWrite), 0) << burst;
    EXPECT_EQ(fake::Calls(Call::kClose).at(0).time, 40u) << burst;
  }
}

// Repeats of a key that came while a pass was busy are one press: a burst
// of the same key sends its command once; other keys in it each theirs, in
// order, one a pass.
TEST_F(ControlLoopTest, RepeatsThatCameDuringAPassAreOnePress) {
  for (int i = 0; i < 20; ++i)
    fake::PressKey(40, '5');
  for (const char c : std::string("66778"))
    fake::PressKey(41, static_cast<unsigned char>(c));
  RunLoop();
  // Passes at 40 (5, then 8 + 5 ms), 53, 66, 79.
  EXPECT_THAT(Sends(), ElementsAre(Pair(40u, 5), Pair(53u, 6), Pair(66u, 7), Pair(79u, 8)));
}

// A source of intents scripted at virtual times.
class ScriptedSource : public InputSource {
 public:
  explicit ScriptedSource(std::deque<std::pair<std::uint64_t, Intent>> script)
      : script_(std::move(script)) {}
  void Open() override {}
  void Discard() override {
    while (!script_.empty() && script_.front().first <= fake::Get().now)
      script_.pop_front();
  }
  std::optional<Intent> Poll() override {
    if (script_.empty() || script_.front().first > fake::Get().now) return std::nullopt;
    const Intent intent = script_.front().second;
    script_.pop_front();
    return intent;
  }

 private:
  std::deque<std::pair<std::uint64_t, Intent>> script_;
};

// Every source drives the run as the keyboard does, one key a pass, under
// the same repeat rule; a release, a marker and a source lost or back do
// nothing yet.
TEST_F(ControlLoopTest, ASecondSourceDrivesTheRunAsTheKeyboardDoes) {
  using K = IntentKind;
  fake::PressKey(0, '5');
  InputSources inputs = KeyboardInput();
  inputs.push_back(std::make_unique<ScriptedSource>(std::deque<std::pair<std::uint64_t, Intent>>{
      {40, {K::kPress, 7}},
      {41, {K::kRelease, 7}},
      {60, {K::kMarker}},
      {80, {K::kLost}},
      {90, {K::kBack}},
      {100, {K::kPress, 7}},  // 49 ms after its send: a repeat
      {120, {K::kQuit}},
  }));
  ::Run run({.port = 1, .mode = LinkMode::kCable},
            RobotLink(OpenQuietly(), LinkMode::kCable, clock()), std::move(inputs));
  EXPECT_EQ(run.Execute(), 0);
  // Passes at 0 (sends 5, then 8 + 5 ms), 13, 18 ... 43 (sends 7).
  EXPECT_THAT(Sends(), ElementsAre(Pair(0u, 5), Pair(43u, 7)));
  EXPECT_EQ(fake::Calls(Call::kClose).at(0).time, 121u);
}

TEST_F(ControlLoopTest, RepeatWindowWorksAcrossTheWrapOfTheTickCount) {
  fake::Get().ms_at_zero = 0xFFFFFF00u;  // the tick count wraps 256 ms in
  fake::PressKey(200, '5');
  fake::PressKey(403, '5');  // dropped
  fake::PressKey(803, '5');  // sent
  // The run's clock starts at the tick 0xFFFFFF00; then ElapsedMs passes
  // INT32_MAX.
  RunLoop(LinkMode::kStrobe, kQuitAt, [] { fake::Get().ms_at_zero = 0x7FFFFF00u; });
  EXPECT_THAT(Sends(), ElementsAre(Pair(200u, 5), Pair(803u, 5)));
}

}  // namespace
