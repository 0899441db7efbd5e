// A machine for one run of the handler, as the agent meets it: a working directory whose
// "../logs" receives the log, a registry file, product programs (copies of a sleeper under
// the products' executable names) started before the run, stand-in uninstallers on PATH
// that record how they were called, and the system uptime the run sees.
//
// The run happens inside its own PID and time namespaces (unshare): the handler sees only
// the scene's processes, so parallel tests never terminate each other's programs, and
// CLOCK_BOOTTIME is shifted to the uptime the scene asks for.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/temp_dir.h"

namespace ovr::testing {

// Uptimes the scenes use: just after system start (inside every force-kill window) and
// two hours later (outside it).
constexpr long kJustStarted = 120;
constexpr long kTwoHoursUp = 7200;

// Single-quoted for /bin/sh.
inline std::string ShellQuote(const std::string &text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Hibernation switched on (keys of HKEY_LOCAL_MACHINE for HandlerScene::SetRegistry), and
// the key whose "HiberbootEnabled" a postponed run then sets to 0.
inline const std::string kHibernation =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Power]\n"
    "\"HibernateEnabled\"=dword:00000001\n\n";
inline const std::string kHiberbootKey =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Power";

// Seconds since system start, as this process sees them.
inline long CurrentUptimeSeconds() {
  std::ifstream in("/proc/uptime");
  double seconds = 0;
  in >> seconds;
  return static_cast<long>(seconds);
}

// The keys of a registry export kept under tests/e2e/data (UTF-16LE with a byte-order mark,
// CRLF line ends, as reg.exe writes it) as UTF-8 text without its header line, ready to be
// combined with other keys for HandlerScene::SetRegistry.
inline std::string RegFixture(const std::string &name) {
  const std::string bytes = ReadFile(std::string(OVR_TEST_SOURCE_DIR) + "/data/" + name);
  std::string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    char32_t c = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = static_cast<unsigned char>(bytes[i + 2]) | static_cast<unsigned char>(bytes[i + 3]) << 8;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (c == '\r') continue;
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += static_cast<char>(0xC0 | c >> 6);
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      text += static_cast<char>(0xE0 | c >> 12);
      text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | c >> 18);
      text += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return text.substr(text.find('\n') + 1) + "\n";
}

// A .reg string value: quoted, with backslashes and quotes escaped.
inline std::string RegString(const std::string &text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// A registry file as the handler leaves it: its keys and their value lines.
class RegText {
 public:
  explicit RegText(const std::string &text) {
    std::istringstream in(text);
    std::string key;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
        key = Lower(line.substr(1, line.size() - 2));
        keys_.push_back({key, {}});
      } else if (!key.empty() && !line.empty()) {
        keys_.back().second.push_back(line);
      }
    }
  }
  // `path` begins with the root, for example "HKEY_LOCAL_MACHINE\\SOFTWARE\\...".
  bool HasKey(const std::string &path) const { return Find(path) != nullptr; }
  // The text after "=" of the value `name` of key `path` (for example "dword:00000000");
  // empty when there is none.
  std::string Value(const std::string &path, const std::string &name) const {
    const auto *lines = Find(path);
    if (!lines) return "";
    const std::string prefix = Lower("\"" + name + "\"=");
    for (const std::string &line : *lines) {
      if (Lower(line.substr(0, prefix.size())) == prefix) return line.substr(prefix.size());
    }
    return "";
  }

 private:
  static std::string Lower(std::string s) {
    for (char &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }
  const std::vector<std::string> *Find(const std::string &path) const {
    for (const auto &[key, lines] : keys_) {
      if (key == Lower(path)) return &lines;
    }
    return nullptr;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> keys_;
};

class HandlerScene {
 public:
  // A program that was running when the handler started.
  struct Product {
    std::string exe;                // its executable's file name
    std::vector<std::string> args;  // its command-line arguments
    std::string dir;                // folder under the scene's "apps" it lives in
  };

  // What one run left behind.
  struct Outcome {
    int exitCode = -1;               // the handler's exit status (modulo 256)
    std::string log;                 // the log without line prefixes
    std::string standardOutput;      // what the handler printed
    std::vector<bool> alive;         // per product, in AddProduct order: still running
    std::vector<std::string> calls;  // stand-in calls, "name|args", in order
    std::string registry;            // the registry file afterwards
  };

  HandlerScene() {
    for (const char *dir : {"work", "logs", "apps", "bin", "state"}) {
      std::filesystem::create_directories(root_.path() / dir);
    }
    SetRegistry("");
  }

  // The registry file: the .reg header followed by `body` (keys of HKEY_LOCAL_MACHINE).
  void SetRegistry(const std::string &body) {
    WriteFile(RegistryPath(), "Windows Registry Editor Version 5.00\r\n\r\n" + body);
  }
  std::string RegistryPath() const { return root_ / "registry.reg"; }
  std::string RegistryText() const { return ReadFile(RegistryPath()); }

  // A product program, started before each run; returns its index in Outcome::alive.
  size_t AddProduct(const std::string &exe, std::vector<std::string> args = {},
                    const std::string &dir = "") {
    const std::filesystem::path folder = root_.path() / "apps" / dir;
    std::filesystem::create_directories(folder);
    const std::filesystem::path target = folder / exe;
    if (!std::filesystem::exists(target)) {
      std::filesystem::copy_file(std::string(OVR_BIN_DIR) + "/ovr_sleeper", target);
    }
    products_.push_back({exe, std::move(args), dir});
    return products_.size() - 1;
  }

  // A stand-in program on PATH: records "name|args" and exits with `exitCode`, or with the
  // code of the first case whose pattern (a shell glob over the arguments) matches, after
  // sleeping `sleepSeconds`.
  void AddStandIn(const std::string &name, int exitCode,
                  const std::vector<std::pair<std::string, int>> &cases = {},
                  int sleepSeconds = 0) {
    std::ostringstream script;
    script << "#!/bin/sh\n"
           << "printf '%s|%s\\n' " << ShellQuote(name) << " \"$*\" >> "
           << ShellQuote(root_ / "state/calls") << "\n";
    if (sleepSeconds > 0) script << "sleep " << sleepSeconds << "\n";
    script << "case \"$*\" in\n";
    for (const auto &[pattern, code] : cases) script << "  " << pattern << ") exit " << code << ";;\n";
    script << "esac\nexit " << exitCode << "\n";
    const std::string path = root_ / ("bin/" + name);
    WriteFile(path, script.str());
    chmod(path.c_str(), 0755);
  }

  // A path under the scene's root (for uninstall strings that name a program by path).
  std::string Path(const std::string &relative) const { return root_ / relative; }
  std::string AppsDir() const { return root_ / "apps"; }

  // Runs the handler with `args` at `uptimeSeconds` after system start.
  Outcome Run(const std::vector<std::string> &args, long uptimeSeconds = kJustStarted) {
    const std::string state = root_ / "state";
    std::filesystem::remove(state + "/calls");
    std::ostringstream script;
    script << "cd " << ShellQuote(root_ / "apps") << " || exit 99\n";
    for (size_t i = 0; i < products_.size(); ++i) {
      const Product &p = products_[i];
      const std::string exe = (root_.path() / "apps" / p.dir / p.exe).string();
      script << ShellQuote(exe);
      for (const std::string &a : p.args) script << " " << ShellQuote(a);
      script << " & p" << i << "=$!\n"
             << "until [ \"$(readlink /proc/$p" << i << "/exe)\" = " << ShellQuote(exe)
             << " ]; do sleep 0.01; done\n";
    }
    script << "cd " << ShellQuote(root_ / "work") << " || exit 99\n"
           << "PATH=" << ShellQuote(root_ / "bin") << ":\"$PATH\" OVRAVELIN_REGISTRY="
           << ShellQuote(RegistryPath()) << " timeout 300 " << ShellQuote(std::string(OVR_BIN_DIR) + "/ovravelin");
    for (const std::string &a : args) script << " " << ShellQuote(a);
    script << " > " << ShellQuote(state + "/stdout") << "\n"
           << "echo $? > " << ShellQuote(state + "/rc") << "\n"
           << ": > " << ShellQuote(state + "/alive") << "\n";
    for (size_t i = 0; i < products_.size(); ++i) {
      script << "s=$(sed -n 's/^State:[[:space:]]*\\(.\\).*/\\1/p' /proc/$p" << i
             << "/status 2>/dev/null)\n"
             << "if [ -n \"$s\" ] && [ \"$s\" != Z ]; then echo 1; else echo 0; fi >> "
             << ShellQuote(state + "/alive") << "\n";
    }
    WriteFile(state + "/scene.sh", script.str());

    const long offset = uptimeSeconds - CurrentUptimeSeconds();
    const std::string command = "unshare --pid --fork --mount-proc --time --boottime " +
                                std::to_string(offset) + " /bin/sh " +
                                ShellQuote(state + "/scene.sh");
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << "the scene did not run: " << command;

    Outcome out;
    std::istringstream(ReadFile(state + "/rc")) >> out.exitCode;
    out.log = StripLogPrefixes(ReadFile(root_ / "logs/ovravelin.log"));
    out.standardOutput = ReadFile(state + "/stdout");
    std::istringstream alive(ReadFile(state + "/alive"));
    for (std::string line; std::getline(alive, line);) out.alive.push_back(line == "1");
    std::istringstream calls(ReadFile(state + "/calls"));
    for (std::string line; std::getline(calls, line);) out.calls.push_back(line);
    out.registry = RegistryText();
    std::filesystem::remove(root_ / "logs/ovravelin.log");
    return out;
  }

 private:
  TempDir root_;
  std::vector<Product> products_;
};

}  // namespace ovr::testing
