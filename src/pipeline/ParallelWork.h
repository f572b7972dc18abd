#pragma once

#include <cstddef>
#include <functional>

namespace kelvarin {

// Calls work(0) to work(count - 1), each exactly once, spread over up to one
// thread per cpu (the calling thread is one of them), and returns when every
// call has ended. The calls may run in any order and at the same time, so
// they must not share anything they write. The first exception a call
// throws is thrown again here once all threads have stopped; the calls not
// yet started by then are skipped.
void RunInParallel(std::size_t count, const std::function<void(std::size_t)>& work);

} // namespace kelvarin
