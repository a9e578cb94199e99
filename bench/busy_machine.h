// The runs of the idle-and-busy table: what padlink does under one
// condition (the machine as found or kept busy, with the real-time privilege
// or without it).
#pragma once

#include <string>
#include <vector>

#include "bench/report.h"
#include "bench/stage.h"

struct Condition {
  std::string name;
  bool loaded;
  bool privileged;
};

struct Figures {
  std::string scheduling;  // as the running padlink had it
  std::vector<double> rts_low;
  std::vector<double> pass;
  std::vector<double> key_to_wire;
  std::vector<double> key_to_wire_own;  // keys the terminal delivered at once
  int keys_late = 0;                    // keys the terminal delivered late
  std::vector<double> to_robot;         // padlink's write to the robot's read, ms
  int samples = 0;
  int failed = 0;
  int failed_own = 0;                 // those the logs put down to padlink itself
  std::vector<std::string> failures;  // what each failed sample came from
  double seconds = 0;
  double busy = 0;   // share of the processors busy meanwhile
  std::string load;  // load average at the start
};

constexpr double kStrobeRunS = 20;

// Strobe-mode sampling at -t 0 for kStrobeRunS: RTS low times, samples and
// failed samples, delivery to the robot (strobe_run.cpp).
void StrobeRun(const Stage& stage, const Condition& cond, Figures* f, Report* report);

// An idle padlink's passes, then keys to its port: pass period and key to
// wire (pass_and_key_run.cpp).
void PassAndKeyRun(const Stage& stage, const Condition& cond, Figures* f);
