#include "link/exchange.h"

#include <cstdio>

#include "link/buffers.h"
#include "link/link_mode.h"
#include "platform/platform.h"
#include "serial/com.h"

namespace {

constexpr int kReplyPolls = 50;  // each followed by a 1 ms pause

// The reply is in RxBuffer: the echo must match the request; the last byte
// is the value. Neither discipline flushes the input queue first, so bytes
// left from earlier traffic are read as the start of the reply.
std::int32_t CheckReply(std::int32_t port, std::int32_t count) {
  // A short read leaves bytes of an earlier exchange in RxBuffer: the reply
  // did not arrive, whatever those bytes say.
  if (ComRead(port, RxBuffer, count) < count) return kExchangeTimeout;
  for (std::int32_t j = 0; j < count - 1; ++j) {
    if (RxBuffer[j] != TxBuffer[j]) return kExchangeMismatch;
  }
  return RxBuffer[count - 1];
}

}  // namespace

std::int32_t ExchangeStrobed(std::int32_t port, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    if (ComWrite(port, &TxBuffer[i], 1) < 1) return kExchangeSendError;
    if (!ComClearRts(port)) {
      std::fprintf(stderr, "CLRRTS error\n");
      return kExchangeClearRtsError;
    }
    PlatformPause(kStrobeMs);
    if (!ComSetRts(port)) {
      std::fprintf(stderr, "SETRTS error\n");
      return kExchangeSetRtsError;
    }
  }
  std::uint32_t last_poll = 0;
  for (int poll = 0; poll < kReplyPolls; ++poll) {
    if (ComRxCount(port) >= count) return CheckReply(port, count);
    last_poll = PlatformTickMs();
    PlatformPause(1);
  }
  // When the last pause ran long (the process waited for the processor, or
  // was stopped), a reply that arrived meanwhile was in time: one more look.
  if (PlatformTickMs() - last_poll > 1 && ComRxCount(port) >= count) return CheckReply(port, count);
  return kExchangeTimeout;
}

std::int32_t ExchangeCable(std::int32_t port, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) {
    if (ComWrite(port, &TxBuffer[i], 1) < 1) return kExchangeSendError;
    // Wait for this byte's echo; a late one is caught by the final read.
    for (int poll = 0; poll < kReplyPolls; ++poll) {
      if (ComRxCount(port) > i) break;
      PlatformPause(1);
    }
  }
  // Waits within the port's read time-outs for reply bytes still missing.
  return CheckReply(port, count);
}

std::int32_t EchoExchange(std::int32_t port, std::int32_t count) {
  return g_link_mode == LinkMode::kCable ? ExchangeCable(port, count)
                                         : ExchangeStrobed(port, count);
}
