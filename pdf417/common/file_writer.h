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

}  // namespace pdf417
