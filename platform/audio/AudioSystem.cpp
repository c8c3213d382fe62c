#include <mutex>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/PortAudioInputDevice.h"
#include "platform/audio/PortAudioOutputDevice.h"
#include "platform/audio/PortAudioSession.h"
#include "platform/audio/VirtualInputDevice.h"
#include "platform/audio/VirtualOutputDevice.h"

namespace {

struct RealDevices {
    std::mutex mutex;
    std::shared_ptr<PortAudioSession> session;  // null while the sound card is not in use
};

RealDevices& Real() {
    static RealDevices real;
    return real;
}

std::shared_ptr<PortAudioSession> Session() {
    const std::lock_guard lock(Real().mutex);
    return Real().session;
}

QString NoRealDevices() {
    return QStringLiteral("The sound card is not in use; only the virtual sound devices are available.");
}

}  // namespace

bool AudioSystem::InitRealDevices(QString* error) {
    const std::lock_guard lock(Real().mutex);
    if (Real().session) return true;
    auto session = PortAudioSession::Create(error);
    if (!session) return false;
    if (session->Devices(true).empty() && session->Devices(false).empty()) {
        if (error)
            *error = QStringLiteral("No sound card was found; the virtual sound devices are used instead.");
        return false;
    }
    Real().session = std::move(session);
    return true;
}

void AudioSystem::Shutdown() {
    std::shared_ptr<PortAudioSession> last;
    {
        const std::lock_guard lock(Real().mutex);
        last.swap(Real().session);
    }
    // PortAudio ends here unless devices or buffers opened from it are still alive; then it ends
    // with the last of them.
}

std::vector<AudioDeviceInfo> AudioSystem::Inputs() {
    std::vector<AudioDeviceInfo> list;
    if (const auto session = Session()) list = session->Devices(true);
    for (auto& v : VirtualInputDevice::List()) list.push_back(std::move(v));
    return list;
}

std::vector<AudioDeviceInfo> AudioSystem::Outputs() {
    std::vector<AudioDeviceInfo> list;
    if (const auto session = Session()) list = session->Devices(false);
    list.push_back(VirtualOutputDevice::Info());
    return list;
}

std::unique_ptr<AudioInputDevice> AudioSystem::OpenInput(const QString& id, QString* error) {
    const auto session = Session();
    QString chosen = id;
    if (chosen.isEmpty()) {
        chosen = session ? session->DefaultId(true) : QString();
        if (chosen.isEmpty()) chosen = QString::fromLatin1(VirtualInputDevice::kDefaultId);
    }
    if (chosen.startsWith(QLatin1String(VirtualInputDevice::kPrefix)))
        return VirtualInputDevice::Open(chosen, error);
    if (chosen.startsWith(QLatin1String(PortAudioSession::kPrefix))) {
        if (!session) {
            if (error) *error = NoRealDevices();
            return nullptr;
        }
        const int index = session->DeviceIndex(chosen, true, error);
        if (index < 0) return nullptr;
        return std::make_unique<PortAudioInputDevice>(session, index);
    }
    if (error) *error = QStringLiteral("There is no sound input \"%1\".").arg(id);
    return nullptr;
}

std::unique_ptr<AudioOutputDevice> AudioSystem::OpenOutput(const QString& id, QString* error) {
    const auto session = Session();
    QString chosen = id;
    if (chosen.isEmpty()) {
        chosen = session ? session->DefaultId(false) : QString();
        if (chosen.isEmpty()) chosen = QString::fromLatin1(VirtualOutputDevice::kId);
    }
    if (chosen == QLatin1String(VirtualOutputDevice::kId)) return std::make_unique<VirtualOutputDevice>();
    if (chosen.startsWith(QLatin1String(PortAudioSession::kPrefix))) {
        if (!session) {
            if (error) *error = NoRealDevices();
            return nullptr;
        }
        const int index = session->DeviceIndex(chosen, false, error);
        if (index < 0) return nullptr;
        return std::make_unique<PortAudioOutputDevice>(session, index);
    }
    if (error) *error = QStringLiteral("There is no sound output \"%1\".").arg(id);
    return nullptr;
}
