// Whether the run asks for a raised priority: yes unless the environment
// variable PADLINK_REALTIME says no. Shared by the platform layers, and by
// start-up, which says so when the variable holds a value it does not know.
#pragma once

#include <cstddef>

enum class TimingWish {
  kYes,      // no variable, an empty one, or 1, yes, on, true
  kNo,       // 0, no, off, false
  kUnknown,  // anything else: asked for as without the variable
};

namespace timing_request {

inline bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The n characters at text are `word` (lower case) in any case.
inline bool IsWord(const char* text, std::size_t n, const char* word) {
  std::size_t i = 0;
  for (; i < n && word[i]; ++i) {
    const char c =
        text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != word[i]) return false;
  }
  return i == n && !word[i];
}

}  // namespace timing_request

// value: the variable's value, null when it is not set. The words count in
// any case, with blanks around them.
inline TimingWish TimingWishOf(const char* value) {
  using timing_request::Blank;
  using timing_request::IsWord;
  if (!value) return TimingWish::kYes;
  while (Blank(*value))
    ++value;
  std::size_t n = 0;
  while (value[n])
    ++n;
  while (n > 0 && Blank(value[n - 1]))
    --n;
  if (n == 0 || IsWord(value, n, "1") || IsWord(value, n, "yes") || IsWord(value, n, "on") ||
      IsWord(value, n, "true"))
    return TimingWish::kYes;
  if (IsWord(value, n, "0") || IsWord(value, n, "no") || IsWord(value, n, "off") ||
      IsWord(value, n, "false"))
    return TimingWish::kNo;
  return TimingWish::kUnknown;
}

inline bool TimingRequestWanted(const char* value) {
  return TimingWishOf(value) != TimingWish::kNo;
}
