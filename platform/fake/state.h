// The machine the double pretends to be, shared by its source files.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fake/fake.h"

namespace ovr::platform::fake {

struct ProgramSetUp {
  std::string start;
  Program program;
};

struct State {
  std::mutex mutex;
  std::vector<Process> processes;
  std::vector<Termination> terminations;
  uint32_t nextPid = 5000;
  uint32_t snapshotError = 0;
  uint64_t uptime = 0;
  std::string systemDirectory;
  std::vector<ProgramSetUp> programs;
  std::vector<Launch> launches;
  ProcessQueryStep connectStep = ProcessQueryStep::InitializeCom;
  int32_t connectResult = 0;
  int32_t queryResult = 0;
};

inline constexpr uint32_t kOwnPid = 4242;

State &TheState();
void ResetMachine();
void ResetRegistry();

}  // namespace ovr::platform::fake
