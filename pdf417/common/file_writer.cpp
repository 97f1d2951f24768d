// Writes a whole file so that a failure never leaves a truncated or destroyed file behind.
//
// A write beyond the process's file-size limit raises SIGXFSZ, whose default action kills the
// process in the middle of the write, before it can remove its temporary file. The writer relies
// on its caller ignoring that signal (the pdf417 tool does), so that such a write fails with
// EFBIG like any other failed write and is reported and cleaned up. Temporary files that a killed
// writer could not remove carry its process id, and the next write into the same folder removes
// those of processes that no longer exist.
#include "pdf417/common/file_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "pdf417/common/error.h"

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

// Temporary files are named ".pdf417-<pid>-<8 hex digits>.tmp".
constexpr char kTempPrefix[] = ".pdf417-";
constexpr char kTempSuffix[] = ".tmp";

// The process id in a temporary file's name, or 0 when the name is not one of ours.
pid_t WriterOf(const std::string& name) {
  const std::size_t prefix = sizeof kTempPrefix - 1;
  const std::size_t suffix = sizeof kTempSuffix - 1;
  if (name.size() <= prefix + suffix || name.compare(0, prefix, kTempPrefix) != 0 ||
      name.compare(name.size() - suffix, suffix, kTempSuffix) != 0) {
    return 0;
  }
  const std::string middle = name.substr(prefix, name.size() - prefix - suffix);
  const std::size_t dash = middle.find('-');
  if (dash == std::string::npos || dash == 0 || dash > 9 || middle.size() - dash - 1 != 8) return 0;
  long long pid = 0;
  for (std::size_t i = 0; i < dash; ++i) {
    if (middle[i] < '0' || middle[i] > '9') return 0;
    pid = pid * 10 + (middle[i] - '0');
  }
  for (std::size_t i = dash + 1; i < middle.size(); ++i) {
    const char c = middle[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return 0;
  }
  return pid > 0 ? static_cast<pid_t>(pid) : 0;
}

// Follows a symbolic link that points to nothing yet, hop by hop, to the name a new file gets.
// Returns false with errno set when the chain is longer than the system follows (a loop).
bool FollowDanglingLink(const std::string& link, std::string& target) {
  std::string path = link;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      target = path;
      return true;
    }
    std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) >= buffer.size()) {  // grew meanwhile
      errno = ENAMETOOLONG;
      return false;
    }
    const std::string next(buffer.data(), static_cast<std::size_t>(n));
    path = !next.empty() && next[0] == '/' ? next : DirectoryOf(path) + "/" + next;
  }
  errno = ELOOP;
  return false;
}

// Writes into an existing file that is not a regular file (a device, a pipe): no rename.
void WriteInPlace(const std::string& fileName, const std::uint8_t* buffer, std::size_t length) {
  Fd fd(::open(fileName.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) Fail(fileName, "open", errno);
  if (const int err = WriteAll(fd.get(), buffer, length)) Fail(fileName, "write", err);
  if (fd.Close() != 0) Fail(fileName, "close", errno);
}

// The file that writing fileName replaces or creates: fileName itself, or where its symbolic
// links lead. Refuses a folder, a file that is not a regular one, a read-only file and a link
// that cannot be followed. Sets exists and, for an existing file, its permissions.
std::string TargetOf(const std::string& fileName, bool& exists, mode_t& mode) {
  if (fileName.empty()) throw Error(ErrorCode::FileWrite, "no output file name given");
  struct stat st {};
  exists = ::stat(fileName.c_str(), &st) == 0;
  const int lookupError = errno;
  if (exists && S_ISDIR(st.st_mode)) {
    throw Error(ErrorCode::FileWrite, "cannot write '" + fileName + "': it is a folder");
  }
  if (exists && !S_ISREG(st.st_mode)) {
    throw Error(ErrorCode::FileWrite, "cannot write '" + fileName + "': not a regular file");
  }
  mode = st.st_mode & 07777;
  // A file its owner made read-only stays as it is, as it would for a plain open; replacing it
  // by renaming would need only the folder's permission.
  if (exists && ::access(fileName.c_str(), W_OK) != 0) Fail(fileName, "open", errno);

  // A symbolic link stays a link: the file it points to is the one replaced, or created when the
  // link points to nothing yet. A link that cannot be followed (a loop) is refused.
  std::string target = fileName;
  struct stat link {};
  if (!exists && lookupError == ELOOP) Fail(fileName, "follow symbolic link", ELOOP);
  if (::lstat(fileName.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (exists) {
      char* resolved = ::realpath(fileName.c_str(), nullptr);
      if (resolved == nullptr) Fail(fileName, "resolve link", errno);
      target = resolved;
      std::free(resolved);
    } else if (!FollowDanglingLink(fileName, target)) {
      Fail(fileName, "follow symbolic link", errno);
    }
  }
  return target;
}

}  // namespace

void RemoveLeftovers(const std::string& folder) {
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(d)) {
    const pid_t pid = WriterOf(e->d_name);
    if (pid == 0 || pid == ::getpid()) continue;
    // A live process (or one whose id was reused) keeps its file: only ESRCH says it has ended.
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    stale.emplace_back(e->d_name);
  }
  ::closedir(d);
  for (const std::string& name : stale) {
    const std::string path = folder + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
}

PendingFile::PendingFile(const std::string& fileName, const std::uint8_t* buffer,
                         std::size_t length, bool flush)
    : name_(fileName) {
  bool exists = false;
  mode_t mode = 0;
  target_ = TargetOf(fileName, exists, mode);
  folder_ = DirectoryOf(target_);

  // A fresh name in the same folder, created exclusively; the kernel applies the umask to 0666
  // just as it would for a plain create.
  std::string tempName;
  int rawFd = -1;
  std::random_device entropy;
  for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
    char middle[40];
    std::snprintf(middle, sizeof middle, "%ld-%08x", static_cast<long>(::getpid()),
                  static_cast<unsigned>(entropy()));
    tempName = folder_ + "/" + kTempPrefix + middle + kTempSuffix;
    rawFd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (rawFd < 0 && errno != EEXIST) Fail(fileName, "create temporary file", errno);
  }
  if (rawFd < 0) Fail(fileName, "create temporary file", EEXIST);
  Fd fd(rawFd);
  // From here on the destructor removes the temporary file unless it has been put in place; a
  // constructor that throws runs no destructor, hence the guard.
  temp_ = tempName;
  struct Guard {
    std::string& temp;
    bool done = false;
    ~Guard() {
      if (!done) ::unlink(temp.c_str());
    }
  } guard{temp_};

  // A replaced file keeps its permissions.
  if (exists && ::fchmod(fd.get(), mode) != 0) Fail(fileName, "set permissions", errno);
  if (const int err = WriteAll(fd.get(), buffer, length)) Fail(fileName, "write", err);
  if (flush && ::fsync(fd.get()) != 0) Fail(fileName, "flush", errno);
  if (fd.Close() != 0) Fail(fileName, "close", errno);
  guard.done = true;
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : name_(std::move(other.name_)),
      target_(std::move(other.target_)),
      folder_(std::move(other.folder_)),
      temp_(std::move(other.temp_)) {
  other.temp_.clear();
}

PendingFile::~PendingFile() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

void PendingFile::PutInPlace() {
  if (temp_.empty()) return;
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(name_, "rename", errno);
  temp_.clear();
}

void WriteWholeFile(const std::string& fileName, const std::uint8_t* buffer, std::size_t length) {
  struct stat st {};
  if (!fileName.empty() && ::stat(fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
      !S_ISDIR(st.st_mode)) {
    WriteInPlace(fileName, buffer, length);
    return;
  }
  PendingFile file(fileName, buffer, length, true);
  RemoveLeftovers(file.folder());
  file.PutInPlace();
}

}  // namespace pdf417
