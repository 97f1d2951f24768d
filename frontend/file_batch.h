// Many files written together: every file goes to a temporary file beside its target first, all
// of them are flushed to disk at once, and only then renamed over their targets, so that a failure
// or an interruption before the renames leaves every target as it was.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pdf417/common/file_writer.h"

namespace pdf417 {

class FileBatch {
 public:
  FileBatch() = default;
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;
  // Removes every temporary file not yet renamed over its target.
  ~FileBatch() = default;

  // Writes the bytes to a temporary file beside the file that fileName names, not yet flushed.
  // Symbolic links are followed as WriteWholeFile follows them. The first file into a folder
  // removes the temporary files that killed writers left there. Throws FileWrite (and writes
  // nothing) for a target that is a folder, not a regular file, read-only, a link loop, or already
  // in the batch under this or another name.
  void Add(const std::string& fileName, const std::vector<std::uint8_t>& bytes);

  // Flushes every temporary file to disk: one flush of each file system written to. Throws
  // FileWrite; nothing has been renamed then.
  void Flush();

  // Flushes (unless done), renames each temporary file over its target in the order they were
  // added, then flushes the folders. A failed rename throws FileWrite saying how many targets were
  // replaced before it; those stay replaced, and the others keep their old content.
  void Commit();

  std::size_t Count() const { return files_.size(); }

 private:
  std::vector<PendingFile> files_;
  std::unordered_set<std::string> targets_;               // canonical paths
  std::unordered_map<std::string, std::string> folders_;  // folder -> its canonical path
  bool flushed_ = false;
};

}  // namespace pdf417
