// Processes on Windows: toolhelp snapshots, OpenProcess with the module path from psapi,
// exit codes and termination, CreateProcessA with a bounded wait, SetCurrentDirectoryA.
#include "platform/process.h"

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/win32.h"

struct ovr::platform::ProcessHandleData {
  win32::UniqueHandle process;
};

namespace ovr::platform {

namespace {

uint32_t LastError() {
  DWORD code = GetLastError();
  return code != 0 ? code : ERROR_INVALID_FUNCTION;
}

HANDLE Raw(const ProcessHandle &process) {
  return process ? process->process.get() : nullptr;
}

}  // namespace

bool TakeProcessSnapshot(std::vector<ProcessEntry> &out) {
  out.clear();
  win32::UniqueHandle snapshot = win32::AdoptHandle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    out.push_back(ProcessEntry{entry.th32ProcessID, entry.szExeFile});
  }
  return true;
}

uint32_t CurrentProcessId() {
  return GetCurrentProcessId();
}

void CloseProcessHandle(ProcessHandleData *process) noexcept {
  delete process;
}

uint32_t OpenProcessById(uint32_t pid, ProcessAccess access, ProcessHandle &process) {
  process.reset();
  // Reading another process's module path needs query and memory-read rights; the maximum
  // allowed access carries them wherever the caller may have them.
  DWORD rights = access == ProcessAccess::Inspect ? MAXIMUM_ALLOWED : PROCESS_ALL_ACCESS;
  HANDLE h = OpenProcess(rights, FALSE, pid);
  if (h == nullptr) return LastError();
  process.reset(new ProcessHandleData{win32::UniqueHandle(h)});
  return kErrorSuccess;
}

uint32_t QueryProcessModulePath(const ProcessHandle &process, std::string &path) {
  if (!process) return ERROR_INVALID_HANDLE;
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameExA(Raw(process), nullptr, buf, MAX_PATH);
  if (n == 0) return LastError();
  path.assign(buf, n);
  return kErrorSuccess;
}

uint32_t QueryProcessExitCode(const ProcessHandle &process, uint32_t &exitCode) {
  if (!process) return ERROR_INVALID_HANDLE;
  DWORD code = 0;
  if (!GetExitCodeProcess(Raw(process), &code)) return LastError();
  exitCode = code;
  return kErrorSuccess;
}

uint32_t TerminateProcessHandle(const ProcessHandle &process, uint32_t exitCode) {
  if (!process) return ERROR_INVALID_HANDLE;
  if (!TerminateProcess(Raw(process), exitCode)) return LastError();
  return kErrorSuccess;
}

uint32_t LaunchProcess(std::string_view commandLine, const char *workingDirectory,
                       ProcessHandle &child) {
  child.reset();
  // CreateProcessA may write into the command line, so it gets a copy of its own.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW | CREATE_DEFAULT_ERROR_MODE, nullptr, workingDirectory,
                      &startup, &info))
    return LastError();
  win32::UniqueHandle thread(info.hThread);
  child.reset(new ProcessHandleData{win32::UniqueHandle(info.hProcess)});
  return kErrorSuccess;
}

WaitOutcome WaitForProcessExit(const ProcessHandle &process, uint32_t milliseconds) {
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WaitOutcome::Failed;
  }
  switch (WaitForSingleObject(Raw(process), milliseconds)) {
    case WAIT_OBJECT_0:
      return WaitOutcome::Ended;
    case WAIT_TIMEOUT:
      return WaitOutcome::TimedOut;
    default:
      return WaitOutcome::Failed;
  }
}

uint32_t SetWorkingDirectory(const char *directory) {
  if (directory == nullptr) return ERROR_INVALID_PARAMETER;
  if (!SetCurrentDirectoryA(directory)) return LastError();
  return kErrorSuccess;
}

}  // namespace ovr::platform
