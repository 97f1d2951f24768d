// Writing a whole file so that a failure never leaves a truncated or destroyed file behind: used
// by the encoder's file entry and by the front ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf417/common/export.h"

namespace pdf417 {

// Writes the buffer as the whole content of fileName. A regular file (or a new one) is replaced
// atomically: the bytes go to a temporary file in the same folder, which is renamed over the
// target only once completely written, so a failure leaves any previous file intact and no
// temporary file behind. A target that exists and is not a regular file (a device, a pipe) is
// written in place. A symbolic link stays a link: its target is replaced, or created when the link
// dangles; a link that cannot be followed (a loop) is refused. Temporary files left by writers
// that were killed (named with their process id) are removed from the folder by the next write.
// A caller that may run under a file-size limit must ignore SIGXFSZ, whose default action kills
// the process mid-write; ignored, the write fails and is reported like a full disk.
PDF417_EXPORT void WriteWholeFile(const std::string& fileName, const std::uint8_t* buffer,
                                  std::size_t length);

// The steps of WriteWholeFile for writers that put several files in place together (a batch of
// files, the segments of a split): the whole content is written to a temporary file beside the
// file it replaces, and renamed over it later. The file replaced is found as WriteWholeFile finds
// it (symbolic links followed, dangling ones to the name they give); a folder, a file that is not
// a regular one, a read-only file and a link loop are refused. The temporary file is named as
// WriteWholeFile names its own, with the process id, so that RemoveLeftovers removes it after a
// kill; it is removed when the object goes away without having been put in place.
class PendingFile {
 public:
  // Writes the bytes to the temporary file, and to disk when flush is set (a caller that writes
  // many files flushes them together instead). Throws Error with FileWrite, leaving nothing.
  PendingFile(const std::string& fileName, const std::uint8_t* buffer, std::size_t length,
              bool flush);
  PendingFile(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  PendingFile& operator=(PendingFile&&) = delete;
  ~PendingFile();

  const std::string& name() const { return name_; }       // as the caller gave it
  const std::string& target() const { return target_; }   // the file replaced or created
  const std::string& folder() const { return folder_; }   // where both files are
  const std::string& temporary() const { return temp_; }  // empty once in place

  // Renames the temporary file over the target. Throws Error with FileWrite; the temporary file
  // then stays until the object goes away.
  void PutInPlace();

 private:
  std::string name_;
  std::string target_;
  std::string folder_;
  std::string temp_;
};

// Removes from folder the temporary files of writers that no longer run, as each WriteWholeFile
// does before writing: files named like ours whose process id names no process. Best effort.
void RemoveLeftovers(const std::string& folder);

}  // namespace pdf417
