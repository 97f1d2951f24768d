#include "pdf417/encoder/bmp_writer.h"

#include <utility>

#include "pdf417/common/bitmap.h"
#include "pdf417/encoder/symbol.h"

namespace pdf417 {
namespace {

constexpr std::size_t kPaletteSize = 8;  // two entries of blue, green, red and a reserved byte
constexpr std::size_t kPixelOffset = kHeadersSize + kPaletteSize;  // 62

}  // namespace

std::int64_t BilevelBmpSize(std::int64_t width, std::int64_t height) {
  return static_cast<std::int64_t>(kPixelOffset) + BitmapStride(width, 1) * height;
}

BilevelBmp::BilevelBmp(std::int64_t width, std::int64_t height, const Colour& background,
                       const Colour& foreground)
    : file_(static_cast<std::size_t>(BilevelBmpSize(width, height)), 0),
      stride_(static_cast<std::size_t>(BitmapStride(width, 1))),
      height_(height) {
  BitMpHead head;
  head.bfSize = static_cast<std::uint32_t>(file_.size());
  head.bfOffBits = static_cast<std::uint32_t>(kPixelOffset);
  BitMpInfoHead info;
  info.biWidth = static_cast<std::int32_t>(width);
  info.biHeight = static_cast<std::int32_t>(height);
  info.biBitCount = 1;
  info.biSizeImage = static_cast<std::uint32_t>(file_.size() - kPixelOffset);
  WriteFileHeader(head, file_.data());
  WriteInfoHeader(info, file_.data() + kFileHeaderSize);
  // Entry 0 the background, entry 1 the foreground, so that a set bit is a bar.
  std::uint8_t* palette = file_.data() + kHeadersSize;
  palette[0] = background.blue;
  palette[1] = background.green;
  palette[2] = background.red;
  palette[4] = foreground.blue;
  palette[5] = foreground.green;
  palette[6] = foreground.red;
}

std::uint8_t* BilevelBmp::Line(std::int64_t y) {
  return file_.data() + kPixelOffset + static_cast<std::size_t>(height_ - 1 - y) * stride_;
}

std::vector<std::uint8_t> BilevelBmp::Take() { return std::move(file_); }

}  // namespace pdf417
