// Process command lines on Linux: /proc/PID/cmdline, the arguments joined by blanks. There
// is no service to connect to, so connecting always succeeds.
#include "platform/process_query.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <thread>
#include <utility>

#include "platform/error.h"
#include "platform/posix/file_io.h"
#include "platform/unicode.h"

namespace ovr::platform {

struct ProcessQueryData {};

namespace {

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool ContainsNoCase(std::u16string_view text, std::u16string_view part) {
  if (part.size() > text.size()) return false;
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < part.size() && Fold(text[i + k]) == Fold(part[k])) ++k;
    if (k == part.size()) return true;
  }
  return false;
}

// Another program's arguments are bytes in whatever encoding that program was given them:
// valid UTF-8 is read as such and any other byte as the Latin-1 character of its value, so
// that such a program is still found (and fails nothing else).
std::u16string DecodeArguments(std::string_view raw) {
  std::u16string wide;
  if (Utf8ToUtf16(raw, wide) == kErrorSuccess) return wide;
  wide.clear();
  std::u16string one;
  for (size_t i = 0; i < raw.size();) {
    const auto lead = static_cast<unsigned char>(raw[i]);
    const size_t length = lead < 0x80            ? 1
                          : (lead & 0xE0) == 0xC0 ? 2
                          : (lead & 0xF0) == 0xE0 ? 3
                          : (lead & 0xF8) == 0xF0 ? 4
                                                  : 0;
    if (length != 0 && length <= raw.size() - i &&
        Utf8ToUtf16(raw.substr(i, length), one) == kErrorSuccess) {
      wide += one;
      i += length;
    } else {
      wide.push_back(static_cast<char16_t>(lead));
      ++i;
    }
  }
  return wide;
}

// The command line in `directory`/cmdline (a process's or one of its threads'), the NULs
// between the arguments turned into blanks. Empty when the file reads empty or cannot be
// read: a process that has ended meanwhile cannot be read (ESRCH).
std::string ReadCommandLine(const std::string &directory) {
  std::string raw;
  if (!ReadWholeFile(directory + "/cmdline", raw)) return {};
  while (!raw.empty() && raw.back() == '\0') raw.pop_back();
  std::replace(raw.begin(), raw.end(), '\0', ' ');
  return raw;
}

// Why a process's command line read empty, from its /proc/PID/stat.
enum class Empty {
  ForGood,      // it has ended, it is a kernel thread (which has no program) or its program
                // runs with no arguments at all (the end of its environment is in place;
                // shown where we may inspect the process)
  Starting,     // it is starting a program: the system shows the new executable and memory
                // before it has placed the program's arguments there, a later read finds them
  FirstThread,  // its first thread has ended while others run on; they show the arguments
};

// Flags of /proc/PID/stat: a kernel thread, and a process on its way out.
constexpr unsigned long kKernelThread = 0x00200000;
constexpr unsigned long kExiting = 0x00000004;

Empty WhyEmpty(const std::string &directory) {
  std::string stat;
  if (!ReadWholeFile(directory + "/stat", stat)) return Empty::ForGood;
  // The short name in parentheses may hold blanks; the fields after it are single blanks
  // apart. The first of them is the state (field 3), the flags are field 9 and the end of
  // the environment field 51.
  size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return Empty::ForGood;
  unsigned long flags = 0, environmentEnd = 0;
  const char state = stat[close + 2];
  const char *at = stat.c_str() + close + 2;
  for (int number = 3; number <= 51 && at != nullptr; ++number) {
    if (number == 9) flags = std::strtoul(at, nullptr, 10);
    if (number == 51) environmentEnd = std::strtoul(at, nullptr, 10);
    at = std::strchr(at, ' ');
    if (at != nullptr) ++at;
  }
  if (flags & kKernelThread) return Empty::ForGood;
  if (state == 'Z') return Empty::FirstThread;  // or the process has ended: no thread shows more
  if (state == 'X' || state == 'x' || (flags & kExiting)) return Empty::ForGood;
  return environmentEnd != 0 ? Empty::ForGood : Empty::Starting;
}

// The command line as one of the process's other threads shows it; empty when none does.
std::string ReadThroughOtherThreads(const std::string &directory, const char *pid) {
  std::string raw;
  DIR *tasks = ::opendir((directory + "/task").c_str());
  if (!tasks) return raw;
  while (dirent *task = ::readdir(tasks)) {
    if (task->d_name[0] < '0' || task->d_name[0] > '9' || std::strcmp(task->d_name, pid) == 0) {
      continue;
    }
    raw = ReadCommandLine(directory + "/task/" + task->d_name);
    if (!raw.empty()) break;
  }
  ::closedir(tasks);
  return raw;
}

// Reads the command line of process `pid` into `raw`: true when it is there (`raw` may be
// empty then for a process that has none), false while the process is starting a program.
bool ReadProcess(const char *pid, std::string &raw) {
  const std::string directory = std::string("/proc/") + pid;
  raw = ReadCommandLine(directory);
  if (!raw.empty()) return true;
  switch (WhyEmpty(directory)) {
    case Empty::ForGood:
      return true;
    case Empty::Starting:
      return false;
    case Empty::FirstThread:
      raw = ReadThroughOtherThreads(directory, pid);
      return true;
  }
  return true;
}

// How long one query waits, at most, for programs that are starting to show their arguments.
constexpr auto kStartingWait = std::chrono::seconds(1);

}  // namespace

void CloseProcessQuery(ProcessQueryData *query) noexcept { delete query; }

int32_t ConnectProcessQuery(ProcessQuery &query, ProcessQueryStep &) {
  query.reset(new ProcessQueryData);
  return 0;
}

int32_t QueryProcessCommandLines(const ProcessQuery &query, std::u16string_view fragment,
                                 std::vector<std::u16string> &commandLines) {
  commandLines.clear();
  if (!query) return static_cast<int32_t>(0x80041003u);  // WBEM_E_ACCESS_DENIED
  DIR *dir = ::opendir("/proc");
  if (!dir) return static_cast<int32_t>(0x80041001u);  // WBEM_E_FAILED
  // Matches by process id, so that those read late keep the order of the others. A process
  // that cannot be read (it ended meanwhile, or has no program) is left out, never failing
  // the query.
  std::vector<std::pair<unsigned long, std::u16string>> matches;
  std::vector<std::pair<unsigned long, std::string>> starting;
  auto read = [&](unsigned long pid, const std::string &name) {
    std::string raw;
    if (!ReadProcess(name.c_str(), raw)) return false;
    std::u16string wide = DecodeArguments(raw);
    if (!wide.empty() && ContainsNoCase(wide, fragment)) matches.emplace_back(pid, std::move(wide));
    return true;
  };
  while (dirent *entry = ::readdir(dir)) {
    char *end;
    unsigned long pid = std::strtoul(entry->d_name, &end, 10);
    if (*end != '\0' || entry->d_name[0] == '\0') continue;
    if (!read(pid, entry->d_name)) starting.emplace_back(pid, entry->d_name);
  }
  ::closedir(dir);
  // A process that is starting its program has been there all along, only its arguments are
  // not in place yet: read it again until they are, it ends, or the wait is over.
  const auto deadline = std::chrono::steady_clock::now() + kStartingWait;
  while (!starting.empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    std::erase_if(starting, [&](const auto &process) { return read(process.first, process.second); });
  }
  std::stable_sort(matches.begin(), matches.end(),
                   [](const auto &a, const auto &b) { return a.first < b.first; });
  for (auto &match : matches) commandLines.push_back(std::move(match.second));
  return 0;
}

}  // namespace ovr::platform
