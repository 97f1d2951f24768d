// Decoding many pictures on a pool of threads, handing the results over in the order given.
#pragma once

#include <cstddef>
#include <functional>

#include "pdf417/decoder/decoder.h"

namespace pdf417 {

// The number of threads a batch uses when none is asked for: the cores of the machine, at least 1.
int DefaultJobs();

// Runs decode(i) for every i in 0 .. count-1 on up to `jobs` threads and calls report(i, result)
// on the calling thread for i = 0, 1, 2, ... in that order, each as soon as it and every earlier
// result are ready, so output can stream while later items still decode. An exception out of
// decode becomes an InternalError result for that item alone; the others go on. With jobs 1 (or
// when no thread can be started) everything runs on the calling thread. decode must be safe to
// call from several threads at once; report is never called concurrently.
void DecodeInOrder(std::size_t count, int jobs,
                   const std::function<DecodeResult(std::size_t)>& decode,
                   const std::function<void(std::size_t, DecodeResult&)>& report);

}  // namespace pdf417
