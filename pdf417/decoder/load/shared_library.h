// Libraries a loader opens when the first picture of its kind is read rather than when the
// program starts: a program that never reads a TIFF or WebP file does not load libtiff, libwebp
// and their own dependencies (about 0.9 ms of every process's start on the machine we measured).
#pragma once

#include <string>
#include <type_traits>

namespace pdf417 {

// Opens the library of that soname for the rest of the process (it is never closed); null, with
// the reason in `error`, when it cannot be loaded.
void* OpenLibrary(const char* soname, std::string& error);

// The address of a function of an opened library, or null.
void* LibraryFunction(void* library, const char* name);

// Sets `function` to the library's function of that name; on failure it stays null and, when
// `error` is empty, `error` says which is missing.
template <typename Function>
void FindFunction(void* library, const char* soname, const char* name, Function& function,
                  std::string& error) {
  static_assert(std::is_pointer_v<Function>, "a pointer to a function");
  function = reinterpret_cast<Function>(LibraryFunction(library, name));
  if (function == nullptr && error.empty()) error = std::string(soname) + " has no " + name;
}

// A table of one library's functions, opened with it: `Table` has a pointer for each function
// and `missing`, the reason the library cannot be used (empty when every function was found);
// `find(look, table)` calls look(name, table's pointer) for each function.
template <typename Table, typename Find>
Table FunctionTable(const char* soname, Find find) {
  Table table;
  void* library = OpenLibrary(soname, table.missing);
  if (library == nullptr) return table;
  find([&](const char* name,
           auto& function) { FindFunction(library, soname, name, function, table.missing); },
       table);
  return table;
}

}  // namespace pdf417
