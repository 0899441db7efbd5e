// The framework root directory, shared by the data-file lookups and the log.
#include <corbel/root.h>

#include <cstdlib>
#include <string>

#include <corbel/log.h>
#include <corbel/primitives.h>

#include "support/log.h"

namespace {

// Set and read during start-up, on the thread that starts the framework.
char *gv_corbelRoot = nullptr;

}  // namespace

extern "C" {

void SetCorbelRoot(const char *root) {
  LogTrace("@@@ Inside SetCorbelRoot @@@\n");
  if (root == nullptr) {
    LogDebug("Default Path Used");
    return;
  }
  char *copy = nullptr;
  if (AllocateStringCopy(&copy, root) != CORBEL_STATUS_SUCCESS) {
    LogError("MEMORY_ALLOCATION_FAILURE\n");
    return;
  }
  std::free(gv_corbelRoot);
  gv_corbelRoot = copy;
  if (!ovr::log::SetFrameworkRoot(copy)) LogError("MEMORY_ALLOCATION_FAILURE\n");
}

const char *GetCorbelRoot(void) {
  return gv_corbelRoot;
}

char *ComposeRootDataPath(const char *fileName) {
  if (gv_corbelRoot == nullptr || fileName == nullptr) return nullptr;
  std::string path = std::string(gv_corbelRoot) + "/data/" + fileName;
  char *result = nullptr;
  AllocateStringCopy(&result, path.c_str());
  return result;
}

}  // extern "C"
