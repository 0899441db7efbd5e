// Small helpers the foundation shares: C-heap copies of C++ text and the entry lines.
#pragma once

#include <corbel/log.h>
#include <corbel/primitives.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace corbel::foundation {

// A malloc'ed, NUL-terminated copy of `text` for a caller to free(); nullptr (after the
// allocation message) when memory runs out.
inline char *NewCString(std::string_view text) {
  char *copy = nullptr;
  if (AllocateBytesCopy(&copy, text.data(), text.size()) != CORBEL_STATUS_SUCCESS) return nullptr;
  return copy;
}

// A typed value read from its in-memory form, which need not be aligned for T.
template <typename T>
T LoadValue(const void *value) {
  T out;
  std::memcpy(&out, value, sizeof out);
  return out;
}

// The view of a possibly NULL C string.
inline std::string_view View(const char *s) { return s ? std::string_view(s) : std::string_view(); }

}  // namespace corbel::foundation

// The entry line of an operation: "\n\t@@@@@ Inside Name() @@@@@ \n" at TRACE.
#define CORBEL_TRACE_ENTRY(name) LogTrace("\n\t@@@@@ Inside " name "() @@@@@ \n")
