// The system's English message texts for the codes the handler can meet, in the one-line
// form the system gives them (the closing line break turned into a blank).
#include "platform/error.h"

#include <string_view>

namespace ovr::platform {
namespace {

struct Message {
  uint32_t code;
  std::string_view text;
};

constexpr Message kMessages[] = {
    {0, "The operation completed successfully. "},
    {1, "Incorrect function. "},
    {2, "The system cannot find the file specified. "},
    {3, "The system cannot find the path specified. "},
    {4, "The system cannot open the file. "},
    {5, "Access is denied. "},
    {6, "The handle is invalid. "},
    {8, "Not enough memory resources are available to process this command. "},
    {13, "The data is invalid. "},
    {32, "The process cannot access the file because it is being used by another process. "},
    {87, "The parameter is incorrect. "},
    {193, "%1 is not a valid Win32 application. "},
    {206, "The filename or extension is too long. "},
    {234, "More data is available. "},
    {258, "The wait operation timed out. "},
    {259, "No more data is available. "},
    {267, "The directory name is invalid. "},
    {1009, "The configuration registry database is corrupt. "},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page. "},
    {1460, "This operation returned because the timeout period expired. "},
    {1602, "User cancelled installation. "},
    {1603, "Fatal error during installation. "},
    {1605, "This action is only valid for products that are currently installed. "},
    {1618,
     "Another installation is already in progress. Complete that installation before "
     "proceeding with this install. "},
    {1619,
     "This installation package could not be opened. Verify that the package exists and that "
     "you can access it, or contact the application vendor to verify that this is a valid "
     "Windows Installer package. "},
    {1641,
     "The requested operation completed successfully. The system will be restarted so the "
     "changes can take effect. "},
    {3010,
     "The requested operation is successful. Changes will not be effective until the system "
     "is rebooted. "},
};

}  // namespace

bool SystemMessageText(uint32_t code, std::string &text) {
  for (const auto &message : kMessages) {
    if (message.code == code) {
      text = message.text;
      return true;
    }
  }
  return false;
}

}  // namespace ovr::platform
