// Writes many files with one flush to disk at the end.
#include "frontend/file_batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>

#include "pdf417/common/error.h"
#include "pdf417/common/file_writer.h"

namespace pdf417 {
namespace {

[[noreturn]] void Fail(const std::string& fileName, const char* what, int err) {
  throw Error(ErrorCode::FileWrite, "cannot write '" + fileName + "': " + what +
                                        (err != 0 ? ": " : "") +
                                        (err != 0 ? std::strerror(err) : ""));
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// fsync on a path; returns 0 or an errno value.
int SyncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = ::fsync(fd) == 0 ? 0 : errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  return err;
}

}  // namespace

FileBatch::~FileBatch() {
  for (const Entry& e : entries_) {
    if (!e.renamed) ::unlink(e.temp.c_str());
  }
}

void FileBatch::Add(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
  if (fileName.empty()) throw Error(ErrorCode::FileWrite, "no output file name given");
  for (const Entry& e : entries_) {
    if (e.target == fileName) Fail(fileName, "the batch writes it twice", 0);
  }
  struct stat st {};
  const bool exists = ::stat(fileName.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) Fail(fileName, "not a regular file", 0);
  if (exists && ::access(fileName.c_str(), W_OK) != 0) Fail(fileName, "open", errno);

  std::random_device entropy;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(entropy()));
    temp = FolderOf(fileName) + "/.pdf417-" + suffix + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) Fail(fileName, "create temporary file", errno);
  }
  if (fd < 0) Fail(fileName, "create temporary file", EEXIST);
  entries_.push_back({fileName, temp, false});
  int err = 0;
  if (exists && ::fchmod(fd, st.st_mode & 07777) != 0) err = errno;
  for (std::size_t done = 0; err == 0 && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) Fail(fileName, "write", err);
}

void FileBatch::Commit() {
  for (const Entry& e : entries_) {
    if (const int err = SyncPath(e.temp, O_RDONLY)) Fail(e.target, "flush", err);
  }
  std::set<std::string> folders;
  for (Entry& e : entries_) {
    if (::rename(e.temp.c_str(), e.target.c_str()) != 0) Fail(e.target, "rename", errno);
    e.renamed = true;
    folders.insert(FolderOf(e.target));
  }
  for (const std::string& f : folders) {
    if (const int err = SyncPath(f, O_RDONLY | O_DIRECTORY)) Fail(f, "flush folder", err);
  }
}

}  // namespace pdf417
