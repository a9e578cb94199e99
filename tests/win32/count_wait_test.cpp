// Waiting for the input count on a COM port, in virtual time: it ends as
// soon as the count is enough, and otherwise with a look taken once the
// time has passed, however late the process got to run.
#include "platform/win32/count_wait.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A virtual clock, the bytes that arrive on it, and the looks taken.
struct Line {
  std::uint32_t now;
  std::uint32_t pause_length;           // what one 1 ms pause really takes
  std::vector<std::uint32_t> arrivals;  // arrival times, ascending
  std::vector<std::uint32_t> looks;     // when each look was taken
  std::uint32_t fail_at = UINT32_MAX;   // the look at or after this time fails

  SysResult<std::int32_t> Look() {
    looks.push_back(now);
    if (now - looks.front() >= fail_at) return Fail(SysError{22, "gone\r\n"});
    std::int32_t count = 0;
    for (std::uint32_t t : arrivals)
      count += now - looks.front() >= t ? 1 : 0;
    return count;
  }
};

SysResult<std::int32_t> Wait(Line* line, std::int32_t n, std::int32_t timeout_ms) {
  return WaitForCount(
      n, timeout_ms, [line] { return line->Look(); }, [line] { return line->now; },
      [line](std::int32_t ms) {
        line->now += line->pause_length * static_cast<std::uint32_t>(ms);
      });
}

struct Case {
  const char* name;
  std::uint32_t start;
  std::uint32_t pause_length;
  std::vector<std::uint32_t> arrivals;  // relative to the start
  std::int32_t n;
  std::int32_t timeout_ms;
  std::int32_t want_count;
  std::uint32_t want_end;  // relative to the start: when the wait returned
};

TEST(CountWait, EndsWhenTheCountIsEnoughOrWithALookAfterTheTime) {
  const Case cases[] = {
      {"already there: one look, no pause", 1000, 1, {0, 0, 0}, 3, 1000, 3, 0},
      {"the last byte comes at 7 ms", 1000, 1, {2, 5, 7}, 3, 1000, 3, 7},
      {"two of three within the time: a look at the deadline", 1000, 1, {2, 5}, 3, 10, 2, 10},
      {"a byte just at the deadline counts", 1000, 1, {2, 5, 10}, 3, 10, 3, 10},
      {"no time: exactly one look", 1000, 1, {1}, 1, 0, 0, 0},
      {"a pause that overran the deadline: bytes of that time count",
       1000,
       60,
       {30, 40},
       3,
       10,
       2,
       60},
      {"the tick count wraps during the wait", UINT32_MAX - 3, 1, {}, 1, 10, 0, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Line line{c.start, c.pause_length, c.arrivals, {}};
    const SysResult<std::int32_t> got = Wait(&line, c.n, c.timeout_ms);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, c.want_count);
    EXPECT_EQ(line.looks.back() - c.start, c.want_end);
    // Never more than one look past the time.
    std::int32_t late = 0;
    for (std::uint32_t t : line.looks)
      late += t - c.start >= static_cast<std::uint32_t>(c.timeout_ms) ? 1 : 0;
    EXPECT_LE(late, 1);
  }
}

TEST(CountWait, AFailedLookEndsTheWaitWithItsError) {
  Line line{0, 1, {}, {}, 4};
  const SysResult<std::int32_t> got = Wait(&line, 1, 1000);
  ASSERT_FALSE(got.ok());
  EXPECT_EQ(got.error().code, 22);
  EXPECT_EQ(line.looks.back(), 4u);
}

}  // namespace
