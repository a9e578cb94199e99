// The keys the run has taken from its sources and not yet acted on, each
// with the time it came on the run's clock. The run takes every key that
// has come at the start of each pass, so that it sees a quit key the moment
// it has come, whatever waits before it, and acts on one key a pass. A pass
// can take longer than a key's repeat (a sample, a slow port): the repeats
// of a held key that came meanwhile are one press, of the time the latest
// of them came, so that a backlog never drives the robot longer than the
// hand held the key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "app/input/intent.h"

// An intent and when it came.
struct TimedIntent {
  Intent intent;
  std::uint64_t at = 0;
};

class KeyQueue {
 public:
  // Keys kept at most. Hands do not outrun the passes that far (a held
  // key's repeats are one); keys typed ahead in a burst beyond it wait
  // where they are (the terminal keeps them) until there is room.
  static constexpr std::size_t kMaxKeys = 64;

  // A key (a press, a key that does nothing, or a quit) that came at `at`.
  void Add(const Intent& key, std::uint64_t at) {
    if (key.kind == IntentKind::kQuit) {
      quit_ = true;
      return;
    }
    if (!keys_.empty() && key.kind == IntentKind::kPress && keys_.back().intent == key) {
      keys_.back().at = at;  // the same key again before the first was acted on
      return;
    }
    if (!Full()) keys_.push_back({key, at});
  }
  bool Full() const { return keys_.size() >= kMaxKeys; }
  // Whether a quit key came.
  bool QuitWaiting() const { return quit_; }
  // The oldest key; nothing when none waits.
  std::optional<TimedIntent> Take() {
    if (keys_.empty()) return std::nullopt;
    const TimedIntent key = keys_.front();
    keys_.pop_front();
    return key;
  }
  // Drops every key that waits (a suspend).
  void Clear() { keys_.clear(); }

 private:
  std::deque<TimedIntent> keys_;
  bool quit_ = false;
};
