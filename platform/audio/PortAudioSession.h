#pragma once
// PortAudio, initialised for as long as anyone holds the session: the device list, the devices
// opened from it and their buffers each keep a reference, so PortAudio is terminated only after
// the last stream is closed, whatever the order of release.
//
// PortAudio's functions are not safe to call from several threads at once (the capture thread
// opens its buffer while the user-interface thread plays), so every call outside the stream
// callbacks is made under Lock().

#include <portaudio.h>
#include <QString>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/AudioDevice.h"

class PortAudioSession {
public:
    static constexpr const char* kPrefix = "portaudio:";

    // Null and error set when PortAudio cannot start.
    static std::shared_ptr<PortAudioSession> Create(QString* error);
    ~PortAudioSession();
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;

    static std::unique_lock<std::mutex> Lock();
    // PortAudio's text for an error, with the host's own text where it has one.
    static QString ErrorText(PaError error);
    static PaSampleFormat SampleFormat(const PcmFormat& format) {
        return format.bits == 8 ? paUInt8 : paInt16;
    }

    // The devices that can record (input) or play; ids "portaudio:<index>".
    std::vector<AudioDeviceInfo> Devices(bool input) const;
    // The system's default device as an id, or "" when there is none.
    QString DefaultId(bool input) const;
    // The device index behind an id; -1 and error set when it names no device of that direction.
    int DeviceIndex(const QString& id, bool input, QString* error) const;
    QString DeviceName(int index) const;
    // Whether the device takes the format, asked of PortAudio; reason set when it does not.
    bool SupportsFormat(int index, bool input, const PcmFormat& format, QString* reason = nullptr) const;
    // Stream parameters for the device and format, with the device's suggested latency (under Lock()).
    PaStreamParameters StreamParameters(int index, bool input, const PcmFormat& format) const;

private:
    PortAudioSession() = default;
};
