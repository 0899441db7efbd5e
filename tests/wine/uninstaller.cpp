// Stands in for an uninstaller named by an Uninstall registry entry: it appends its whole
// command line and the directory it runs in, one line each, to "calls.txt" beside itself,
// and exits with the code given by an argument "/exit=N" (0 without one).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char **argv) {
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string log(self, n);
  log.erase(log.find_last_of('\\') + 1);
  log += "calls.txt";
  char cwd[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, cwd);
  if (FILE *f = std::fopen(log.c_str(), "a")) {
    std::fprintf(f, "%s\n%s\n", GetCommandLineA(), cwd);
    std::fclose(f);
  }
  int code = 0;
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "/exit=", 6) == 0) code = std::atoi(argv[i] + 6);
  return code;
}
