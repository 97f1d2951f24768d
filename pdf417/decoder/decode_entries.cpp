// The decoder's file and file-bytes entries: load the picture, make its one-bit matrix and hand it
// to the reading stages (pipeline.h).
#include <sys/stat.h>

#include <utility>

#include "pdf417/common/error.h"
#include "pdf417/decoder/bin_bmp.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/picture.h"
#include "pdf417/decoder/pipeline.h"

namespace pdf417 {
namespace {

DecodeResult Unreadable(const std::string& message) {
  DecodeResult result;
  result.status = DecodeStatus::FileUnreadable;
  result.message = message;
  return result;
}

DecodeResult DecodeLoaded(BinBMP& source) {
  if (source.bitCount != 1) Binarize(source, source);
  BitMatrix bits(source.width, source.height);
  for (std::int32_t r = 0; r < source.height; ++r) {
    for (std::int32_t c = 0; c < source.width; ++c) {
      if (!source.IsWhite(r, c)) bits.SetDark(r, c);
    }
  }
  source.Release();
  return DecodeBits(bits, DecodeOptions());
}

}  // namespace

DecodeResult DecodePdf417Detailed(const std::string& fileName, const DecodeNotifier& notify) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    DecodeResult result;
    result.status = DecodeStatus::FileMissing;
    result.message = "File Not Exist!!!";
    if (notify) notify(result.message, "PDF417Dec");
    return result;
  }
  BinBMP source;
  try {
    source.LoadFile(fileName);
  } catch (const Error& e) {
    return Unreadable(e.what());
  }
  return DecodeLoaded(source);
}

DecodeResult DecodePdf417FromBytes(const std::uint8_t* data, std::size_t size) {
  BinBMP source;
  try {
    source.LoadBytes(data, size);
  } catch (const Error& e) {
    return Unreadable(e.what());
  }
  return DecodeLoaded(source);
}

std::string DecodePdf417(const std::string& fileName, const DecodeNotifier& notify) {
  DecodeResult result = DecodePdf417Detailed(fileName, notify);
  return result.ok() ? std::move(result.bytes) : std::string();
}

}  // namespace pdf417
