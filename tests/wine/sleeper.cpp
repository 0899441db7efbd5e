// Stands in for a product's running program: the suite copies it under the product's
// executable name ("notepad++.exe", ...) and starts it. It sleeps until it is terminated,
// or for the number of seconds given as its first argument (300 by default).
#include <windows.h>

#include <cstdlib>

int main(int argc, char **argv) {
  long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 300;
  if (seconds <= 0) seconds = 300;
  Sleep(static_cast<DWORD>(seconds) * 1000);
  return 0;
}
