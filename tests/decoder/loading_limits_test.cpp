// Loading within limits: the pixel limit and what a JPEG holds while it loads, the work of a
// JPEG's scans, the budget and the cancel flag while a picture loads, files refused with reasons,
// and the same picture read alike from memory, a file and a pipe. The large reproducers live in
// the fuzz seed corpus (fuzz/corpus/*/regression-*), where they were made: one-colour 10,000 x
// 10,000 JPEGs written by libjpeg's cjpeg (progressive, arithmetic-coded), with their first scan
// repeated by hand.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "decode_util.h"
#include "pdf417/common/error.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/decoder/load/picture_load.h"
#include "pdf417/encoder/encoder.h"
#include "test_util.h"
#include "turned_picture.h"

namespace pdf417 {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Corpus(const std::string& file) {
  std::string tests = PDF417_TEST_DATA_DIR;
  tests.resize(tests.rfind('/'));  // .../tests
  return tests.substr(0, tests.rfind('/')) + "/fuzz/corpus/" + file;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> paths;
  if (DIR* d = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      if (e->d_name[0] != '.') paths.push_back(folder + "/" + e->d_name);
    }
    ::closedir(d);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

DecodeOptions WithPixels(std::int64_t maxPixels) {
  DecodeOptions options;
  options.maxPixels = maxPixels;
  return options;
}

// Small files that claim large pictures: refused by the limit before any pixel memory is taken
// (so at once), or loaded within it; the scans of a JPEG made to cost minutes are refused.
TEST(LoadingLimits, SmallFilesOfLargePicturesAreBoundedByTheLimitAndTheScans) {
  const struct {
    const char* file;
    std::int64_t maxPixels;
    const char* says;  // nullptr: loads (no symbol in it)
  } kCases[] = {
      // 364 bytes, 10,000 x 10,000 in colour without subsampling: 300 million samples held.
      {"jpeg/regression-one-colour-progressive.jpg", 100'000'000, "300000000 samples"},
      {"jpeg/regression-repeated-first-scan.jpg", 100'000'000, "300000000 samples"},
      {"jpeg/regression-repeated-first-scan-420.jpg", 100'000'000, "150000000 samples"},
      // Grey: within the limit, but its first scan comes again 495 times.
      {"jpeg/regression-repeated-first-scan-grey.jpg", 100'000'000, "scan 2 sends again"},
      {"jpeg/regression-repeated-first-scan-small.jpg", 100'000'000, "scan 2 sends again"},
      // Every coefficient in a scan of its own: each scan is valid, all of them cost 64 passes.
      {"jpeg/regression-one-scan-per-coefficient-small.jpg", 100'000'000, "more than 16 times"},
      {"png/regression-one-bit-10000.png", 99'999'999, "more than the 99999999 pixels"},
      {"jpeg/progressive.jpg", 1000, "holding 5760 samples while it loads, more than the 1000"},
      {"png/grey1.png", 1000, "more than the 1000 pixels"},
      {"decode/24bit.bmp", 1000, "more than the 1000 pixels"},
      {"jpeg/progressive.jpg", 100'000'000, nullptr},
  };
  for (const auto& c : kCases) {
    const auto start = std::chrono::steady_clock::now();
    const DecodeResult r = testutil::DecodeFirst(Corpus(c.file), WithPixels(c.maxPixels));
    if (c.says == nullptr) {
      EXPECT_NE(r.status, DecodeStatus::FileUnreadable) << c.file << ": " << r.message;
      continue;
    }
    EXPECT_EQ(r.status, DecodeStatus::FileUnreadable) << c.file;
    EXPECT_NE(r.message.find(c.says), std::string::npos) << c.file << ": " << r.message;
    EXPECT_LT(SecondsSince(start), 5.0) << c.file;
  }
  // Caller-owned pixels are held to the same limit.
  const Bytes white(100 * 100, 255);
  const ImageView view{white.data(), 100, 100, 0, PixelFormat::Grey8};
  EXPECT_EQ(testutil::DecodeFirst(view, WithPixels(9999)).status, DecodeStatus::FileUnreadable);
  EXPECT_EQ(testutil::DecodeFirst(view, WithPixels(10000)).status, DecodeStatus::NoSymbolFound);
}

// A cancel flag set, or a budget spent, before the decode starts stops the loading itself: the
// damage at the end of these files is never reached.
TEST(LoadingLimits, BudgetAndCancelFlagStopTheLoading) {
  const std::string text = "stopped while loading";
  const Bytes bmp = EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                                        static_cast<int>(text.size()), 4, 2, 3);
  auto cutShort = [](Bytes b) {
    b.resize(b.size() * 3 / 4);
    return b;
  };
  const Bytes kFiles[] = {
      cutShort(testutil::ReadBytes(Corpus("jpeg/progressive.jpg"))),
      cutShort(testutil::ReadBytes(Corpus("jpeg/grey.jpg"))),
      cutShort(testutil::ReadBytes(Corpus("png/regression-one-bit-10000.png"))),
      bmp,
  };
  std::atomic<bool> set{true};
  DecodeOptions cancelled;
  cancelled.cancel = &set;
  DecodeOptions spent;
  spent.timeoutSeconds = 1e-9;
  for (const Bytes& file : kFiles) {
    EXPECT_EQ(testutil::DecodeFirst(file.data(), file.size(), cancelled).status,
              DecodeStatus::Cancelled);
    EXPECT_EQ(testutil::DecodeFirst(file.data(), file.size(), spent).status,
              DecodeStatus::TimeBudgetSpent);
  }

  // Set while a 10,000 x 10,000 grey JPEG loads: it stops within a fraction of a second.
  std::atomic<bool> cancel{false};
  DecodeOptions options;
  options.cancel = &cancel;
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    cancel = true;
  });
  const auto start = std::chrono::steady_clock::now();
  const DecodeResult r =
      testutil::DecodeFirst(Corpus("jpeg/regression-one-scan-per-coefficient.jpg"), options);
  canceller.join();
  EXPECT_EQ(r.status, DecodeStatus::Cancelled) << r.message;
  EXPECT_LT(SecondsSince(start), 1.5);
}

TEST(LoadingLimits, FilesRefusedForWhatTheyAreNotForWhatTheyLackNext) {
  const struct {
    const char* file;
    const char* says;
  } kCases[] = {
      {"decode/regression-rle8.bmp", "RLE8-compressed pixels (compression 1) are not supported"},
      {"decode/regression-holds-png.bmp", "it holds a PNG picture"},
      {"decode/regression-holds-jpeg.bmp", "it holds a JPEG picture"},
      {"png/regression-bad-crc-last-idat.png", "checksum"},
      {"png/regression-bad-crc-iend.png", "checksum"},
  };
  for (const auto& c : kCases) {
    const Bytes bytes = testutil::ReadBytes(Corpus(c.file));
    for (const DecodeResult& r : {testutil::DecodeFirst(Corpus(c.file)),
                                  testutil::DecodeFirst(bytes.data(), bytes.size())}) {
      EXPECT_EQ(r.status, DecodeStatus::FileUnreadable) << c.file;
      EXPECT_NE(r.message.find(c.says), std::string::npos) << c.file << ": " << r.message;
    }
  }
}

// The outcome of loading a picture: its pixels or the reason it was refused.
std::string Outcome(const std::function<GreyImage()>& load) {
  try {
    const GreyImage grey = load();
    return std::to_string(grey.width) + "x" + std::to_string(grey.height) + ":" +
           std::string(grey.pixels.begin(), grey.pixels.end());
  } catch (const Error& e) {
    // Without the file's name, which only a file's message starts with.
    const std::string what = e.what();
    return "refused:" + (what[0] == '\'' ? what.substr(what.find("': ") + 3) : what);
  }
}

// Every seed of the loaders and the decoder, good and damaged, loads alike from memory, from a
// file and through a pipe, which is read as it comes (a pipe's length is not known, so its
// truncated bitmaps are refused with fewer details).
TEST(LoadingLimits, MemoryFilesAndPipesLoadAlike) {
  std::signal(SIGPIPE, SIG_IGN);              // a refused file is not read to its end
  const LoadLimits limits{1 << 20, nullptr};  // the large seeds are read in other tests
  int compared = 0;
  for (const char* folder : {"decode", "bin_bmp", "png", "jpeg"}) {
    for (const std::string& path : FilesIn(Corpus(folder))) {
      const Bytes bytes = testutil::ReadBytes(path);
      const std::string fromMemory =
          Outcome([&] { return LoadPicture(bytes.data(), bytes.size(), limits); });
      EXPECT_EQ(Outcome([&] { return LoadPictureFile(path, limits); }), fromMemory) << path;
      int fds[2];
      ASSERT_EQ(::pipe(fds), 0);
      std::thread writer([&bytes, fd = fds[1]] {
        std::size_t at = 0;
        while (at < bytes.size()) {
          const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
          if (n <= 0) break;  // the reader stopped early
          at += static_cast<std::size_t>(n);
        }
        ::close(fd);
      });
      const std::string fromPipe =
          Outcome([&] { return LoadPictureFile("/dev/fd/" + std::to_string(fds[0]), limits); });
      ::close(fds[0]);
      writer.join();
      // Refused alike: the same format named; the reason may come from another check first.
      const std::size_t kind = fromMemory.find(':', fromMemory.find(':') + 1);
      EXPECT_EQ(fromPipe.substr(0, kind), fromMemory.substr(0, kind)) << path;
      ++compared;
    }
  }
  EXPECT_GT(compared, 60);
}

// The one large picture the whole-decode fuzz targets no longer make: a turned, magnified symbol
// of well over a thousand pixels a side reads back exactly.
TEST(LoadingLimits, LargeTurnedPictureReadsBack) {
  const std::string text = "large turned picture, kept as a test";
  const Bytes file = EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                                         static_cast<int>(text.size()), 5, 3, 3);
  const testutil::GreyPicture picture = testutil::DrawTurned(file, 9, 21, 4);
  ASSERT_GT(std::max(picture.width, picture.height), 1500);
  const DecodeResult r = testutil::DecodeFirst(picture.View());
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(r.bytes, text);
}

}  // namespace
}  // namespace pdf417
