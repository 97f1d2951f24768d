// Reed-Solomon correction of arbitrary codeword lists. Input: a little-endian 16-bit value that
// chooses the syndrome count (-4..525, so a few are out of range), then 16-bit values whose low
// 10 bits are the codewords (0..1023). CorrectErrors either refuses the count with pdf417::Error,
// or returns -1 and leaves the list as it was, or corrects at most n/2 codewords into a list whose
// syndromes all vanish. The same list goes to CorrectErrata with the codewords whose
// value has bit 10 set as erasures: refused and untouched, or at most (n - 2 - f) / 2 errors
// besides the f erasures corrected into a consistent list.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/correct/error_correction.h"
#include "pdf417/decoder/correct/reed_solomon.h"

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
  std::vector<int> erasures;
  while (in.Left() >= 2) {
    const int value = in.U16();
    if (value & 0x400) erasures.push_back(list.Size());
    list.Append(value & 0x3FF);
  }
  const std::vector<int> before = Values(list);

  std::vector<int> withErasures = before;
  const int repaired = pdf417::CorrectErrata(withErasures, n, erasures, 2);
  if (repaired < 0) {
    PDF417_FUZZ_CHECK(repaired == -1 && withErasures == before);
  } else {
    const int f = static_cast<int>(erasures.size());
    PDF417_FUZZ_CHECK(f == 0 || f <= n - 2);
    int errors = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
      PDF417_FUZZ_CHECK(withErasures[i] >= 0 && withErasures[i] <= 928);
      const bool erased =
          std::find(erasures.begin(), erasures.end(), static_cast<int>(i)) != erasures.end();
      errors += !erased && withErasures[i] != before[i];
    }
    PDF417_FUZZ_CHECK(n == 0 || 2 * errors + f <= n - 2 || (errors == 0 && f == 0));
    std::vector<int> again = withErasures;
    PDF417_FUZZ_CHECK(pdf417::CorrectErrata(again, n, {}, 2) == 0 && again == withErasures);
  }

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
