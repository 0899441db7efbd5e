// Checks of the Windows platform backend against the real system calls (under Wine in the
// suite): registry views and result codes, process snapshots and launching, message texts,
// text conversion and the WMI chain. Prints one line per failed check and exits with the
// number of failures.
//
//   platform_check.exe SLEEPER-PATH
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

using namespace ovr::platform;

namespace {

int failures = 0;

void Check(bool ok, const char *what, long long got = 0) {
  if (ok) return;
  ++failures;
  std::printf("failed: %s (got %lld)\n", what, got);
}

bool EndsWithNoCase(const std::string &text, const std::string &tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char a = text[text.size() - tail.size() + i], b = tail[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

uint32_t Open(const char *path, uint32_t access) {
  RegKey key;
  return OpenRegistryKey(RegRoot::LocalMachine, path, access, key);
}

void Registry() {
  const char *entry = "SOFTWARE\\OvrProbe\\Entry";
  RegKey key;
  bool created = false;
  Check(CreateRegistryKey(RegRoot::LocalMachine, entry, kKeyAllAccess, key, &created) == 0,
        "create key");
  Check(created, "new key reported as created");
  RegKey again;
  Check(CreateRegistryKey(RegRoot::LocalMachine, entry, kKeyAllAccess, again, &created) == 0 &&
            !created,
        "existing key reported as opened");

  // Without a view flag the key lives where a 32-bit program puts it.
  struct {
    const char *path;
    uint32_t access;
    uint32_t expected;
  } views[] = {
      {entry, kKeyRead, 0},
      {entry, kKeyRead | kKeyWow64_32Key, 0},
      {entry, kKeyRead | kKeyWow64_64Key, kErrorFileNotFound},
      {"SOFTWARE\\Wow6432Node\\OvrProbe\\Entry", kKeyRead | kKeyWow64_64Key, 0},
  };
  for (const auto &v : views) {
    uint32_t code = Open(v.path, v.access);
    Check(code == v.expected, v.path, code);
  }

  const std::u16string text = u"caf\u00e9";
  std::string utf8;
  Utf16ToUtf8(text + u'\0', utf8);
  Check(SetRegistryValueWide(key, u"Name", kRegSz, reinterpret_cast<const uint8_t *>(text.c_str()),
                             static_cast<uint32_t>((text.size() + 1) * 2)) == 0,
        "set REG_SZ");
  uint32_t type = 0, size = 0;
  Check(QueryRegistryValue(key, "name", &type, nullptr, &size) == 0 && type == kRegSz,
        "value name compares without case", type);
  uint8_t small[2];
  size = sizeof small;
  uint32_t code = QueryRegistryValue(key, "Name", &type, small, &size);
  Check(code == kErrorMoreData, "short buffer gives more-data", code);
  Check(QueryRegistryValue(key, "Missing", &type, nullptr, &size) == kErrorFileNotFound,
        "missing value");
  uint8_t wide[32];
  size = sizeof wide;
  Check(QueryRegistryValueWide(key, u"Name", &type, wide, &size) == 0 && size == 10,
        "wide read returns the stored bytes", size);

  RegKey parent;
  Check(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\OvrProbe", kKeyRead, parent) == 0,
        "open parent");
  CreateRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\OvrProbe\\alpha", kKeyAllAccess, again,
                    nullptr);
  std::vector<std::string> names;
  std::string name;
  for (uint32_t i = 0; EnumRegistrySubKey(parent, i, name) == 0; ++i) names.push_back(name);
  Check(names == std::vector<std::string>{"alpha", "Entry"}, "subkeys in name order",
        static_cast<long long>(names.size()));

  key.reset();
  again.reset();
  parent.reset();
  code = DeleteRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\OvrProbe", 0);
  Check(code == kErrorAccessDenied, "delete of a key with subkeys", code);
  Check(DeleteRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\OvrProbe\\alpha", 0) == 0,
        "delete alpha");
  code = DeleteRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\OvrProbe\\alpha", 0);
  Check(code == kErrorFileNotFound, "delete of a missing key", code);
  // Left for the suite to read from outside: SOFTWARE\OvrProbe\Entry in the 32-bit view,
  // and one key written to the 64-bit view.
  RegKey wide64;
  Check(CreateRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\OvrProbe64",
                          kKeyAllAccess | kKeyWow64_64Key, wide64, nullptr) == 0,
        "create in the 64-bit view");
}

struct LaunchCase {
  const char *commandLine;
  const char *directory;
  uint32_t launchCode;
  uint32_t exitCode;
};

void Launching(const std::string &sleeper) {
  const LaunchCase cases[] = {
      {"cmd.exe /c exit 3010", nullptr, 0, 3010},
      {"cmd.exe /c exit 0", "C:\\", 0, 0},
      {"no-such-program.exe", nullptr, kErrorFileNotFound, 0},
      {"cmd.exe /c exit 1", "C:\\no\\such\\directory", kErrorDirectory, 0},
  };
  for (const auto &c : cases) {
    ProcessHandle child;
    uint32_t code = LaunchProcess(c.commandLine, c.directory, child);
    Check(code == c.launchCode, c.commandLine, code);
    if (code != 0) continue;
    Check(WaitForProcessExit(child, 30000) == WaitOutcome::Ended, "child ended");
    uint32_t exitCode = 0;
    Check(QueryProcessExitCode(child, exitCode) == 0 && exitCode == c.exitCode,
          "child's exit code", exitCode);
  }

  ProcessHandle child;
  Check(LaunchProcess(sleeper + " 60", nullptr, child) == 0, "start the sleeper");
  Check(WaitForProcessExit(child, 300) == WaitOutcome::TimedOut, "wait runs out");
  uint32_t exitCode = 0;
  Check(QueryProcessExitCode(child, exitCode) == 0 && exitCode == kStillActive,
        "running child is still active", exitCode);

  std::vector<ProcessEntry> snapshot;
  Check(TakeProcessSnapshot(snapshot), "snapshot");
  bool self = false, sleeping = false;
  uint32_t sleeperPid = 0;
  for (const auto &e : snapshot) {
    if (e.pid == CurrentProcessId()) self = EndsWithNoCase(e.imageName, "platform_check.exe");
    if (EndsWithNoCase(e.imageName, "sleeper.exe")) sleeping = true, sleeperPid = e.pid;
  }
  Check(self, "own process in the snapshot by its file name");
  Check(sleeping, "launched child in the snapshot");

  ProcessHandle inspected;
  std::string path;
  Check(OpenProcessById(sleeperPid, ProcessAccess::Inspect, inspected) == 0 &&
            QueryProcessModulePath(inspected, path) == 0 && EndsWithNoCase(path, "\\sleeper.exe"),
        "module path of another process");

  ProcessHandle victim;
  Check(OpenProcessById(sleeperPid, ProcessAccess::Terminate, victim) == 0, "open to terminate");
  Check(TerminateProcessHandle(victim, 259) == 0, "terminate");
  Check(WaitForProcessExit(child, 10000) == WaitOutcome::Ended, "terminated child ended");
  Check(QueryProcessExitCode(child, exitCode) == 0 && exitCode == 259,
        "terminated with the given code", exitCode);

  ProcessHandle none;
  uint32_t code = OpenProcessById(0x7ffffff0, ProcessAccess::Inspect, none);
  Check(code == kErrorInvalidParameter, "open of a missing process", code);

  std::string before;
  Check(SetWorkingDirectory("C:\\no\\such") != 0, "missing working directory refused");
}

void Texts() {
  std::string text;
  Check(SystemMessageText(2, text) && !text.empty() && text.find('\n') == std::string::npos,
        "message text of 2 on one line");
  Check(!SystemMessageText(20001, text), "no system text for 20001");

  std::u16string wide;
  Check(Utf8ToUtf16("\xc3\xa9", wide) == 0 && wide == u"\u00e9", "UTF-8 to wide");
  std::string narrow;
  Check(Utf16ToUtf8(u"\u00e9", narrow) == 0 && narrow == "\xc3\xa9", "wide to UTF-8");
  uint32_t code = Utf8ToUtf16("ab\xff", wide);
  Check(code == kErrorNoUnicodeTranslation && wide == u"ab", "malformed UTF-8 keeps its prefix",
        code);
  code = Utf16ToUtf8(std::u16string(u"a") + char16_t(0xD800), narrow);
  Check(code == kErrorNoUnicodeTranslation && narrow == "a", "unpaired surrogate refused", code);

  Check(UptimeMilliseconds() > 0, "uptime");
  Check(EndsWithNoCase(SystemDirectory(), "\\system32"), "system directory");
}

void CommandLines() {
  ProcessQuery query;
  ProcessQueryStep step{};
  int32_t hr = ConnectProcessQuery(query, step);
  Check(hr >= 0 && query, "connect to root\\cimv2", hr);
  if (!query) return;
  std::vector<std::u16string> lines;
  hr = QueryProcessCommandLines(query, u"no-such-fragment-4711", lines);
  Check(hr == 0 && lines.empty(), "query without a match", hr);
  // The system fills in at least the calling process's own command line; an empty fragment
  // (the pattern '%%') finds it. (Wine's LIKE matches a fragment only at the start of the
  // text, so a fragment inside the command line is not looked for here.)
  hr = QueryProcessCommandLines(query, u"", lines);
  bool own = false;
  for (const auto &line : lines) own = own || line.find(u"probe-marker_%") != std::u16string::npos;
  Check(hr == 0 && own, "the own command line is read", static_cast<long long>(lines.size()));
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::printf("usage: platform_check SLEEPER-PATH [probe-marker_%%]\n");
    return 100;
  }
  Registry();
  Launching(argv[1]);
  Texts();
  CommandLines();
  std::fflush(stdout);
  return failures;
}
