// Looking an input file up before reading it, with one wording for encode and decode.
#pragma once

#include <string>

// Looks an input file up and opens it once for reading; returns exitcode::kOk, or kMissing only
// when no such file exists, or kUnreadable (permission denied, a symbolic-link loop, a folder, any
// other failure), with a message in `error` that says which.
int CheckReadable(const std::string& name, std::string& error);
