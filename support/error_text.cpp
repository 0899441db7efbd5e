#include "support/error_text.h"

#include <corbel/log.h>

#include "platform/error.h"
#include "platform/unicode.h"

namespace ovr {
namespace {

struct KnownError {
  uint32_t code;
  const char *text;
};

constexpr KnownError kKnownErrors[] = {
    {1508,
     "The requested operation is successful. Changes will not be effective until the browser "
     "is rebooted."},
    {10001, "ov.db.agent.config.script.powerscript_notfound"},
    {10002, "ov.db.agent.config.run_as_admin.credentials_not_available"},
    {10003, "ov.db.agent.config.returned_zero_failure"},
    {17021, "OfficeUpdateError: Creating temp folder."},
    {17023, "OfficeUpdateError: User cancelled installation."},
    {17024, "OfficeUpdateError: Creating folder failed."},
    {17025, "OfficeUpdateError: Patch already installed."},
    {17026, "OfficeUpdateError: Patch already installed to admin installation."},
    {17027, "OfficeUpdateError: Installation source requires full file update."},
    {17028, "OfficeUpdateError: No product installed for contained patch."},
    {17029, "OfficeUpdateError: Patch failed to install."},
    {17030, "OfficeUpdateError: Invalid CIF format."},
    {17031, "OfficeUpdateError: Invalid baseline."},
    {17034, "OfficeUpdateError: Required patch does not apply to the machine."},
    {17038,
     "OfficeUpdateError: You do not have sufficient privileges to complete this installation "
     "for all users of the machine. Log on as administrator and then retry this installation."},
    {17044, "OfficeUpdateError: Installer was unable to run detection for this package."},
    {17048, "OfficeUpdateError : This installation requires Windows Installer 3.1 or greater."},
    {17301, "OfficeUpdateError: General Detection error"},
    {17302, "OfficeUpdateError: Applying patch."},
    {17303, "OfficeUpdateError: Extracting file."},
    {20001, "Patch update delayed since application is used by another process"},
    {2359302,
     "Patch already Installed and the changes will not be effective until the system is "
     "rebooted."},
    {2359303,
     "Patch already Uninstalled and the changes will not be effective until the system is "
     "rebooted."},
};

void LogDescription(uint32_t code, const std::string &text) {
  if (code != 0) {
    LogError("Error Code : %d , Error Message : %s \n", static_cast<int>(code), text.c_str());
  } else {
    LogInfo("Message : %s \n", text.c_str());
  }
}

}  // namespace

std::string GetKnownErrorText(uint32_t code) {
  for (const auto &known : kKnownErrors) {
    if (known.code == code) return known.text;
  }
  return "Unknown Error. Code : " + std::to_string(static_cast<int>(code));
}

std::string GetErrorDescription(uint32_t code) {
  std::string text;
  if (!platform::SystemMessageText(code, text)) text = GetKnownErrorText(code);
  LogDescription(code, text);
  return text;
}

void LogErrorDescription(uint32_t code) { GetErrorDescription(code); }

void LogLastError() {
  uint32_t code = platform::LastErrorCode();
  std::string text;
  if (!platform::SystemMessageText(code, text)) text = GetKnownErrorText(code);
  LogError(" Error Message: %s\n", text.c_str());
}

std::string GetSystemErrorText(uint32_t code) {
  std::string text;
  if (platform::SystemMessageText(code, text)) {
    size_t first = text.find_first_not_of(" \t\r\n");
    size_t last = text.find_last_not_of(" \t\r\n");
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  } else {
    text = "Unknown Error";
  }
  LogDescription(code, text);
  return text;
}

bool ChangeUtf8ToWideStr(const char *utf8, std::u16string &wide) {
  if (!utf8) {
    LogError("ChangeUtf8ToWideStr: utf8 is empty! \n");
    return false;
  }
  LogDebug("UTF String Received:%s\n", utf8);
  if (platform::Utf8ToUtf16(utf8, wide) != platform::kErrorSuccess) {
    LogLastError();
    return false;
  }
  return true;
}

bool ChangeWideToUtf8Str(std::u16string_view wide, std::string &utf8) {
  if (platform::Utf16ToUtf8(wide, utf8) != platform::kErrorSuccess) {
    LogLastError();
    return false;
  }
  return true;
}

}  // namespace ovr
