#include "pdf417/decoder/load/shared_library.h"

#include <dlfcn.h>

namespace pdf417 {

void* OpenLibrary(const char* soname, std::string& error) {
  void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    error = std::string(soname) + " could not be loaded" +
            (why != nullptr ? ": " + std::string(why) : "");
  }
  return library;
}

void* LibraryFunction(void* library, const char* name) {
  return library != nullptr ? dlsym(library, name) : nullptr;
}

}  // namespace pdf417
