#pragma once
// The playback sound made from a wave file. The sound-device layer provides it through the
// document's sound factory; without one (no sound output yet) the document has no sound
// object and files are still analysed.

#include <QString>
#include <functional>
#include <memory>

class CSound {
public:
    virtual ~CSound() = default;
};

using SoundFactory = std::function<std::unique_ptr<CSound>(const QString& wavePath)>;
// Converts a compressed sound file (MP3) into a 16-bit wave file; false on failure.
using SoundFileConverter = std::function<bool(const QString& source, const QString& waveOut)>;
