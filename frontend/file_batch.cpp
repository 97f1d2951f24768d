// Writes many files with one flush to disk and all renames at the end.
#include "frontend/file_batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "pdf417/common/error.h"

namespace pdf417 {
namespace {

[[noreturn]] void Fail(const std::string& what, int err) {
  throw Error(ErrorCode::FileWrite,
              what + (err != 0 ? ": " : "") + (err != 0 ? std::strerror(err) : ""));
}

// Runs flush (fsync or syncfs) on an open descriptor of path; returns 0 or an errno value.
int FlushPath(const std::string& path, int (*flush)(int)) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int err = flush(fd) == 0 ? 0 : errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  return err;
}

}  // namespace

void FileBatch::Add(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
  PendingFile file(fileName, bytes.data(), bytes.size(), false);
  // Two names of one file (a link beside its target, "a/../b" and "b") are told apart by the
  // folder's canonical path: the target's own name is never a link, once links are followed.
  auto folder = folders_.find(file.folder());
  if (folder == folders_.end()) {
    char* resolved = ::realpath(file.folder().c_str(), nullptr);
    if (resolved == nullptr) Fail("cannot write '" + fileName + "': resolve folder", errno);
    folder = folders_.emplace(file.folder(), resolved).first;
    std::free(resolved);
    RemoveLeftovers(file.folder());
  }
  const std::size_t slash = file.target().find_last_of('/');
  const std::string base =
      slash == std::string::npos ? file.target() : file.target().substr(slash + 1);
  if (!targets_.insert(folder->second + "/" + base).second) {
    Fail("cannot write '" + fileName + "': the batch writes " +
             (file.target() == fileName ? "it" : "'" + file.target() + "'") + " twice",
         0);
  }
  files_.push_back(std::move(file));
  flushed_ = false;
}

void FileBatch::Flush() {
  // One flush of a whole file system costs about what one fsync does, where an fsync of each of
  // many thousand files would take minutes on a disk. syncfs reports write-back errors since
  // Linux 5.8.
  std::set<dev_t> done;
  for (const auto& entry : folders_) {
    const std::string& folder = entry.first;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) Fail("cannot flush '" + folder + "'", errno);
    if (!done.insert(st.st_dev).second) continue;
    if (const int err = FlushPath(folder, ::syncfs)) Fail("cannot flush '" + folder + "'", err);
  }
  flushed_ = true;
}

void FileBatch::Commit() {
  if (!flushed_) Flush();
  for (std::size_t i = 0; i < files_.size(); ++i) {
    try {
      files_[i].PutInPlace();
    } catch (const Error& e) {
      throw Error(ErrorCode::FileWrite,
                  std::string(e.what()) + " (" + std::to_string(i) + " of the " +
                      std::to_string(files_.size()) +
                      " files were replaced before it; the others keep their old content)");
    }
  }
  for (const auto& entry : folders_) {
    if (const int err = FlushPath(entry.first, ::fsync)) {
      Fail("cannot flush '" + entry.first + "'", err);
    }
  }
}

}  // namespace pdf417
