#include "tools/plot/input_loop.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

namespace plot {

InputLoop::InputLoop(bool live, SignalWatch& signals, LiveChart& chart, LogParser& parser,
                     InputCopy& copy)
    : live_(live), signals_(signals), chart_(chart), parser_(parser), copy_(copy), buf_(1 << 20) {}

int InputLoop::Run() {
  if (live_ && !chart_.Enter()) live_ = false;
  if (live_) chart_.Draw(parser_.run(), true);
  int error = 0;
  bool reading = true;
  while (reading && !signals_.quit())
    reading = Round(&error);
  return error;
}

bool InputLoop::Round(int* error) {
  if (signals_.TakeSuspend()) Suspend();
  if (live_ && signals_.TakeRedraw()) Draw(true);
  const int r = signals_.Wait(Timeout());
  if (r < 0 && errno != EINTR) {
    *error = errno;
    return false;
  }
  if (r > 0 && !Take(error)) return false;
  if (live_ && dirty_ && NowMs() >= next_draw_) Draw(false);
  return true;
}

void InputLoop::Suspend() {
  chart_.Leave();
  signals_.Stop();
  chart_.Enter();
}

int InputLoop::Timeout() const {
  if (!live_ || !dirty_) return -1;
  return static_cast<int>(std::clamp<std::int64_t>(next_draw_ - NowMs(), 0, kFrameMs));
}

bool InputLoop::Take(int* error) {
  const long n = signals_.Read(buf_.data(), buf_.size());
  if (n == 0) return false;
  if (n < 0) {
    if (errno == EINTR || errno == EAGAIN) return true;
    *error = errno;
    return false;
  }
  const std::string_view bytes(buf_.data(), static_cast<std::size_t>(n));
  copy_.Write(bytes);
  parser_.Feed(bytes);
  dirty_ = true;
  return true;
}

void InputLoop::Draw(bool full) {
  chart_.Draw(parser_.run(), full);
  dirty_ = false;
  next_draw_ = NowMs() + kFrameMs;
}

}  // namespace plot
