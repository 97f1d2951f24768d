// The pool behind `pdf417 decode --jobs`: order of the reports, failures kept to their item, and
// work actually spread over threads.
#include "frontend/decode_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(DecodePool, ReportsInOrderEveryItemOnceWhateverFinishesFirst) {
  for (int jobs : {1, 2, 3, 8, 100}) {
    for (std::size_t count : {0u, 1u, 2u, 17u}) {
      std::vector<std::atomic<int>> calls(count);
      std::atomic<int> running{0};
      std::atomic<int> mostRunning{0};
      std::vector<std::size_t> reported;
      pdf417::DecodeInOrder(
          count, jobs,
          [&](std::size_t i) {
            ++calls[i];
            const int now = ++running;
            int seen = mostRunning.load();
            while (now > seen && !mostRunning.compare_exchange_weak(seen, now)) {
            }
            // Early items take longest, so later ones finish first.
            std::this_thread::sleep_for(std::chrono::milliseconds(2 * ((count - i) % 5)));
            --running;
            if (i % 7 == 3) throw std::runtime_error("boom " + std::to_string(i));
            pdf417::DecodeResult r;
            r.status = pdf417::DecodeStatus::Decoded;
            r.bytes = std::to_string(i);
            return r;
          },
          [&](std::size_t i, pdf417::DecodeResult& r) {
            reported.push_back(i);
            if (i % 7 == 3) {
              EXPECT_EQ(r.status, pdf417::DecodeStatus::InternalError);
              EXPECT_NE(r.message.find("boom " + std::to_string(i)), std::string::npos);
            } else {
              EXPECT_TRUE(r.ok());
              EXPECT_EQ(r.bytes, std::to_string(i));
            }
          });
      std::vector<std::size_t> expected(count);
      for (std::size_t i = 0; i < count; ++i) expected[i] = i;
      EXPECT_EQ(reported, expected) << jobs << " jobs";
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(calls[i].load(), 1);
      EXPECT_LE(mostRunning.load(), std::max(jobs, 1));
      if (jobs >= 2 && count >= 17) {
        EXPECT_GE(mostRunning.load(), 2) << jobs << " jobs";
      }
    }
  }
}

TEST(DecodePool, AReportThatThrowsStopsTheBatchWithoutLeavingThreads) {
  std::atomic<int> decoded{0};
  EXPECT_THROW(pdf417::DecodeInOrder(
                   1000, 4,
                   [&](std::size_t) {
                     ++decoded;
                     std::this_thread::sleep_for(std::chrono::microseconds(200));
                     return pdf417::DecodeResult{};
                   },
                   [](std::size_t i, pdf417::DecodeResult&) {
                     if (i == 2) throw std::runtime_error("stop");
                   }),
               std::runtime_error);
  EXPECT_LT(decoded.load(), 1000);
}

}  // namespace
