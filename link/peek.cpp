// Each request builds its frame in TxBuffer from its template, runs the
// exchange of the link mode, reports a failure on standard error and returns
// the result unchanged. Requests never retry and never exit.
#include "link/peek.h"

#include <cstdio>
#include <cstring>

#include "link/buffers.h"
#include "link/exchange.h"

namespace {

std::uint8_t g_peek_ad_frame[3] = {0xE2, 0x00, 0x00};
std::uint8_t g_peek_sram_frame[4] = {0xF7, 0x00, 0x00, 0x00};

// Messages for results -1 to -5.
const char* const kFailures[] = {"Send error.", "Echoeback unmatch.", "Echoeback timeout.",
                                 "SETRTS error.", "CLRRTS error."};

const char* Failure(std::int32_t result) {
  return (result <= -1 && result >= -5) ? kFailures[-result - 1] : "Unknown error.";
}

}  // namespace

std::int32_t PeekAD(std::int32_t port, std::int32_t channel) {
  g_peek_ad_frame[1] = static_cast<std::uint8_t>(channel);
  std::memcpy(TxBuffer, g_peek_ad_frame, sizeof g_peek_ad_frame);
  const std::int32_t result = EchoExchange(port, sizeof g_peek_ad_frame);
  if (result < 0) std::fprintf(stderr, "PeekAD%d:%s\n", static_cast<int>(channel), Failure(result));
  return result;
}

std::int32_t PeekSRAM(std::int32_t port, std::int32_t p1, std::int32_t p2) {
  g_peek_sram_frame[1] = static_cast<std::uint8_t>(p1);
  g_peek_sram_frame[2] = static_cast<std::uint8_t>(p2);
  std::memcpy(TxBuffer, g_peek_sram_frame, sizeof g_peek_sram_frame);
  const std::int32_t result = EchoExchange(port, sizeof g_peek_sram_frame);
  if (result < 0) std::fprintf(stderr, "PeekSRAM:%s\n", Failure(result));
  return result;
}
