// Reading fuzz input as the little-endian fields that the seed corpus is written in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace pdf417::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t Left() const { return size_ - at_; }
  const std::uint8_t* Rest() const { return data_ + at_; }

  // The next byte, or 0 once the input is used up.
  std::uint8_t U8() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t U16() {
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | (U8() << 8));
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Stops the run with a report when a property of the code under test does not hold.
#define PDF417_FUZZ_CHECK(condition)                                               \
  do {                                                                             \
    if (!(condition)) {                                                            \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                \
    }                                                                              \
  } while (false)

}  // namespace pdf417::fuzz
