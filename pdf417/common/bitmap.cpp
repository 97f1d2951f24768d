#include "pdf417/common/bitmap.h"

namespace pdf417 {

void WriteFileHeader(const BitMpHead& head, std::uint8_t* out) {
  PutU16(out + 0, head.bfType);
  PutU32(out + 2, head.bfSize);
  PutU16(out + 6, head.bfReserved1);
  PutU16(out + 8, head.bfReserved2);
  PutU32(out + 10, head.bfOffBits);
}

void WriteInfoHeader(const BitMpInfoHead& info, std::uint8_t* out) {
  PutU32(out + 0, info.biSize);
  PutU32(out + 4, static_cast<std::uint32_t>(info.biWidth));
  PutU32(out + 8, static_cast<std::uint32_t>(info.biHeight));
  PutU16(out + 12, info.biPlanes);
  PutU16(out + 14, info.biBitCount);
  PutU32(out + 16, info.biCompression);
  PutU32(out + 20, info.biSizeImage);
  PutU32(out + 24, static_cast<std::uint32_t>(info.biXPelsPerMeter));
  PutU32(out + 28, static_cast<std::uint32_t>(info.biYPelsPerMeter));
  PutU32(out + 32, info.biClrUsed);
  PutU32(out + 36, info.biClrImportant);
}

BitMpHead ReadFileHeader(const std::uint8_t* in) {
  BitMpHead head;
  head.bfType = GetU16(in + 0);
  head.bfSize = GetU32(in + 2);
  head.bfReserved1 = GetU16(in + 6);
  head.bfReserved2 = GetU16(in + 8);
  head.bfOffBits = GetU32(in + 10);
  return head;
}

BitMpInfoHead ReadInfoHeader(const std::uint8_t* in) {
  BitMpInfoHead info;
  info.biSize = GetU32(in + 0);
  info.biWidth = static_cast<std::int32_t>(GetU32(in + 4));
  info.biHeight = static_cast<std::int32_t>(GetU32(in + 8));
  info.biPlanes = GetU16(in + 12);
  info.biBitCount = GetU16(in + 14);
  info.biCompression = GetU32(in + 16);
  info.biSizeImage = GetU32(in + 20);
  info.biXPelsPerMeter = static_cast<std::int32_t>(GetU32(in + 24));
  info.biYPelsPerMeter = static_cast<std::int32_t>(GetU32(in + 28));
  info.biClrUsed = GetU32(in + 32);
  info.biClrImportant = GetU32(in + 36);
  return info;
}

}  // namespace pdf417
