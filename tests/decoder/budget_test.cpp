// Time budgets and cancellation: a decode stops at the next reading boundary with its own status,
// soon after the budget runs out or the flag is set, and a budget that is not spent changes
// nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
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

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::uint8_t> Symbol(const std::string& text, int columns, int level, int aspect) {
  return EncodePdf417ToImage(reinterpret_cast<const std::uint8_t*>(text.data()),
                             static_cast<int>(text.size()), columns, level, aspect);
}

// A one-pixel checkerboard: the costliest kind of picture for the readings, with no symbol.
testutil::GreyPicture Checkerboard(int side) {
  testutil::GreyPicture p;
  p.width = p.height = side;
  p.pixels.resize(static_cast<std::size_t>(side) * side);
  for (int r = 0; r < side; ++r) {
    for (int c = 0; c < side; ++c) {
      p.pixels[static_cast<std::size_t>(r) * side + c] = (r + c) % 2 == 0 ? 0 : 255;
    }
  }
  return p;
}

TEST(Budget, UnspentBudgetReadsEveryCleanPictureAsBefore) {
  const std::string text = "budgets change nothing 0123456789";
  const std::vector<std::uint8_t> file = Symbol(text, 4, 3, 3);
  struct Case {
    double scale;
    double degrees;
  };
  // Upright, the right-angle turns, and skews that need the angle searches.
  const Case cases[] = {{1, 0}, {1, 90}, {1, 180}, {1, 270}, {2, 3}, {3, -7}, {3, 15}};
  std::atomic<bool> cancel{false};
  DecodeOptions budget;
  budget.timeoutSeconds = 600;
  budget.cancel = &cancel;
  for (const Case& c : cases) {
    const testutil::GreyPicture picture = testutil::DrawTurned(file, c.scale, c.degrees);
    const DecodeResult plain = testutil::DecodeFirst(picture.View());
    const DecodeResult limited = testutil::DecodeFirst(picture.View(), budget);
    EXPECT_EQ(plain.bytes, text) << c.degrees;
    EXPECT_EQ(limited.status, plain.status) << c.degrees;
    EXPECT_EQ(limited.bytes, plain.bytes) << c.degrees;
    EXPECT_EQ(limited.reading, plain.reading) << c.degrees;
  }

  // The file entry too, which also tells a missing file from one that cannot be looked up.
  testutil::TempDir dir;
  testutil::WriteBytes(dir / "good.bmp", file);
  EXPECT_EQ(testutil::DecodeFirst(dir / "good.bmp", budget).bytes, text);
  EXPECT_EQ(testutil::DecodeFirst(dir / "missing.bmp", budget).status, DecodeStatus::FileMissing);
  ASSERT_EQ(::symlink("loop.bmp", (dir / "loop.bmp").c_str()), 0);
  EXPECT_EQ(testutil::DecodeFirst(dir / "loop.bmp", budget).status, DecodeStatus::FileUnreadable);
}

TEST(Budget, SpentBudgetOrSetFlagStopsWithItsStatus) {
  const std::vector<std::uint8_t> file = Symbol("never read", 3, 2, 3);
  const testutil::GreyPicture symbol = testutil::DrawTurned(file, 1, 0);
  const testutil::GreyPicture board = Checkerboard(1500);
  testutil::TempDir dir;
  testutil::WriteBytes(dir / "symbol.bmp", file);

  std::atomic<bool> set{true};
  DecodeOptions cancelled;
  cancelled.cancel = &set;
  DecodeOptions spent;
  spent.timeoutSeconds = 1e-9;
  struct Case {
    const DecodeOptions* options;
    DecodeStatus status;
    const char* message;
  };
  const Case cases[] = {{&cancelled, DecodeStatus::Cancelled, "gave up: cancelled"},
                        {&spent, DecodeStatus::TimeBudgetSpent, "gave up: time budget spent"}};
  for (const Case& c : cases) {
    for (const DecodeResult& r : {testutil::DecodeFirst(symbol.View(), *c.options),
                                  testutil::DecodeFirst(board.View(), *c.options),
                                  testutil::DecodeFirst(dir / "symbol.bmp", *c.options)}) {
      EXPECT_EQ(r.status, c.status) << c.message;
      EXPECT_EQ(r.message, c.message);
      EXPECT_TRUE(r.bytes.empty());
    }
  }
}

// Stopped in the middle: a budget that runs out, and a flag that another thread sets, end the
// decode of a picture that takes far longer within a fraction of a second (two seconds of slack
// for a loaded machine or a sanitizer build).
TEST(Budget, StopsSoonAfterTheBudgetRunsOutOrTheFlagIsSet) {
  const testutil::GreyPicture board = Checkerboard(4000);
  DecodeOptions timed;
  timed.timeoutSeconds = 0.2;
  Clock::time_point start = Clock::now();
  DecodeResult r = testutil::DecodeFirst(board.View(), timed);
  EXPECT_EQ(r.status, DecodeStatus::TimeBudgetSpent);
  EXPECT_LT(SecondsSince(start), 0.2 + 2.0);

  std::atomic<bool> cancel{false};
  DecodeOptions cancellable;
  cancellable.cancel = &cancel;
  Clock::time_point setAt{};
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    setAt = Clock::now();
    cancel.store(true);
  });
  r = testutil::DecodeFirst(board.View(), cancellable);
  canceller.join();
  EXPECT_EQ(r.status, DecodeStatus::Cancelled);
  EXPECT_LT(SecondsSince(setAt), 2.0);
}

}  // namespace
}  // namespace pdf417
