// Netpbm pictures to grey pictures: PBM, PGM and PPM, each as plain text (P1, P2, P3) or binary
// (P4, P5, P6), the first picture of a file. The header is read and checked before any pixel
// memory is taken; the samples are then read a row at a time through a small buffer and written
// as grey into their place.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/load/picture_load.h"

namespace pdf417 {
namespace {

[[noreturn]] void Refuse(const std::string& why) {
  throw Error(ErrorCode::BadBitmap, "not a readable Netpbm picture: " + why);
}

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The input a byte at a time, through a buffer.
class ByteReader {
 public:
  explicit ByteReader(PictureInput& input) : input_(input), buffer_(65536) {}

  // The next byte, or -1 at the end.
  int Get() {
    if (at_ == size_) {
      size_ = input_.Read(buffer_.data(), buffer_.size());
      at_ = 0;
      if (size_ == 0) return -1;
    }
    return buffer_[at_++];
  }

  // Fills `out` with the next `n` bytes; false when the input ends first.
  bool Get(std::uint8_t* out, std::size_t n) {
    const std::size_t buffered = std::min(n, size_ - at_);
    std::memcpy(out, buffer_.data() + at_, buffered);
    at_ += buffered;
    return buffered == n || input_.Read(out + buffered, n - buffered) == n - buffered;
  }

  // Skips white space and comments (from '#' to the line end); returns the next byte after them.
  int SkipSpace() {
    int c = Get();
    while (c == '#' || IsSpace(c)) {
      if (c == '#') {
        while (c != '\n' && c != '\r' && c != -1) c = Get();
      }
      c = Get();
    }
    return c;
  }

  // A decimal number after white space and comments, at most `most`; `what` names it in messages.
  // The byte after its digits is consumed (white space, or the start of a comment).
  long Number(const char* what, long most) {
    int c = SkipSpace();
    if (c < '0' || c > '9') {
      Refuse(std::string("the ") + what + (c == -1 ? " is missing" : " is not a number"));
    }
    long value = 0;
    for (; c >= '0' && c <= '9'; c = Get()) {
      value = value * 10 + (c - '0');
      if (value > most) {
        Refuse(std::string("the ") + what + " is more than " + std::to_string(most));
      }
    }
    if (c == '#') {
      while (c != '\n' && c != '\r' && c != -1) c = Get();
    } else if (c != -1 && !IsSpace(c)) {
      Refuse(std::string("the ") + what + " is not a number");
    }
    return value;
  }

 private:
  PictureInput& input_;
  std::vector<std::uint8_t> buffer_;
  std::size_t at_ = 0;
  std::size_t size_ = 0;
};

}  // namespace

GreyImage LoadPnm(PictureInput& input, const LoadLimits& limits) {
  ByteReader in(input);
  if (in.Get() != 'P') Refuse("no P1 to P6 at the start");
  const int kind = in.Get() - '0';
  if (kind < 1 || kind > 6) Refuse("no P1 to P6 at the start");
  const bool bitmap = kind == 1 || kind == 4;
  const bool colour = kind == 3 || kind == 6;
  const bool binary = kind >= 4;
  const long width = in.Number("width", kMaxBitmapSide);
  const long height = in.Number("height", kMaxBitmapSide);
  if (width == 0 || height == 0) Refuse("it has no pixels (0 pixels a side)");
  limits.CheckPixels("Netpbm picture", width, height, static_cast<std::int64_t>(width) * height);
  const long maxValue = bitmap ? 1 : in.Number("largest sample value", 65535);
  if (maxValue == 0) Refuse("the largest sample value is 0");
  // The single white-space byte after the header was taken with the last number.

  const std::size_t samples = static_cast<std::size_t>(width) * (colour ? 3 : 1);
  const std::size_t sampleBytes = maxValue > 255 ? 2 : 1;
  const std::size_t rowBytes =
      bitmap ? (static_cast<std::size_t>(width) + 7) / 8 : samples * sampleBytes;
  // A file or memory of known size that cannot hold the pixels its header claims (a byte a sample
  // at least in plain text) is refused before the picture is allocated.
  const std::uint64_t least =
      static_cast<std::uint64_t>(binary ? rowBytes : samples) * static_cast<std::uint64_t>(height);
  if (input.Size() >= 0 && static_cast<std::uint64_t>(input.Size()) < least) {
    Refuse("the pixels are truncated (" + std::to_string(width) + " x " + std::to_string(height) +
           " pixels need more than the " + std::to_string(input.Size()) + " bytes of the file)");
  }
  GreyImage grey(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  std::vector<std::uint8_t> row(binary ? rowBytes : 0);
  std::vector<long> values(samples);
  const auto scale = [maxValue](long v) {
    return static_cast<std::uint8_t>(std::min(v, maxValue) * 255 / maxValue);
  };
  for (long y = 0; y < height; ++y) {
    limits.Check();
    std::uint8_t* out =
        grey.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    if (binary) {
      if (!in.Get(row.data(), rowBytes)) Refuse("the pixels are truncated");
      if (bitmap) {
        for (long x = 0; x < width; ++x) {
          const bool dark = (row[static_cast<std::size_t>(x) >> 3] >> (7 - (x & 7))) & 1;
          out[x] = dark ? 0 : 255;
        }
        continue;
      }
      for (std::size_t s = 0; s < samples; ++s) {
        values[s] = sampleBytes == 2 ? (row[2 * s] << 8) | row[2 * s + 1] : row[s];
      }
    } else if (bitmap) {
      // Plain PBM: one character a pixel, '1' dark, white space between them optional.
      for (long x = 0; x < width; ++x) {
        const int c = in.SkipSpace();
        if (c != '0' && c != '1')
          Refuse(c == -1 ? "the pixels are truncated" : "a pixel is not 0 or 1");
        out[x] = c == '1' ? 0 : 255;
      }
      continue;
    } else {
      for (std::size_t s = 0; s < samples; ++s) values[s] = in.Number("sample", maxValue);
    }
    if (colour) {
      for (long x = 0; x < width; ++x) {
        const std::size_t s = 3 * static_cast<std::size_t>(x);
        out[x] = Luminance(scale(values[s]), scale(values[s + 1]), scale(values[s + 2]));
      }
    } else {
      for (long x = 0; x < width; ++x) out[x] = scale(values[static_cast<std::size_t>(x)]);
    }
  }
  return grey;
}

}  // namespace pdf417
