// Bitmap files to grey pictures, a stored row at a time: the headers are checked by
// ParseBmpHeader, then each row is read and written as grey into its place, so that no more than
// one stored row is held besides the grey picture.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/load/bmp_header.h"
#include "pdf417/decoder/load/picture_load.h"

namespace pdf417 {
namespace {

// Colour-table entries whose luminance differs by less than this make a picture without contrast.
constexpr int kMinTableContrast = 32;

// The grey levels of the colour-table entries: the darkest entry the pixels use is black, the
// lightest white, the others spread between; all white when the used entries barely differ.
std::array<std::uint8_t, 256> TableGreys(const std::vector<std::uint8_t>& palette,
                                         const std::array<bool, 256>& used) {
  std::array<int, 256> level{};
  int darkest = 255;
  int lightest = 0;
  for (std::size_t i = 0; i < 256; ++i) {
    const std::size_t at = i * 4;
    level[i] =
        at + 3 <= palette.size() ? Luminance(palette[at + 2], palette[at + 1], palette[at]) : 255;
    if (!used[i]) continue;
    darkest = std::min(darkest, level[i]);
    lightest = std::max(lightest, level[i]);
  }
  std::array<std::uint8_t, 256> grey{};
  for (std::size_t i = 0; i < 256; ++i) {
    grey[i] = lightest - darkest < kMinTableContrast
                  ? 255
                  : static_cast<std::uint8_t>(
                        std::clamp((level[i] - darkest) * 255 / (lightest - darkest), 0, 255));
  }
  return grey;
}

}  // namespace

GreyImage LoadBmp(PictureInput& input, const LoadLimits& limits) {
  std::vector<std::uint8_t> head(kMaxBmpHeaderBytes);
  head.resize(input.Read(head.data(), head.size()));
  const BmpHeader h = ParseBmpHeader(head.data(), head.size(), input.Size());
  limits.CheckPixels("bitmap", h.width, h.height, static_cast<std::int64_t>(h.width) * h.height);

  // The pixels may start inside the head already read, or after a gap.
  std::size_t headAt = head.size();
  if (h.pixelOffset <= head.size()) {
    headAt = static_cast<std::size_t>(h.pixelOffset);
  } else if (input.Skip(h.pixelOffset - head.size()) != h.pixelOffset - head.size()) {
    throw Error(ErrorCode::BadBitmap, "not a readable bitmap: the pixel array is truncated");
  }
  const auto stride = static_cast<std::size_t>(h.stride);
  std::vector<std::uint8_t> row(stride);
  auto readRow = [&]() {
    const std::size_t fromHead = std::min(stride, head.size() - headAt);
    std::memcpy(row.data(), head.data() + headAt, fromHead);
    headAt += fromHead;
    if (fromHead < stride &&
        input.Read(row.data() + fromHead, stride - fromHead) < stride - fromHead) {
      throw Error(ErrorCode::BadBitmap, "not a readable bitmap: the pixel array is truncated");
    }
  };

  GreyImage grey(h.width, h.height);
  const auto width = static_cast<std::size_t>(h.width);
  const ChannelScale red(h.redMask);
  const ChannelScale green(h.greenMask);
  const ChannelScale blue(h.blueMask);
  std::array<bool, 256> used{};
  for (std::int32_t i = 0; i < h.height; ++i) {
    limits.Check();
    readRow();
    const std::int32_t r = h.topDown ? i : h.height - 1 - i;
    std::uint8_t* out = grey.pixels.data() + static_cast<std::size_t>(r) * width;
    const std::uint8_t* in = row.data();
    switch (h.bits) {
      case 1:
        // Colour-table indices for now; turned into grey once every row is read.
        for (std::size_t c = 0; c < width; ++c) out[c] = (in[c >> 3] >> (7 - (c & 7))) & 1;
        break;
      case 4:
        for (std::size_t c = 0; c < width; ++c)
          out[c] = c % 2 == 0 ? in[c / 2] >> 4 : in[c / 2] & 0x0F;
        break;
      case 8:
        std::memcpy(out, in, width);
        break;
      case 24:
        for (std::size_t c = 0; c < width; ++c)
          out[c] = Luminance(in[3 * c + 2], in[3 * c + 1], in[3 * c]);
        break;
      default: {
        // 16 and 32 bits, through the channel masks.
        const std::size_t bytes = static_cast<std::size_t>(h.bits / 8);
        for (std::size_t c = 0; c < width; ++c) {
          const std::uint32_t pixel = bytes == 2 ? GetU16(in + c * 2) : GetU32(in + c * 4);
          out[c] = Luminance(red.Of(pixel), green.Of(pixel), blue.Of(pixel));
        }
        break;
      }
    }
    if (h.bits <= 8) {
      for (std::size_t c = 0; c < width; ++c) used[out[c]] = true;
    }
  }
  if (h.bits <= 8) {
    const std::array<std::uint8_t, 256> table = TableGreys(h.palette, used);
    for (std::uint8_t& p : grey.pixels) p = table[p];
  }
  return grey;
}

}  // namespace pdf417
