#include "views/wavelet/WaveletExport.h"

#include <cmath>

#include "analysis/CwtParameters.h"
#include "analysis/DivisionRange.h"
#include "analysis/WaveletFunction.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "views/spectral/FftExport.h"

namespace {
constexpr int kHeader = 64040;
}

std::vector<double> WaveletRowFrequencies(const CwtParameters& p) {
    std::string_view args;
    const std::unique_ptr<WaveletFunction> wavelet = create_wavelet(p.wavelet, &args);
    const std::unique_ptr<DivisionRange> division =
        make_division(p.division_type, p.scale_first, p.scale_last, p.scale_count);
    if (!wavelet || !division || p.scale_count < 1) return {};
    const bool accepted = wavelet->parse_args(args);
    const double centre = accepted ? wavelet->centre_frequency() : 0.0;
    wavelet->release();
    if (!(centre > 0.0) || !std::isfinite(centre)) return {};
    std::vector<double> frequencies(static_cast<std::size_t>(p.scale_count));
    for (int r = 0; r < p.scale_count; ++r) {
        // The row of scale a seconds shows a tone of centre / a Hz strongest.
        const float scale = division->value(wavelet->is_complex() ? r + 1 : p.scale_count - r);
        frequencies[static_cast<std::size_t>(r)] = centre / static_cast<double>(scale);
    }
    return frequencies;
}

QString WaveletExportText(const SoundDocument& doc) {
    const std::vector<float>& result = doc.WaveletResult();
    if (result.size() <= 5) return {};
    const auto rows = static_cast<std::size_t>(result[0]);
    const auto columns = static_cast<std::size_t>(result[1]);
    const CwtParameters& p = doc.WaveletParameters();
    const std::vector<double> frequencies = WaveletRowFrequencies(p);
    if (rows == 0 || columns == 0 || result.size() < 2 + rows * columns || frequencies.size() != rows)
        return {};
    QString text = Str(kHeader);
    const double seconds = double(p.end_time) - double(p.start_time);
    for (std::size_t k = 0; k < columns; ++k) {
        text += u'\t';
        text += SpreadsheetNumber(double(p.start_time) + seconds * double(k) / double(columns));
    }
    text += QLatin1String("\r\n");
    for (std::size_t r = 0; r < rows; ++r) {
        text += SpreadsheetNumber(frequencies[r]);
        const float* values = result.data() + 2 + r * columns;
        for (std::size_t k = 0; k < columns; ++k) {
            text += u'\t';
            text += SpreadsheetNumber(values[k]);
        }
        text += QLatin1String("\r\n");
    }
    return text;
}
