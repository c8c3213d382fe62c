#include "document/CaptureWorker.h"

#include <chrono>

#include "document/RiffWave.h"

std::uint32_t CaptureWorker::NotifySize(const PcmFormat& format) {
    const std::uint32_t bytes = format.rate / 5;
    return bytes - bytes % std::max<std::uint32_t>(format.BlockAlign(), 1);
}

CaptureWorker::~CaptureWorker() {
    Stop();
}

void CaptureWorker::Start(Parameters parameters) {
    Stop();
    m_params = std::move(parameters);
    m_stop = false;
    m_notified = false;
    m_handedOver = 0;
    m_dropped = 0;
    m_recordingOpened = false;
    m_writeFailed = false;
    m_thread = std::thread([this] { Run(); });
}

void CaptureWorker::Stop() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    Notify();  // wakes the thread even when no notification comes
    m_thread.join();
}

void CaptureWorker::Notify() {
    {
        std::lock_guard lock(m_mutex);
        m_notified = true;
    }
    m_wake.notify_one();
}

bool CaptureWorker::WaitForNotification() {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_notified; });
    m_notified = false;
    return !m_stop;
}

void CaptureWorker::Run() {
    const PcmFormat format = m_params.format;
    const std::uint32_t notifySize = NotifySize(format);
    const std::uint32_t bufferSize = 16 * notifySize;
    const auto fail = [this](int message) {
        if (m_params.failure) m_params.failure(message);
    };
    if (notifySize == 0 || !m_params.input || !m_params.listening || !m_params.recording) {
        fail(61451);
        return;
    }
    QString error;
    std::unique_ptr<CaptureBuffer> capture = m_params.input->CreateCaptureBuffer(format, bufferSize, &error);
    if (!capture) {
        fail(61451);
        return;
    }
    std::vector<std::uint32_t> offsets;
    for (std::uint32_t k = 1; k <= 16; ++k) offsets.push_back(k * notifySize - 1);
    if (!capture->SetNotificationPositions(offsets, [this] { Notify(); })) {
        fail(61453);
        return;
    }
    if (!capture->Start()) {
        fail(61451);
        return;
    }

    std::uint32_t nextRead = 0;
    RiffWave writer;
    bool writerFailed = false;
    auto lastSizeUpdate = std::chrono::steady_clock::now();
    std::vector<double> block;
    block.reserve(bufferSize);
    const int bytesPerSample = format.bits / 8;

    const std::atomic<bool>& listening = *m_params.listening;
    const std::atomic<bool>& recordingOn = *m_params.recording;
    while (listening && !m_stop) {
        if (recordingOn && !m_recordingOpened && !writerFailed) {
            WaveFormat wave = WaveFormat::MonoPcm(format.rate, format.bits);
            wave.channels = format.channels;
            wave.blockAlign = static_cast<std::uint16_t>(format.BlockAlign());
            wave.avgBytesPerSec = format.BytesPerSecond();
            if (writer.Open(m_params.recordPath, &wave, RiffWave::Mode::Write) == RiffWave::Status::Success) {
                m_recordingOpened = true;
                writer.UpdateSizes();
            } else {
                writerFailed = true;
                fail(61454);
            }
        }
        if (!WaitForNotification()) break;

        std::uint32_t readPosition = 0;
        if (!capture->GetReadPosition(&readPosition)) continue;
        std::int64_t pending = static_cast<std::int64_t>(readPosition) - nextRead;
        if (pending < 0) pending += bufferSize;
        pending -= pending % notifySize;
        if (pending == 0) continue;

        CaptureBuffer::Region region;
        if (!capture->Lock(nextRead, static_cast<std::uint32_t>(pending), &region)) continue;
        // The block handed over is the first part; the part after the wrap is recorded but waits
        // for the next hand-over to be shown, as the live views need no gapless input.
        block.resize(region.length1 / bytesPerSample);
        for (std::size_t i = 0; i < block.size(); ++i) {
            const std::uint8_t* p = region.part1 + i * bytesPerSample;
            block[i] =
                bytesPerSample == 1 ? double(p[0]) : double(static_cast<std::int16_t>(p[0] | (p[1] << 8)));
        }
        const bool recording = recordingOn && m_recordingOpened && !m_writeFailed;
        bool writeOk = true;
        if (recording) {
            const auto append = [&](const std::uint8_t* bytes, std::uint32_t length) {
                if (length == 0) return true;
                if (writer.GetSize() + static_cast<std::uint64_t>(length) > m_params.recordLimitBytes)
                    return false;
                return writer.Write(length, bytes, nullptr) == RiffWave::Status::Success;
            };
            writeOk = append(region.part1, region.length1) && append(region.part2, region.length2);
        }
        nextRead = (nextRead + region.length1 + region.length2) % bufferSize;
        capture->Unlock(region);
        if (recording) {
            const auto now = std::chrono::steady_clock::now();
            if (!writeOk || now - lastSizeUpdate >= std::chrono::milliseconds(m_params.sizeUpdateMs)) {
                // After a failed write too: the file stays a valid wave of what it holds.
                writer.UpdateSizes();
                lastSizeUpdate = now;
            }
            if (!writeOk) {
                m_writeFailed = true;  // told once; the live view goes on
                if (m_params.recordingFailed) m_params.recordingFailed(m_params.recordPath);
            }
        }
        if (block.empty()) continue;
        if (m_params.handOver &&
            m_params.handOver(block, m_recordingOpened ? m_params.recordPath : QString()))
            ++m_handedOver;
        else
            ++m_dropped;
    }
    capture->Stop();
    if (m_recordingOpened) writer.Close();
}
