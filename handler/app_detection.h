// App-detection records: an empty registry key named after the product under the agent's
// key, left for the agent after an older edition was uninstalled.
#pragma once

#include <cstdint>

namespace ovr {

// Creates (or opens) the record of the run's product; the registry's result code, which
// callers ignore. A product name too long for a record key gets no record.
uint32_t CreateAppDetectionKey();

// Deletes the record of the run's product, logging the key first; a missing key is no error.
void DeleteAppDetectionKey();

// The rules' own record steps: `suffix` is appended to the product name ("_32", "_64" for
// an edition record). CreateRecord logs like CreateAppDetectionKey; DeleteRecord is silent.
uint32_t CreateRecord(const char *suffix = "");
void DeleteRecord(const char *suffix = "");

}  // namespace ovr
