// Turns the bytes a terminal sends for key presses into console key codes:
// one code per key with a character, 0 and an extended code per special key.
// Pure logic on bytes and time stamps; the POSIX keyboard feeds it.
#pragma once

#include <cstdint>

// How long a lone Esc waits for the rest of a sequence before it counts as
// the Esc key. Terminals send a whole sequence at once, so this only needs to
// cover a slow line.
constexpr std::uint32_t kEscTimeoutMs = 50;

struct TermDecoder {
  unsigned char held[32];  // bytes of a key not finished yet
  int held_len;
  bool discarding;           // dropping the rest of an over-long sequence
  std::uint32_t held_since;  // when its first byte arrived
  int codes[16];             // codes ready to be read, oldest first
  int code_count;
};

void DecoderReset(TermDecoder* d);
// One byte from the terminal, received at `now` (milliseconds).
void DecoderFeed(TermDecoder* d, unsigned char byte, std::uint32_t now);
// Settles an unfinished key once kEscTimeoutMs passed since it began: a lone
// Esc becomes the Esc key, an unfinished sequence is dropped.
void DecoderTick(TermDecoder* d, std::uint32_t now);
bool DecoderHasCode(const TermDecoder* d);
int DecoderTake(TermDecoder* d);
// Milliseconds until DecoderTick would settle what is held; -1 when nothing is.
int DecoderWaitMs(const TermDecoder* d, std::uint32_t now);
