#include "frontend/input_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "frontend/exit_codes.h"
#include "frontend/input_check.h"

namespace {

std::string Join(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Adds the pictures of one folder (and of its subfolders when recursive) to `out`; returns how
// many, or -1 with `error` set when the folder itself cannot be read.
long AddFolder(const std::string& folder, bool recursive, std::vector<InputEntry>& out,
               std::string& error) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    error = "cannot read the folder '" + folder + "': " + std::strerror(errno);
    return -1;
  }
  std::vector<std::string> files;
  std::vector<std::string> folders;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name.empty() || name[0] == '.') continue;
    const std::string path = Join(folder, name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (recursive) folders.push_back(path);
    } else if (IsPictureName(name)) {
      files.push_back(path);  // a file, or a link followed when it is read
    }
  }
  ::closedir(dir);
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());
  long count = static_cast<long>(files.size());
  for (std::string& f : files) out.push_back({std::move(f), exitcode::kOk, ""});
  for (const std::string& sub : folders) {
    std::string subError;
    const long n = AddFolder(sub, true, out, subError);
    if (n < 0) {
      out.push_back({sub, exitcode::kUnreadable, subError});
    } else {
      count += n;
    }
  }
  return count;
}

}  // namespace

bool IsPictureName(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  const std::size_t slash = name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = name.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  static const char* const kExtensions[] = {"png", "jpg", "jpeg", "jpe",  "bmp", "dib", "pgm",
                                            "ppm", "pbm", "pnm",  "webp", "tif", "tiff"};
  return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                     [&ext](const char* e) { return ext == e; });
}

std::vector<InputEntry> ExpandInputs(const std::vector<std::string>& paths, bool recursive) {
  std::vector<InputEntry> out;
  for (const std::string& path : paths) {
    if (path == "-" || !IsFolder(path)) {
      out.push_back({path, exitcode::kOk, ""});
      continue;
    }
    std::string error;
    const std::size_t before = out.size();
    const long n = AddFolder(path, recursive, out, error);
    if (n < 0) {
      out.push_back({path, exitcode::kUnreadable, error});
    } else if (n == 0 && out.size() == before) {
      out.push_back({path, exitcode::kUnreadable,
                     "no picture file in the folder '" + path + "' (.png, .jpg, .bmp, .pgm, ...)" +
                         (recursive ? "" : "; -r reads its subfolders too")});
    }
  }
  return out;
}

int ReadPathList(const std::string& name, std::vector<std::string>& paths, std::string& error) {
  std::ifstream file;
  if (name != "-") {
    if (const int rc = CheckReadable(name, error)) return rc;
    file.open(name, std::ios::binary);
    if (!file) {
      error = "cannot open '" + name + "': " + std::strerror(errno);
      return exitcode::kUnreadable;
    }
  }
  std::istream& in = name == "-" ? std::cin : file;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) paths.push_back(line);
  }
  if (in.bad()) {
    error = "cannot read the list '" + name + "'";
    return exitcode::kUnreadable;
  }
  return exitcode::kOk;
}
