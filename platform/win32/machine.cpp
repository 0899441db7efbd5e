// Facts about the machine on Windows: GetTickCount64 and GetSystemDirectoryA.
#include "platform/machine.h"

#include <vector>

#include "platform/win32/win32.h"

namespace ovr::platform {

uint64_t UptimeMilliseconds() {
  return GetTickCount64();
}

std::string SystemDirectory() {
  std::vector<char> buf(MAX_PATH + 1);
  for (;;) {
    UINT n = GetSystemDirectoryA(buf.data(), static_cast<UINT>(buf.size()));
    if (n == 0) return "C:\\Windows\\System32";  // the documented place; the call never fails
    // Too small a buffer: the result is the size needed, terminator included.
    if (n >= buf.size()) {
      buf.resize(n + 1);
      continue;
    }
    return std::string(buf.data(), n);
  }
}

}  // namespace ovr::platform
