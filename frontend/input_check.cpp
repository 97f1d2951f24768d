#include "frontend/input_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "frontend/exit_codes.h"

int CheckReadable(const std::string& name, std::string& error) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) {
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR) {
      error = "cannot open '" + name + "': no such file";
      return exitcode::kMissing;
    }
    error = "cannot open '" + name + "': " +
            (err == ELOOP    ? std::string("symbolic-link loop")
             : err == EACCES ? std::string("permission denied (looking it up)")
                             : std::string(std::strerror(err)));
    return exitcode::kUnreadable;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "cannot read '" + name + "': it is a folder";
    return exitcode::kUnreadable;
  }
  // A pipe or device may be opened once only, by the reader itself.
  if (!S_ISREG(st.st_mode)) return exitcode::kOk;
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int err = errno;
    error = "cannot open '" + name + "': " +
            (err == EACCES ? std::string("permission denied") : std::string(std::strerror(err)));
    return exitcode::kUnreadable;
  }
  ::close(fd);
  return exitcode::kOk;
}
