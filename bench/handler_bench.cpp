// Whole-process time of the handler's commonest run, `ovravelin -n notepad++` with nothing to
// terminate, on a machine with about 300 processes, beside `pgrep -x notepad++.exe` (the
// system's own process lookup by name) in the same run. Both are started as child
// processes, alternately, and timed from fork to exit.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kProcesses = 300;
constexpr int kRounds = 40;

// Runs `argv` in `dir` with `env` added, output discarded; the seconds it took.
double TimeRun(const std::vector<std::string> &argv, const std::string &dir,
               const std::vector<std::string> &env) {
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0 || chdir(dir.c_str()) != 0) _exit(127);
    for (const std::string &e : env) putenv(const_cast<char *>(e.c_str()));
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
    std::fprintf(stderr, "bench_handler: %s did not run\n", argv[0].c_str());
    std::exit(1);
  }
  return seconds;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const std::string handler = (bin / "ovravelin").string();
  if (!fs::exists(handler)) {
    std::fprintf(stderr, "bench_handler: %s is missing\n", handler.c_str());
    return 1;
  }
  char pattern[] = "/tmp/ovr-bench-XXXXXX";
  const fs::path root = mkdtemp(pattern);
  fs::create_directories(root / "work");
  const fs::path registry = root / "registry.reg";
  std::ofstream(registry) << "Windows Registry Editor Version 5.00\n\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Velmora\\Orvanta\\OVAgent]\n"
                             "\"OVAgentInstallDir\"=\"C:\\\\Agent\"\n\"OVAgentVersion\"=\"11.0\"\n";

  // Idle processes, so that both lookups walk about 300 entries.
  std::vector<pid_t> idle;
  for (int i = 0; i < kProcesses; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (;;) pause();
    }
    idle.push_back(pid);
  }
  size_t running = 0;
  for (const auto &entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    running += !name.empty() && std::all_of(name.begin(), name.end(), ::isdigit);
  }

  const std::vector<std::string> env = {"OVRAVELIN_REGISTRY=" + registry.string()};
  const std::string work = (root / "work").string();
  std::vector<double> handlerTimes, pgrepTimes;
  for (int round = 0; round < kRounds; ++round) {
    handlerTimes.push_back(TimeRun({handler, "-n", "notepad++"}, work, env));
    pgrepTimes.push_back(TimeRun({"pgrep", "-x", "notepad++.exe"}, work, {}));
  }

  for (pid_t pid : idle) kill(pid, SIGKILL);
  for (pid_t pid : idle) waitpid(pid, nullptr, 0);
  fs::remove_all(root);

  const double h = Median(handlerTimes), p = Median(pgrepTimes);
  std::printf("processes running:                 %zu\n", running);
  std::printf("ovravelin -n notepad++ (median):   %.2f ms\n", h * 1000);
  std::printf("pgrep -x notepad++.exe (median):   %.2f ms\n", p * 1000);
  std::printf("ratio ovravelin / pgrep:           %.2f\n", h / p);
  return 0;
}
