// Helpers shared by the tests: temporary folders, file bytes, and pixels of one-bit bitmaps.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testutil {

// A fresh folder under TMPDIR, removed with its content when the object goes away.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base ? base : "/tmp") + "/pdf417-test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
  }
  ~TempDir() {
    const std::string cmd = "chmod -R u+w '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
    if (std::system(cmd.c_str()) != 0) {
      // Nothing useful to do in a destructor.
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Quotes a string for the shell.
inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command; returns its standard output, with its exit status in `status` (-1 when it
// did not exit).
inline std::string Shell(const std::string& command, int& status) {
  std::string out;
  status = -1;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int rc = ::pclose(pipe);
  if (WIFEXITED(rc)) status = WEXITSTATUS(rc);
  return out;
}

// Whether the zint command-line tool is on the PATH (tests that use it skip without it).
inline bool ZintInstalled() {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (!dir.empty() && ::access((dir + "/zint").c_str(), X_OK) == 0) return true;
  }
  return false;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t U32(const std::vector<std::uint8_t>& b, size_t off) {
  return b[off] | (b[off + 1] << 8) | (b[off + 2] << 16) |
         (static_cast<std::uint32_t>(b[off + 3]) << 24);
}

// A one-bit bitmap file as the encoder writes it, read independently of the codec:
// dark(row, col) with row 0 at the top.
struct OneBitPicture {
  int width = 0;
  int height = 0;
  int stride = 0;
  std::vector<std::uint8_t> file;

  explicit OneBitPicture(std::vector<std::uint8_t> bytes) : file(std::move(bytes)) {
    if (file.size() < 62) throw std::runtime_error("file too short");
    width = static_cast<int>(U32(file, 18));
    height = static_cast<int>(U32(file, 22));
    stride = ((width + 31) / 32) * 4;
  }
  // Palette entry 0 white, entry 1 black: a set bit is dark.
  bool dark(int row, int col) const {
    const size_t off = U32(file, 10) + static_cast<size_t>(height - 1 - row) * stride + col / 8;
    return (file[off] >> (7 - col % 8)) & 1;
  }
  // 8-bit luminance, top row first (0 dark, 255 light), for readers that take grey pictures.
  std::vector<std::uint8_t> Luminance() const {
    std::vector<std::uint8_t> out(static_cast<size_t>(width) * height);
    for (int r = 0; r < height; ++r)
      for (int c = 0; c < width; ++c)
        out[static_cast<size_t>(r) * width + c] = dark(r, c) ? 0 : 255;
    return out;
  }
};

}  // namespace testutil
