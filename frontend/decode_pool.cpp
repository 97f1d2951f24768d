// DecodeInOrder: a fixed pool of threads taking the next item from a shared counter, and the
// calling thread waiting for the results one after the other.
#include "frontend/decode_pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace pdf417 {
namespace {

DecodeResult Failure(DecodeStatus status, const std::string& message) {
  DecodeResult r;
  r.status = status;
  r.message = message;
  return r;
}

DecodeResult DecodeCaught(const std::function<DecodeResult(std::size_t)>& decode, std::size_t i) {
  try {
    return decode(i);
  } catch (const std::bad_alloc&) {
    return Failure(DecodeStatus::InternalError, "not enough memory to decode this picture");
  } catch (const std::exception& e) {
    return Failure(DecodeStatus::InternalError, std::string("decoder fault: ") + e.what());
  } catch (...) {
    return Failure(DecodeStatus::InternalError, "decoder fault");
  }
}

}  // namespace

int DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min(cores, 1024u));
}

void DecodeInOrder(std::size_t count, int jobs,
                   const std::function<DecodeResult(std::size_t)>& decode,
                   const std::function<void(std::size_t, DecodeResult&)>& report) {
  if (count == 0) return;
  const std::size_t threadCount = std::min<std::size_t>(std::max(jobs, 1), count);
  if (threadCount == 1) {
    for (std::size_t i = 0; i < count; ++i) {
      DecodeResult r = DecodeCaught(decode, i);
      report(i, r);
    }
    return;
  }

  std::vector<std::optional<DecodeResult>> slots(count);
  std::mutex mutex;
  std::condition_variable ready;
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      DecodeResult r = DecodeCaught(decode, i);
      {
        std::lock_guard<std::mutex> lock(mutex);
        slots[i] = std::move(r);
      }
      ready.notify_all();
    }
  };

  // Joins the workers on every way out, also when report throws: the rest of the items are
  // skipped so that the join does not wait for them.
  struct Pool {
    std::vector<std::thread> threads;
    std::atomic<std::size_t>& next;
    std::size_t count;
    ~Pool() {
      next = count;
      for (std::thread& t : threads) t.join();
    }
  } pool{{}, next, count};
  try {
    for (std::size_t t = 0; t < threadCount; ++t) pool.threads.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked for; those started (or the calling thread below) do the work.
  }
  if (pool.threads.empty()) work();

  for (std::size_t i = 0; i < count; ++i) {
    DecodeResult r;
    {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return slots[i].has_value(); });
      r = std::move(*slots[i]);
      slots[i].reset();
    }
    report(i, r);
  }
}

}  // namespace pdf417
