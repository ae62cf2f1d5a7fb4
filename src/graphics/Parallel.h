#pragma once

#include <QThread>

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace Parallel {

// Runs fn(begin, end) over [0, count) split into one contiguous range per core. Small jobs run on
// the calling thread; thread start-up costs tens of microseconds.
template <typename Fn> void forRanges(int count, int minPerThread, Fn&& fn) {
    const int cores = std::clamp(QThread::idealThreadCount(), 1, 8);
    const int threads = std::clamp(count / std::max(minPerThread, 1), 1, cores);
    if (threads <= 1) {
        fn(0, count);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(threads - 1);
    const int chunk = (count + threads - 1) / threads;
    for (int t = 1; t < threads; ++t) {
        const int begin = t * chunk;
        const int end = std::min(count, begin + chunk);
        if (begin >= end) continue;
        try {
            workers.emplace_back([&fn, begin, end] { fn(begin, end); });
        } catch (const std::system_error&) {
            fn(begin, end); // no thread to be had: do this part here
        }
    }
    fn(0, std::min(count, chunk));
    for (std::thread& w : workers)
        w.join();
}

} // namespace Parallel
