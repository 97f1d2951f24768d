// Parsing and checking bitmap file headers.
#include "pdf417/decoder/load/bmp_header.h"

#include <cstring>
#include <string>

#include "pdf417/common/error.h"

namespace pdf417 {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;

// Info-header sizes we read: OS/2 core (12), Windows 3 (40), the V2 and V3 extensions (52, 56)
// that add the channel masks, V4 (108) and V5 (124).
constexpr std::uint32_t kCoreHeaderSize = 12;

[[noreturn]] void Bad(const std::string& message) {
  throw Error(ErrorCode::BadBitmap, "not a readable bitmap: " + message);
}

std::string Num(std::int64_t v) { return std::to_string(v); }

// Whether the set bits of mask form one contiguous run.
bool Contiguous(std::uint32_t mask) {
  if (mask == 0) return true;
  while ((mask & 1u) == 0) mask >>= 1;
  return (mask & (mask + 1)) == 0;
}

// Refuses what no depth makes readable: run-length coding and whole PNG or JPEG pictures inside
// the bitmap (whose bit count is 0), named before the bit count is looked at.
void CheckCompression(std::uint32_t compression) {
  switch (compression) {
    case kBiRgb:
    case kBiBitfields:
      return;
    case kBiRle8:
    case kBiRle4:
      Bad(std::string(compression == kBiRle8 ? "RLE8" : "RLE4") +
          "-compressed pixels (compression " + Num(compression) +
          ") are not supported; only uncompressed bitmaps are read");
    case kBiJpeg:
    case kBiPng:
      Bad(std::string("it holds a ") + (compression == kBiJpeg ? "JPEG" : "PNG") +
          " picture (compression " + Num(compression) +
          "), which is not supported inside a bitmap; a plain PNG or JPEG file is read");
    default:
      Bad("compression " + Num(compression) +
          " is not supported; only uncompressed bitmaps are read");
  }
}

}  // namespace

void DefaultMasks(std::int32_t bitCount, std::uint32_t& red, std::uint32_t& green,
                  std::uint32_t& blue) {
  if (bitCount == 16) {
    red = 0x7C00;
    green = 0x03E0;
    blue = 0x001F;
  } else if (bitCount == 24 || bitCount == 32) {
    red = 0x00FF0000;
    green = 0x0000FF00;
    blue = 0x000000FF;
  } else {
    red = green = blue = 0;
  }
}

BmpHeader ParseBmpHeader(const std::uint8_t* data, std::size_t size, std::int64_t fileSize) {
  if (data == nullptr) size = 0;
  // What is at hand: the head, or all of a file shorter than that.
  const std::uint64_t have = size;
  if (have < kFileHeaderSize) {
    Bad("the file has " + Num(static_cast<std::int64_t>(have)) +
        " bytes, fewer than the 14 of a bitmap file header");
  }
  if (data[0] != 'B' || data[1] != 'M') Bad("the file does not start with \"BM\"");
  BmpHeader h;
  h.fileHead = ReadFileHeader(data);

  if (have < kFileHeaderSize + 4) Bad("the info header is truncated");
  const std::uint32_t infoSize = GetU32(data + kFileHeaderSize);
  if (infoSize != kCoreHeaderSize && infoSize != 40 && infoSize != 52 && infoSize != 56 &&
      infoSize != 108 && infoSize != 124) {
    Bad("unsupported info header size " + Num(infoSize) + " bytes");
  }
  if (have < kFileHeaderSize + infoSize) {
    Bad("the " + Num(infoSize) + "-byte info header is truncated");
  }
  const std::uint8_t* infoBytes = data + kFileHeaderSize;

  std::int64_t fileWidth = 0;
  std::int64_t fileHeight = 0;
  std::uint64_t paletteEntrySize = 4;
  if (infoSize == kCoreHeaderSize) {
    fileWidth = GetU16(infoBytes + 4);
    fileHeight = GetU16(infoBytes + 6);
    h.info.biPlanes = GetU16(infoBytes + 8);
    h.info.biBitCount = GetU16(infoBytes + 10);
    h.info.biCompression = kBiRgb;
    h.info.biXPelsPerMeter = h.info.biYPelsPerMeter = 0;
    paletteEntrySize = 3;
  } else {
    h.info = ReadInfoHeader(infoBytes);
    fileWidth = h.info.biWidth;
    fileHeight = h.info.biHeight;
  }

  const std::uint32_t compression = h.info.biCompression;
  CheckCompression(compression);
  const std::int32_t bits = h.info.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    Bad("unsupported bits per pixel: " + Num(bits));
  }
  if (paletteEntrySize == 3 && (bits == 16 || bits == 32))
    Bad("unsupported bits per pixel: " + Num(bits));
  const bool bitfields = compression == kBiBitfields;
  if (bitfields && bits != 16 && bits != 32) {
    Bad("compressed pixel arrays (BITFIELDS, compression 3) are not supported at " + Num(bits) +
        " bits per pixel");
  }

  if (fileWidth <= 0) Bad("the width " + Num(fileWidth) + " is not positive");
  if (fileHeight == 0) Bad("the height is 0");
  const bool topDown = fileHeight < 0;
  const std::int64_t rows = topDown ? -fileHeight : fileHeight;
  if (fileWidth > kMaxBitmapSide || rows > kMaxBitmapSide) {
    Bad(Num(fileWidth) + " x " + Num(rows) + " pixels is larger than the " + Num(kMaxBitmapSide) +
        " x " + Num(kMaxBitmapSide) + " we accept");
  }

  // Where the header ends: channel masks of a 40-byte header follow it.
  std::uint64_t tableStart = kFileHeaderSize + static_cast<std::uint64_t>(infoSize);
  DefaultMasks(bits, h.redMask, h.greenMask, h.blueMask);
  if (bitfields) {
    const std::uint8_t* masks = infoBytes + 40;
    if (infoSize == 40) {
      if (have < tableStart + 12) Bad("the bit-field masks are truncated");
      masks = data + tableStart;
      tableStart += 12;
    }
    const std::uint32_t red = GetU32(masks);
    const std::uint32_t green = GetU32(masks + 4);
    const std::uint32_t blue = GetU32(masks + 8);
    const std::uint32_t allowed = bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    if ((red | green | blue) == 0 || ((red | green | blue) & ~allowed) != 0 || !Contiguous(red) ||
        !Contiguous(green) || !Contiguous(blue) || (red & green) != 0 || (red & blue) != 0 ||
        (green & blue) != 0) {
      Bad("invalid bit-field masks");
    }
    h.redMask = red;
    h.greenMask = green;
    h.blueMask = blue;
  }

  // Colour table: biClrUsed entries, or all 2^bits when it is 0.
  std::uint64_t tableEnd = tableStart;
  if (bits <= 8) {
    const std::uint64_t full = 1u << bits;
    const std::uint64_t used = h.info.biClrUsed == 0 ? full : h.info.biClrUsed;
    if (used > full) {
      Bad("the colour table has " + Num(static_cast<std::int64_t>(used)) + " entries, more than " +
          Num(static_cast<std::int64_t>(full)) + " for " + Num(bits) + " bits per pixel");
    }
    tableEnd = tableStart + used * paletteEntrySize;
    if (tableEnd > have) Bad("the colour table is truncated");
    h.palette.assign(static_cast<std::size_t>(full * 4), 0);
    for (std::uint64_t i = 0; i < used; ++i) {
      std::memcpy(&h.palette[static_cast<std::size_t>(i * 4)],
                  data + tableStart + i * paletteEntrySize,
                  static_cast<std::size_t>(paletteEntrySize));
    }
  }

  h.pixelOffset = h.fileHead.bfOffBits;
  if (h.pixelOffset < tableEnd) {
    Bad("the pixel array offset " + Num(static_cast<std::int64_t>(h.pixelOffset)) +
        " lies inside the headers or colour table (which end at " +
        Num(static_cast<std::int64_t>(tableEnd)) + ")");
  }
  h.width = static_cast<std::int32_t>(fileWidth);
  h.height = static_cast<std::int32_t>(rows);
  h.topDown = topDown;
  h.bits = bits;
  h.stride = BitmapStride(fileWidth, bits);
  const std::uint64_t pixelBytes = h.PixelBytes();
  if (fileSize >= 0) {
    const auto total = static_cast<std::uint64_t>(fileSize);
    if (h.pixelOffset > total || total - h.pixelOffset < pixelBytes) {
      Bad("the pixel array is truncated: " + Num(static_cast<std::int64_t>(pixelBytes)) +
          " bytes needed at offset " + Num(static_cast<std::int64_t>(h.pixelOffset)) +
          ", the file has " + Num(fileSize) + " bytes");
    }
  }
  return h;
}

}  // namespace pdf417
