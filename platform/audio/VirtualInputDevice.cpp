#include "platform/audio/VirtualInputDevice.h"

#include <QFileInfo>
#include <new>

#include "platform/audio/AudioChecks.h"
#include "platform/audio/VirtualCaptureBuffer.h"

namespace {

QString SineName(double hz) {
    return QStringLiteral("virtual input: sine %1 Hz").arg(hz);
}

}  // namespace

std::vector<AudioDeviceInfo> VirtualInputDevice::List() {
    return {{QString::fromLatin1(kDefaultId), SineName(440)},
            {QStringLiteral("virtual:chirp"), QStringLiteral("virtual input: chirp")},
            {QStringLiteral("virtual:noise"), QStringLiteral("virtual input: white noise")}};
}

std::unique_ptr<VirtualInputDevice> VirtualInputDevice::Open(const QString& id, QString* error) {
    const QString kind = id.mid(QString::fromLatin1(kPrefix).size());
    if (kind == QLatin1String("chirp"))
        return std::unique_ptr<VirtualInputDevice>(
            new VirtualInputDevice(QStringLiteral("virtual input: chirp"), VirtualSignal::Chirp()));
    if (kind == QLatin1String("noise"))
        return std::unique_ptr<VirtualInputDevice>(
            new VirtualInputDevice(QStringLiteral("virtual input: white noise"), VirtualSignal::Noise()));
    if (kind.startsWith(QLatin1String("sine:"))) {
        bool ok = false;
        const double hz = kind.mid(5).toDouble(&ok);
        // Up to the highest rate's Nyquist frequency; above a lower rate's, it aliases as a real one would.
        if (ok && hz > 0.0 && hz <= 96000.0)
            return std::unique_ptr<VirtualInputDevice>(
                new VirtualInputDevice(SineName(hz), VirtualSignal::Sine(hz)));
        if (error)
            *error =
                QStringLiteral("The virtual sine input needs a frequency between 0 and 96000 Hz, not \"%1\".")
                    .arg(kind.mid(5));
        return nullptr;
    }
    if (kind.startsWith(QLatin1String("file:"))) {
        const QString path = kind.mid(5);
        auto clip = VirtualSignal::LoadClip(path, error);
        if (!clip) return nullptr;
        return std::unique_ptr<VirtualInputDevice>(
            new VirtualInputDevice(QStringLiteral("virtual input: file %1").arg(QFileInfo(path).fileName()),
                                   VirtualSignal::File(clip)));
    }
    if (error) *error = QStringLiteral("There is no sound input \"%1\".").arg(id);
    return nullptr;
}

bool VirtualInputDevice::SupportsFormat(const PcmFormat& format) const {
    return IsUsableFormat(format);
}

std::unique_ptr<CaptureBuffer> VirtualInputDevice::CreateCaptureBuffer(const PcmFormat& format,
                                                                       std::uint32_t bytes, QString* error) {
    if (!CheckCaptureRequest(format, bytes, m_name, error)) return nullptr;
    try {
        return std::make_unique<VirtualCaptureBuffer>(format, bytes, m_signal);
    } catch (const std::bad_alloc&) {
        if (error)
            *error =
                QStringLiteral("There is not enough memory for a capture buffer of %1 bytes.").arg(bytes);
        return nullptr;
    }
}
