// The registry of the Linux backend: HKEY_LOCAL_MACHINE (and any other root the file lists)
// kept in the .reg file that OVRAVELIN_REGISTRY names. The file is read when it changed on
// disk since it was last read or written, and rewritten after each change through a
// temporary file in the same directory (written, flushed to disk, renamed over the old
// one), so that it is never seen half-written. A file that does not parse is reported and
// never overwritten: every call then fails with kErrorBadDatabase. A call that may change the
// file holds an exclusive lock on "<file>.lock" from reading to rewriting, so that programs
// changing the registry at the same time each see the other's changes and none is lost.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/error.h"
#include "platform/posix/file_io.h"
#include "platform/portable/reg_file.h"
#include "platform/portable/reg_store.h"

namespace ovr::platform::regstore {
namespace {

constexpr const char *kRegistryVariable = "OVRAVELIN_REGISTRY";
constexpr uint32_t kErrorWriteFault = 29;
constexpr uint32_t kErrorDiskFull = 112;

// What identifies one version of the file on disk.
struct Signature {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified = 0;  // nanoseconds
  bool operator==(const Signature &) const = default;
};

Signature SignatureOf(const struct stat &st) {
  return {true, st.st_dev, st.st_ino, st.st_size,
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

uint32_t WriteErrorCode(int error) {
  if (error == EACCES || error == EPERM || error == EROFS) return kErrorAccessDenied;
  if (error == ENOSPC || error == EDQUOT) return kErrorDiskFull;
  return kErrorWriteFault;
}

bool WriteAll(int fd, const std::string &text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

class FileStore : public Store {
 public:
  uint32_t Begin(Call call, RegRoot, const std::vector<std::string> &path) override {
    const char *file = std::getenv(kRegistryVariable);
    if (!file || !*file) {
      problem_ = std::string("no registry file: the environment variable ") +
                 kRegistryVariable + " is not set";
      loaded_ = false;
      return kErrorBadDatabase;
    }
    if (file != path_) {
      path_ = file;
      loaded_ = false;
    }
    if (call == Call::Create) {
      for (const auto &part : path) {
        // The file keeps one key per line.
        if (part.find_first_of("\r\n") != std::string::npos) return kErrorInvalidParameter;
      }
    }
    if (call == Call::Create || call == Call::Set || call == Call::DeleteKey ||
        call == Call::DeleteValue)
      LockForChange();
    return Refresh();
  }

  void End() override {
    if (lock_ >= 0) ::close(lock_);  // closing lets go of the lock
    lock_ = -1;
  }

  uint32_t Commit() override {
    std::string text = WriteRegFile(tree);
    std::string directory = ".";
    size_t slash = path_.rfind('/');
    if (slash != std::string::npos) directory = slash == 0 ? "/" : path_.substr(0, slash);
    RemoveLeftovers(directory);
    std::string temp = path_ + ".tmp-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return Abandon(errno);
    struct stat old;
    mode_t mode = ::stat(path_.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path_.c_str()) != 0) {
      if (ok) error = errno;
      ::unlink(temp.c_str());
      return Abandon(error);
    }
    int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    struct stat now;
    if (::stat(path_.c_str(), &now) == 0) signature_ = SignatureOf(now);
    return kErrorSuccess;
  }

  std::string Problem() override { return problem_; }

 private:
  // The change could not be kept: forget it, the next call reads the file again.
  uint32_t Abandon(int error) {
    loaded_ = false;
    return WriteErrorCode(error);
  }

  // Temporary files of writers that were killed before their rename. Only while the lock is
  // held: every writer then is us, so any such file is a leftover.
  void RemoveLeftovers(const std::string &directory) {
    if (lock_ < 0) return;
    const size_t slash = path_.rfind('/');
    const std::string prefix =
        (slash == std::string::npos ? path_ : path_.substr(slash + 1)) + ".tmp-";
    DIR *dir = ::opendir(directory.c_str());
    if (dir == nullptr) return;
    while (const dirent *entry = ::readdir(dir)) {
      if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0 &&
          std::strlen(entry->d_name) == prefix.size() + 6)
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
  }

  // Waits for the lock of the file's changers. Where the lock file cannot be made (a
  // directory we may not write), the change goes on without it: writing the file itself
  // fails there and reports why.
  void LockForChange() {
    End();
    int fd = ::open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd);
        return;
      }
    }
    lock_ = fd;
  }

  uint32_t Refresh() {
    struct stat st;
    Signature now;
    if (::stat(path_.c_str(), &st) == 0) {
      now = SignatureOf(st);
    } else if (errno != ENOENT) {
      return Unreadable(errno);
    }
    if (loaded_ && now == signature_) return problem_.empty() ? kErrorSuccess : kErrorBadDatabase;
    signature_ = now;
    loaded_ = true;
    problem_.clear();
    if (!now.exists) {
      tree.Clear();
      return kErrorSuccess;
    }
    std::string bytes;
    if (!ReadFile(bytes)) return Unreadable(errno);
    if (!ParseRegFile(bytes, path_, tree, problem_)) return kErrorBadDatabase;
    return kErrorSuccess;
  }

  bool ReadFile(std::string &bytes) { return ReadWholeFile(path_, bytes); }

  uint32_t Unreadable(int error) {
    problem_ = path_ + ": cannot be read: " + std::strerror(error);
    tree.Clear();
    loaded_ = false;
    return kErrorBadDatabase;
  }

  std::string path_;
  int lock_ = -1;  // held from Begin to End of a call that may change the file
  bool loaded_ = false;
  Signature signature_;
  std::string problem_;
};

}  // namespace

Store &ActiveStore() {
  static FileStore store;
  return store;
}

}  // namespace ovr::platform::regstore
