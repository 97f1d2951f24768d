// The peer reader the benchmarks measure against, zxing-cpp, built from the same source against
// its current release (3.x, ReaderOptions) or Debian's 1.4 (DecodeHints). Only PDF417 is enabled,
// with the reader's default options otherwise.
#pragma once

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <cstdint>
#include <string>
#include <vector>

#if __has_include(<ZXing/ReaderOptions.h>)
#include <ZXing/ReaderOptions.h>
#define PDF417_PEER_NAME "zxing-cpp 3"
#else
#include <ZXing/DecodeHints.h>
#define PDF417_PEER_NAME "zxing-cpp 1.4"
#endif

namespace peer {

inline const char* Name() { return PDF417_PEER_NAME; }

#if __has_include(<ZXing/ReaderOptions.h>)
using Options = ZXing::ReaderOptions;
#else
using Options = ZXing::DecodeHints;
#endif

inline Options Pdf417Only() {
  Options options;
  options.setFormats(ZXing::BarcodeFormat::PDF417);
  return options;
}

// The bytes of every symbol read from grey pixels (all of them, or the first only).
inline std::vector<std::string> Read(const std::uint8_t* pixels, int width, int height,
                                     bool first) {
  const ZXing::ImageView view(pixels, width, height, ZXing::ImageFormat::Lum);
  static const Options options = Pdf417Only();
  std::vector<std::string> out;
  if (first) {
    const auto r = ZXing::ReadBarcode(view, options);
    if (r.isValid()) out.emplace_back(r.bytes().begin(), r.bytes().end());
    return out;
  }
  for (const auto& r : ZXing::ReadBarcodes(view, options)) {
    if (r.isValid()) out.emplace_back(r.bytes().begin(), r.bytes().end());
  }
  return out;
}

}  // namespace peer
