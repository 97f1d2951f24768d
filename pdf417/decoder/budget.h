// A decode's time budget and cancellation flag, checked at the reading boundaries of the pipeline.
#pragma once

#include <atomic>
#include <chrono>
#include <cmath>

#include "pdf417/decoder/decoder.h"

namespace pdf417 {

// Thrown by Budget::Check to unwind a decode that must stop; the decode's entry catches it and
// reports its status. It is not a pdf417::Error, so the stages' handlers for pictures they cannot
// make sense of let it through.
struct BudgetStop {
  DecodeStatus status;
};

// The deadline and cancellation flag of one decode, fixed when the decode starts. Reading it is
// cheap (a clock read and an atomic load) and thread-safe; it holds no shared mutable state.
class Budget {
 public:
  Budget() = default;
  explicit Budget(const DecodeOptions& options)
      : cancel_(options.cancel), limited_(options.timeoutSeconds > 0) {
    if (limited_) {
      // Far more than any decode takes stands for "no limit" without overflowing the clock.
      const double seconds = std::fmin(options.timeoutSeconds, 1e6);
      deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(seconds));
    }
  }

  // Decoded while the decode may go on; otherwise Cancelled or TimeBudgetSpent.
  DecodeStatus Stop() const {
    if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) {
      return DecodeStatus::Cancelled;
    }
    if (limited_ && Clock::now() >= deadline_) return DecodeStatus::TimeBudgetSpent;
    return DecodeStatus::Decoded;
  }

  // Throws BudgetStop when the decode must stop.
  void Check() const {
    const DecodeStatus status = Stop();
    if (status != DecodeStatus::Decoded) throw BudgetStop{status};
  }

  // The message of a decode stopped with the given status.
  static const char* MessageOf(DecodeStatus status) {
    return status == DecodeStatus::Cancelled ? "gave up: cancelled" : "gave up: time budget spent";
  }

 private:
  using Clock = std::chrono::steady_clock;
  const std::atomic<bool>* cancel_ = nullptr;
  bool limited_ = false;
  Clock::time_point deadline_{};
};

}  // namespace pdf417
