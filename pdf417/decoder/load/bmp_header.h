// Bitmap ("BM") file headers: parsing and checking them once, for the grey loader (LoadBmp) and for
// BinBMP, which both read pixels only after this has accepted the headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pdf417/common/bitmap.h"

namespace pdf417 {

// The most bytes before the pixels that the parser needs: file header, the largest info header,
// bit-field masks and a full colour table of 256 entries.
constexpr std::size_t kMaxBmpHeaderBytes = kFileHeaderSize + 124 + 12 + 256 * 4;

// A channel of 16- and 32-bit pixels: where its mask starts and its largest value.
struct ChannelScale {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint64_t max = 0;

  explicit ChannelScale(std::uint32_t m) : mask(m) {
    if (mask == 0) return;
    while (((mask >> shift) & 1u) == 0) ++shift;
    max = mask >> shift;
  }
  // The channel of the pixel, scaled to 0..255.
  std::uint32_t Of(std::uint32_t pixel) const {
    if (mask == 0) return 0;
    const std::uint64_t value = (pixel & mask) >> shift;
    return static_cast<std::uint32_t>((value * 255 + max / 2) / max);
  }
};

// The default channel masks of a depth: 5-5-5 at 16 bits, 8-8-8 at 24 and 32, none below.
void DefaultMasks(std::int32_t bitCount, std::uint32_t& red, std::uint32_t& green,
                  std::uint32_t& blue);

// What the headers of a bitmap file say, checked.
struct BmpHeader {
  BitMpHead fileHead;
  BitMpInfoHead info;  // as read (a 12-byte core header filled in)
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive; topDown tells the row order
  bool topDown = false;
  std::int32_t bits = 0;
  std::int64_t stride = 0;  // bytes of one stored row
  std::uint32_t redMask = 0;
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
  // 4 bytes (blue, green, red, 0) per entry, all 2^bits entries for at most 8 bits (the ones the
  // file leaves out black); empty for deeper pixels.
  std::vector<std::uint8_t> palette;
  std::uint64_t pixelOffset = 0;  // where the rows start in the file

  std::uint64_t PixelBytes() const { return static_cast<std::uint64_t>(stride) * height; }
};

// Parses the headers, masks and colour table at the start of a bitmap file: `head` holds the
// first `size` bytes of the file (kMaxBmpHeaderBytes are enough, fewer when the file is shorter),
// `fileSize` the size of the whole file, or -1 when it is not known (a pipe). Throws
// pdf417::Error (BadBitmap) with a message for people when the file is not a bitmap we read:
// compression and embedded formats are named before anything else, then depths, sides (at most
// kMaxBitmapSide), masks, colour table, and a pixel array that the file is too short to hold.
BmpHeader ParseBmpHeader(const std::uint8_t* head, std::size_t size, std::int64_t fileSize);

}  // namespace pdf417
