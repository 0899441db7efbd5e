// The process command-line query, in two steps as the management service wants it:
// connect once, then query on the connection; the caller releases it afterwards.
#include "handler/wmi_query.h"

#include <corbel/log.h>

#include <cstdio>
#include <vector>

#include "platform/process_query.h"
#include "platform/unicode.h"

namespace ovr {
namespace {

// The connection of this run; none until ConnectWmiNamespace connects.
platform::ProcessQuery gv_wmiService;

constexpr char16_t kWanted[] = u"pdfsam-community";

}  // namespace

int32_t ConnectWmiNamespace() {
  gv_wmiService.reset();
  platform::ProcessQueryStep failedStep = platform::ProcessQueryStep::InitializeCom;
  const int32_t rc = platform::ConnectProcessQuery(gv_wmiService, failedStep);
  const unsigned code = static_cast<unsigned>(rc);
  if (rc < 0 && failedStep == platform::ProcessQueryStep::InitializeCom) {
    LogError("GetValuesUsingWMIQuery : Failed to initialize COM library. Error code = 0x%x\n", code);
  } else if (rc < 0 && failedStep == platform::ProcessQueryStep::CreateLocator) {
    LogError("GetValuesUsingWMIQuery : Failed to create IWbemLocator object. Err code = 0x%x\n", code);
  } else if (rc < 0 && failedStep == platform::ProcessQueryStep::ConnectNamespace) {
    LogError("GetValuesUsingWMIQuery :Could not connect. Error code = 0x%x\n", code);
  } else {
    LogInfo("GetValuesUsingWMIQuery : Connected to ROOT\\CIMV2 WMI namespace\n");
    if (rc < 0) LogError("GetValuesUsingWMIQuery :Could not set proxy blanket. Error code = 0x%x\n", code);
  }
  return rc;
}

int32_t GetValuesUsingWMIQuery(std::u16string &commandLine) {
  if (!gv_wmiService) {
    LogInfo("WMI connection failed. So ignoring WMI Check\n");
    return 0;
  }
  std::vector<std::u16string> matches;
  const int32_t rc = platform::QueryProcessCommandLines(gv_wmiService, kWanted, matches);
  if (rc < 0) {
    LogError("GetValuesUsingWMIQuery : Query for the required wmi class is failed . Error code = 0x%x\n",
             static_cast<unsigned>(rc));
  }
  for (std::u16string &line : matches) {
    std::string text;
    platform::Utf16ToUtf8(line, text);
    commandLine = std::move(line);
    LogInfo("GetValuesUsingWMIQuery : The required Value is given by: %s\n", text.c_str());
  }
  LogDebug("GetValuesUsingWMIQuery : Going to clean the allocated resources .\n");
  return rc < 0 ? rc : 0;
}

void ReleaseWmiConnection() { gv_wmiService.reset(); }

void WriteStandardOutput(const char *text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

}  // namespace ovr
