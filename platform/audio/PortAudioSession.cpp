#include "platform/audio/PortAudioSession.h"

#include <cstdlib>
#include <cstring>

#include "platform/audio/AudioChecks.h"

namespace {

std::mutex& ApiMutex() {
    static std::mutex mutex;
    return mutex;
}

int Channels(const PaDeviceInfo* info, bool input) {
    return input ? info->maxInputChannels : info->maxOutputChannels;
}

QString NameOf(PaDeviceIndex index) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (!info) return {};
    const PaHostApiInfo* host = Pa_GetHostApiInfo(info->hostApi);
    const QString name = QString::fromUtf8(info->name);
    return host ? QStringLiteral("%1 [%2]").arg(name, QString::fromUtf8(host->name)) : name;
}

}  // namespace

std::unique_lock<std::mutex> PortAudioSession::Lock() {
    return std::unique_lock(ApiMutex());
}

QString PortAudioSession::ErrorText(PaError error) {
    if (error == paUnanticipatedHostError) {
        const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
        if (host && host->errorText && *host->errorText) return QString::fromLocal8Bit(host->errorText);
    }
    return QString::fromLocal8Bit(Pa_GetErrorText(error));
}

std::shared_ptr<PortAudioSession> PortAudioSession::Create(QString* error) {
    // PortAudio's JACK host would otherwise try to start a JACK server, which takes seconds and
    // changes the machine's sound set-up behind the user's back.
    setenv("JACK_NO_START_SERVER", "1", 0);
    const auto lock = Lock();
    const PaError e = Pa_Initialize();
    if (e != paNoError) {
        if (error) *error = QStringLiteral("The sound system could not start: %1").arg(ErrorText(e));
        return nullptr;
    }
    return std::shared_ptr<PortAudioSession>(new PortAudioSession());
}

PortAudioSession::~PortAudioSession() {
    const auto lock = Lock();
    Pa_Terminate();
}

std::vector<AudioDeviceInfo> PortAudioSession::Devices(bool input) const {
    const auto lock = Lock();
    std::vector<AudioDeviceInfo> list;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || Channels(info, input) < 1) continue;
        list.push_back({QString::fromLatin1(kPrefix) + QString::number(i), NameOf(i)});
    }
    return list;
}

QString PortAudioSession::DefaultId(bool input) const {
    const auto lock = Lock();
    const PaDeviceIndex index = input ? Pa_GetDefaultInputDevice() : Pa_GetDefaultOutputDevice();
    return index == paNoDevice ? QString() : QString::fromLatin1(kPrefix) + QString::number(index);
}

int PortAudioSession::DeviceIndex(const QString& id, bool input, QString* error) const {
    bool ok = false;
    const int index = id.startsWith(QLatin1String(kPrefix)) ? id.mid(int(strlen(kPrefix))).toInt(&ok) : -1;
    const auto lock = Lock();
    const PaDeviceInfo* info =
        ok && index >= 0 && index < Pa_GetDeviceCount() ? Pa_GetDeviceInfo(index) : nullptr;
    if (info && Channels(info, input) > 0) return index;
    if (error) *error = QStringLiteral("There is no sound %1 \"%2\".").arg(input ? "input" : "output", id);
    return -1;
}

QString PortAudioSession::DeviceName(int index) const {
    const auto lock = Lock();
    return NameOf(index);
}

PaStreamParameters PortAudioSession::StreamParameters(int index, bool input, const PcmFormat& format) const {
    PaStreamParameters p{};
    p.device = index;
    p.channelCount = format.channels;
    p.sampleFormat = SampleFormat(format);
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    // Capture comes in blocks of a tenth of a second, so its latency may be high (fewer
    // overruns); playback keeps it low so the reported position stays close to what is heard.
    p.suggestedLatency = !info ? 0.1 : input ? info->defaultHighInputLatency : info->defaultLowOutputLatency;
    return p;
}

bool PortAudioSession::SupportsFormat(int index, bool input, const PcmFormat& format, QString* reason) const {
    if (!IsUsableFormat(format)) {
        if (reason) *reason = QStringLiteral("The format %1 cannot be used.").arg(DescribeFormat(format));
        return false;
    }
    const auto lock = Lock();
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (!info || Channels(info, input) < format.channels) {
        if (reason) *reason = QStringLiteral("The device has fewer than %1 channels.").arg(format.channels);
        return false;
    }
    const PaStreamParameters p = StreamParameters(index, input, format);
    const PaError e = Pa_IsFormatSupported(input ? &p : nullptr, input ? nullptr : &p, format.rate);
    if (e == paFormatIsSupported) return true;
    if (reason) *reason = ErrorText(e);
    return false;
}
