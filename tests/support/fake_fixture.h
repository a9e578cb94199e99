// A fresh process for each unit test: the fake platform at virtual time 0 and
// every process-wide table of the program back at its start value.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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

  // The kinds of the calls the fake recorded, oldest first; at most n.
  static std::vector<fake::Call> CallKinds(std::size_t n = SIZE_MAX);

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
