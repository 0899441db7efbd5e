#include "platform/posix/command_line.h"

namespace ovr::platform {

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  auto blank = [&](size_t k) { return k < line.size() && (line[k] == ' ' || line[k] == '\t'); };
  while (blank(i)) ++i;
  if (i == line.size()) return args;

  std::string program;
  if (line[i] == '"') {
    size_t end = line.find('"', i + 1);
    program = line.substr(i + 1, end == std::string_view::npos ? end : end - i - 1);
    i = end == std::string_view::npos ? line.size() : end + 1;
  } else {
    while (i < line.size() && !blank(i)) program += line[i++];
  }
  args.push_back(std::move(program));

  for (;;) {
    while (blank(i)) ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || !blank(i))) {
      size_t slashes = 0;
      while (i < line.size() && line[i] == '\\') ++slashes, ++i;
      if (i < line.size() && line[i] == '"') {
        arg.append(slashes / 2, '\\');
        if (slashes % 2) {
          arg += '"';
          ++i;
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg.append(slashes, '\\');
        if (i < line.size() && (quoted || !blank(i))) arg += line[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace ovr::platform
