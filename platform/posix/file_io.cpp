#include "platform/posix/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ovr::platform {

bool ReadWholeFile(const std::string &path, std::string &bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      errno = error;
      return false;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace ovr::platform
