#include "platform/audio/AudioChecks.h"

#include <limits>

namespace {

bool Fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

bool CheckFormat(const PcmFormat& format, const QString& device, QString* error) {
    if (IsUsableFormat(format)) return true;
    return Fail(error, QStringLiteral("%1 cannot use the format %2.").arg(device, DescribeFormat(format)));
}

}  // namespace

bool IsUsableFormat(const PcmFormat& format) {
    return (format.bits == 8 || format.bits == 16) && (format.channels == 1 || format.channels == 2) &&
           format.rate >= 8000 && format.rate <= 192000;
}

QString DescribeFormat(const PcmFormat& format) {
    const QString channels = format.channels == 1   ? QStringLiteral("mono")
                             : format.channels == 2 ? QStringLiteral("stereo")
                                                    : QStringLiteral("%1 channels").arg(format.channels);
    return QStringLiteral("%1 Hz, %2-bit %3").arg(format.rate).arg(format.bits).arg(channels);
}

bool CheckCaptureRequest(const PcmFormat& format, std::uint32_t bytes, const QString& device,
                         QString* error) {
    if (!CheckFormat(format, device, error)) return false;
    if (bytes == 0 || bytes % format.BlockAlign() != 0)
        return Fail(error, QStringLiteral("A capture buffer of %1 bytes does not hold whole frames of %2.")
                               .arg(bytes)
                               .arg(DescribeFormat(format)));
    return true;
}

bool PreparePlaybackData(const PcmFormat& format, std::vector<std::uint8_t>& data, const QString& device,
                         QString* error) {
    if (!CheckFormat(format, device, error)) return false;
    if (data.size() > std::numeric_limits<std::uint32_t>::max())
        return Fail(error, QStringLiteral("The sound is too long to play (more than 4 GB)."));
    data.resize(data.size() - data.size() % format.BlockAlign());
    if (data.empty()) return Fail(error, QStringLiteral("There is no sound to play."));
    return true;
}
