// Processes on Linux, read from /proc: the image name is the file name of the executable
// (/proc/PID/exe), or the kernel's short name when the executable cannot be read; the
// module path is the executable's path; termination is SIGKILL.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/posix/posix_process.h"
#include "platform/process.h"

namespace ovr::platform {
namespace {

uint32_t Fail(uint32_t code) {
  SetLastErrorCode(code);
  return code;
}

// The target of /proc/PID/exe; false with errno set when it cannot be read.
bool ReadExe(uint32_t pid, std::string &path) {
  std::string link = "/proc/" + std::to_string(pid) + "/exe";
  std::string buffer(4096, '\0');
  ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  if (n < 0) return false;
  buffer.resize(static_cast<size_t>(n));
  // An executable replaced or deleted while it runs is shown with this mark.
  constexpr std::string_view kDeleted = " (deleted)";
  if (buffer.size() > kDeleted.size() && buffer.ends_with(kDeleted)) {
    buffer.resize(buffer.size() - kDeleted.size());
  }
  path = buffer;
  return true;
}

// The process's image name; empty for a process that has ended but not been collected
// (the system lists no ended processes).
std::string ImageName(uint32_t pid) {
  std::string path;
  if (ReadExe(pid, path)) return path.substr(path.rfind('/') + 1);
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  size_t close = line.rfind(')');
  if (close == std::string::npos || close + 2 >= line.size() || line[close + 2] == 'Z') return {};
  size_t open = line.find('(');
  return line.substr(open + 1, close - open - 1);
}

bool Exists(uint32_t pid) {
  struct stat st;
  return ::stat(("/proc/" + std::to_string(pid)).c_str(), &st) == 0;
}

}  // namespace

bool TakeProcessSnapshot(std::vector<ProcessEntry> &out) {
  out.clear();
  DIR *dir = ::opendir("/proc");
  if (!dir) {
    Fail(kErrorAccessDenied);
    return false;
  }
  while (dirent *entry = ::readdir(dir)) {
    char *end;
    unsigned long pid = std::strtoul(entry->d_name, &end, 10);
    if (*end != '\0' || pid == 0 || pid > UINT32_MAX) continue;
    std::string name = ImageName(static_cast<uint32_t>(pid));
    if (!name.empty()) out.push_back({static_cast<uint32_t>(pid), std::move(name)});
  }
  ::closedir(dir);
  return true;
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

void CloseProcessHandle(ProcessHandleData *process) noexcept {
  if (!process) return;
  if (process->child && !process->reaped) {
    // Collect a child that has ended; one that still runs is left running, as closing a
    // handle never ends a process.
    int status;
    ::waitpid(process->pid, &status, WNOHANG);
  }
  if (process->pidfd >= 0) ::close(process->pidfd);
  delete process;
}

uint32_t OpenProcessById(uint32_t pid, ProcessAccess access, ProcessHandle &process) {
  if (pid == 0 || !Exists(pid)) return Fail(kErrorInvalidParameter);
  if (access == ProcessAccess::Inspect) {
    std::string path;
    if (!ReadExe(pid, path) && (errno == EACCES || errno == EPERM)) {
      return Fail(kErrorAccessDenied);
    }
  } else if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == EPERM) {
    return Fail(kErrorAccessDenied);
  }
  auto *data = new ProcessHandleData;
  data->pid = static_cast<pid_t>(pid);
  data->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, data->pid, 0));
  process.reset(data);
  return kErrorSuccess;
}

uint32_t QueryProcessModulePath(const ProcessHandle &process, std::string &path) {
  if (!process) return Fail(kErrorInvalidHandle);
  if (ReadExe(static_cast<uint32_t>(process->pid), path)) return kErrorSuccess;
  // Kernel threads and ended processes have no executable.
  return Fail(errno == EACCES || errno == EPERM ? kErrorAccessDenied : kErrorPartialCopy);
}

uint32_t QueryProcessExitCode(const ProcessHandle &process, uint32_t &exitCode) {
  if (!process) return Fail(kErrorInvalidHandle);
  if (process->child) {
    if (!process->reaped) {
      int status;
      pid_t r = ::waitpid(process->pid, &status, WNOHANG);
      if (r < 0) return Fail(kErrorInvalidHandle);
      if (r == 0) {
        exitCode = kStillActive;
        return kErrorSuccess;
      }
      process->Reaped(status);
    }
    exitCode = process->exitCode;
    return kErrorSuccess;
  }
  // Another process's exit code is not ours to read once it has gone.
  exitCode = Exists(static_cast<uint32_t>(process->pid)) ? kStillActive : 0;
  return kErrorSuccess;
}

uint32_t TerminateProcessHandle(const ProcessHandle &process, uint32_t exitCode) {
  if (!process) return Fail(kErrorInvalidHandle);
  if (process->child && process->reaped) return Fail(kErrorAccessDenied);
  int r = process->pidfd >= 0
              ? static_cast<int>(::syscall(SYS_pidfd_send_signal, process->pidfd, SIGKILL,
                                           nullptr, 0))
              : ::kill(process->pid, SIGKILL);
  if (r != 0) return Fail(errno == ESRCH ? kErrorAccessDenied : kErrorAccessDenied);
  process->terminatedWith = exitCode;
  process->terminated = true;
  return kErrorSuccess;
}

}  // namespace ovr::platform
