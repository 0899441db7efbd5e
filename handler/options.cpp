// The handler's options: only the second character of a word selects the option, and every
// option takes the next word as its value.
#include "handler/options.h"

#include <climits>
#include <cstdlib>
#include <string_view>

#include <corbel/log.h>
#include <corbel/primitives.h>

namespace ovr {

namespace {

constexpr std::string_view kUninstallKeyPrefix =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The decimal prefix of `text` as atoi reads it, held within the int range.
int DecimalPrefix(const char *text) {
  long long value = std::strtoll(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void SetForceKillTimeout(RunSettings &s, const char *value) {
  int minutes = DecimalPrefix(value);
  if (minutes < 1) minutes = s.forceKillTimeout;
  if (minutes < 5) minutes = 5;
  if (minutes > 30) minutes = 30;
  s.forceKillTimeout = minutes;
  LogInfo("Force Kill Timeout : %d mins\n", s.forceKillTimeout);
}

void SetUninstallKey(RunSettings &s, const char *value) {
  std::string_view text(value);
  std::size_t slash = text.rfind('\\');
  int position = slash == std::string_view::npos ? -1 : static_cast<int>(slash);
  LogDebug("Position of the last \\ is:%d", position);
  std::string_view keyPart = slash == std::string_view::npos ? text : text.substr(0, slash);
  std::string_view valuePart = slash == std::string_view::npos ? text : text.substr(slash + 1);
  s.RegKeyPath.assign(kUninstallKeyPrefix);
  s.RegKeyPath.append(keyPart);
  s.RegKeyValueName.assign(valuePart);
  LogInfo("Regkey Path:%s\tRegKeyValueName :%s\n", s.RegKeyPath.c_str(), s.RegKeyValueName.c_str());
}

void SetPlatform(RunSettings &s, const char *value) {
  int bits = ConvertToIntegerFromString(value);
  if (bits == 32)
    s.gv_is32 = 1;
  else
    s.gv_IsWow64 = 1;
  LogInfo("App platform is %d and gv_is32 is %d and gv_IsWow64 is %d", bits, s.gv_is32,
          s.gv_IsWow64);
}

}  // namespace

void ParseArguments(int argc, const char *const *argv, RunSettings &s) {
  for (int i = 1; i < argc; ++i) {
    const char *word = argv[i];
    if (word == nullptr || word[0] != '-') continue;
    char option = word[1];
    if (std::string_view("cefknpstx").find(option) == std::string_view::npos || option == '\0')
      continue;
    if (i + 1 >= argc || argv[i + 1] == nullptr) break;  // no value: ignored
    const char *value = argv[++i];
    switch (option) {
      case 'c':
        s.clearAppDetection = ConvertToIntegerFromString(value);
        LogInfo("App detection need to be cleared");
        break;
      case 'e':
        s.listOfExe.emplace_back(value);
        break;
      case 'f':
        s.processRunningDir = value;
        LogInfo("Process Running Dir : %s\n", value);
        break;
      case 'k':
        SetUninstallKey(s, value);
        break;
      case 'n':
        s.productName = value;
        LogInfo("productName : %s\n", value);
        break;
      case 'p':
        s.processName = value;
        LogInfo("Process Name : %s\n", value);
        break;
      case 's':
        s.uninstallSwitches.emplace_back(value);
        break;
      case 't':
        SetForceKillTimeout(s, value);
        break;
      case 'x':
        SetPlatform(s, value);
        break;
    }
  }
}

}  // namespace ovr
