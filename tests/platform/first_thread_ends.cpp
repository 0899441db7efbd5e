// A program whose first thread ends while a second one runs on until the program is ended.
#include <pthread.h>
#include <unistd.h>

namespace {

void *RunOn(void *) {
  for (;;) ::pause();
}

}  // namespace

int main() {
  pthread_t thread;
  if (::pthread_create(&thread, nullptr, RunOn, nullptr) != 0) return 1;
  ::pthread_exit(nullptr);
}
