// The one place where the Windows headers enter, with their macros tamed, and the owners
// of the Windows handles the backend opens. Included only by platform/win32/*.cpp.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// These need the definitions of windows.h first.
#include <objbase.h>
#include <oleauto.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <wbemidl.h>

#include <memory>
#include <type_traits>

namespace ovr::win32 {

// A kernel handle (process, thread, snapshot). Both null and INVALID_HANDLE_VALUE mean none.
struct HandleCloser {
  void operator()(HANDLE h) const noexcept {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// Adopts a handle as returned by the API; INVALID_HANDLE_VALUE becomes an empty owner.
inline UniqueHandle AdoptHandle(HANDLE h) {
  return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// An open registry key.
struct KeyCloser {
  void operator()(HKEY k) const noexcept {
    if (k != nullptr) RegCloseKey(k);
  }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// A buffer the system allocated with LocalAlloc (FormatMessage's output).
struct LocalFreer {
  void operator()(void *p) const noexcept {
    if (p != nullptr) LocalFree(p);
  }
};

}  // namespace ovr::win32
