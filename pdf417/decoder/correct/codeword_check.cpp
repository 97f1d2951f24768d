#include "pdf417/decoder/correct/codeword_check.h"

#include <algorithm>
#include <string>
#include <utility>

#include "pdf417/common/error.h"
#include "pdf417/common/linked_list.h"
#include "pdf417/decoder/correct/error_correction.h"
#include "pdf417/decoder/correct/reed_solomon.h"
#include "pdf417/decoder/decompact/decompact.h"

namespace pdf417 {

bool CorrectAndDecompact(std::vector<int> codewords, int level, const std::vector<int>& erasures,
                         DecodeResult& out) {
  if (level < 0 || level > 8) return false;
  const int k = 1 << (level + 1);
  const int n = static_cast<int>(codewords.size());
  if (n <= k) return false;

  std::vector<int> erased(erasures);
  std::sort(erased.begin(), erased.end());
  erased.erase(std::unique(erased.begin(), erased.end()), erased.end());
  const std::vector<int> asRead = codewords;
  // At most (k - 2) / 2 errors, or fewer beside erasures: two error-correction codewords always
  // stay to check the result, so a list with more errors is not turned into another symbol's.
  if (CorrectErrata(codewords, k, erased, 2) < 0) return false;
  int corrected = 0;
  for (std::size_t i = 0; i < codewords.size(); ++i) {
    const bool wasErased = std::binary_search(erased.begin(), erased.end(), static_cast<int>(i));
    if (!wasErased && codewords[i] != asRead[i]) ++corrected;
  }
  const bool untouched = corrected == 0 && erased.empty();

  // The descriptor counts every codeword but the error-correction ones. A consistent list as
  // read may say fewer (other encoders leave filler behind the data): the data ends there.
  const int dataCount = n - k;
  const int descriptor = codewords.front();
  std::vector<std::string> warnings;
  if (descriptor != dataCount) {
    if (!untouched || descriptor < 1 || descriptor > dataCount) return false;
    warnings.push_back("the length descriptor says " + std::to_string(descriptor) +
                       " data codewords of " + std::to_string(dataCount) + "; the last " +
                       std::to_string(dataCount - descriptor) + " were ignored");
  }

  LinkedList<int> dataList;
  for (int i = 0; i < descriptor; ++i) dataList.Append(codewords[static_cast<std::size_t>(i)]);
  LinkedList<int> byteList;
  DecompactInfo info;
  try {
    Decompact(dataList, byteList, &info);
  } catch (const Error&) {
    return false;  // data that stands for no bytes: a corrupt symbol
  }

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(byteList.Size()));
  for (byteList.Reset(0); !byteList.AtEnd(); byteList.Advance()) {
    bytes.push_back(static_cast<char>(byteList.Data()));
  }
  out.bytes = std::move(bytes);
  out.eci = std::move(info.eci);
  out.macro = std::move(info.macro);
  out.corrected = corrected;
  out.erasures = static_cast<int>(erased.size());
  out.warnings.insert(out.warnings.end(), warnings.begin(), warnings.end());
  return true;
}

}  // namespace pdf417
