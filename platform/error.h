// Result codes and the system's message texts.
//
// Every platform operation reports failure with a Windows error code (0 = success), since
// the handler logs, compares and returns those codes as they stand. The constants below
// are the codes the callers compare against; any other code may come back as well.
#pragma once

#include <cstdint>
#include <string>

namespace ovr::platform {

inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;       // missing key, value, program, process
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;       // also: deleting a key with subkeys
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidData = 13;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorBadExeFormat = 193;
inline constexpr uint32_t kErrorMoreData = 234;         // the value does not fit the buffer
inline constexpr uint32_t kWaitTimeout = 258;           // a wait ran out of time
inline constexpr uint32_t kErrorNoMoreItems = 259;      // end of an enumeration
inline constexpr uint32_t kStillActive = 259;           // exit code of a running process
inline constexpr uint32_t kErrorDirectory = 267;        // a working directory that is no directory
inline constexpr uint32_t kErrorBadDatabase = 1009;     // the registry store cannot be read
inline constexpr uint32_t kErrorNoUnicodeTranslation = 1113;  // text that does not convert

// The calling thread's last error, as the platform operations leave it (each failing
// operation also stores its code here, the way the system's own calls do).
uint32_t LastErrorCode();
void SetLastErrorCode(uint32_t code);

// The system's message text for `code` in the one-line form (line breaks become blanks, so
// a text usually ends with one blank), inserts left as written ("%1"). False and `text`
// untouched when the system has no message for the code.
bool SystemMessageText(uint32_t code, std::string &text);

}  // namespace ovr::platform
