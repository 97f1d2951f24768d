// The whole decode of arbitrary file bytes: it returns a status and never crashes, throws, leaks or
// runs away; only a symbol that passed every check is reported as decoded.
#include <cstddef>
#include <cstdint>

#include "decode_util.h"
#include "fuzz_input.h"
#include "pdf417/decoder/decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const pdf417::DecodeResult result = testutil::DecodeFirst(data, size);
  switch (result.status) {
    case pdf417::DecodeStatus::Decoded:
      PDF417_FUZZ_CHECK(result.message.empty());
      PDF417_FUZZ_CHECK(result.level >= 0 && result.level <= 8);
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
