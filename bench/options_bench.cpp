// The options entry against zint, both choosing compaction, level and columns themselves, over a
// table of realistic payloads: to pixels in memory and to a PNG file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zint.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "pdf417/encoder/symbol.h"

namespace {

std::string Repeat(const std::string& s, std::size_t length) {
  std::string out;
  while (out.size() < length) out += s;
  return out.substr(0, length);
}

std::string Binary(std::size_t length) {
  std::string out(length, '\0');
  std::uint32_t x = 99;
  for (char& c : out) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return out;
}

// 0 licence, 1 boarding pass, 2 URL, 3 vCard, 4 English text, 5 numbers, 6 binary, 7 Chinese
// GBK, 8 Chinese UTF-8, 9 mixed 1,000 bytes.
const std::vector<std::string>& Payloads() {
  static const std::vector<std::string> payloads = {
      Repeat("@\n\x1e\rANSI 636014040002DL00410278ZC03190008DLDAQD1234562\nDCSPUBLIC\nDDEN\n"
             "DACJOHN\nDDFN\nDADQUINCY\nDDGN\nDCAC\nDCBNONE\nDCDNONE\nDBD08312013\nDBB08311977\n",
             315),
      "M1DESMARAIS/LUC       EABC123 YULFRAAC 0834 326J001A0025 14D>5180 W6326BAC 0014123456002"
      "001A12345678901 AC AC 1234567890123    20KY^108abcdefgh",
      "https://www.example.com/products/item?id=12345&ref=pdf417-code#reviews",
      "BEGIN:VCARD\nVERSION:3.0\nN:Doe;John;;;\nFN:John Doe\nORG:Example Corp.\nTITLE:Engineer\n"
      "TEL;TYPE=WORK,VOICE:+1-555-123-4567\nEMAIL:john.doe@example.com\nEND:VCARD\n",
      "It was the best of times, it was the worst of times, it was the age of wisdom, it was the "
      "age of foolishness, it was the epoch of belief, it was the epoch of incredulity.",
      Repeat("31415926535897932384626433832795028841971693993751", 300),
      Binary(300),
      "\xB6\xFE\xCE\xAC\xCC\xF5\xC2\xEB\xB1\xE0\xBD\xE2\xC2\xEB\xD1\xDD\xCA\xBE\xA3\xBA\xD6\xD0"
      "\xCE\xC4\xB2\xE2\xCA\xD4\xA3\xACPDF417\xA1\xA3",
      "\xE4\xBA\x8C\xE7\xBB\xB4\xE6\x9D\xA1\xE7\xA0\x81\xE7\xBC\x96\xE8\xA7\xA3\xE7\xA0\x81\xE6"
      "\xBC\x94\xE7\xA4\xBA\xEF\xBC\x9A\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95\xEF\xBC"
      "\x8CPDF417\xE3\x80\x82",
      Repeat("Order 20261208-0001: 12 x widget <blue>, $4.99 each\n" + Binary(40) +
                 "0123456789012345678901\n",
             1000),
  };
  return payloads;
}

struct ZintDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
using ZintSymbol = std::unique_ptr<zint_symbol, ZintDeleter>;

// zint choosing level and columns itself, drawing 2 pixels a module like our default.
ZintSymbol MakeZint() {
  ZintSymbol symbol(ZBarcode_Create());
  symbol->symbology = BARCODE_PDF417;
  symbol->input_mode = DATA_MODE;
  symbol->scale = 1.0f;  // zint's scale 1 is 2 pixels a module
  return symbol;
}

void OursToMemory(benchmark::State& state) {
  const std::string& data = Payloads()[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    const pdf417::Raster r = pdf417::RasterOf(pdf417::Encode(data));
    benchmark::DoNotOptimize(r.pixels.data());
  }
}

void ZintToMemory(benchmark::State& state) {
  const std::string& data = Payloads()[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    const ZintSymbol symbol = MakeZint();
    if (ZBarcode_Encode_and_Buffer(symbol.get(),
                                   reinterpret_cast<const unsigned char*>(data.data()),
                                   static_cast<int>(data.size()), 0) >= 5) {
      state.SkipWithError(symbol->errtxt);
      break;
    }
    benchmark::DoNotOptimize(symbol->bitmap);
  }
}

// The folder of the PNG files: PDF417_BENCH_DIR; else /dev/shm, a RAM file system, where there is
// one to write to; else /tmp. Rewriting a small file on a disk file system can cost more than
// making the picture, and varies from run to run with the kernel's write-back (about 200 us of
// wall time and 40 us of processor time on this project's machine), the same for both encoders;
// in RAM the figures are mostly the encoders' own work.
std::string BenchFile(const char* name) {
  const char* folder = std::getenv("PDF417_BENCH_DIR");
  std::string dir = folder != nullptr && *folder != '\0' ? folder : "";
  if (dir.empty()) dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return dir + "/" + name + std::to_string(::getpid()) + ".png";
}

// Both write the PNG file in place, without a flush to disk, as zint does. Ours hands the bytes
// RenderPng made to open, write and close, as a caller of the library would.
void OursToPng(benchmark::State& state) {
  const std::string& data = Payloads()[static_cast<std::size_t>(state.range(0))];
  const std::string file = BenchFile("pdf417-bench-options-");
  for (auto _ : state) {
    const std::vector<std::uint8_t> png = pdf417::RenderPng(pdf417::Encode(data));
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok =
        fd >= 0 && ::write(fd, png.data(), png.size()) == static_cast<ssize_t>(png.size());
    if (fd < 0 || ::close(fd) != 0 || !ok) {
      state.SkipWithError("cannot write the PNG file");
      break;
    }
  }
  std::remove(file.c_str());
}

void ZintToPng(benchmark::State& state) {
  const std::string& data = Payloads()[static_cast<std::size_t>(state.range(0))];
  const std::string file = BenchFile("pdf417-bench-options-zint-");
  for (auto _ : state) {
    const ZintSymbol symbol = MakeZint();
    std::snprintf(symbol->outfile, sizeof symbol->outfile, "%s", file.c_str());
    if (ZBarcode_Encode_and_Print(symbol.get(), reinterpret_cast<const unsigned char*>(data.data()),
                                  static_cast<int>(data.size()), 0) >= 5) {
      state.SkipWithError(symbol->errtxt);
      break;
    }
  }
  std::remove(file.c_str());
}

}  // namespace

BENCHMARK(OursToMemory)->Name("options_memory/ours")->DenseRange(0, 9)->UseRealTime();
BENCHMARK(ZintToMemory)->Name("options_memory/zint")->DenseRange(0, 9)->UseRealTime();
BENCHMARK(OursToPng)->Name("options_png/ours")->DenseRange(0, 9)->UseRealTime();
BENCHMARK(ZintToPng)->Name("options_png/zint")->DenseRange(0, 9)->UseRealTime();
