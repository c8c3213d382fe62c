#pragma once
// The sound-device layer: exactly what the program asks of a sound card. A static playback
// buffer (play, loop, stop, position, status), a looping capture buffer with notification
// positions and a lockable read region, device lists and a format test. Two back ends provide
// it: PortAudio (the real sound card) and the virtual device (a wave file or a test signal as
// input, an output that consumes the sound in real time), so a teacher can demonstrate
// without a microphone and the tests need no sound card.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Mono or stereo PCM: 8-bit unsigned or 16-bit signed little-endian.
struct PcmFormat {
    std::uint32_t rate = 44100;
    std::uint16_t bits = 16;
    std::uint16_t channels = 1;
    std::uint32_t BlockAlign() const { return channels * (bits / 8u); }
    std::uint32_t BytesPerSecond() const { return BlockAlign() * rate; }
    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// One entry of a device list. The id selects it again ("portaudio:<n>", "virtual:sine:440", ...).
struct AudioDeviceInfo {
    QString id;
    QString name;  // shown to the user
};

// A buffer holding a whole sound, played by the device from a position.
class PlaybackBuffer {
public:
    virtual ~PlaybackBuffer() = default;
    // Starts at the current position; with loop the buffer wraps to 0 at its end. Called while
    // playing, it only switches looping on or off.
    virtual bool Play(bool loop) = 0;
    // Stops where it is; Play goes on from there.
    virtual void Stop() = 0;
    // Rounded down to a whole frame; false beyond the end. Takes effect at once while playing.
    virtual bool SetPosition(std::uint32_t byte) = 0;
    // The play cursor in bytes; false when the device cannot tell. On a sound card it runs ahead
    // of what is heard by the output latency.
    virtual bool GetPosition(std::uint32_t* byte) const = 0;
    // False once a non-looping play has reached the end (the position is then 0 again), or after Stop.
    virtual bool IsPlaying() const = 0;
    virtual std::uint32_t Size() const = 0;
    // Why the last call that returned false failed, in words for the user.
    virtual QString LastError() const { return {}; }
};

// A looping capture buffer: the device writes into it round and round; the reader locks the
// region it wants (in two parts where it wraps) and copies it out.
class CaptureBuffer {
public:
    struct Region {
        const std::uint8_t* part1 = nullptr;
        std::uint32_t length1 = 0;
        const std::uint8_t* part2 = nullptr;  // the part after the wrap, or null
        std::uint32_t length2 = 0;
    };
    virtual ~CaptureBuffer() = default;
    // notify is called (from the device's thread) each time the write position passes one of
    // the offsets, that is once the byte at the offset is written. Call before Start. notify
    // must be short and must not wait for the thread that calls Stop (it runs on the sound
    // card's own thread: signal an event and return).
    virtual bool SetNotificationPositions(const std::vector<std::uint32_t>& offsets,
                                          std::function<void()> notify) = 0;
    virtual bool Start() = 0;  // capturing in a loop; after a Stop it goes on where it stopped
    virtual void Stop() = 0;   // no notification comes after it returns
    // The offset up to which data is complete and may be read.
    virtual bool GetReadPosition(std::uint32_t* offset) const = 0;
    virtual bool Lock(std::uint32_t offset, std::uint32_t bytes, Region* region) = 0;
    virtual void Unlock(const Region& region) = 0;
    virtual std::uint32_t Size() const = 0;
    // Why the last call that returned false failed, in words for the user.
    virtual QString LastError() const { return {}; }
};

class AudioOutputDevice {
public:
    virtual ~AudioOutputDevice() = default;
    virtual QString Name() const = 0;
    virtual bool SupportsFormat(const PcmFormat& format) const = 0;
    // A static buffer holding data (whole frames of the format); null and error set on failure.
    virtual std::unique_ptr<PlaybackBuffer> CreatePlaybackBuffer(const PcmFormat& format,
                                                                 std::vector<std::uint8_t> data,
                                                                 QString* error) = 0;
};

class AudioInputDevice {
public:
    virtual ~AudioInputDevice() = default;
    virtual QString Name() const = 0;
    virtual bool SupportsFormat(const PcmFormat& format) const = 0;
    virtual std::unique_ptr<CaptureBuffer> CreateCaptureBuffer(const PcmFormat& format, std::uint32_t bytes,
                                                               QString* error) = 0;
};

// The devices of both back ends, and opening one by its id.
class AudioSystem {
public:
    // Starts the PortAudio back end; false (with the reason) when no sound card can be used.
    // The virtual device is always there.
    static bool InitRealDevices(QString* error);
    static void Shutdown();
    static std::vector<AudioDeviceInfo> Inputs();   // real inputs first, then the virtual inputs
    static std::vector<AudioDeviceInfo> Outputs();  // real outputs first, then the virtual output
    // "" opens the default: the system's default device when the real back end works, else the virtual one.
    static std::unique_ptr<AudioInputDevice> OpenInput(const QString& id, QString* error);
    static std::unique_ptr<AudioOutputDevice> OpenOutput(const QString& id, QString* error);
};
