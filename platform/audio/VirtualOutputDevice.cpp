#include "platform/audio/VirtualOutputDevice.h"

#include "platform/audio/AudioChecks.h"
#include "platform/audio/VirtualPlaybackBuffer.h"

AudioDeviceInfo VirtualOutputDevice::Info() {
    return {QString::fromLatin1(kId), QStringLiteral("virtual output (silent)")};
}

QString VirtualOutputDevice::Name() const {
    return Info().name;
}

bool VirtualOutputDevice::SupportsFormat(const PcmFormat& format) const {
    return IsUsableFormat(format);
}

std::unique_ptr<PlaybackBuffer> VirtualOutputDevice::CreatePlaybackBuffer(const PcmFormat& format,
                                                                          std::vector<std::uint8_t> data,
                                                                          QString* error) {
    if (!PreparePlaybackData(format, data, Name(), error)) return nullptr;
    return std::make_unique<VirtualPlaybackBuffer>(format, std::move(data));
}
