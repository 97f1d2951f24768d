// The decoder's picture: loading bitmap files, pixel access and binarization.
#include "pdf417/decoder/classic/bin_bmp.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "pdf417/common/error.h"
#include "pdf417/common/one_bit_rows.h"
#include "pdf417/decoder/classic/image_transforms.h"
#include "pdf417/decoder/load/bmp_header.h"

namespace pdf417 {
namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr std::uint32_t kBiRgb = 0;

std::string Num(std::int64_t v) { return std::to_string(v); }

std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  return ChannelScale(mask).Of(pixel);
}

void CheckSize(std::int64_t height, std::int64_t width, std::int64_t bitCount) {
  if (width <= 0 || height <= 0) {
    throw Error(ErrorCode::InvalidArgument, "a picture needs a positive width and height, got " +
                                                Num(width) + " x " + Num(height));
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide ||
      BitmapStride(width, bitCount) * height > kMaxPictureBytes) {
    throw Error(ErrorCode::InvalidArgument, "a picture of " + Num(width) + " x " + Num(height) +
                                                " pixels at " + Num(bitCount) +
                                                " bits is too large");
  }
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

BinBMP::BinBMP(std::int32_t height, std::int32_t width, std::int32_t bitCount) {
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32) {
    throw Error(ErrorCode::InvalidArgument, "unsupported bits per pixel: " + Num(bitCount));
  }
  CheckSize(height, width, bitCount);
  this->height = height;
  this->width = width;
  this->bitCount = bitCount;
  const std::int64_t stride = BitmapStride(width, bitCount);
  imageSize = static_cast<std::int32_t>(stride * height);

  const bool indexed = bitCount <= 8;
  const std::uint32_t paletteBytes = indexed ? 4u << bitCount : 0u;
  bitMpHead = BitMpHead{};
  bitMpHead.bfOffBits = static_cast<std::uint32_t>(kHeadersSize) + paletteBytes;
  bitMpHead.bfSize = bitMpHead.bfOffBits + static_cast<std::uint32_t>(imageSize);

  bitMpInfoHead = BitMpInfoHead{};
  bitMpInfoHead.biWidth = width;
  bitMpInfoHead.biHeight = height;
  bitMpInfoHead.biBitCount = static_cast<std::uint16_t>(bitCount);
  bitMpInfoHead.biSizeImage = static_cast<std::uint32_t>(imageSize);

  // Entry 0 black, entry 1 white for two colours: a set bit is white.
  palette.assign(paletteBytes, 0);
  if (bitCount == 1) {
    palette[4] = palette[5] = palette[6] = 255;
  }
  pixelData.assign(static_cast<std::size_t>(imageSize), 0xFF);
  DefaultMasks(bitCount, redMask, greenMask, blueMask);
}

BinBMP::BinBMP(const std::string& fileName) { LoadFile(fileName); }

void BinBMP::Release() { *this = BinBMP(); }

void BinBMP::LoadFile(const std::string& fileName) {
  Release();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) {
    const int error = errno;
    throw Error(ErrorCode::FileRead,
                "cannot open bitmap file '" + fileName + "': " + std::strerror(error));
  }
  // Read in chunks so that pipes and devices work too; stop once the file is larger than any
  // picture we accept could need. A regular file's size is known before reading, and anything
  // that does not start like a bitmap is refused after its first chunk (a device such as
  // /dev/zero would otherwise be read up to the limit).
  auto tooLarge = [&fileName]() {
    return Error(ErrorCode::BadBitmap, "bitmap file '" + fileName + "' is larger than " +
                                           Num(kMaxReadFileBytes) + " bytes");
  };
  std::vector<std::uint8_t> bytes;
  struct stat st {};
  if (::fstat(::fileno(file.get()), &st) == 0 && S_ISREG(st.st_mode)) {
    if (st.st_size > kMaxReadFileBytes) throw tooLarge();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
  }
  std::vector<std::uint8_t> chunk(65536);
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
    if (got < chunk.size() && std::ferror(file.get())) {
      const int error = errno;
      throw Error(ErrorCode::FileRead,
                  "cannot read bitmap file '" + fileName + "': " + std::strerror(error));
    }
    if (static_cast<std::int64_t>(bytes.size() + got) > kMaxReadFileBytes) throw tooLarge();
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    if (got < chunk.size()) break;
    if (bytes.size() >= 2 && (bytes[0] != 'B' || bytes[1] != 'M')) break;  // refused below
  }
  file.reset();
  try {
    LoadBytes(bytes.data(), bytes.size());
  } catch (const Error& e) {
    throw Error(e.code(), "'" + fileName + "' is " + e.what());
  }
}

void BinBMP::LoadBytes(const std::uint8_t* data, std::size_t size) {
  Release();
  if (data == nullptr) size = 0;
  const BmpHeader header = ParseBmpHeader(data, size, static_cast<std::int64_t>(size));
  const std::uint64_t pixelBytes = header.PixelBytes();

  BinBMP image;
  image.bitCount = header.bits;
  image.width = header.width;
  image.height = header.height;
  image.imageSize = static_cast<std::int32_t>(pixelBytes);
  image.palette = header.palette;
  image.redMask = header.redMask;
  image.greenMask = header.greenMask;
  image.blueMask = header.blueMask;
  image.pixelData.resize(static_cast<std::size_t>(pixelBytes));
  const std::uint8_t* pixels = data + header.pixelOffset;
  if (header.topDown) {
    // Stored bottom-up like every other picture.
    const auto s = static_cast<std::size_t>(header.stride);
    const auto rows = static_cast<std::size_t>(header.height);
    for (std::size_t i = 0; i < rows; ++i) {
      std::memcpy(&image.pixelData[(rows - 1 - i) * s], pixels + i * s, s);
    }
  } else if (pixelBytes > 0) {
    std::memcpy(image.pixelData.data(), pixels, static_cast<std::size_t>(pixelBytes));
  }

  // The header copies describe the picture as held here: a 40-byte info header, a full colour
  // table right after it, bottom-up rows; the channel layout is in the mask fields.
  image.bitMpHead = header.fileHead;
  image.bitMpHead.bfOffBits = static_cast<std::uint32_t>(kHeadersSize + image.palette.size());
  image.bitMpHead.bfSize = image.bitMpHead.bfOffBits + static_cast<std::uint32_t>(image.imageSize);
  image.bitMpInfoHead = header.info;
  image.bitMpInfoHead.biSize = static_cast<std::uint32_t>(kInfoHeaderSize);
  image.bitMpInfoHead.biWidth = image.width;
  image.bitMpInfoHead.biHeight = image.height;
  image.bitMpInfoHead.biCompression = kBiRgb;
  image.bitMpInfoHead.biSizeImage = static_cast<std::uint32_t>(image.imageSize);
  image.bitMpInfoHead.biClrUsed = 0;
  image.bitMpInfoHead.biClrImportant = 0;

  *this = std::move(image);
}

std::int32_t BinBMP::Stride() const {
  return static_cast<std::int32_t>(BitmapStride(width, bitCount));
}

bool BinBMP::SetBitIsWhite() const { return !palette.empty() && palette[0] == 0; }

void BinBMP::Clear() {
  const std::uint8_t fill = bitCount == 1 && !SetBitIsWhite() ? 0x00 : 0xFF;
  std::fill(pixelData.begin(), pixelData.end(), fill);
}

void BinBMP::SetAngle(float degrees) {
  angle = static_cast<float>(static_cast<double>(degrees) * (1.0 / 180.0) * kPi);
  cosAngle = static_cast<float>(std::cos(static_cast<double>(angle)));
  sinAngle = static_cast<float>(std::sin(static_cast<double>(angle)));
}

std::uint32_t BinBMP::GetColor(std::int32_t row, std::int32_t col) const {
  if (row < 0 || col < 0 || row >= height || col >= width) return 0xFFFFFF;
  const std::uint8_t* line = pixelData.data() + static_cast<std::size_t>(height - 1 - row) *
                                                    static_cast<std::size_t>(Stride());
  auto fromPalette = [this](unsigned index) -> std::uint32_t {
    const std::size_t at = static_cast<std::size_t>(index) * 4;
    if (at + 3 > palette.size()) return 0xFFFFFF;
    return palette[at + 2] | (palette[at + 1] << 8) |
           (static_cast<std::uint32_t>(palette[at]) << 16);
  };
  switch (bitCount) {
    case 1: {
      const bool bit = (line[col / 8] >> (7 - col % 8)) & 1;
      return bit == SetBitIsWhite() ? 0xFFFFFFu : 0u;
    }
    case 4: {
      const std::uint8_t b = line[col / 2];
      return fromPalette(col % 2 == 0 ? b >> 4 : b & 0x0F);
    }
    case 8:
      return fromPalette(line[col]);
    case 24: {
      const std::uint8_t* p = line + static_cast<std::size_t>(col) * 3;
      return p[2] | (p[1] << 8) | (static_cast<std::uint32_t>(p[0]) << 16);
    }
    case 16:
    case 32: {
      const std::uint8_t* p = line + static_cast<std::size_t>(col) * (bitCount / 8);
      const std::uint32_t pixel = bitCount == 16 ? GetU16(p) : GetU32(p);
      return Channel(pixel, redMask) | (Channel(pixel, greenMask) << 8) |
             (Channel(pixel, blueMask) << 16);
    }
    default:
      return 0xFFFFFF;
  }
}

bool BinBMP::IsWhite(std::int32_t row, std::int32_t col) const {
  if (angle == 0.0f && bitCount == 1) {
    // The common case, read directly: no rotation, one bit per pixel.
    if (row < 0 || col < 0 || row >= height || col >= width) return true;
    const std::size_t stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::uint8_t byte = pixelData[static_cast<std::size_t>(height - 1 - row) * stride +
                                        (static_cast<std::size_t>(col) >> 3)];
    const bool bit = (byte >> (7 - (col & 7))) & 1;
    return bit == (!palette.empty() && palette[0] == 0);
  }
  std::int64_t r = row;
  std::int64_t c = col;
  if (angle != 0.0f) {
    const double cs = cosAngle;
    const double sn = sinAngle;
    const double rr = std::trunc(row * cs - col * sn);
    const double cc = std::trunc(row * sn + col * cs);
    if (rr < 0 || cc < 0 || rr >= height || cc >= width) return true;
    r = static_cast<std::int64_t>(rr);
    c = static_cast<std::int64_t>(cc);
  }
  if (r < 0 || c < 0 || r >= height || c >= width) return true;
  const auto ri = static_cast<std::int32_t>(r);
  const auto ci = static_cast<std::int32_t>(c);
  if (bitCount != 1) {
    // Deeper pictures read as Binarize would make them.
    return ((GetColor(ri, ci) >> 16) & 0xFF) >= kBinarizeThreshold;
  }
  const std::uint8_t byte =
      pixelData[static_cast<std::size_t>(height - 1 - ri) * static_cast<std::size_t>(Stride()) +
                static_cast<std::size_t>(ci / 8)];
  const bool bit = (byte >> (7 - ci % 8)) & 1;
  return bit == SetBitIsWhite();
}

void BinBMP::SetPixel(std::int32_t row, std::int32_t col, bool white) {
  if (bitCount != 1 || row < 0 || col < 0 || row >= height || col >= width) return;
  std::uint8_t& byte =
      pixelData[static_cast<std::size_t>(height - 1 - row) * static_cast<std::size_t>(Stride()) +
                static_cast<std::size_t>(col / 8)];
  const auto mask = static_cast<std::uint8_t>(0x80u >> (col % 8));
  if (white == SetBitIsWhite()) {
    byte = static_cast<std::uint8_t>(byte | mask);
  } else {
    byte = static_cast<std::uint8_t>(byte & ~mask);
  }
}

namespace {

// The blue components (as GetColor gives them) of one stored row of a picture of any depth.
class BlueReader {
 public:
  explicit BlueReader(const BinBMP& picture) : picture_(picture), blue_(picture.blueMask) {}

  void Read(const std::uint8_t* line, std::vector<std::uint8_t>& blue) const {
    const std::int32_t width = picture_.width;
    const std::vector<std::uint8_t>& palette = picture_.palette;
    // Colour-table entries past the table read as white, as in GetColor.
    auto fromPalette = [&palette](unsigned index) -> std::uint8_t {
      const std::size_t at = static_cast<std::size_t>(index) * 4;
      return at + 3 > palette.size() ? 0xFF : palette[at];
    };
    switch (picture_.bitCount) {
      case 1: {
        const std::uint8_t white = picture_.SetBitIsWhite() ? 1 : 0;
        for (std::int32_t c = 0; c < width; ++c) {
          const std::uint8_t bit = (line[c >> 3] >> (7 - (c & 7))) & 1;
          blue[static_cast<std::size_t>(c)] = bit == white ? 0xFF : 0x00;
        }
        break;
      }
      case 4:
        for (std::int32_t c = 0; c < width; ++c) {
          const std::uint8_t b = line[c / 2];
          blue[static_cast<std::size_t>(c)] = fromPalette(c % 2 == 0 ? b >> 4 : b & 0x0F);
        }
        break;
      case 8:
        for (std::int32_t c = 0; c < width; ++c)
          blue[static_cast<std::size_t>(c)] = fromPalette(line[c]);
        break;
      case 24:
        for (std::int32_t c = 0; c < width; ++c) {
          blue[static_cast<std::size_t>(c)] = line[static_cast<std::size_t>(c) * 3];
        }
        break;
      case 16:
        for (std::int32_t c = 0; c < width; ++c) {
          const std::uint32_t pixel = GetU16(line + static_cast<std::size_t>(c) * 2);
          blue[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(blue_.Of(pixel) & 0xFF);
        }
        break;
      case 32:
        for (std::int32_t c = 0; c < width; ++c) {
          const std::uint32_t pixel = GetU32(line + static_cast<std::size_t>(c) * 4);
          blue[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(blue_.Of(pixel) & 0xFF);
        }
        break;
      default:
        std::fill(blue.begin(), blue.end(), 0xFF);
        break;
    }
  }

 private:
  const BinBMP& picture_;
  ChannelScale blue_;
};

}  // namespace

namespace {

// Dark exactly where the blue component is below the threshold; no rotation.
BitMatrix BinarizedMatrix(const BinBMP& source) {
  BitMatrix result(source.width, source.height);
  const std::size_t stride = static_cast<std::size_t>(source.Stride());
  if (source.pixelData.size() < stride * static_cast<std::size_t>(source.height)) {
    // Pixels missing from the buffer: read each one through the checked path.
    for (std::int32_t r = 0; r < source.height; ++r) {
      for (std::int32_t c = 0; c < source.width; ++c) {
        const std::uint32_t blue = (source.GetColor(r, c) >> 16) & 0xFF;
        if (blue < kBinarizeThreshold) result.SetDark(r, c);
      }
    }
    return result;
  }
  const std::size_t bytes = result.Stride();
  if (source.bitCount == 1) {
    // The stored bytes, flipped to a set bit for dark, rows turned top-down.
    const std::uint8_t flip = source.SetBitIsWhite() ? 0xFF : 0x00;
    const std::uint8_t tail = MaskTo((source.width - 1) & 7);
    for (std::int32_t r = 0; r < source.height; ++r) {
      const std::uint8_t* in =
          source.pixelData.data() + static_cast<std::size_t>(source.height - 1 - r) * stride;
      std::uint8_t* out = result.Row(r);
      for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(in[i] ^ flip);
      out[bytes - 1] &= tail;
    }
    return result;
  }
  // A row at a time: the blue components, then eight pixels to a byte.
  const BlueReader reader(source);
  std::vector<std::uint8_t> blue(static_cast<std::size_t>(source.width));
  for (std::int32_t r = 0; r < source.height; ++r) {
    reader.Read(source.pixelData.data() + static_cast<std::size_t>(source.height - 1 - r) * stride,
                blue);
    std::uint8_t* out = result.Row(r);
    for (std::size_t i = 0; i < bytes; ++i) {
      std::uint8_t dark = 0;
      const std::size_t end = std::min(blue.size(), i * 8 + 8);
      for (std::size_t c = i * 8; c < end; ++c) {
        if (blue[c] < kBinarizeThreshold) dark |= static_cast<std::uint8_t>(0x80u >> (c & 7));
      }
      out[i] = dark;
    }
  }
  return result;
}

}  // namespace

void Binarize(const BinBMP& source, BinBMP& destination) {
  if (source.Empty()) {
    destination.Release();
    return;
  }
  destination = PictureOf(BinarizedMatrix(source));
}

BitMatrix MatrixOf(const BinBMP& picture) {
  if (picture.Empty()) return BitMatrix();
  BitMatrix bits = BinarizedMatrix(picture);
  if (picture.angle == 0.0f) return bits;
  return Resample(bits, static_cast<double>(picture.cosAngle),
                  static_cast<double>(picture.sinAngle));
}

BinBMP PictureOf(const BitMatrix& bits) {
  if (bits.Empty()) return BinBMP();
  BinBMP picture(bits.Height(), bits.Width(), 1);
  const std::size_t stride = static_cast<std::size_t>(picture.Stride());
  for (std::int32_t r = 0; r < bits.Height(); ++r) {
    const std::uint8_t* in = bits.Row(r);
    std::uint8_t* out =
        picture.pixelData.data() + static_cast<std::size_t>(bits.Height() - 1 - r) * stride;
    for (std::size_t i = 0; i < bits.Stride(); ++i) out[i] = static_cast<std::uint8_t>(~in[i]);
  }
  return picture;
}

}  // namespace pdf417
