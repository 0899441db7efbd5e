// App-detection records. The agent reads these keys; the handler only creates and deletes
// them. Key paths are bounded at 254 characters: a longer one is refused, never cut, since
// a cut name could address another product's record.
#include "handler/app_detection.h"

#include <corbel/log.h>

#include <optional>
#include <string>

#include "handler/run_settings.h"
#include "platform/error.h"
#include "platform/registry.h"

namespace ovr {
namespace {

constexpr size_t kMaxRecordKeyLength = 254;

// The record's key path for the run's product, or nothing (with an ERROR line) when it
// would be longer than a record key may be.
std::optional<std::string> RecordKey(const char *suffix) {
  std::string path = "SOFTWARE\\Velmora\\Orvanta\\OVAgent\\AppDetection\\";
  path += gv_runSettings.productName.value_or("");
  path += suffix;
  if (path.size() > kMaxRecordKeyLength) {
    LogError("App-detection key for the product %s%s is %d characters long, more than the "
             "%d a record key may have; the record is left alone\n",
             gv_runSettings.productName.value_or("").c_str(), suffix, static_cast<int>(path.size()),
             static_cast<int>(kMaxRecordKeyLength));
    return std::nullopt;
  }
  return path;
}

}  // namespace

uint32_t CreateRecord(const char *suffix) {
  LogInfo("addRegistryKey: Inside addRegistryKey method ...... \n");
  const std::optional<std::string> path = RecordKey(suffix);
  if (!path) return platform::kErrorInvalidParameter;
  platform::RegKey key;
  const uint32_t rc = platform::CreateRegistryKey(platform::RegRoot::LocalMachine, *path,
                                                  platform::kKeyAllAccess, key, nullptr);
  LogInfo("RegCreateKeyEx: returns : %d\n", static_cast<int>(rc));
  return rc;
}

void DeleteRecord(const char *suffix) {
  if (const std::optional<std::string> path = RecordKey(suffix)) {
    platform::DeleteRegistryKey(platform::RegRoot::LocalMachine, *path, 0);
  }
}

uint32_t CreateAppDetectionKey() { return CreateRecord(""); }

void DeleteAppDetectionKey() {
  const std::optional<std::string> path = RecordKey("");
  if (!path) return;
  LogDebug("Key to delete:%s", path->c_str());
  platform::DeleteRegistryKey(platform::RegRoot::LocalMachine, *path, 0);
}

}  // namespace ovr
