// Uninstalls through the Uninstall entries of the registry.
#include "handler/uninstall.h"

#include <corbel/log.h>

#include <cstdlib>

#include "handler/app_detection.h"
#include "handler/ascii_case.h"
#include "handler/launcher.h"
#include "handler/run_settings.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "support/registry.h"

namespace ovr {

namespace {

constexpr size_t kValueBufferChars = 2048;  // terminator included
constexpr int kUninstallLimit = 40;          // minutes

}  // namespace

std::optional<std::string> ReadUninstallText(const std::string &keyPath, const char *valueName,
                                             bool ex) {
  std::optional<std::string> text;
  const uint32_t rc = ex ? ReadRegSZEx(platform::RegRoot::LocalMachine, keyPath.c_str(), valueName, text)
                         : ReadRegSZ(platform::RegRoot::LocalMachine, keyPath.c_str(), valueName, text);
  if (rc != 0) return std::nullopt;
  return text;
}

void EnumerateUninstallKeys(std::vector<std::string> &names, const char *keyPath) {
  platform::RegKey key;
  if (platform::OpenRegistryKey(platform::RegRoot::LocalMachine, keyPath, platform::kKeyRead, key) != 0) {
    return;
  }
  const size_t first = names.size();
  std::string name;
  for (uint32_t index = 0; platform::EnumRegistrySubKey(key, index, name) == 0; ++index) {
    names.push_back(name);
  }
  for (size_t i = first; i < names.size(); ++i) LogDebug("Subkey Name:%s\n", names[i].c_str());
}

uint32_t ReadUninstallValue(const char *keyPath, const char *valueName, bool view64,
                            std::string &text) {
  const uint32_t view = view64 ? platform::kKeyWow64_64Key : platform::kKeyWow64_32Key;
  platform::RegKey key;
  uint32_t rc = platform::OpenRegistryKey(platform::RegRoot::LocalMachine, keyPath,
                                          platform::kKeyRead | view, key);
  if (rc != 0) return rc;
  uint32_t type = platform::kRegNone;
  uint32_t size = 0;
  rc = platform::QueryRegistryValue(key, valueName, &type, nullptr, &size);
  if (rc != 0) return rc;
  if (type != platform::kRegSz && type != platform::kRegExpandSz) return platform::kErrorInvalidData;
  std::string buffer(kValueBufferChars, '\0');
  size = kValueBufferChars;
  rc = platform::QueryRegistryValue(key, valueName, &type, reinterpret_cast<uint8_t *>(buffer.data()),
                                    &size);
  if (rc != 0) return rc;
  // Text stored without its terminator is refused rather than read past.
  if (size == 0 || buffer[size - 1] != '\0') return platform::kErrorInvalidData;
  buffer.resize(size - 1);
  text = buffer.substr(0, buffer.find('\0'));
  return 0;
}

void UninstallByDisplayName(UninstallMatch match, UninstallCommand command, int minutes) {
  std::vector<std::string> names;
  EnumerateUninstallKeys(names, kUninstallKeyPath);
  for (const std::string &name : names) {
    const std::string entry = kUninstallKeyPath + name;
    const std::optional<std::string> displayName = ReadUninstallText(entry, "DisplayName");
    if (!displayName || !match(*displayName)) continue;
    const std::optional<std::string> commandLine = command(entry, name);
    if (!commandLine) continue;
    LogInfo("The return value is %d", ExecuteInSystemDirectory(*commandLine, minutes).result);
    platform::DeleteRegistryKey(platform::RegRoot::LocalMachine, entry, 0);
    CreateAppDetectionKey();
  }
}

bool HipChatMatch(const std::string &displayName) {
  return EqualsIgnoringAsciiCase(displayName, "HipChat");
}

std::optional<std::string> HipChatCommand(const std::string &entryPath, const std::string &) {
  if (std::optional<std::string> quiet = ReadUninstallText(entryPath, "QuietUninstallString")) return quiet;
  if (std::optional<std::string> plain = ReadUninstallText(entryPath, "UninstallString")) {
    return *plain + " /qn /norestart ALLUSERS=1";
  }
  return std::nullopt;
}

bool AdvancedInstallerMatch(const std::string &displayName) {
  return displayName.find("Advanced Installer") != std::string::npos;
}

std::optional<std::string> AdvancedInstallerCommand(const std::string &entryPath,
                                                    const std::string &subkeyName) {
  if (!ReadUninstallText(entryPath, "UninstallString")) return std::nullopt;
  return "MsiExec.exe /X" + subkeyName + " /qn /norestart";
}

void UninstallByRegistryValue() {
  RunSettings &s = gv_runSettings;
  std::string command;
  const uint32_t rc =
      ReadUninstallValue(s.RegKeyPath.c_str(), s.RegKeyValueName.c_str(), s.gv_IsWow64 != 0, command);
  if (rc != 0) {
    LogInfo("Reading from registry failed with error %ld.\n", static_cast<long>(rc));
    return;
  }
  std::string switches;
  for (const std::string &sw : s.uninstallSwitches) switches += sw + " ";
  s.uninstallSwitches.clear();
  if (!switches.empty()) {
    LogInfo("The uninstall switch is %s", switches.c_str());
    command += " " + switches;
  }
  LogInfo("The uninstall string is %s", command.c_str());
  LogInfo("The return value is %d", ExecuteInSystemDirectory(command, kUninstallLimit).result);
  CreateAppDetectionKey();
}

}  // namespace ovr
