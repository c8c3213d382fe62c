#pragma once
// The virtual inputs, always available: a test signal or a wave file played in real time, so a
// teacher can demonstrate without a microphone. Ids: "virtual:sine:<Hz>", "virtual:chirp",
// "virtual:noise", "virtual:file:<path>".

#include "platform/audio/AudioDevice.h"
#include "platform/audio/VirtualSignal.h"

class VirtualInputDevice final : public AudioInputDevice {
public:
    static constexpr const char* kPrefix = "virtual:";
    static constexpr const char* kDefaultId = "virtual:sine:440";

    // The inputs offered in device lists (a file input is opened by its id only).
    static std::vector<AudioDeviceInfo> List();
    // Null and error set when the id names no virtual input or its file cannot be used.
    static std::unique_ptr<VirtualInputDevice> Open(const QString& id, QString* error);

    QString Name() const override { return m_name; }
    bool SupportsFormat(const PcmFormat& format) const override;
    std::unique_ptr<CaptureBuffer> CreateCaptureBuffer(const PcmFormat& format, std::uint32_t bytes,
                                                       QString* error) override;

private:
    VirtualInputDevice(QString name, VirtualSignal signal)
        : m_name(std::move(name)), m_signal(std::move(signal)) {}

    QString m_name;
    VirtualSignal m_signal;  // the pattern each capture buffer starts from
};
