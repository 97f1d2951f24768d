// Writes a whole file so that a failure never leaves a truncated or destroyed file behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {
namespace {

[[noreturn]] void Fail(const std::string& fileName, const char* what, int err) {
  throw Error(ErrorCode::FileWrite,
              "cannot write '" + fileName + "': " + what + ": " + std::strerror(err));
}

// Owns a file descriptor.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports the result; a failed close may mean lost data.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

// Writes all bytes, retrying short writes and interruptions; returns 0 or an errno value.
int WriteAll(int fd, const std::uint8_t* buffer, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, buffer, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    buffer += n;
    length -= static_cast<std::size_t>(n);
  }
  return 0;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Writes into an existing file that is not a regular file (a device, a pipe): no rename.
void WriteInPlace(const std::string& fileName, const std::uint8_t* buffer, std::size_t length) {
  Fd fd(::open(fileName.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) Fail(fileName, "open", errno);
  if (const int err = WriteAll(fd.get(), buffer, length)) Fail(fileName, "write", err);
  if (fd.Close() != 0) Fail(fileName, "close", errno);
}

}  // namespace

void WriteWholeFile(const std::string& fileName, const std::uint8_t* buffer, std::size_t length) {
  if (fileName.empty()) throw Error(ErrorCode::FileWrite, "no output file name given");

  struct stat st {};
  const bool exists = ::stat(fileName.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    throw Error(ErrorCode::FileWrite, "cannot write '" + fileName + "': it is a folder");
  }
  if (exists && !S_ISREG(st.st_mode)) {
    WriteInPlace(fileName, buffer, length);
    return;
  }
  // A file its owner made read-only stays as it is, as it would for a plain open; replacing it
  // by renaming would need only the folder's permission.
  if (exists && ::access(fileName.c_str(), W_OK) != 0) Fail(fileName, "open", errno);

  // A symbolic link stays a link: the file it points to is the one replaced.
  std::string target = fileName;
  struct stat link {};
  if (exists && ::lstat(fileName.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    char* resolved = ::realpath(fileName.c_str(), nullptr);
    if (resolved == nullptr) Fail(fileName, "resolve link", errno);
    target = resolved;
    std::free(resolved);
  }

  // A fresh name in the same folder, created exclusively; the kernel applies the umask to 0666
  // just as it would for a plain create.
  const std::string dir = DirectoryOf(target);
  std::string tempName;
  int rawFd = -1;
  std::random_device entropy;
  for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(entropy()));
    tempName = dir + "/.pdf417-" + suffix + ".tmp";
    rawFd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (rawFd < 0 && errno != EEXIST) Fail(fileName, "create temporary file", errno);
  }
  if (rawFd < 0) Fail(fileName, "create temporary file", EEXIST);
  Fd fd(rawFd);

  // From here on the temporary file must go away unless it has been renamed into place.
  struct TempGuard {
    const std::string& name;
    bool keep = false;
    ~TempGuard() {
      if (!keep) ::unlink(name.c_str());
    }
  } guard{tempName};

  // A replaced file keeps its permissions.
  if (exists && ::fchmod(fd.get(), st.st_mode & 07777) != 0) Fail(fileName, "set permissions", errno);
  if (const int err = WriteAll(fd.get(), buffer, length)) Fail(fileName, "write", err);
  if (::fsync(fd.get()) != 0) Fail(fileName, "flush", errno);
  if (fd.Close() != 0) Fail(fileName, "close", errno);
  if (::rename(tempName.c_str(), target.c_str()) != 0) Fail(fileName, "rename", errno);
  guard.keep = true;
}

}  // namespace pdf417
