// The double's registry: a tree in memory, with failures on request.
#include <vector>

#include "platform/error.h"
#include "platform/fake/fake.h"
#include "platform/fake/state.h"
#include "platform/portable/reg_file.h"
#include "platform/portable/reg_store.h"

namespace ovr::platform::fake {
namespace {

struct Failure {
  RegistryCall call;
  std::string pathPart;  // folded
  uint32_t code;
};

class FakeStore : public regstore::Store {
 public:
  uint32_t Begin(regstore::Call call, RegRoot, const std::vector<std::string> &path) override {
    if (!problem.empty()) return kErrorBadDatabase;
    std::string folded = regstore::FoldName(regstore::JoinKeyPath(path));
    for (const auto &failure : failures) {
      if (static_cast<int>(failure.call) == static_cast<int>(call) &&
          folded.find(failure.pathPart) != std::string::npos) {
        return failure.code;
      }
    }
    return kErrorSuccess;
  }
  uint32_t Commit() override { return kErrorSuccess; }
  std::string Problem() override { return problem; }

  std::vector<Failure> failures;
  std::string problem;
};

FakeStore &TheStore() {
  static FakeStore store;
  return store;
}

}  // namespace

void ResetRegistry() {
  TheStore().tree.Clear();
  TheStore().failures.clear();
  TheStore().problem.clear();
}

bool LoadRegistry(std::string_view regText, std::string *problem) {
  std::string why;
  bool ok = regstore::ParseRegFile(regText, "registry", TheStore().tree, why);
  if (problem) *problem = why;
  return ok;
}

std::string ExportRegistry() { return regstore::WriteRegFile(TheStore().tree); }

void FailRegistry(RegistryCall call, std::string_view pathPart, uint32_t code) {
  TheStore().failures.push_back({call, regstore::FoldName(pathPart), code});
}

void BreakRegistryStore(std::string_view problem) { TheStore().problem = problem; }

}  // namespace ovr::platform::fake

namespace ovr::platform::regstore {
Store &ActiveStore() { return fake::TheStore(); }
}  // namespace ovr::platform::regstore
