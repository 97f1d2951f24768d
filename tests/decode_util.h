// The first symbol a picture gives, through the decoder's one entry with maxSymbols 1: what most
// tests look at.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "pdf417/decoder/decoder.h"

namespace testutil {

inline pdf417::DecodeOptions FirstOnly(pdf417::DecodeOptions options) {
  options.maxSymbols = 1;
  return options;
}

inline pdf417::DecodeResult DecodeFirst(const std::string& fileName,
                                        const pdf417::DecodeOptions& options = {}) {
  return std::move(pdf417::Decode(fileName, FirstOnly(options)).front());
}
inline pdf417::DecodeResult DecodeFirst(const std::uint8_t* data, std::size_t size,
                                        const pdf417::DecodeOptions& options = {}) {
  return std::move(pdf417::Decode(data, size, FirstOnly(options)).front());
}
inline pdf417::DecodeResult DecodeFirst(const pdf417::ImageView& image,
                                        const pdf417::DecodeOptions& options = {}) {
  return std::move(pdf417::Decode(image, FirstOnly(options)).front());
}

}  // namespace testutil
