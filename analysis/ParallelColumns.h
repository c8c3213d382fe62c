#pragma once
// Work that falls into numbered pieces independent of each other (the columns of a sonogram,
// the rows of a landscape), spread over the machine's cores. Every thread keeps its own scratch
// state (an FFT plan and its buffers, by the thread number it is given), so a piece comes out
// bit for bit the same whichever thread computes it and however many there are. Free threads
// take the next piece in order, so the pieces finish roughly from the front; one reader, on
// any thread, takes the finished ones from the front while the others still run.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

#include "analysis/CancelToken.h"

class ParallelColumns {
public:
    // The machine's cores, at least 1.
    static int DefaultThreads();

    explicit ParallelColumns(std::size_t count);
    ParallelColumns(const ParallelColumns&) = delete;
    ParallelColumns& operator=(const ParallelColumns&) = delete;

    std::size_t Count() const { return m_count; }

    // Calls work(thread, piece) once for every piece, on `threads` threads (the calling thread
    // is thread 0; fewer when the system has none to give), until all are done or the token is
    // cancelled. work runs on several threads at once, for different pieces, and writes each
    // piece's result where only that piece goes. An exception of work (running out of memory)
    // ends the others at their next piece and is thrown here. True when every piece was done.
    bool Run(int threads, const std::function<void(int thread, std::size_t piece)>& work,
             const CancelToken& token);

    // The pieces 0 .. n-1 have all been done (their results may be read now); n only grows.
    // For one reader at a time.
    std::size_t Finished();

private:
    std::size_t m_count;
    std::unique_ptr<std::atomic<bool>[]> m_done;
    std::atomic<std::size_t> m_next{0};
    std::atomic<std::size_t> m_doneCount{0};
    std::atomic<bool> m_failed{false};
    std::size_t m_finished = 0;  // the reader's place
};
