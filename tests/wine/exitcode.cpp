// Runs a command line and writes its full 32-bit exit code to a file. A Unix shell sees
// only the low 8 bits of a Windows exit code (3010 arrives as 194), so the suite reads the
// code from here.
//
//   exitcode.exe RESULT-FILE PROGRAM [ARGUMENTS...]
//
// Standard handles are inherited, so the program's output reaches the caller. The result
// file holds the exit code in decimal, or "launch error N" when the program did not start.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// The command line after the first `skip` arguments, as the system parses them.
const wchar_t *SkipArguments(const wchar_t *line, int skip) {
  for (int i = 0; i < skip; ++i) {
    bool quoted = false;
    while (*line == L' ' || *line == L'\t') ++line;
    while (*line != L'\0' && (quoted || (*line != L' ' && *line != L'\t'))) {
      if (*line == L'"') quoted = !quoted;
      ++line;
    }
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

int Write(const wchar_t *path, const char *text) {
  FILE *f = _wfopen(path, L"w");
  if (f == nullptr) return 1;
  std::fputs(text, f);
  std::fclose(f);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv) {
  if (argc < 3) {
    std::fputs("usage: exitcode RESULT-FILE PROGRAM [ARGUMENTS...]\n", stderr);
    return 2;
  }
  wchar_t *commandLine = _wcsdup(SkipArguments(GetCommandLineW(), 2));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  char text[64];
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                      &pi)) {
    std::snprintf(text, sizeof text, "launch error %lu\n", GetLastError());
    Write(argv[1], text);
    return 1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::snprintf(text, sizeof text, "%lu\n", code);
  return Write(argv[1], text);
}
