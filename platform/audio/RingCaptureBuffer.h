#pragma once
// What both capture buffers share: the looping store the device writes into, the read side
// (position, lock, unlock) and the notification positions. A back end adds how the data
// arrives (a card's callback, or the virtual input's worker) and says whether it is capturing.

#include "platform/audio/AudioDevice.h"
#include "platform/audio/CaptureRing.h"

class RingCaptureBuffer : public CaptureBuffer {
public:
    RingCaptureBuffer(const PcmFormat& format, std::uint32_t bytes);

    bool SetNotificationPositions(const std::vector<std::uint32_t>& offsets,
                                  std::function<void()> notify) override;
    bool GetReadPosition(std::uint32_t* offset) const override;
    bool Lock(std::uint32_t offset, std::uint32_t bytes, Region* region) override;
    // The region points into the loop itself: nothing to copy back.
    void Unlock(const Region&) override {}
    std::uint32_t Size() const override { return m_ring.Size(); }
    QString LastError() const override { return m_error; }

protected:
    virtual bool IsCapturing() const = 0;

    PcmFormat m_format;
    CaptureRing m_ring;
    QString m_error;
};
