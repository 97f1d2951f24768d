// Reed-Solomon correction of arbitrary codeword lists. Input: a little-endian 16-bit value that
// chooses the syndrome count (-4..525, so a few are out of range), then 16-bit values whose low
// 10 bits are the codewords (0..1023). CorrectErrors either refuses the count with pdf417::Error,
// or returns -1 and leaves the list as it was, or corrects at most n/2 codewords into a list whose
// syndromes all vanish.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/error_correction.h"

namespace {

std::vector<int> Values(pdf417::LinkedList<int>& list) {
  std::vector<int> out;
  for (list.Reset(0); !list.AtEnd(); list.Advance()) out.push_back(list.Data());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pdf417::fuzz::Input in(data, size);
  const int n = static_cast<int>(in.U16() % 530) - 4;
  pdf417::LinkedList<int> list;
  while (in.Left() >= 2) list.Append(in.U16() & 0x3FF);
  const std::vector<int> before = Values(list);

  int corrected = 0;
  try {
    corrected = pdf417::CorrectErrors(list, n);
  } catch (const pdf417::Error&) {
    PDF417_FUZZ_CHECK(n < 0 || n > 512);
    PDF417_FUZZ_CHECK(Values(list) == before);
    return 0;
  }
  PDF417_FUZZ_CHECK(n >= 0 && n <= 512);
  const std::vector<int> after = Values(list);
  PDF417_FUZZ_CHECK(after.size() == before.size());
  if (corrected < 0) {
    PDF417_FUZZ_CHECK(corrected == -1);
    PDF417_FUZZ_CHECK(after == before);
    return 0;
  }
  int changed = 0;
  for (std::size_t i = 0; i < after.size(); ++i) changed += after[i] != before[i];
  PDF417_FUZZ_CHECK(changed == corrected);
  if (n > 0) {
    // Only a list of codewords can be consistent.
    for (const int value : after) PDF417_FUZZ_CHECK(value >= 0 && value <= 928);
    PDF417_FUZZ_CHECK(2 * corrected <= n);
    // A corrected list is consistent: correcting it again changes nothing.
    PDF417_FUZZ_CHECK(pdf417::CorrectErrors(list, n) == 0);
    PDF417_FUZZ_CHECK(Values(list) == after);
  }
  return 0;
}
