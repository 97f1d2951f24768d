// Encodes one symbol and decodes it through the installed headers and libraries: from the bitmap
// file bytes, and from an in-memory grey frame as a camera would hand it over; then checks that
// the version macros agree with each other and with the library, and prints the version.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/version.h"

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The one-bit bitmap as 8-bit grey, top row first, each row padded to `stride` bytes.
std::vector<std::uint8_t> GreyFrame(const std::vector<std::uint8_t>& bmp, int& width, int& height,
                                    int stride) {
  width = static_cast<int>(U32(bmp, 18));
  height = static_cast<int>(U32(bmp, 22));
  const std::size_t offset = U32(bmp, 10);
  const std::size_t bmpStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(stride) * height, 0x80);
  for (int r = 0; r < height; ++r) {
    const std::uint8_t* line = &bmp[offset + (height - 1 - r) * bmpStride];
    for (int c = 0; c < width; ++c) {
      const bool dark =
          (line[c / 8] >> (7 - c % 8)) & 1;  // entry 1 of the encoder's table is black
      grey[static_cast<std::size_t>(r) * stride + c] = dark ? 0 : 255;
    }
  }
  return grey;
}

}  // namespace

int main() {
  const std::string text = "installed";
  std::vector<std::uint8_t> image;
  try {
    image = pdf417::EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                                        static_cast<int>(text.size()), 5, 2, 3);
  } catch (const pdf417::Error& e) {
    std::fprintf(stderr, "encoding failed: %s\n", e.what());
    return 1;
  }
  const pdf417::DecodeResult r = pdf417::Decode(image.data(), image.size()).front();
  if (!r.ok() || r.bytes != text) {
    std::fprintf(stderr, "round trip failed: %s\n", r.message.c_str());
    return 1;
  }
  int width = 0;
  int height = 0;
  const std::vector<std::uint8_t> frame = GreyFrame(image, width, height, 256);
  pdf417::ImageView view;
  view.data = frame.data();
  view.width = width;
  view.height = height;
  view.stride = 256;
  view.format = pdf417::PixelFormat::Grey8;
  const pdf417::DecodeResult f = pdf417::Decode(view).front();
  if (!f.ok() || f.bytes != text) {
    std::fprintf(stderr, "grey frame failed: %s\n", f.message.c_str());
    return 1;
  }
  // The library's exception is caught by its type (its type information crosses the library's
  // boundary).
  try {
    pdf417::EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                                static_cast<int>(text.size()), 0, 2, 3);
    std::fputs("columns 0 were accepted\n", stderr);
    return 1;
  } catch (const pdf417::Error& e) {
    if (e.code() != pdf417::ErrorCode::InvalidArgument) return 1;
  }
  const std::string composed = std::to_string(PDF417_VERSION_MAJOR) + "." +
                               std::to_string(PDF417_VERSION_MINOR) + "." +
                               std::to_string(PDF417_VERSION_PATCH);
  if (composed != PDF417_VERSION_STRING || std::string(pdf417::Version()) != composed) {
    std::fprintf(stderr, "versions differ: macros %s, string %s, library %s\n", composed.c_str(),
                 PDF417_VERSION_STRING, pdf417::Version());
    return 1;
  }
  std::printf("version %s\n", pdf417::Version());
  return 0;
}
