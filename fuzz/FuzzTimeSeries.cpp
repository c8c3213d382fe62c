// Arbitrary bytes as a one-column time series: the parser and the scaling to 16-bit samples,
// then the document's whole path (the series written as a wave file and loaded again).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/SoundDocument.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzEnvironment.h"
#include "platform/ScriptedUserInterface.h"
#include "settings/ProfileSettings.h"

namespace {

// Entries are the blank-separated words that do not begin with '#': each is a number or is counted as none.
std::size_t CountEntries(const QByteArray& text) {
    std::size_t count = 0;
    bool inWord = false;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
        if (!blank && !inWord && c != '#') ++count;
        inWord = !blank;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const FuzzEnvironment& environment = FuzzEnvironment::Get();
    const QByteArray text = FuzzEnvironment::Bytes(data, size);

    std::size_t notNumbers = 0;
    const std::vector<double> values = SoundDocument::ParseTimeSeries(text, &notNumbers);
    FUZZ_CHECK(values.size() + notNumbers == CountEntries(text));
    for (double v : values) FUZZ_CHECK(std::isfinite(v));
    const std::vector<double> samples = SoundDocument::ScaleTimeSeries(values);
    FUZZ_CHECK(samples.size() == values.size());
    for (double s : samples) FUZZ_CHECK(s >= -32768.0 && s <= 32767.0);

    const QString path = environment.WriteInput(QStringLiteral("input.txt"), data, size);
    FUZZ_CHECK(!path.isEmpty());
    ScriptedUserInterface ui;
    ProfileSettings settings;
    SoundDocument doc(settings, ui);
    doc.OnNewDocument();
    if (doc.OpenTimeSeriesFile(path)) {
        FUZZ_CHECK(doc.SampleCount() == samples.size());
        for (std::uint32_t i = 0; i < doc.SampleCount(); ++i) FUZZ_CHECK(doc.Sample(i) == samples[i]);
    } else {
        FUZZ_CHECK(samples.empty());  // only a series without numbers is refused
        FUZZ_CHECK(!ui.messages.empty());
    }
    return 0;
}
