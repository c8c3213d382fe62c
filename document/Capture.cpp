#include "document/Capture.h"

#include <QCoreApplication>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "document/CaptureWorker.h"

namespace {

// Waits on the capture thread until the window's thread has taken the block, at most 1000 ms.
struct HandOverSlot {
    std::mutex mutex;
    std::condition_variable done;
    int state = 0;  // 0 waiting, 1 taken, 2 given up
};

}  // namespace

Capture::Capture() = default;
Capture::~Capture() = default;

void Capture::Start(const Source& source, Handlers handlers) {
    m_handlers = std::move(handlers);
    CaptureWorker::Parameters params;
    params.input = source.input;
    params.format.rate = source.format.samplesPerSec;
    params.format.bits = source.format.bitsPerSample;
    params.format.channels = 1;
    params.recordPath = source.recordPath;
    params.listening = source.listening;
    params.recording = source.recording;
    const std::atomic<bool>* listening = source.listening;
    // The block is handed to the window's thread through its event loop; the capture thread waits
    // for it at most 1000 ms and drops it then, so a busy window never stalls the capture.
    params.handOver = [this, listening](const std::vector<double>& block, const QString& recordPath) {
        auto slot = std::make_shared<HandOverSlot>();
        auto copy = std::make_shared<std::vector<double>>(block);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, slot, copy, recordPath] {
                {
                    std::lock_guard lock(slot->mutex);
                    if (slot->state != 0) return;  // given up: the block is stale
                    slot->state = 1;
                }
                slot->done.notify_one();
                m_handlers.block(*copy, recordPath);
            },
            Qt::QueuedConnection);
        // Waits in short steps, so that stopping (which waits for this thread) is never held up.
        std::unique_lock lock(slot->mutex);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
        while (slot->state != 1 && listening->load() && std::chrono::steady_clock::now() < deadline)
            slot->done.wait_for(lock, std::chrono::milliseconds(10));
        const bool taken = slot->state == 1;
        if (!taken) slot->state = 2;
        return taken;
    };
    params.failure = [this](int message) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this, message] { m_handlers.failure(message); },
            Qt::QueuedConnection);
    };
    params.recordingFailed = [this](const QString& path) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this, path] { m_handlers.recordingFailed(path); },
            Qt::QueuedConnection);
    };
    params.recordLimitBytes = source.recordLimitBytes;
    if (!m_thread) m_thread = std::make_unique<CaptureWorker>();
    m_thread->Start(std::move(params));
}

void Capture::Stop() {
    if (m_thread) m_thread->Stop();
}

bool Capture::RecordingOpened() const {
    return m_thread && m_thread->RecordingOpened();
}

void Capture::ResumeRecording() {
    if (m_thread) m_thread->ResumeRecording();
}
