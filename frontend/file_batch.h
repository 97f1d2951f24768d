// Many files written at once: each atomically (a temporary file renamed over its target), all
// flushed to disk together at the end instead of once per file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdf417 {

class FileBatch {
 public:
  FileBatch() = default;
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;
  // Removes every temporary file not yet committed.
  ~FileBatch();

  // Writes the bytes to a temporary file beside fileName, not yet flushed. Throws FileWrite
  // (and writes nothing) for a target that is a folder, not a regular file, read-only, or
  // already in the batch.
  void Add(const std::string& fileName, const std::vector<std::uint8_t>& bytes);

  // Flushes every temporary file to disk, renames each over its target, then flushes the
  // folders. Throws FileWrite on the first failure; the files renamed so far stay.
  void Commit();

  std::size_t Count() const { return entries_.size(); }

 private:
  struct Entry {
    std::string target;
    std::string temp;
    bool renamed = false;
  };
  std::vector<Entry> entries_;
};

}  // namespace pdf417
