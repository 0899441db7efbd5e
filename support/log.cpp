// The log file: process-wide settings, opening, the level lines and closing.
#include "support/log.h"

#include <atomic>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace {

struct LogSettings {
  std::optional<std::string> fileName;
  std::optional<std::string> directory;
  std::optional<std::string> path;
  std::optional<std::string> frameworkRoot;
  long sizeFigure = 10000;  // kept for callers; the file has no size limit
  void *reserved = nullptr;
  // Read by level lines of any thread without the lock, hence atomic.
  std::atomic<FILE *> stream{nullptr};
  std::atomic<unsigned char> level{3};
  std::atomic<const void *> lockToken{nullptr};
};

// Never destroyed: lines may still be logged while static destructors run at exit.
LogSettings &Settings() {
  static LogSettings *settings = new LogSettings;
  return *settings;
}

// The object lock key of the log lines: any address unique to the log will do.
char lockTokenStorage;

// "2026-03-05 09:07:02:045", built by hand: this runs for every line.
struct Stamp {
  char text[48];
  std::size_t size;
};

char *PutTwoDigits(char *p, int value) {
  *p++ = static_cast<char>('0' + value / 10 % 10);
  *p++ = static_cast<char>('0' + value % 10);
  return p;
}

Stamp MakeStamp() {
  ovr::sys::LocalTime t = ovr::sys::CurrentLocalTime();
  Stamp s;
  char *p = std::to_chars(s.text, s.text + 16, t.year).ptr;
  *p++ = '-';
  p = PutTwoDigits(p, t.month);
  *p++ = '-';
  p = PutTwoDigits(p, t.day);
  *p++ = ' ';
  p = PutTwoDigits(p, t.hour);
  *p++ = ':';
  p = PutTwoDigits(p, t.minute);
  *p++ = ':';
  p = PutTwoDigits(p, t.second);
  *p++ = ':';
  *p++ = static_cast<char>('0' + t.millisecond / 100 % 10);
  p = PutTwoDigits(p, t.millisecond % 100);
  *p = '\0';
  s.size = static_cast<std::size_t>(p - s.text);
  return s;
}

// "[ <stamp> ] [ <thread id> ] <tag> "
void WritePrefix(FILE *f, const Stamp &stamp, std::string_view tag) {
  char line[128];
  char *p = line;
  auto put = [&p](std::string_view piece) {
    std::memcpy(p, piece.data(), piece.size());
    p += piece.size();
  };
  put("[ ");
  put({stamp.text, stamp.size});
  put(" ] [ ");
  p = std::to_chars(p, p + 24, ovr::sys::CurrentThreadId()).ptr;
  put(" ] ");
  put(tag);
  put(" ");
  std::fwrite(line, 1, static_cast<std::size_t>(p - line), f);
}

// The open and close lines carry the prefix's time stamp once more as their message.
void WriteMarkLine(FILE *f, const char *message) {
  Stamp stamp = MakeStamp();
  WritePrefix(f, stamp, "[INFO]");
  std::fprintf(f, message, stamp.text);
  std::fflush(f);
}

bool Assign(std::optional<std::string> &field, const char *value) {
  try {
    if (value == nullptr)
      field.reset();
    else
      field = value;
    return true;
  } catch (const std::bad_alloc &) {
    field.reset();
    return false;
  }
}

// Whether a line of `threshold` would be written now: most TRACE lines of the framework are
// dropped at the usual level, before anything is formatted or locked.
bool LineWanted(unsigned char threshold) {
  const LogSettings &s = Settings();
  return s.level.load(std::memory_order_relaxed) >= threshold &&
         s.stream.load(std::memory_order_relaxed) != nullptr;
}

int WriteLevelLine(unsigned char threshold, const char *tag, const char *format, va_list args) {
  if (!LineWanted(threshold)) return 0;
  LogSettings &s = Settings();
  const void *token = s.lockToken.load(std::memory_order_acquire);
  if (token == nullptr) return 0;
  LockObject(token);
  // Looked at again under the lock: CloseLogFile takes the same lock before it closes.
  if (FILE *f = s.stream.load(std::memory_order_acquire)) {
    WritePrefix(f, MakeStamp(), tag);
    std::vfprintf(f, format, args);
    std::fflush(f);
  }
  return UnlockObject(token);
}

bool Open(const char *mode) {
  LogSettings &s = Settings();
  if (s.stream.load() != nullptr) {
    LogTrace("gv_logFilePtr already Set\n");
    return true;
  }
  if (!s.fileName) return false;
  try {
    std::string path;
    if (s.directory) {
      MakeDirectoryTree(s.directory->c_str());
      path = *s.directory + "/" + *s.fileName;
    } else if (s.frameworkRoot) {
      std::string logs = *s.frameworkRoot + "/logs";
      MakeDirectoryTree(logs.c_str());
      path = logs + "/" + *s.fileName;
    } else {
      ovr::sys::MakeDirectory("../logs");
      path = "../logs/" + *s.fileName;
    }
    s.path = std::move(path);
  } catch (const std::bad_alloc &) {
    return false;
  }
  FILE *f = std::fopen(s.path->c_str(), mode);
  if (f == nullptr) return false;
  s.stream.store(f, std::memory_order_release);
  WriteMarkLine(f, "Log open time: %s\n");
  return true;
}

}  // namespace

namespace ovr::log {

bool SetFrameworkRoot(const char *root) {
  return Assign(Settings().frameworkRoot, root);
}

}  // namespace ovr::log

extern "C" {

bool InitLog(void) {
  LogSettings &s = Settings();
  if (s.stream.load() != nullptr) {
    s.level = 3;
    return true;
  }
  if (s.fileName) return true;
  if (!Assign(s.fileName, "corbel.log")) return false;
  s.lockToken = &lockTokenStorage;
  s.directory.reset();
  s.path.reset();
  s.level = 3;
  return true;
}

bool SetLogConfig(const char *fileName, const char *directory, long sizeFigure, void *reserved,
                  unsigned char level) {
  LogSettings &s = Settings();
  if (!Assign(s.fileName, fileName) || !Assign(s.directory, directory)) return false;
  s.level = level;
  s.sizeFigure = sizeFigure;
  s.reserved = reserved;
  return true;
}

bool SetLogFileName(const char *fileName) {
  return fileName != nullptr && Assign(Settings().fileName, fileName);
}

bool SetLogDirectory(const char *directory) {
  return directory != nullptr && Assign(Settings().directory, directory);
}

void SetLogLevel(unsigned char level) {
  Settings().level = level;
}

bool SetLogFileHandle(FILE *stream) {
  if (stream == nullptr) return false;
  Settings().stream.store(stream, std::memory_order_release);
  return true;
}

bool OpenLogFile(void) {
  return Open("a+");
}

bool CreateLogFile(void) {
  return Open("w");
}

void CloseLogFile(void) {
  LogSettings &s = Settings();
  const void *token = s.lockToken.load();
  // Waits for a line in progress on another thread, so it never writes into a closed stream.
  if (token != nullptr) LockObject(token);
  if (FILE *f = s.stream.exchange(nullptr)) {
    WriteMarkLine(f, "Log close time: %s\n");
    std::fclose(f);
  }
  if (token != nullptr) UnlockObject(token);
}

void ReleaseLogSettings(void) {
  LogSettings &s = Settings();
  s.fileName.reset();
  s.directory.reset();
  s.path.reset();
  s.lockToken = nullptr;
}

const char *GetLogFilePath(void) {
  const auto &path = Settings().path;
  return path ? path->c_str() : nullptr;
}

int MakeDirectoryTree(const char *directory) {
  using ovr::sys::DirStatus;
  if (directory == nullptr) return -1;
  ovr::sys::DirResult made = ovr::sys::MakeDirectory(directory);
  switch (made.status) {
    case DirStatus::Created:
      return 0;
    case DirStatus::AlreadyExists:
      return 1;
    case DirStatus::Failed:
      return made.code;
    case DirStatus::ParentMissing:
      break;
  }
  std::string parent(directory);
  while (!parent.empty() && parent.back() == '/') parent.pop_back();
  std::size_t slash = parent.rfind('/');
  if (slash == std::string::npos) return made.code;  // no parent to create
  parent.resize(slash);
  if (parent.empty()) return made.code;
  int parentResult = MakeDirectoryTree(parent.c_str());
  if (parentResult == 1) return made.code;  // the parent is there yet unusable
  if (parentResult != 0) return parentResult;
  made = ovr::sys::MakeDirectory(directory);
  if (made.status == DirStatus::Created) return 0;
  return made.status == DirStatus::AlreadyExists ? 1 : made.code;
}

int LogInfo(const char *format, ...) {
  va_list args;
  va_start(args, format);
  int result = WriteLevelLine(1, "[INFO]", format, args);
  va_end(args);
  return result;
}

int LogError(const char *format, ...) {
  va_list args;
  va_start(args, format);
  int result = WriteLevelLine(2, "[ERROR]", format, args);
  va_end(args);
  return result;
}

int LogDebug(const char *format, ...) {
  va_list args;
  va_start(args, format);
  int result = WriteLevelLine(3, "[DEBUG]", format, args);
  va_end(args);
  return result;
}

int LogTrace(const char *format, ...) {
  va_list args;
  va_start(args, format);
  int result = WriteLevelLine(4, "[TRACE]", format, args);
  va_end(args);
  return result;
}

}  // extern "C"
