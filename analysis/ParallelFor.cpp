#include "analysis/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

unsigned WorkerCount(unsigned threads, std::size_t count) {
    unsigned workers = threads ? threads : std::max(1u, std::thread::hardware_concurrency());
    if (count < workers) workers = static_cast<unsigned>(std::max<std::size_t>(count, 1));
    return workers;
}

void ParallelFor(unsigned threads, std::size_t count,
                 const std::function<void(std::size_t, unsigned)>& body) {
    const unsigned workers = WorkerCount(threads, count);
    // Each worker takes the next index still open, so that a worker the system holds back (on a
    // busy machine) leaves its share to the others instead of keeping them all waiting.
    std::atomic<std::size_t> next = 0;
    auto run = [&](unsigned worker) {
        for (std::size_t index; (index = next.fetch_add(1, std::memory_order_relaxed)) < count;)
            body(index, worker);
    };
    std::vector<std::thread> pool;
    try {
        for (unsigned worker = 1; worker < workers; ++worker) pool.emplace_back(run, worker);
    } catch (const std::system_error&) {
        // No further thread to be had: the threads there are do all the work.
    }
    run(0);
    for (std::thread& thread : pool) thread.join();
}
