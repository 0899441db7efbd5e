// Result codes and message texts on Windows: the thread's last error and FormatMessage.
#include "platform/error.h"

#include <memory>

#include "platform/win32/win32.h"

namespace ovr::platform {

uint32_t LastErrorCode() {
  return GetLastError();
}

void SetLastErrorCode(uint32_t code) {
  SetLastError(code);
}

bool SystemMessageText(uint32_t code, std::string &text) {
  char *buffer = nullptr;
  // The maximum-width option turns the text's line breaks into blanks: one line.
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                           nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           reinterpret_cast<char *>(&buffer), 0, nullptr);
  std::unique_ptr<char, win32::LocalFreer> owner(buffer);
  if (n == 0 || buffer == nullptr) return false;
  text.assign(buffer, n);
  return true;
}

}  // namespace ovr::platform
