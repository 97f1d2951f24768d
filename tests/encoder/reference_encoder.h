// The plain versions of the encoder's error-correction division and row packing, as the encoder
// first had them: one reduction per step, one byte per module. The tests hold the fast versions
// to exactly their output.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "pdf417/common/bitmap.h"
#include "pdf417/common/error.h"
#include "pdf417/common/gf929.h"
#include "pdf417/common/patterns.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace reference {

using namespace pdf417;

constexpr std::size_t kPaletteSize = 8;
constexpr std::size_t kPixelOffset = kHeadersSize + kPaletteSize;  // 62

inline void AppendErrorCorrection(int errorCorrectionLevel, CodewordSequence& sequence) {
  const std::int32_t* c = ErrorCorrectionCoefficients(errorCorrectionLevel);
  const int k = ErrorCorrectionCount(errorCorrectionLevel);
  std::vector<std::int32_t> ec(static_cast<std::size_t>(k), 0);
  for (const std::int32_t d : sequence) {
    if (d < 0 || d >= kFieldSize) {
      throw Error(ErrorCode::InvalidArgument, "codewords must be 0 to 928");
    }
    const std::int32_t t = (d + ec[static_cast<std::size_t>(k - 1)]) % kFieldSize;
    for (int j = k - 1; j >= 1; --j) {
      ec[static_cast<std::size_t>(j)] =
          (ec[static_cast<std::size_t>(j - 1)] + (kFieldSize - (c[j] * t) % kFieldSize)) %
          kFieldSize;
    }
    ec[0] = (kFieldSize - (c[0] * t) % kFieldSize) % kFieldSize;
  }
  for (int j = k - 1; j >= 0; --j) {
    const std::int32_t v = ec[static_cast<std::size_t>(j)];
    sequence.push_back(v == 0 ? 0 : kFieldSize - v);
  }
}

inline std::uint8_t* PutCodeword(std::uint8_t* out, int cluster, std::int32_t codeword) {
  const std::uint8_t* entry =
      CodewordModules.data() +
      static_cast<std::size_t>(cluster * kCodewordCount + codeword) * kModulesPerCodeword;
  for (int i = kModulesPerCodeword - 1; i >= 0; --i) *out++ = entry[i];
  return out;
}

// For parameters RenderSymbolImage accepts.
inline std::vector<std::uint8_t> RenderSymbolImage(int columns, int errorCorrectionLevel,
                                            const CodewordSequence& sequence, int aspectRatio) {
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
  if (fileSize > kMaxBitmapFileBytes) {
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
    out = reference::PutCodeword(out, cluster, left);
    for (int j = 0; j < c; ++j) {
      out = reference::PutCodeword(out, cluster, sequence[static_cast<std::size_t>(r * c + j)]);
    }
    out = reference::PutCodeword(out, cluster, right);
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

}  // namespace reference
