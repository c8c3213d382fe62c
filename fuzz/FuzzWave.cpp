// Arbitrary bytes as a wave file: first through the chunk reader alone, then through the
// document's whole loading path (format checks, conversion to 16 bit, channel extraction,
// the playback copy of fast or converted sounds) and a selection over all of it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/RiffWave.h"
#include "document/SoundDocument.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzEnvironment.h"
#include "platform/ScriptedUserInterface.h"
#include "settings/ProfileSettings.h"

namespace {

void ReadWithChunkReader(const QString& path, std::size_t fileSize) {
    RiffWave wave;
    WaveFormat format;
    if (wave.Open(path, &format, RiffWave::Mode::Read) != RiffWave::Status::Success) return;
    FUZZ_CHECK(wave.GetSize() <= fileSize);
    FUZZ_CHECK(format.extra.size() == format.extraSize);
    // Odd block sizes, so reads end inside frames and the last one runs past the data.
    std::vector<char> block(333);
    std::uint64_t total = 0;
    for (;;) {
        std::uint32_t read = 0;
        const RiffWave::Status status =
            wave.Read(block.data(), static_cast<std::uint32_t>(block.size()), &read);
        FUZZ_CHECK(read <= block.size());
        total += read;
        if (status != RiffWave::Status::Success || read == 0) break;
    }
    FUZZ_CHECK(total <= wave.GetSize());
    FUZZ_CHECK(wave.ResetFile() == RiffWave::Status::Success);
}

void LoadIntoDocument(const QString& path, bool chooseLeft) {
    ScriptedUserInterface ui;
    ui.channels.push_back(chooseLeft ? 1 : 0);
    ProfileSettings settings;
    SoundDocument doc(settings, ui);
    doc.OnNewDocument();
    if (!doc.LoadWave(path)) {
        FUZZ_CHECK(!doc.IsWaveLoaded());
        FUZZ_CHECK(doc.WaveBytes() == 0);
        FUZZ_CHECK(!ui.messages.empty());  // a refused file is always explained
        return;
    }
    FUZZ_CHECK(doc.IsWaveLoaded());
    const std::uint32_t count = doc.SampleCount();
    FUZZ_CHECK(count > 0);
    double sum = 0.0;
    for (std::uint32_t i = 0; i < count; ++i) sum += doc.Sample(i);
    FUZZ_CHECK(sum == sum);
    doc.SetSelection(0, count);
    doc.OnSelectionChanged(1, count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzEnvironment& environment = FuzzEnvironment::Get();
    const QString path = environment.WriteInput(QStringLiteral("input.wav"), data, size);
    FUZZ_CHECK(!path.isEmpty());
    ReadWithChunkReader(path, size);
    LoadIntoDocument(path, size % 2 == 0);
    return 0;
}
