#pragma once
// The checks both back ends make before creating a buffer, so they answer alike.

#include <QString>
#include <cstdint>
#include <vector>

#include "platform/audio/AudioDevice.h"

// 8- or 16-bit, mono or stereo, 8000 … 192000 Hz: what the program can ask for at all.
bool IsUsableFormat(const PcmFormat& format);
// "44100 Hz, 16-bit mono", for messages.
QString DescribeFormat(const PcmFormat& format);
// A capture buffer needs a usable format and a size of at least one whole frame.
bool CheckCaptureRequest(const PcmFormat& format, std::uint32_t bytes, const QString& device, QString* error);
// A playback buffer needs a usable format and at least one whole frame; a partial frame at the
// end (a truncated file) is dropped, as it could not be played anyway.
bool PreparePlaybackData(const PcmFormat& format, std::vector<std::uint8_t>& data, const QString& device,
                         QString* error);
