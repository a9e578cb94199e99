// What a failed request's result means: the negative results a sample line
// carries for a request that failed, and the words padlink's message about
// each uses ("PeekAD3:Echoeback timeout."). padlink reports with them, and
// padlink-plot names a failure with the same words.
#pragma once

#include <cstdint>

// The failure's words for a result from -1 to -5 (with the message's full
// stop: "Echoeback timeout."); null for any other result.
inline const char* FailureMeaning(std::int32_t result) {
  switch (result) {
    case -1:
      return "Send error.";  // a byte was not written
    case -2:
      return "Echoeback unmatch.";  // the echo differs from the request
    case -3:
      return "Echoeback timeout.";  // the whole reply did not arrive in time
    case -4:
      return "SETRTS error.";  // the strobe could not set RTS again
    case -5:
      return "CLRRTS error.";  // the strobe could not clear RTS
    default:
      return nullptr;
  }
}
