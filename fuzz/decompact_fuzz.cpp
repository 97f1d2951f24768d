// Decompaction of arbitrary codeword lists. Input: little-endian 16-bit values; the first is the
// data count (signed), each further one a codeword (its low 10 bits: 0..1023, so values above
// 928 occur too). Decompact either throws pdf417::Error or fills the byte list with bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/decompact/decompact.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pdf417::fuzz::Input in(data, size);
  pdf417::LinkedList<int> dataList;
  dataList.Append(static_cast<std::int16_t>(in.U16()));
  while (in.Left() >= 2) dataList.Append(in.U16() & 0x3FF);
  const std::int32_t before = dataList.Size();

  pdf417::LinkedList<int> byteList;
  byteList.Append(12345);  // emptied first
  pdf417::DecompactInfo info;
  try {
    pdf417::Decompact(dataList, byteList, &info);
  } catch (const pdf417::Error&) {
    return 0;
  }
  // Implied latches may be inserted; nothing is removed.
  PDF417_FUZZ_CHECK(dataList.Size() >= before);
  // Every codeword yields at most a handful of bytes (numeric compaction: under 3 digits each).
  PDF417_FUZZ_CHECK(byteList.Size() <= 3 * dataList.Size() + 45);
  // Every element is a byte: a value beyond one is corrupt data, never passed on.
  for (byteList.Reset(0); !byteList.AtEnd(); byteList.Advance()) {
    PDF417_FUZZ_CHECK(byteList.Data() >= 0 && byteList.Data() <= 255);
  }
  // Designators apply from a byte within the data (or its end), in order.
  std::size_t last = 0;
  for (const pdf417::EciDesignator& d : info.eci) {
    PDF417_FUZZ_CHECK(d.position >= last &&
                      d.position <= static_cast<std::size_t>(byteList.Size()));
    last = d.position;
  }
  return 0;
}
