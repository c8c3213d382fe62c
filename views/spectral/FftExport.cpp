#include "views/spectral/FftExport.h"

#include <charconv>
#include <cmath>

#include "analysis/SpectrumScale.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"

QString SpreadsheetNumber(double value) {
    char buffer[64];
    // to_chars is "%.10g" without the locale; the comma is put in afterwards.
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.replace(u'.', u',');
    return text;
}

int FftExportPoints(const SoundDocument& doc) {
    const std::size_t n = doc.Spectrum().size();
    if (doc.FullScale() <= 0.0) return 0;
    if (n >= 2) return static_cast<int>(2 * (n - 1));
    // One element is either the empty state or the one bin of a one-sample transform.
    return n == 1 && doc.SpectrumPoints() == 1 ? 1 : 0;
}

QString FftExportText(const SoundDocument& doc) {
    QString text = Str(StringId::FrequencyHzAmplitudeDBFS);
    const int points = FftExportPoints(doc);
    if (points == 0) return text;
    const std::size_t n = static_cast<std::size_t>(points / 2 + 1);
    const int bits = doc.BitsPerSample() > 0 ? doc.BitsPerSample() : 16;
    text.reserve(static_cast<qsizetype>(n) * 32);
    for (std::size_t i = 0; i < n; ++i) {
        const double frequency =
            SpectrumScale::BinFrequency(static_cast<double>(i), doc.SampleRate(), points);
        const double level =
            SpectrumScale::BinLevelDb(doc.Spectrum()[i], static_cast<double>(i), points, bits);
        text += SpreadsheetNumber(frequency);
        text += u'\t';
        text += SpreadsheetNumber(level);
        text += QLatin1String("\r\n");
    }
    return text;
}
