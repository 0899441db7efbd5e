// The process command-line query: finds a program by a text in its command line, whatever
// its executable is called (rule PDFsamBasic).
#pragma once

#include <cstdint>
#include <string>

namespace ovr {

// Opens the connection to the process information service. 0 on success; a negative code
// (logged) when it cannot be reached, which makes the query a no-op.
int32_t ConnectWmiNamespace();

// The command line of the last process whose command line contains "pdfsam-community"
// (without regard to case) into `commandLine`, which stays untouched when none matches or
// there is no connection. 0, or the negative code of a failed query.
int32_t GetValuesUsingWMIQuery(std::u16string &commandLine);

// Drops the connection and ends the thread's use of the service.
void ReleaseWmiConnection();

// The rule's progress texts, on standard output without a line end.
void WriteStandardOutput(const char *text);

}  // namespace ovr
