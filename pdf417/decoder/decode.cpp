// The decoder's entry operations.
#include <sys/stat.h>

#include "pdf417/decoder/decoder.h"

namespace pdf417 {

DecodeResult DecodePdf417Detailed(const std::string& fileName, const DecodeNotifier& notify) {
  DecodeResult result;
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    result.status = DecodeStatus::FileMissing;
    result.message = "File Not Exist!!!";
    if (notify) notify(result.message, "PDF417Dec");
    return result;
  }
  // The reading pipeline is not built yet.
  result.status = DecodeStatus::NoSymbolFound;
  result.message = "no symbol found";
  return result;
}

std::string DecodePdf417(const std::string& fileName, const DecodeNotifier& notify) {
  DecodeResult result = DecodePdf417Detailed(fileName, notify);
  return result.ok() ? std::move(result.bytes) : std::string();
}

}  // namespace pdf417
