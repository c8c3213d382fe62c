#include "analysis/ParallelColumns.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

int ParallelColumns::DefaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

ParallelColumns::ParallelColumns(std::size_t count)
    : m_count(count), m_done(std::make_unique<std::atomic<bool>[]>(count)) {}

bool ParallelColumns::Run(int threads, const std::function<void(int, std::size_t)>& work,
                          const CancelToken& token) {
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto loop = [&](int thread) {
        try {
            for (;;) {
                if (token.Cancelled() || m_failed.load(std::memory_order_relaxed)) return;
                const std::size_t piece = m_next.fetch_add(1, std::memory_order_relaxed);
                if (piece >= m_count) return;
                work(thread, piece);
                m_done[piece].store(true, std::memory_order_release);
                m_doneCount.fetch_add(1, std::memory_order_relaxed);
            }
        } catch (...) {
            const std::lock_guard<std::mutex> hold(failureLock);
            if (!failure) failure = std::current_exception();
            m_failed = true;
        }
    };
    std::vector<std::thread> helpers;
    const std::size_t wanted = static_cast<std::size_t>(std::max(threads, 1) - 1);
    helpers.reserve(wanted);
    for (std::size_t t = 0; t < wanted && t + 1 < m_count; ++t) {
        try {
            helpers.emplace_back(loop, static_cast<int>(t + 1));
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones there do the work
        }
    }
    loop(0);
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
    return m_doneCount.load() == m_count;
}

std::size_t ParallelColumns::Finished() {
    while (m_finished < m_count && m_done[m_finished].load(std::memory_order_acquire)) ++m_finished;
    return m_finished;
}
