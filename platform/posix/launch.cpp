// Starting a program the way the system starts one from a command line: the line is split
// by the Windows rules for arguments, the program is looked for on PATH (also with ".exe"
// appended when its name has no extension), it runs in the given directory with no
// terminal output and no inherited descriptors.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/posix/command_line.h"
#include "platform/posix/posix_process.h"
#include "platform/process.h"

extern char **environ;

namespace ovr::platform {
namespace {

uint32_t Fail(uint32_t code) {
  SetLastErrorCode(code);
  return code;
}

uint32_t SpawnErrorCode(int error) {
  switch (error) {
    case ENOENT:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case ENOEXEC:
      return kErrorBadExeFormat;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case ENOTDIR:
      return kErrorDirectory;
    default:
      return kErrorInvalidParameter;
  }
}

bool IsExecutableFile(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The program's full path: as given when it names a directory, else the first match on PATH.
uint32_t FindProgram(const std::string &program, std::string &found) {
  std::vector<std::string> names{program};
  if (program.substr(program.rfind('/') + 1).find('.') == std::string::npos) {
    names.push_back(program + ".exe");
  }
  if (program.find('/') != std::string::npos) {
    for (const auto &name : names) {
      if (IsExecutableFile(name)) {
        found = name;
        if (found.front() != '/') {
          char cwd[PATH_MAX];
          if (::getcwd(cwd, sizeof cwd)) found = std::string(cwd) + "/" + found;
        }
        return kErrorSuccess;
      }
    }
    return ::access(program.c_str(), F_OK) == 0 ? kErrorAccessDenied : kErrorFileNotFound;
  }
  const char *path = std::getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  for (const auto &name : names) {
    size_t start = 0;
    while (start <= dirs.size()) {
      size_t end = dirs.find(':', start);
      if (end == std::string::npos) end = dirs.size();
      std::string dir = dirs.substr(start, end - start);
      if (dir.empty()) dir = ".";
      std::string candidate = dir + "/" + name;
      if (IsExecutableFile(candidate)) {
        found = candidate;
        return kErrorSuccess;
      }
      start = end + 1;
    }
  }
  return kErrorFileNotFound;
}

int64_t NowMs() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

uint32_t LaunchProcess(std::string_view commandLine, const char *workingDirectory,
                       ProcessHandle &child) {
  std::vector<std::string> args = SplitCommandLine(commandLine);
  if (args.empty() || args[0].empty()) return Fail(kErrorFileNotFound);
  std::string program;
  if (uint32_t code = FindProgram(args[0], program)) return Fail(code);
  if (workingDirectory) {
    struct stat st;
    if (::stat(workingDirectory, &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(kErrorDirectory);
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd <= 2; ++fd) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  if (workingDirectory) posix_spawn_file_actions_addchdir_np(&actions, workingDirectory);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char *> argv;
  for (auto &arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid;
  int error = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error) return Fail(SpawnErrorCode(error));

  auto *data = new ProcessHandleData;
  data->pid = pid;
  data->child = true;
  data->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  child.reset(data);
  return kErrorSuccess;
}

WaitOutcome WaitForProcessExit(const ProcessHandle &process, uint32_t milliseconds) {
  if (!process) {
    Fail(kErrorInvalidHandle);
    return WaitOutcome::Failed;
  }
  if (process->reaped) return WaitOutcome::Ended;
  bool forever = milliseconds == 0xFFFFFFFFu;
  int64_t deadline = NowMs() + milliseconds;
  for (;;) {
    if (process->child) {
      int status;
      pid_t r = ::waitpid(process->pid, &status, WNOHANG);
      if (r == process->pid) {
        process->Reaped(status);
        return WaitOutcome::Ended;
      }
      if (r < 0 && errno != EINTR) {
        Fail(kErrorInvalidHandle);
        return WaitOutcome::Failed;
      }
    } else if (::kill(process->pid, 0) != 0 && errno == ESRCH) {
      return WaitOutcome::Ended;
    }
    int64_t left = forever ? 1000 : deadline - NowMs();
    if (left <= 0) return WaitOutcome::TimedOut;
    if (process->pidfd >= 0) {
      pollfd p{process->pidfd, POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, 1000)));
    } else {
      ::usleep(static_cast<useconds_t>(std::min<int64_t>(left, 10)) * 1000);
    }
  }
}

uint32_t SetWorkingDirectory(const char *directory) {
  if (!directory) return Fail(kErrorInvalidParameter);
  if (::chdir(directory) == 0) return kErrorSuccess;
  switch (errno) {
    case ENOENT:
      return Fail(kErrorFileNotFound);
    case ENOTDIR:
      return Fail(kErrorDirectory);
    case ENAMETOOLONG:
      return Fail(206);
    default:
      return Fail(kErrorAccessDenied);
  }
}

}  // namespace ovr::platform
