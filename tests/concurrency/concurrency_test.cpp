// Encoding and decoding on several threads at once give exactly what one thread gives. Run under
// ThreadSanitizer by the tsan preset, which also reports any data race on the way.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "decode_util.h"
#include "pdf417/decoder/decoder.h"
#include "pdf417/encoder/encoder.h"
#include "test_util.h"
#include "turned_picture.h"

namespace pdf417 {
namespace {

struct Job {
  std::string data;
  int columns, level, aspect;
};

// Different sizes, levels and aspect ratios, so the threads run different paths at once.
std::vector<Job> Jobs() {
  std::string bytes;
  for (int i = 0; i < 300; ++i) bytes.push_back(static_cast<char>(i * 7));
  return {
      {"Hello from many threads", 3, 1, 3}, {bytes, 8, 4, 2},
      {std::string(60, 'x'), 4, 2, 1},      {"numbers 0123456789", 6, 0, 4},
      {bytes.substr(0, 100), 10, 6, 3},
  };
}

// The picture turned by 180 degrees, written as a one-bit file like the encoder's.
std::vector<std::uint8_t> Turned(const std::vector<std::uint8_t>& file) {
  const testutil::OneBitPicture in(file);
  std::vector<std::uint8_t> out(file.begin(), file.begin() + 62);
  out.resize(file.size(), 0);
  for (int r = 0; r < in.height; ++r) {
    for (int c = 0; c < in.width; ++c) {
      if (in.dark(in.height - 1 - r, in.width - 1 - c)) {
        out[62 + static_cast<std::size_t>(in.height - 1 - r) * in.stride + c / 8] |=
            static_cast<std::uint8_t>(0x80 >> (c % 8));
      }
    }
  }
  return out;
}

// Eight pixels inverted in the first data column of four symbol rows (of an aspect ratio 2
// picture with its quiet zone), so that four codewords need correcting.
std::vector<std::uint8_t> Damaged(const std::vector<std::uint8_t>& file) {
  const testutil::OneBitPicture in(file);
  std::vector<std::uint8_t> out = file;
  for (int r = 2 + 2 * 3; r < 2 + 2 * 7; ++r) {
    out[62 + static_cast<std::size_t>(in.height - 1 - r) * in.stride + 7] ^= 0xFF;
  }
  return out;
}

struct Outcome {
  DecodeStatus status;
  std::string bytes, message, reading;
  int rows, columns, level, corrected;
  bool operator==(const Outcome& o) const {
    return status == o.status && bytes == o.bytes && message == o.message && reading == o.reading &&
           rows == o.rows && columns == o.columns && level == o.level && corrected == o.corrected;
  }
};

Outcome OutcomeOf(const DecodeResult& r) {
  return {r.status, r.bytes, r.message, r.reading, r.rows, r.columns, r.level, r.corrected};
}

TEST(Concurrency, ThreadsEncodeAndDecodeExactlyAsOneThreadDoes) {
  const std::vector<Job> jobs = Jobs();
  testutil::TempDir dir;

  // One thread: the pictures, their damaged and turned variants, and what decoding them gives.
  std::vector<std::vector<std::uint8_t>> images;
  std::vector<std::vector<std::uint8_t>> pictures;
  for (const Job& j : jobs) {
    images.push_back(EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(j.data.data()),
                                         static_cast<int>(j.data.size()), j.columns, j.level,
                                         j.aspect));
    pictures.push_back(images.back());
  }
  pictures.push_back(Turned(images[0]));
  pictures.push_back(Damaged(images[1]));
  std::vector<Outcome> expected;
  for (const auto& p : pictures)
    expected.push_back(OutcomeOf(testutil::DecodeFirst(p.data(), p.size())));
  // The variants are worth having only if they take the other paths.
  ASSERT_EQ(expected[jobs.size()].bytes, jobs[0].data);
  ASSERT_NE(expected[jobs.size()].reading, expected[0].reading);
  ASSERT_EQ(expected[jobs.size() + 1].bytes, jobs[1].data);
  ASSERT_GT(expected[jobs.size() + 1].corrected, 0);
  for (std::size_t i = 0; i < jobs.size(); ++i) ASSERT_EQ(expected[i].bytes, jobs[i].data);

  // Grey pictures read by start and stop patterns (skewed) and by the classic reading (a
  // quarter turn), decoded with a budget and a cancellation flag that are never spent.
  const std::vector<testutil::GreyPicture> grey = {testutil::DrawTurned(images[1], 2, 3),
                                                   testutil::DrawTurned(images[3], 2, -7),
                                                   testutil::DrawTurned(images[0], 2, 90)};
  std::atomic<bool> never{false};
  DecodeOptions budget;
  budget.timeoutSeconds = 600;
  budget.cancel = &never;
  std::vector<Outcome> expectedGrey;
  for (const auto& g : grey)
    expectedGrey.push_back(OutcomeOf(testutil::DecodeFirst(g.View(), budget)));
  ASSERT_EQ(expectedGrey[0].bytes, jobs[1].data);
  ASSERT_EQ(expectedGrey[1].bytes, jobs[3].data);
  ASSERT_EQ(expectedGrey[2].bytes, jobs[0].data);
  ASSERT_NE(expectedGrey[2].reading, expectedGrey[0].reading);

  constexpr int kThreads = 4;
  constexpr int kRounds = 2;
  std::vector<int> wrongImages(kThreads, 0);
  std::vector<int> wrongDecodes(kThreads, 0);
  std::vector<int> wrongFiles(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::size_t ut = static_cast<std::size_t>(t);
      for (int round = 0; round < kRounds; ++round) {
        // Each thread starts at another job, so different work overlaps.
        for (std::size_t k = 0; k < pictures.size(); ++k) {
          const std::size_t i = (k + ut) % pictures.size();
          if (i < jobs.size()) {
            const Job& j = jobs[i];
            const auto* d = reinterpret_cast<const std::uint8_t*>(j.data.data());
            const int n = static_cast<int>(j.data.size());
            if (EncodePdf417ToImage(d, n, j.columns, j.level, j.aspect) != images[i]) {
              ++wrongImages[ut];
            }
            // Files in one folder: each thread its own name, all through temporary files.
            const std::string file =
                dir / ("t" + std::to_string(t) + "-" + std::to_string(i) + ".bmp");
            EncodePdf417(d, n, file, j.columns, j.level, j.aspect);
            if (testutil::ReadBytes(file) != images[i]) ++wrongFiles[ut];
            if (!(OutcomeOf(testutil::DecodeFirst(file)) == expected[i])) ++wrongFiles[ut];
          }
          const auto& p = pictures[i];
          if (!(OutcomeOf(testutil::DecodeFirst(p.data(), p.size())) == expected[i])) {
            ++wrongDecodes[ut];
          }
          const std::size_t g = (k + ut) % grey.size();
          if (!(OutcomeOf(testutil::DecodeFirst(grey[g].View(), budget)) == expectedGrey[g])) {
            ++wrongDecodes[ut];
          }
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(wrongImages, std::vector<int>(kThreads, 0));
  EXPECT_EQ(wrongDecodes, std::vector<int>(kThreads, 0));
  EXPECT_EQ(wrongFiles, std::vector<int>(kThreads, 0));
}

}  // namespace
}  // namespace pdf417
