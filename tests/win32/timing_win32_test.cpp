// The run's priority on Windows (under Wine in the tests): raised when the
// run starts, unless the user turns it off; the last error is left alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/platform.h"

namespace {

TEST(TimingWin32, TurnedOffTheRunKeepsItsPriority) {
  const DWORD process_before = GetPriorityClass(GetCurrentProcess());
  const int thread_before = GetThreadPriority(GetCurrentThread());
  _putenv("PADLINK_REALTIME=0");
  PlatformRequestTiming();
  _putenv("PADLINK_REALTIME=");
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), process_before);
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), thread_before);
}

TEST(TimingWin32, TheRunGetsAHighPriorityQuietly) {
  SetLastError(1234);
  PlatformRequestTiming();
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
}

}  // namespace
