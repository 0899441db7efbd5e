// Windows implementation of the system services: GetCurrentThreadId, GetLocalTime,
// GetCurrentDirectoryA, CreateDirectoryA.
#include "platform/system.h"

#include <vector>

#include "platform/win32/win32.h"

namespace ovr::sys {

long CurrentThreadId() {
  return static_cast<long>(GetCurrentThreadId());
}

LocalTime CurrentLocalTime() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

bool CurrentDirectory(std::string &out) {
  std::vector<char> buf(MAX_PATH + 1);
  for (;;) {
    DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buf.size()), buf.data());
    if (n == 0) return false;
    // Too small a buffer: the result is the size needed, terminator included.
    if (n >= buf.size()) {
      buf.resize(n + 1);
      continue;
    }
    out.assign(buf.data(), n);
    return true;
  }
}

DirResult MakeDirectory(const char *path) {
  if (path == nullptr) return {DirStatus::Failed, ERROR_INVALID_PARAMETER};
  if (CreateDirectoryA(path, nullptr)) return {DirStatus::Created, 0};
  int code = static_cast<int>(GetLastError());
  switch (code) {
    case ERROR_ALREADY_EXISTS:
      return {DirStatus::AlreadyExists, code};
    case ERROR_PATH_NOT_FOUND:
      return {DirStatus::ParentMissing, code};
    default:
      return {DirStatus::Failed, code};
  }
}

char PathSeparator() {
  return '\\';
}

}  // namespace ovr::sys
