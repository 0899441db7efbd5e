// Text comparison without regard to ASCII case, as the handler compares product keys,
// image names and display names (other bytes compare as they are).
#pragma once

#include <cstddef>
#include <string_view>

namespace ovr {

// Equal without regard to ASCII case over at most `limit` characters: texts shorter than
// the limit must match whole.
inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b,
                                    size_t limit = std::string_view::npos) {
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (a.size() > limit) a = a.substr(0, limit);
  if (b.size() > limit) b = b.substr(0, limit);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace ovr
