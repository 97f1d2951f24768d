// The whole decode of arbitrary file bytes: it returns a status and never crashes, throws, leaks or
// runs away; only a symbol that passed every check is reported as decoded. Pictures are held to a
// hundred or so pixels a side by the pixel limit (a decode costs in proportion to the pixels, and a
// few bytes of PNG or JPEG claim 10,000 x 10,000), and the decode does not try harder (a damaged
// picture costs several times as much with it), so that the fuzzer runs hundreds a second. The
// image and turned targets fuzz trying harder: the loaders hand the readings the same grey pixels.
#include <cstddef>
#include <cstdint>

#include "decode_util.h"
#include "fuzz_input.h"
#include "pdf417/decoder/decoder.h"

namespace {

constexpr std::int64_t kMaxPixels = 128 * 128;  // the seeds hold at most 155 x 48

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pdf417::DecodeOptions options;
  options.maxPixels = kMaxPixels;
  options.tryHarder = false;
  const pdf417::DecodeResult result = testutil::DecodeFirst(data, size, options);
  switch (result.status) {
    case pdf417::DecodeStatus::Decoded:
      PDF417_FUZZ_CHECK(result.message.empty());
      // MicroPDF417 has no level: its size fixes the error correction.
      PDF417_FUZZ_CHECK(result.symbology == pdf417::Symbology::MicroPdf417
                            ? result.level == -1
                            : result.level >= 0 && result.level <= 8);
      PDF417_FUZZ_CHECK(result.rows >= 1 && result.rows <= 90);
      PDF417_FUZZ_CHECK(result.columns >= 1 && result.columns <= 30);
      break;
    case pdf417::DecodeStatus::FileUnreadable:
    case pdf417::DecodeStatus::NoSymbolFound:
    case pdf417::DecodeStatus::NotCorrectable:
      PDF417_FUZZ_CHECK(!result.message.empty());
      PDF417_FUZZ_CHECK(result.bytes.empty());
      break;
    default:
      PDF417_FUZZ_CHECK(false);  // bytes in memory are never a missing file
  }
  return 0;
}
