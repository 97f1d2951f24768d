// PDF417_EXPORT marks the public API: the functions and classes declared in the installed
// headers. The library is compiled with hidden symbols, so a shared libpdf417 exports these and
// nothing else; in a static library the mark changes nothing.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define PDF417_EXPORT __attribute__((visibility("default")))
#else
#define PDF417_EXPORT
#endif
