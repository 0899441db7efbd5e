// The handler as the agent runs it: a private directory tree per test,
//   <root>/work   the working directory of the run
//   <root>/logs   where the run's "../logs/ovravelin.log" lands
// the program started as a child process with extra environment variables, and its exit
// code, output and log read back.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/common/temp_dir.h"

extern char **environ;

namespace ovr::testing {

struct RunResult {
  int exitCode = -1;  // the status as a Linux parent sees it (modulo 256)
  std::string out;    // standard output
  std::string err;    // standard error
};

class HandlerTest : public ::testing::Test {
 protected:
  // Every run gets a registry file holding the agent's key with both its settings (a run
  // without them logs their read errors); WriteRegistry replaces it.
  HandlerTest() {
    std::filesystem::create_directories(WorkDir());
    WriteRegistry(kAgentRegistry);
    env["OVRAVELIN_REGISTRY"] = RegistryPath().string();
  }

  static constexpr const char *kAgentRegistry =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Velmora\\Orvanta\\OVAgent]\n"
      "\"OVAgentInstallDir\"=\"C:\\\\Program Files (x86)\\\\Agent\"\n"
      "\"OVAgentVersion\"=\"11.0.2\"\n"
      "\n";

  std::filesystem::path RegistryPath() const { return root_.path() / "registry.reg"; }
  void WriteRegistry(const std::string &text) const {
    std::ofstream(RegistryPath(), std::ios::binary) << text;
  }
  std::string Registry() const { return ReadFile(RegistryPath()); }

  std::filesystem::path Root() const { return root_.path(); }
  std::filesystem::path WorkDir() const { return root_.path() / "work"; }
  std::filesystem::path LogPath() const { return root_.path() / "logs" / "ovravelin.log"; }
  static std::string Program() { return std::string(OVR_BIN_DIR) + "/ovravelin"; }

  // Environment variables set (or replaced) for every run of this test.
  std::map<std::string, std::string> env;
  // Directories put before PATH for every run of this test.
  std::vector<std::filesystem::path> pathPrefix;
  // The child removes its working directory before the program starts, leaving it a
  // current directory that cannot be read.
  bool removeWorkDirAtStart = false;

  // Runs the program with `args` (without the program name) in WorkDir().
  RunResult Run(const std::vector<std::string> &args) { return RunIn(WorkDir(), args); }

  RunResult RunIn(const std::filesystem::path &cwd, const std::vector<std::string> &args) {
    std::string program = Program();
    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStore = Environment();
    std::vector<char *> envp;
    for (auto &e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    std::string outPath = (Root() / "stdout.txt").string();
    std::string errPath = (Root() / "stderr.txt").string();
    std::string dir = cwd.string();
    pid_t pid = fork();
    if (pid == 0) {
      int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir(dir.c_str()) != 0)
        _exit(127);
      if (removeWorkDirAtStart && rmdir(dir.c_str()) != 0) _exit(127);
      execve(program.c_str(), argv.data(), envp.data());
      static const char failed[] = "handler fixture: execve failed\n";
      if (write(2, failed, sizeof failed - 1) < 0) _exit(126);
      _exit(127);
    }
    RunResult result;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) {
      ADD_FAILURE() << "could not run " << program;
      return result;
    }
    lastPid_ = pid;
    if (WIFSIGNALED(status))
      ADD_FAILURE() << program << " died of signal " << WTERMSIG(status);
    else
      result.exitCode = WEXITSTATUS(status);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    if (result.err.find("handler fixture: execve failed") != std::string::npos)
      ADD_FAILURE() << "could not start " << program << " (arguments too long?)";
    return result;
  }

  // The process id of the last run.
  pid_t LastPid() const { return lastPid_; }

  std::string Log() const { return ReadFile(LogPath()); }
  // The log with its line prefixes removed: tags and messages as written.
  std::string LogBody() const { return StripLogPrefixes(Log()); }

  // What a run with `-n` writes between its open and close lines; fails when the log is not
  // exactly one run's open line, its lines and its close line.
  std::string LinesBetweenOpenAndClose() const {
    // Searched by hand: std::regex recurses per character and overflows on long lines.
    static const std::string open = "[INFO] Log open time: ", close = "[INFO] Log close time: ";
    static const std::regex stampLine(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3}\n)");
    std::string body = LogBody();
    std::size_t openEnd = body.find('\n');
    std::size_t closeAt = body.rfind(close);
    if (body.rfind(open, 0) != 0 || openEnd == std::string::npos || closeAt == std::string::npos ||
        closeAt <= openEnd ||
        !std::regex_match(body.substr(open.size(), openEnd + 1 - open.size()), stampLine) ||
        !std::regex_match(body.substr(closeAt + close.size()), stampLine)) {
      ADD_FAILURE() << "not one complete run in the log:\n" << Log().substr(0, 4000);
      return {};
    }
    return body.substr(openEnd + 1, closeAt - openEnd - 1);
  }

 private:
  std::vector<std::string> Environment() const {
    std::map<std::string, std::string> merged;
    for (char **e = environ; *e != nullptr; ++e) {
      const char *eq = std::strchr(*e, '=');
      if (eq != nullptr) merged[std::string(*e, static_cast<std::size_t>(eq - *e))] = eq + 1;
    }
    for (const auto &[k, v] : env) merged[k] = v;
    if (!pathPrefix.empty()) {
      std::string path;
      for (const auto &p : pathPrefix) path += p.string() + ":";
      merged["PATH"] = path + merged["PATH"];
    }
    std::vector<std::string> out;
    for (const auto &[k, v] : merged) out.push_back(k + "=" + v);
    return out;
  }

  TempDir root_;
  pid_t lastPid_ = -1;
};

}  // namespace ovr::testing
