// Lays the codewords out in rows and packs them into a one-bit bitmap file image.
#include <algorithm>
#include <cstring>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/common/patterns.h"
#include "pdf417/encoder/encoder.h"

namespace pdf417 {
namespace {

constexpr std::size_t kPaletteSize = 8;
constexpr std::size_t kPixelOffset = kHeadersSize + kPaletteSize;  // 62

// Copies the 17 modules of a codeword, left to right, from the reversed table entry.
std::uint8_t* PutCodeword(std::uint8_t* out, int cluster, std::int32_t codeword) {
  const std::uint8_t* entry =
      CodewordModules.data() +
      static_cast<std::size_t>(cluster * kCodewordCount + codeword) * kModulesPerCodeword;
  for (int i = kModulesPerCodeword - 1; i >= 0; --i) *out++ = entry[i];
  return out;
}

void CheckRenderParameters(int columns, int level, const CodewordSequence& sequence,
                           int aspectRatio) {
  if (columns < kMinColumns || columns > kMaxColumns) {
    throw Error(ErrorCode::InvalidArgument, "columns must be 1 to 30, got " + std::to_string(columns));
  }
  if (level < kMinLevel || level > kMaxLevel) {
    throw Error(ErrorCode::InvalidArgument,
                "error-correction level must be 0 to 8, got " + std::to_string(level));
  }
  if (aspectRatio < 1) {
    throw Error(ErrorCode::InvalidArgument,
                "aspect ratio must be at least 1, got " + std::to_string(aspectRatio));
  }
  if (sequence.empty() || sequence.size() % static_cast<std::size_t>(columns) != 0) {
    throw Error(ErrorCode::InvalidArgument, "codeword count must be a non-zero multiple of columns");
  }
  if (sequence.size() / static_cast<std::size_t>(columns) > static_cast<std::size_t>(kMaxRows)) {
    throw Error(ErrorCode::InvalidArgument, "a symbol has at most 90 rows");
  }
  for (const std::int32_t cw : sequence) {
    if (cw < 0 || cw >= kCodewordCount) {
      throw Error(ErrorCode::InvalidArgument, "codewords must be 0 to 928");
    }
  }
}

}  // namespace

std::vector<std::uint8_t> RenderSymbolImage(int columns, int errorCorrectionLevel,
                                            const CodewordSequence& sequence, int aspectRatio) {
  CheckRenderParameters(columns, errorCorrectionLevel, sequence, aspectRatio);
  const int c = columns;
  const int L = errorCorrectionLevel;
  const int h = aspectRatio;
  const int R = static_cast<int>(sequence.size() / static_cast<std::size_t>(c));
  const int W0 = 17 * c + 69;

  const bool quiet = h != 1;
  const std::int64_t W = quiet ? W0 + 16 : W0;
  const std::int64_t H = quiet ? static_cast<std::int64_t>(R) * h + 4 : R;
  const std::int64_t S = BitmapStride(W, 1);
  const std::int64_t fileSize = static_cast<std::int64_t>(kPixelOffset) + S * H;
  // A picture taller than the decoder reads would be a symbol nobody can read back.
  if (fileSize > kMaxBitmapFileBytes || H > kMaxBitmapSide) {
    throw Error(ErrorCode::InvalidArgument,
                "aspect ratio " + std::to_string(h) + " makes the picture too large");
  }
  const std::size_t B = static_cast<std::size_t>((W0 + 7) / 8);

  std::vector<std::uint8_t> file(static_cast<std::size_t>(fileSize), 0);

  // Headers and the two-colour palette: entry 0 white, entry 1 black, so a set bit is a bar.
  BitMpHead head;
  head.bfSize = static_cast<std::uint32_t>(fileSize);
  head.bfOffBits = static_cast<std::uint32_t>(kPixelOffset);
  BitMpInfoHead info;
  info.biWidth = static_cast<std::int32_t>(W);
  info.biHeight = static_cast<std::int32_t>(H);
  info.biBitCount = 1;
  info.biSizeImage = static_cast<std::uint32_t>(S * H);
  WriteFileHeader(head, file.data());
  WriteInfoHeader(info, file.data() + kFileHeaderSize);
  std::uint8_t* palette = file.data() + kHeadersSize;
  palette[0] = palette[1] = palette[2] = 255;

  std::uint8_t* pixels = file.data() + kPixelOffset;
  std::vector<std::uint8_t> modules(static_cast<std::size_t>(W0));
  std::vector<std::uint8_t> packed(B);
  const std::size_t dstOffset = quiet ? 1 : 0;

  for (int r = 0; r < R; ++r) {
    const int cluster = r % 3;
    const int x = 30 * (r / 3);
    int left = 0;
    int right = 0;
    switch (cluster) {
      case 0:
        left = x + (R - 1) / 3;
        right = x + c - 1;
        break;
      case 1:
        left = x + 3 * L + (R - 1) % 3;
        right = x + (R - 1) / 3;
        break;
      default:
        left = x + c - 1;
        right = x + 3 * L + (R - 1) % 3;
        break;
    }
    std::uint8_t* out = modules.data();
    std::memcpy(out, StartPattern, kStartPatternModules);
    out += kStartPatternModules;
    out = PutCodeword(out, cluster, left);
    for (int j = 0; j < c; ++j) {
      out = PutCodeword(out, cluster, sequence[static_cast<std::size_t>(r * c + j)]);
    }
    out = PutCodeword(out, cluster, right);
    std::memcpy(out, StopPattern, kStopPatternModules);

    // Pack 8 modules a byte, leftmost in bit 7; bits past the last module stay 0 (white).
    std::fill(packed.begin(), packed.end(), 0);
    for (int m = 0; m < W0; ++m) {
      if (modules[static_cast<std::size_t>(m)]) {
        packed[static_cast<std::size_t>(m / 8)] |= static_cast<std::uint8_t>(0x80 >> (m % 8));
      }
    }

    // Pixel rows of this symbol row, top-down k; stored bottom-up at H - 1 - k.
    const std::int64_t firstRow = quiet ? 2 + static_cast<std::int64_t>(r) * h : r;
    const std::int64_t rowCount = quiet ? h : 1;
    for (std::int64_t k = firstRow; k < firstRow + rowCount; ++k) {
      std::uint8_t* dst = pixels + static_cast<std::size_t>((H - 1 - k) * S) + dstOffset;
      std::memcpy(dst, packed.data(), B);
    }
  }
  return file;
}

void RenderSymbol(int columns, int errorCorrectionLevel, const CodewordSequence& sequence,
                  const std::string& fileName, int aspectRatio) {
  const std::vector<std::uint8_t> image =
      RenderSymbolImage(columns, errorCorrectionLevel, sequence, aspectRatio);
  WriteWholeFile(fileName, image.data(), image.size());
}

}  // namespace pdf417
