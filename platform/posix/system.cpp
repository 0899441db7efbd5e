// POSIX implementation of the system services: gettid, clock_gettime + localtime_r,
// getcwd, mkdir.
#include "platform/system.h"

#include <pthread.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace ovr::sys {

namespace {

// gettid is a system call; a thread asks once and keeps the answer. A forked child's only
// thread has a new id, so the cache is dropped in the child.
thread_local long tidCache = 0;

void ForgetTidInChild() {
  tidCache = 0;
}

struct AtForkRegistration {
  AtForkRegistration() { pthread_atfork(nullptr, nullptr, ForgetTidInChild); }
};
const AtForkRegistration atForkRegistration;

// localtime_r is the costly part of a time stamp and changes only once a second.
struct SecondCache {
  time_t second = -1;
  struct tm parts {};
};
thread_local SecondCache secondCache;

}  // namespace

long CurrentThreadId() {
  if (tidCache == 0) tidCache = static_cast<long>(gettid());
  return tidCache;
}

LocalTime CurrentLocalTime() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  SecondCache &c = secondCache;
  if (now.tv_sec != c.second) {
    if (localtime_r(&now.tv_sec, &c.parts) == nullptr) c.parts = {};
    c.second = now.tv_sec;
  }
  return LocalTime{c.parts.tm_year + 1900,
                   c.parts.tm_mon + 1,
                   c.parts.tm_mday,
                   c.parts.tm_hour,
                   c.parts.tm_min,
                   c.parts.tm_sec,
                   static_cast<int>(now.tv_nsec / 1000000)};
}

bool CurrentDirectory(std::string &out) {
  std::vector<char> buf(256);
  for (;;) {
    if (getcwd(buf.data(), buf.size()) != nullptr) {
      out.assign(buf.data());
      return true;
    }
    if (errno != ERANGE || buf.size() > (1u << 20)) return false;
    buf.resize(buf.size() * 2);
  }
}

DirResult MakeDirectory(const char *path) {
  if (path == nullptr) return {DirStatus::Failed, EINVAL};
  if (mkdir(path, 0777) == 0) return {DirStatus::Created, 0};
  int code = errno;
  switch (code) {
    case EEXIST:
      return {DirStatus::AlreadyExists, code};
    case ENOENT:
      return {DirStatus::ParentMissing, code};
    default:
      return {DirStatus::Failed, code};
  }
}

char PathSeparator() {
  return '/';
}

}  // namespace ovr::sys
