// Telling picture formats apart, checking what a header claims before reading on, reading files,
// and bitmaps to grey.
#include "pdf417/decoder/load/picture_load.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"

namespace pdf417 {
namespace {

using namespace std::string_view_literals;

static_assert(kMaxPictureFileBytes == static_cast<std::size_t>(kMaxReadFileBytes),
              "the public and the loaders' file limits agree");

// Enough of a file to tell its format and read the sides its header claims.
constexpr std::size_t kHeadBytes = 64;
// Colour-table entries whose luminance differs by less than this make a picture without contrast.
constexpr int kMinTableContrast = 32;

bool StartsWith(const std::uint8_t* head, std::size_t size, const char* magic, std::size_t at = 0) {
  const std::size_t n = std::strlen(magic);
  return size >= at + n && std::memcmp(head + at, magic, n) == 0;
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

[[noreturn]] void Refuse(const std::string& message) { throw Error(ErrorCode::BadBitmap, message); }

std::string Sides(std::int64_t width, std::int64_t height) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Refuses a picture whose header, in the first bytes of the file, claims sides outside
// 1..kMaxBitmapSide or (for a bitmap, whose pixels are stored plainly) more pixel bytes than the
// whole file holds. The loaders check everything again; this only lets a file be refused before
// the rest of it is read.
void CheckClaims(PictureFormat format, const std::uint8_t* head, std::size_t size,
                 std::uint64_t fileSize) {
  if (format == PictureFormat::Png && size >= 24 && StartsWith(head, size, "IHDR", 12)) {
    const std::uint32_t width = BigEndian32(head + 16);
    const std::uint32_t height = BigEndian32(head + 20);
    if (width == 0 || height == 0 || width > static_cast<std::uint32_t>(kMaxBitmapSide) ||
        height > static_cast<std::uint32_t>(kMaxBitmapSide)) {
      Refuse("not a readable PNG: its header claims " + Sides(width, height) +
             ", outside the 1 to " + std::to_string(kMaxBitmapSide) + " a side we accept");
    }
  }
  if (format == PictureFormat::Bmp && size >= 30) {
    const std::uint32_t infoSize = GetU32(head + 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (infoSize == 12) {
      width = GetU16(head + 18);
      height = GetU16(head + 20);
    } else if (infoSize >= 40) {
      width = static_cast<std::int32_t>(GetU32(head + 18));
      height = static_cast<std::int32_t>(GetU32(head + 22));
    } else {
      return;
    }
    const std::int64_t rows = height < 0 ? -height : height;
    const std::int64_t bits = GetU16(head + (infoSize == 12 ? 24 : 28));
    if (width > kMaxBitmapSide || rows > kMaxBitmapSide) {
      Refuse("not a readable bitmap: its header claims " + Sides(width, rows) +
             ", larger than the " + std::to_string(kMaxBitmapSide) + " a side we accept");
    }
    if (width > 0 && bits > 0 && bits <= 32 &&
        static_cast<std::uint64_t>(BitmapStride(width, bits) * rows) > fileSize) {
      Refuse("not a readable bitmap: the pixel array is truncated: its header claims " +
             Sides(width, rows) + " at " + std::to_string(bits) + " bits, more than the " +
             std::to_string(fileSize) + " bytes of the file hold");
    }
  }
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

GreyImage LoadBitmapBytes(const std::uint8_t* data, std::size_t size) {
  BinBMP bitmap;
  bitmap.LoadBytes(data, size);
  return GreyFromBitmap(bitmap);
}

// Reads the rest of a file after `bytes`, refusing it once it is larger than any picture file we
// read.
void ReadRest(std::FILE* file, std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> chunk(65536);
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    if (got < chunk.size() && std::ferror(file)) {
      const int error = errno;
      throw Error(ErrorCode::FileRead, std::string("cannot read it: ") + std::strerror(error));
    }
    if (static_cast<std::int64_t>(bytes.size() + got) > kMaxReadFileBytes) {
      Refuse("the file is larger than the " + std::to_string(kMaxReadFileBytes) +
             " bytes of the largest picture file we read");
    }
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    if (got < chunk.size()) return;
  }
}

}  // namespace

PictureFormat FormatOf(const std::uint8_t* head, std::size_t size) {
  if (StartsWith(head, size, "\x89PNG\r\n\x1a\n")) return PictureFormat::Png;
  if (StartsWith(head, size, "\xff\xd8\xff")) return PictureFormat::Jpeg;
  if (StartsWith(head, size, "BM")) return PictureFormat::Bmp;
  return PictureFormat::Unknown;
}

std::string UnsupportedFormatMessage(const std::uint8_t* head, std::size_t size) {
  if (size == 0) return "the file is empty; PNG, JPEG and BMP pictures are read";
  struct Known {
    std::string_view magic;
    std::size_t at;
    const char* name;
  };
  static constexpr Known kKnown[] = {
      {"GIF8"sv, 0, "GIF"},
      {"II*\0"sv, 0, "TIFF"},
      {"MM\0*"sv, 0, "TIFF"},
      {"WEBP"sv, 8, "WebP"},
      {"%PDF"sv, 0, "PDF"},
      {"\0\0\0\x0cjP  "sv, 0, "JPEG 2000"},
      {"\xff\x4f\xff\x51"sv, 0, "JPEG 2000"},
      {"ftypavif"sv, 4, "AVIF"},
      {"ftypheic"sv, 4, "HEIF"},
      {"ftypmif1"sv, 4, "HEIF"},
      {"8BPS"sv, 0, "Photoshop"},
      {"%!PS"sv, 0, "PostScript"},
      {"<svg"sv, 0, "SVG"},
      {"<?xml"sv, 0, "XML"},
      {"PK\3\4"sv, 0, "a ZIP archive"},
      {"\x1f\x8b"sv, 0, "gzip-compressed data"},
      {"qoif"sv, 0, "QOI"},
  };
  for (const Known& k : kKnown) {
    if (size >= k.at + k.magic.size() &&
        std::memcmp(head + k.at, k.magic.data(), k.magic.size()) == 0) {
      return std::string(k.name) + " is not supported; PNG, JPEG and BMP are";
    }
  }
  if (size >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7' &&
      std::strchr(" \t\r\n", head[2]) != nullptr) {
    return "Netpbm (PBM, PGM, PPM) is not supported; PNG, JPEG and BMP are";
  }
  static const char kHex[] = "0123456789abcdef";
  std::string first;
  for (std::size_t i = 0; i < std::min<std::size_t>(size, 4); ++i) {
    if (i > 0) first += ' ';
    first += kHex[head[i] >> 4];
    first += kHex[head[i] & 15];
  }
  return "not a picture format we read (it starts with the bytes " + first +
         "); PNG, JPEG and BMP are";
}

GreyImage GreyFromBitmap(const BinBMP& bitmap) {
  GreyImage grey(bitmap.width, bitmap.height);
  if (bitmap.Empty()) return grey;
  const auto width = static_cast<std::size_t>(bitmap.width);
  const auto stride = static_cast<std::size_t>(bitmap.Stride());
  const int bits = bitmap.bitCount;
  // Stored rows are bottom-up.
  auto line = [&](std::int32_t row) {
    return bitmap.pixelData.data() + static_cast<std::size_t>(bitmap.height - 1 - row) * stride;
  };
  auto index = [bits](const std::uint8_t* l, std::size_t c) -> unsigned {
    if (bits == 8) return l[c];
    if (bits == 4) return c % 2 == 0 ? l[c / 2] >> 4 : l[c / 2] & 0x0F;
    return (l[c >> 3] >> (7 - (c & 7))) & 1;
  };
  if (bits <= 8) {
    // The entries the pixels use, then their luminance spread over 0..255.
    std::array<bool, 256> used{};
    for (std::int32_t r = 0; r < bitmap.height; ++r) {
      const std::uint8_t* l = line(r);
      for (std::size_t c = 0; c < width; ++c) used[index(l, c)] = true;
    }
    std::array<int, 256> level{};
    int darkest = 255;
    int lightest = 0;
    for (std::size_t i = 0; i < 256; ++i) {
      const std::size_t at = i * 4;
      level[i] = at + 3 <= bitmap.palette.size()
                     ? Luminance(bitmap.palette[at + 2], bitmap.palette[at + 1], bitmap.palette[at])
                     : 255;
      if (!used[i]) continue;
      darkest = std::min(darkest, level[i]);
      lightest = std::max(lightest, level[i]);
    }
    std::array<std::uint8_t, 256> grey8{};
    for (std::size_t i = 0; i < 256; ++i) {
      grey8[i] = lightest - darkest < kMinTableContrast
                     ? 255
                     : static_cast<std::uint8_t>(
                           std::clamp((level[i] - darkest) * 255 / (lightest - darkest), 0, 255));
    }
    for (std::int32_t r = 0; r < bitmap.height; ++r) {
      const std::uint8_t* l = line(r);
      std::uint8_t* out = grey.pixels.data() + static_cast<std::size_t>(r) * width;
      for (std::size_t c = 0; c < width; ++c) out[c] = grey8[index(l, c)];
    }
    return grey;
  }
  for (std::int32_t r = 0; r < bitmap.height; ++r) {
    const std::uint8_t* l = line(r);
    std::uint8_t* out = grey.pixels.data() + static_cast<std::size_t>(r) * width;
    if (bits == 24) {
      for (std::size_t c = 0; c < width; ++c)
        out[c] = Luminance(l[3 * c + 2], l[3 * c + 1], l[3 * c]);
      continue;
    }
    for (std::size_t c = 0; c < width; ++c) {
      const std::uint32_t bgr = bitmap.GetColor(r, static_cast<std::int32_t>(c));
      out[c] = Luminance(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    }
  }
  return grey;
}

GreyImage LoadPicture(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) size = 0;
  const PictureFormat format = FormatOf(data, size);
  CheckClaims(format, data, size, size);
  switch (format) {
    case PictureFormat::Png:
      return LoadPng(PictureInput{data, size, nullptr});
    case PictureFormat::Jpeg:
      return LoadJpeg(PictureInput{data, size, nullptr});
    case PictureFormat::Bmp:
      return LoadBitmapBytes(data, size);
    case PictureFormat::Unknown:
      break;
  }
  Refuse(UnsupportedFormatMessage(data, size));
}

GreyImage LoadPictureFile(const std::string& fileName) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) {
    const int error = errno;
    throw Error(ErrorCode::FileRead,
                "cannot open picture file '" + fileName + "': " + std::strerror(error));
  }
  try {
    struct stat st {};
    const bool regular = ::fstat(::fileno(file.get()), &st) == 0 && S_ISREG(st.st_mode);
    if (regular && st.st_size > kMaxReadFileBytes) {
      Refuse("the file has " + std::to_string(st.st_size) + " bytes, more than the " +
             std::to_string(kMaxReadFileBytes) + " of the largest picture file we read");
    }
    std::vector<std::uint8_t> bytes(kHeadBytes);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get())) {
      const int error = errno;
      throw Error(ErrorCode::FileRead, std::string("cannot read it: ") + std::strerror(error));
    }
    const PictureFormat format = FormatOf(bytes.data(), bytes.size());
    if (format == PictureFormat::Unknown)
      Refuse(UnsupportedFormatMessage(bytes.data(), bytes.size()));
    if (!regular) {
      // A pipe or device cannot be read twice: take it whole, within the limit.
      ReadRest(file.get(), bytes);
      return LoadPicture(bytes.data(), bytes.size());
    }
    CheckClaims(format, bytes.data(), bytes.size(), static_cast<std::uint64_t>(st.st_size));
    if (format == PictureFormat::Bmp) {
      bytes.reserve(static_cast<std::size_t>(st.st_size));
      ReadRest(file.get(), bytes);
      return LoadBitmapBytes(bytes.data(), bytes.size());
    }
    if (std::fseek(file.get(), 0, SEEK_SET) != 0) {
      const int error = errno;
      throw Error(ErrorCode::FileRead, std::string("cannot read it: ") + std::strerror(error));
    }
    const PictureInput input{nullptr, 0, file.get()};
    return format == PictureFormat::Png ? LoadPng(input) : LoadJpeg(input);
  } catch (const Error& e) {
    throw Error(e.code(), "'" + fileName + "': " + e.what());
  }
}

}  // namespace pdf417
