// One-bit bitmap ("BM") files: the headers, the two-colour palette and the pixel lines, for both
// the classic drawing and RenderBmp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pdf417 {

struct Colour;

// Size in bytes of the file of a one-bit picture of width x height pixels: 62 bytes of headers
// and palette, then each line padded to a multiple of 4 bytes. In 64 bits, so that a caller can
// check it against its limits before any header field could overflow.
std::int64_t BilevelBmpSize(std::int64_t width, std::int64_t height);

// A one-bit bitmap file being drawn: made with its headers, the palette {background, foreground}
// and every pixel 0 (the background). Line(y) is where picture line y (0 the top line) is stored,
// lines being stored bottom first: Stride() bytes, the first pixel in the most significant bit.
// width and height are 1 to kMaxBitmapSide; the caller checks them.
class BilevelBmp {
 public:
  BilevelBmp(std::int64_t width, std::int64_t height, const Colour& background,
             const Colour& foreground);

  std::size_t Stride() const { return stride_; }
  std::uint8_t* Line(std::int64_t y);
  // The file, which the object no longer holds.
  std::vector<std::uint8_t> Take();

 private:
  std::vector<std::uint8_t> file_;
  std::size_t stride_;
  std::int64_t height_;
};

}  // namespace pdf417
