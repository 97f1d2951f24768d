// Byte compaction, padding and the symbol length descriptor.
#include "pdf417/common/error.h"
#include "pdf417/encoder/encoder.h"
#include "pdf417/encoder/stages.h"

namespace pdf417 {

void CompactBytes(const std::uint8_t* data, int length, int columns, int errorCorrectionLevel,
                  CodewordSequence& sequence, int minRows) {
  if (columns < 1) throw Error(ErrorCode::InvalidArgument, "columns must be at least 1");
  if (errorCorrectionLevel < kMinLevel || errorCorrectionLevel > kMaxLevel) {
    throw Error(ErrorCode::InvalidArgument, "error-correction level must be 0 to 8");
  }
  if (length < 0 || (length > 0 && data == nullptr)) {
    throw Error(ErrorCode::InvalidArgument, "data length must not be negative");
  }
  const int k = ErrorCorrectionCount(errorCorrectionLevel);
  const int groups = length / 6;
  const int singles = length % 6;

  sequence.clear();
  sequence.reserve(static_cast<std::size_t>(2 + 5 * groups + singles + columns));
  sequence.push_back(0);  // placeholder for the length descriptor
  sequence.push_back(singles == 0 ? 924 : 901);

  const std::uint8_t* p = data;
  for (int g = 0; g < groups; ++g, p += 6) {
    std::uint64_t v = 0;
    for (int i = 0; i < 6; ++i) v = (v << 8) | p[i];
    std::int32_t digits[5];
    for (int i = 4; i >= 0; --i) {
      digits[i] = static_cast<std::int32_t>(v % 900);
      v /= 900;
    }
    sequence.insert(sequence.end(), digits, digits + 5);
  }
  for (int i = 0; i < singles; ++i) sequence.push_back(p[i]);

  // Pads: the fewest 900s that fill whole rows, then whole rows more until minRows is reached.
  const long long n = static_cast<long long>(sequence.size());
  long long pads = 0;
  const long long r = (n + k) % columns;
  if (r != 0) pads = columns - r;
  while ((n + pads + k) / columns < minRows) pads += columns;
  sequence.insert(sequence.end(), static_cast<std::size_t>(pads), kPadCodeword);
  sequence[0] = static_cast<std::int32_t>(sequence.size());
}

}  // namespace pdf417
