#include "analysis/ParallelFor.h"

#include <algorithm>
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
    auto run = [&](unsigned worker) {
        for (std::size_t index = worker; index < count; index += workers) body(index, worker);
    };
    std::vector<std::thread> pool;
    unsigned started = 1;
    try {
        for (; started < workers; ++started) pool.emplace_back(run, started);
    } catch (const std::system_error&) {
        // No further thread to be had: the calling thread does the rest of the share.
    }
    run(0);
    for (std::thread& thread : pool) thread.join();
    for (unsigned worker = started; worker < workers; ++worker) run(worker);
}
