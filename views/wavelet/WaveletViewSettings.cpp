#include "views/wavelet/WaveletViewSettings.h"

#include <algorithm>
#include <cmath>

#include "analysis/cwt_parameters.h"
#include "analysis/wavelet_fkt.h"
#include "settings/CKalvoSettings.h"

namespace {

// A period in seconds for a frequency in the controls' range.
float PeriodOf(float seconds, float fallback) {
    if (!std::isfinite(seconds) || seconds <= 0.0f) return fallback;
    const float hz = std::clamp(1.0f / seconds, float(WaveletViewSettings::kLowestHz),
                                float(WaveletViewSettings::kHighestHz));
    return 1.0f / hz;
}

// Whole Hz; a period stored from a whole frequency gives that frequency back despite rounding.
int FrequencyOf(float seconds) { return static_cast<int>(1.0f / seconds + 0.001f); }

}  // namespace

WaveletViewSettings WaveletViewSettings::From(const CKalvoSettings& s) {
    WaveletViewSettings v;
    v.spec = s.IniWaveletWavelet;
    v.scaleFirst = s.IniWaveletFreqmin;
    v.scaleLast = s.IniWaveletFreqmax;
    v.scaleCount = s.IniWaveletFreqn;
    v.timeCount = s.IniWaveletZeitn;
    v.division = s.IniWaveletadiv;
    v.Sanitize();
    return v;
}

void WaveletViewSettings::StoreInto(CKalvoSettings& s) const {
    s.IniWaveletWavelet = spec;
    s.IniWaveletFreqmin = scaleFirst;
    s.IniWaveletFreqmax = scaleLast;
    s.IniWaveletFreqn = scaleCount;
    s.IniWaveletZeitn = timeCount;
    s.IniWaveletadiv = division;
}

void WaveletViewSettings::Sanitize() {
    const WaveletViewSettings defaults;
    if (spec.trimmed().isEmpty()) spec = defaults.spec;
    scaleFirst = PeriodOf(scaleFirst, defaults.scaleFirst);
    scaleLast = PeriodOf(scaleLast, defaults.scaleLast);
    scaleCount = std::clamp(scaleCount, 1, kMostScales);
    timeCount = std::clamp(timeCount, 1, kMostTimePoints);
    if (division < 0 || division > 2) division = defaults.division;
}

void WaveletViewSettings::ApplyTo(cwt_parameters& p) const {
    p.wavelet = spec.toStdString();
    p.scale_first = scaleFirst;
    p.scale_last = scaleLast;
    p.scale_count = scaleCount;
    p.time_count = timeCount;
    p.division_type = division;
}

int WaveletViewSettings::MinFrequency() const { return FrequencyOf(scaleFirst); }
int WaveletViewSettings::MaxFrequency() const { return FrequencyOf(scaleLast); }

int WaveletViewSettings::WaveletIndex() const {
    const std::string text = spec.toStdString();
    for (int i = 0; i < int(std::size(kWaveletSpecNames)); ++i)
        if (text.starts_with(kWaveletSpecNames[i])) return i;
    return -1;
}

QString WaveletViewSettings::Arguments() const {
    const int index = WaveletIndex();
    if (index < 0) return {};
    const QString rest = spec.mid(qsizetype(std::char_traits<char>::length(kWaveletSpecNames[index])));
    return rest.startsWith(u',') ? rest.mid(1) : rest;
}
