// The .reg file store of the Linux backend: what it does with the file on disk.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/portable/reg_file.h"
#include "platform/registry.h"
#include "tests/common/temp_dir.h"

namespace {

using namespace ovr::platform;
using ovr::testing::ReadFile;
using ovr::testing::WriteFile;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

class RegistryFileTest : public ::testing::Test {
 protected:
  RegistryFileTest() { setenv("OVRAVELIN_REGISTRY", file.c_str(), 1); }

  static uint32_t SetDword(const char *path, const char16_t *name, uint32_t value) {
    RegKey key;
    if (uint32_t code = CreateRegistryKey(RegRoot::LocalMachine, path, kKeyAllAccess, key, nullptr))
      return code;
    uint8_t data[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                       uint8_t(value >> 24)};
    return SetRegistryValueWide(key, name, kRegDword, data, 4);
  }

  static bool Parses(const std::string &bytes, std::string &problem) {
    regstore::Tree tree;
    return regstore::ParseRegFile(bytes, "registry.reg", tree, problem);
  }

  ovr::testing::TempDir dir;
  std::string file = dir / "registry.reg";
};

TEST_F(RegistryFileTest, AMissingFileIsAnEmptyRegistryAndEachChangeIsWrittenAtOnce) {
  RegKey key;
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\X", kKeyRead, key),
            kErrorFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(file)) << "reading never makes the file";
  ASSERT_EQ(SetDword("System\\Power", u"HiberbootEnabled", 0), kErrorSuccess);
  EXPECT_EQ(ReadFile(file), kHeader + "[HKEY_LOCAL_MACHINE\\System]\n\n"
                                      "[HKEY_LOCAL_MACHINE\\System\\Power]\n"
                                      "\"HiberbootEnabled\"=dword:00000000\n\n");
}

TEST_F(RegistryFileTest, ARegeditExportIsRewrittenAsUtf8WithEverythingKept) {
  std::string exported = ReadFile(std::string(OVR_TEST_SOURCE_DIR) + "/data/power.reg");
  WriteFile(file, exported);
  ASSERT_EQ(SetDword("Software\\Velmora\\Orvanta\\OVAgent\\Settings", u"ovDisabledFastStartup", 1),
            kErrorSuccess);
  EXPECT_EQ(ReadFile(file),
            kHeader +
                "[HKEY_LOCAL_MACHINE\\Software]\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node]\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora]\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora\\Orvanta]\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora\\Orvanta\\OVAgent]\n\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Velmora\\Orvanta\\OVAgent\\Settings]\n"
                "\"ovDisabledFastStartup\"=dword:00000001\n\n"
                "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Power]\n"
                "\"HibernateEnabled\"=dword:00000001\n\n");
}

TEST_F(RegistryFileTest, AFileChangedByAnotherProgramIsReadAgain) {
  ASSERT_EQ(SetDword("System\\A", u"v", 1), kErrorSuccess);
  WriteFile(file, kHeader + "[HKEY_LOCAL_MACHINE\\System\\B]\n");
  RegKey key;
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "System\\B", kKeyRead, key), kErrorSuccess);
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "System\\A", kKeyRead, key),
            kErrorFileNotFound);
}

TEST_F(RegistryFileTest, AFileThatDoesNotParseIsReportedAndNeverOverwritten) {
  const std::string broken = kHeader + "[HKEY_LOCAL_MACHINE\\System]\n\"v\"=hex:01,\\\n";
  WriteFile(file, broken);
  RegKey key;
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "System", kKeyRead, key), kErrorBadDatabase);
  EXPECT_EQ(SetDword("System", u"v", 1), kErrorBadDatabase);
  EXPECT_EQ(DeleteRegistryKey(RegRoot::LocalMachine, "System", 0), kErrorBadDatabase);
  EXPECT_EQ(RegistryStoreProblem(), file + ":4: value continues past the end of the file");
  EXPECT_EQ(ReadFile(file), broken);
  // Mended by hand, it is used again.
  WriteFile(file, kHeader + "[HKEY_LOCAL_MACHINE\\System]\n");
  EXPECT_EQ(SetDword("System", u"v", 1), kErrorSuccess);
  EXPECT_EQ(RegistryStoreProblem(), "");
}

TEST_F(RegistryFileTest, NoFileNamedOrAFileThatCannotBeReadFailsClearly) {
  unsetenv("OVRAVELIN_REGISTRY");
  RegKey key;
  EXPECT_EQ(CreateRegistryKey(RegRoot::LocalMachine, "System", kKeyAllAccess, key, nullptr),
            kErrorBadDatabase);
  EXPECT_NE(RegistryStoreProblem().find("OVRAVELIN_REGISTRY is not set"), std::string::npos);
  setenv("OVRAVELIN_REGISTRY", dir.path().c_str(), 1);  // a directory
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "System", kKeyRead, key), kErrorBadDatabase);
  EXPECT_NE(RegistryStoreProblem().find(": cannot be read: "), std::string::npos)
      << RegistryStoreProblem();
}

TEST_F(RegistryFileTest, AWriterKilledAtAnyMomentLeavesAFileThatParses) {
  std::mt19937 random(12345);
  for (int round = 0; round < 25; ++round) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (uint32_t i = 0;; ++i) {
        std::string path = "SOFTWARE\\Writer\\K" + std::to_string(i % 50);
        if (SetDword(path.c_str(), u"count", i) != kErrorSuccess) _exit(3);
      }
    }
    usleep(1000 + random() % 20000);
    kill(pid, SIGKILL);
    int status;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed with " << WEXITSTATUS(status);
    std::string problem;
    ASSERT_TRUE(Parses(ReadFile(file), problem)) << "round " << round << ": " << problem;
  }
  // The next change clears what killed writers left behind.
  ASSERT_EQ(SetDword("SOFTWARE\\Writer", u"done", 1), kErrorSuccess);
  for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find("registry.reg.tmp-"), std::string::npos)
        << entry.path();
}

TEST_F(RegistryFileTest, ProgramsChangingTheRegistryAtOnceLoseNoChange) {
  constexpr int kWriters = 4, kEach = 40;
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0; i < kEach; ++i) {
        std::string ascii = "w" + std::to_string(w) + "_" + std::to_string(i);
        std::u16string name(ascii.begin(), ascii.end());
        if (SetDword("SOFTWARE\\Shared", name.c_str(), static_cast<uint32_t>(i)) != kErrorSuccess)
          _exit(3);
      }
      _exit(0);
    }
    writers.push_back(pid);
  }
  for (pid_t pid : writers) {
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
  }
  RegKey key;
  ASSERT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Shared", kKeyRead, key),
            kErrorSuccess);
  uint32_t count = 0;
  std::string name;
  while (EnumRegistryValue(key, count, name, nullptr) == kErrorSuccess) ++count;
  EXPECT_EQ(count, static_cast<uint32_t>(kWriters * kEach)) << "every writer's values are kept";
}

}  // namespace
