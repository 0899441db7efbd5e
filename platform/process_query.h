// Queries of the running processes' command lines through the system's management
// service (WMI: "Select * from Win32_Process where CommandLine like '%...%'").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ovr::platform {

// A connection to the management service of the calling thread; closing it releases the
// service and ends the thread's use of COM.
struct ProcessQueryData;
void CloseProcessQuery(ProcessQueryData *query) noexcept;
struct ProcessQueryCloser {
  void operator()(ProcessQueryData *query) const noexcept { CloseProcessQuery(query); }
};
using ProcessQuery = std::unique_ptr<ProcessQueryData, ProcessQueryCloser>;

// The steps of a connection, in their order; a failure names the step that failed.
enum class ProcessQueryStep {
  InitializeCom,      // CoInitializeEx, multithreaded
  CreateLocator,      // the WbemLocator object
  ConnectNamespace,   // "root\cimv2" with the caller's credentials
  SetProxyBlanket,    // NT authentication, call level, impersonate
};

// Connects (ending any earlier COM use of the thread first). Returns the COM result (a
// negative value is a failure, `failedStep` then names the step; `query` stays empty unless
// the namespace was connected, as only the blanket step may fail after that).
int32_t ConnectProcessQuery(ProcessQuery &query, ProcessQueryStep &failedStep);

// The command lines of the processes whose command line contains `fragment` without regard
// to case (the WQL pattern '%fragment%'), in the order the service returns them. Returns the COM
// result of the query (negative: the query failed, `commandLines` empty).
int32_t QueryProcessCommandLines(const ProcessQuery &query, std::u16string_view fragment,
                                 std::vector<std::u16string> &commandLines);

}  // namespace ovr::platform
