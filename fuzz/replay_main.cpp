// Runs a fuzz target's checks once on every file of the given folders (or on the given files), as
// a plain program: the regression test of the seed corpus in builds without libFuzzer.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::string> FilesIn(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  if (!S_ISDIR(st.st_mode)) return {path};
  std::vector<std::string> files;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") files.push_back(path + "/" + name);
    }
    ::closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::vector<std::string> files = FilesIn(argv[i]);
    if (files.empty()) {
      std::fprintf(stderr, "%s: nothing to run\n", argv[i]);
      return 1;
    }
    for (const std::string& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
      std::fprintf(stderr, "%s\n", file.c_str());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++runs;
    }
  }
  std::printf("%d inputs ran\n", runs);
  return 0;
}
