// Waiting for input by its count: the driver has no blocking wait for "n
// bytes queued" on a port opened for plain (not overlapped) transfers, so
// the count is looked at, with 1 ms pauses, until it is enough or the time
// is up. Written for any clock and pause, so that the unit tests run it in
// virtual time.
#pragma once

#include <cstdint>

#include "platform/port.h"

// Looks at the count (look() -> SysResult<int32_t>) until it reaches n or
// timeout_ms has passed on now_ms() (a millisecond tick count that may wrap),
// pausing with pause_ms(1) between looks. The count returned comes from a
// look taken once the time has passed when it is less than n, so bytes that
// came while the process did not run count. A failed look ends the wait.
template <typename Look, typename Clock, typename Pause>
SysResult<std::int32_t> WaitForCount(std::int32_t n, std::int32_t timeout_ms, Look look,
                                     Clock now_ms, Pause pause_ms) {
  const std::uint32_t start = now_ms();
  const std::uint32_t limit = timeout_ms > 0 ? static_cast<std::uint32_t>(timeout_ms) : 0;
  for (;;) {
    const bool last = static_cast<std::uint32_t>(now_ms() - start) >= limit;
    SysResult<std::int32_t> count = look();
    if (!count || *count >= n || last) return count;
    pause_ms(1);
  }
}
