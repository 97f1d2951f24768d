// The pictures a decode is given: files, folders of pictures (optionally with their subfolders)
// and lists of paths, one a line.
#pragma once

#include <string>
#include <vector>

struct InputEntry {
  std::string path;
  int failure = 0;      // exitcode::kOk, or why the entry is not a picture to read
  std::string message;  // with failure: what to tell
};

// Whether a file name ends in an extension of a picture the decoder reads (any case): .png,
// .jpg, .jpeg, .jpe, .bmp, .dib, .pgm, .ppm, .pbm, .pnm, .webp, .tif, .tiff.
bool IsPictureName(const std::string& name);

// The entries for the paths given: a folder becomes the picture files in it (by IsPictureName),
// sorted by name, and with `recursive` those of its subfolders too, each folder's files before
// its subfolders, all in name order; hidden entries (.name) and links to folders met inside are
// skipped. A folder without a picture, or one that cannot be read, is an entry with the failure
// kUnreadable.
// Anything else ("-", files, names that do not exist) is kept as it is.
std::vector<InputEntry> ExpandInputs(const std::vector<std::string>& paths, bool recursive);

// Appends the lines of a list file (or standard input for "-") to `paths`: one path a line, a
// CR before the line end dropped, empty lines skipped. Returns exitcode::kOk, or kMissing or
// kUnreadable with `error` set.
int ReadPathList(const std::string& name, std::vector<std::string>& paths, std::string& error);
