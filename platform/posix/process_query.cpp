// Process command lines on Linux: /proc/PID/cmdline, the arguments joined by blanks. There
// is no service to connect to, so connecting always succeeds.
#include "platform/process_query.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>

#include "platform/error.h"
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
  while (dirent *entry = ::readdir(dir)) {
    char *end;
    std::strtoul(entry->d_name, &end, 10);
    if (*end != '\0' || entry->d_name[0] == '\0') continue;
    std::ifstream file(std::string("/proc/") + entry->d_name + "/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    while (!raw.empty() && raw.back() == '\0') raw.pop_back();
    if (raw.empty()) continue;
    for (char &c : raw) {
      if (c == '\0') c = ' ';
    }
    std::u16string wide;
    if (Utf8ToUtf16(raw, wide) != kErrorSuccess) continue;
    if (ContainsNoCase(wide, fragment)) commandLines.push_back(std::move(wide));
  }
  ::closedir(dir);
  return 0;
}

}  // namespace ovr::platform
