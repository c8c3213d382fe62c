#pragma once
// Splits a loop over indices 0 .. count-1 among worker threads (std::thread), the calling
// thread being worker 0; each worker takes the next index still open. The body must write its
// results per index, never into a shared sum: the caller combines them afterwards in index
// order, which keeps every result independent of the number of threads and of which worker
// computed what.

#include <cstddef>
#include <functional>

// The number of workers a calculation asked for `threads` runs on (0: one per core), never more
// than there are indices.
unsigned WorkerCount(unsigned threads, std::size_t count);

// Runs body(index, worker) for every index, worker < WorkerCount(threads, count).
void ParallelFor(unsigned threads, std::size_t count, const std::function<void(std::size_t, unsigned)>& body);
