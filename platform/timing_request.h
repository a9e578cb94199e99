// Whether the run asks for a raised priority: yes unless the environment
// variable PADLINK_REALTIME says no. Shared by the platform layers.
#pragma once

#include <cstring>

// value: the variable's value, null when it is not set. "0", "no", "off" and
// "false" (in any case) say no; anything else, and no variable, yes.
inline bool TimingRequestWanted(const char* value) {
  if (!value) return true;
  static const char* const kNo[] = {"0", "no", "off", "false"};
  for (const char* no : kNo) {
    std::size_t i = 0;
    while (no[i] && (value[i] | 0x20) == no[i])
      ++i;
    if (!no[i] && !value[i]) return false;
  }
  return true;
}
