// The echoed exchange: the request in TxBuffer goes out, the robot sends
// back as many bytes, repeating all but the last, which carries the answer.
#pragma once

#include <cstdint>

// An ExchangeResult: 0..255 the value read, or one of these failures.
constexpr std::int32_t kExchangeSendError = -1;  // a byte was not written
constexpr std::int32_t kExchangeMismatch = -2;   // the echo differs from the request
constexpr std::int32_t kExchangeTimeout = -3;    // the whole reply did not arrive in time
constexpr std::int32_t kExchangeSetRtsError = -4;
constexpr std::int32_t kExchangeClearRtsError = -5;

// Strobe mode: each byte followed by an RTS strobe, the whole reply awaited
// at the end.
std::int32_t ExchangeStrobed(std::int32_t port, std::int32_t count);
// Cable mode: no RTS activity; each byte's echo awaited before the next.
std::int32_t ExchangeCable(std::int32_t port, std::int32_t count);
// The discipline of the run's link mode, g_link_mode.
std::int32_t EchoExchange(std::int32_t port, std::int32_t count);
