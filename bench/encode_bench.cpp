// Encoding: our encoder against zint's, same bytes, same columns and level.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zint.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_util.h"
#include "pdf417/encoder/encoder.h"

namespace {

using benchutil::SampleBytes;

constexpr int kColumns = 10;

void OursToMemory(benchmark::State& state) {
  const auto data = SampleBytes(static_cast<int>(state.range(0)));
  const int level = static_cast<int>(state.range(1));
  for (auto _ : state) {
    auto image =
        pdf417::EncodePdf417ToImage(data.data(), static_cast<int>(data.size()), kColumns, level, 3);
    benchmark::DoNotOptimize(image.data());
  }
}

void OursToFile(benchmark::State& state) {
  const auto data = SampleBytes(static_cast<int>(state.range(0)));
  const int level = static_cast<int>(state.range(1));
  const std::string file = "/tmp/pdf417-bench-" + std::to_string(::getpid()) + ".bmp";
  for (auto _ : state) {
    pdf417::EncodePdf417(data.data(), static_cast<int>(data.size()), file, kColumns, level, 3);
  }
  std::remove(file.c_str());
}

// What the file write costs without its fsync: the same steps as our writer (a fresh temporary
// file in the same folder, write, close, rename over the target) minus the flush to the disk.
void WriteWithoutFsync(const std::string& file, const std::vector<std::uint8_t>& bytes) {
  const std::string temp = file + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) throw std::runtime_error("cannot create " + temp);
  const bool written =
      ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  if (::close(fd) != 0 || !written || std::rename(temp.c_str(), file.c_str()) != 0) {
    std::remove(temp.c_str());
    throw std::runtime_error("cannot write " + file);
  }
}

void OursToFileWithoutFsync(benchmark::State& state) {
  const auto data = SampleBytes(static_cast<int>(state.range(0)));
  const int level = static_cast<int>(state.range(1));
  const std::string file = "/tmp/pdf417-bench-nofsync-" + std::to_string(::getpid()) + ".bmp";
  for (auto _ : state) {
    WriteWithoutFsync(file, pdf417::EncodePdf417ToImage(data.data(), static_cast<int>(data.size()),
                                                        kColumns, level, 3));
  }
  std::remove(file.c_str());
}

struct ZintDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

using ZintSymbol = std::unique_ptr<zint_symbol, ZintDeleter>;

// A zint symbol set up for PDF417 bytes at the benchmarks' column count and the given level.
ZintSymbol MakeZintPdf417(int level) {
  ZintSymbol symbol(ZBarcode_Create());
  symbol->symbology = BARCODE_PDF417;
  symbol->option_1 = level;
  symbol->option_2 = kColumns;
  symbol->input_mode = DATA_MODE;
  return symbol;
}

void ZintToMemory(benchmark::State& state) {
  const auto data = SampleBytes(static_cast<int>(state.range(0)));
  const int level = static_cast<int>(state.range(1));
  for (auto _ : state) {
    const ZintSymbol symbol = MakeZintPdf417(level);
    if (ZBarcode_Encode_and_Buffer(symbol.get(), data.data(), static_cast<int>(data.size()), 0) >=
        5) {
      state.SkipWithError(symbol->errtxt);
      break;
    }
    benchmark::DoNotOptimize(symbol->bitmap);
  }
}

void ZintToFile(benchmark::State& state) {
  const auto data = SampleBytes(static_cast<int>(state.range(0)));
  const int level = static_cast<int>(state.range(1));
  const std::string file = "/tmp/pdf417-bench-zint-" + std::to_string(::getpid()) + ".bmp";
  for (auto _ : state) {
    const ZintSymbol symbol = MakeZintPdf417(level);
    std::snprintf(symbol->outfile, sizeof symbol->outfile, "%s", file.c_str());
    if (ZBarcode_Encode_and_Print(symbol.get(), data.data(), static_cast<int>(data.size()), 0) >=
        5) {
      state.SkipWithError(symbol->errtxt);
      break;
    }
  }
  std::remove(file.c_str());
}

// Sizes and levels: 10, 100 and 1,000 bytes at levels 2, 5 and 8 where the symbol fits.
void Sizes(benchmark::internal::Benchmark* b) {
  for (int length : {10, 100, 1000}) {
    for (int level : {2, 5, 8}) {
      const long long n = 2 + 5LL * (length / 6) + length % 6;
      if (n + (2LL << level) > 928) continue;
      b->Args({length, level});
    }
  }
}

}  // namespace

// Wall time throughout: the file writes wait for the disk, which CPU time does not see.
BENCHMARK(OursToMemory)->Name("encode_memory/ours")->Apply(Sizes)->UseRealTime();
BENCHMARK(ZintToMemory)->Name("encode_memory/zint")->Apply(Sizes)->UseRealTime();
BENCHMARK(OursToFile)->Name("encode_file/ours")->Apply(Sizes)->UseRealTime();
BENCHMARK(ZintToFile)->Name("encode_file/zint")->Apply(Sizes)->UseRealTime();
BENCHMARK(OursToFileWithoutFsync)
    ->Name("encode_file_without_fsync/ours")
    ->Apply(Sizes)
    ->UseRealTime();
