// One million LogInfo lines against a plain fprintf + fflush loop writing the same bytes
// (the peer is handed its time stamp and thread id; the log takes them afresh per line).
#include <corbel/log.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/system.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLines = 1000000;
constexpr int kRounds = 3;  // best of, for both

double PlainLoop(const std::string &path) {
  FILE *f = std::fopen(path.c_str(), "w");
  if (f == nullptr) std::exit(1);
  const char *stamp = "2026-03-05 09:07:02:045";
  long tid = ovr::sys::CurrentThreadId();
  auto start = Clock::now();
  for (int i = 0; i < kLines; ++i) {
    std::fprintf(f, "[ %s ] [ %ld ] [INFO] productName : %s line %d\n", stamp, tid, "notepad++", i);
    std::fflush(f);
  }
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::fclose(f);
  return seconds;
}

double LogLoop(const std::string &dir) {
  InitLog();
  SetLogConfig("bench.log", dir.c_str(), 100000, nullptr, 3);
  if (!CreateLogFile()) std::exit(1);
  auto start = Clock::now();
  for (int i = 0; i < kLines; ++i) LogInfo("productName : %s line %d\n", "notepad++", i);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  CloseLogFile();
  ReleaseLogSettings();
  return seconds;
}

}  // namespace

int main() {
  std::string dir =
      (fs::temp_directory_path() / ("ovr-bench-log-" + std::to_string(getpid()))).string();
  fs::create_directories(dir);
  InitMutex();
  double plain = 1e9, logged = 1e9;
  for (int r = 0; r < kRounds; ++r) {
    plain = std::min(plain, PlainLoop(dir + "/plain.log"));
    logged = std::min(logged, LogLoop(dir));
  }
  auto plainBytes = fs::file_size(dir + "/plain.log");
  auto logBytes = fs::file_size(dir + "/bench.log");
  fs::remove_all(dir);

  std::printf("%d lines, best of %d\n", kLines, kRounds);
  std::printf("  fprintf + fflush : %8.3f s  (%ju bytes)\n", plain,
              static_cast<uintmax_t>(plainBytes));
  std::printf("  LogInfo          : %8.3f s  (%ju bytes, with open and close lines)\n", logged,
              static_cast<uintmax_t>(logBytes));
  std::printf("  ratio LogInfo / fprintf+fflush = %.2f\n", logged / plain);
  return 0;
}
