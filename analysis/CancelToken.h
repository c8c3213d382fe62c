#pragma once
// A request to stop one long computation. The window sets it (Escape, a closed window, a new
// sound); the computation looks at it between two of its steps, on whatever thread it runs.
// Copies share the same request, so a worker thread may hold its own copy safely.

#include <atomic>
#include <memory>

class CancelToken {
public:
    void Cancel() const noexcept { m_requested->store(true, std::memory_order_relaxed); }
    bool Cancelled() const noexcept { return m_requested->load(std::memory_order_relaxed); }

private:
    std::shared_ptr<std::atomic<bool>> m_requested = std::make_shared<std::atomic<bool>>(false);
};
