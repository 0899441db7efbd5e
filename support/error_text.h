// Texts for result codes, for the log and for the agent: the system's own message first,
// then a fixed table of codes the agent's installers and this program use. Also the two
// text conversions the registry writes need.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovr {

// The fixed table's text for `code`, or "Unknown Error. Code : <code>" for a code outside it.
std::string GetKnownErrorText(uint32_t code);

// The system's text for `code` (as the system gives it, one line), else GetKnownErrorText.
// Logs it: ERROR "Error Code : %d , Error Message : %s \n" for a non-zero code, INFO
// "Message : %s \n" for 0.
std::string GetErrorDescription(uint32_t code);

// Logs GetErrorDescription(code).
void LogErrorDescription(uint32_t code);

// Logs the system text of the calling thread's last error as ERROR " Error Message: %s\n".
void LogLastError();

// The system's text for `code` with blanks trimmed from both ends, or "Unknown Error"; logged
// as GetErrorDescription logs.
std::string GetSystemErrorText(uint32_t code);

// UTF-8 to wide text. False with ERROR "ChangeUtf8ToWideStr: utf8 is empty! \n" for null
// `utf8`; false after LogLastError for malformed UTF-8 (`wide` then holds what was converted
// before the fault). Logs the text received at DEBUG.
bool ChangeUtf8ToWideStr(const char *utf8, std::u16string &wide);

// Wide text to UTF-8. False for malformed text (an unpaired surrogate), logged as
// LogLastError logs.
bool ChangeWideToUtf8Str(std::u16string_view wide, std::string &utf8);

}  // namespace ovr
