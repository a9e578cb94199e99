// A fresh process for each unit test: the fake platform at virtual time 0 and
// every process-wide table of the program back at its start value.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"
#include "app/elapsed.h"
#include "platform/fake/fake_platform.h"
#include "serial/com.h"

class FakeTest : public ::testing::Test {
 public:
  void SetUp() override { ResetProcess(); }

  static void ResetProcess();
  // Opens port 1 of the fake and forgets the calls the open made.
  static void OpenPortQuietly();

  // Runs f, which must end the process, and returns its exit status.
  template <typename F>
  static int ExitStatusOf(F f) {
    try {
      f();
    } catch (const fake::Exit& e) {
      return e.status;
    }
    ADD_FAILURE() << "the process did not exit";
    return -1;
  }
};
