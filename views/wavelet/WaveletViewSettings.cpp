#include "views/wavelet/WaveletViewSettings.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "analysis/CwtParameters.h"
#include "analysis/WaveletFunction.h"
#include "settings/ProfileSettings.h"

const std::vector<SettingDescriptor>& WaveletViewSettings::Keys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"Wavelet", "IniWaveletWavelet", &S::IniWaveletWavelet},
        {"Wavelet", "IniWaveletFreqmin", &S::IniWaveletFreqmin},
        {"Wavelet", "IniWaveletFreqmax", &S::IniWaveletFreqmax},
        {"Wavelet", "IniWaveletFreqn", &S::IniWaveletFreqn, 1, kMostScales},
        {"Wavelet", "IniWaveletZeitn", &S::IniWaveletZeitn, 1, kMostTimePoints},
        {"Wavelet", "IniWaveletadiv", &S::IniWaveletadiv, 0, 2},
    };
    return keys;
}

namespace {

// The centre frequency of a wavelet text; the last one asked is kept, since the controls ask
// for it at every change and the sampled families take a few milliseconds.
double CentreOf(const QString& spec) {
    thread_local QString last;
    thread_local double centre = 1.0;
    thread_local bool known = false;
    if (!known || spec != last) {
        const double found = wavelet_centre_frequency(spec.toStdString());
        centre = found > 0.0 ? found : 1.0;
        last = spec;
        known = true;
    }
    return centre;
}

}  // namespace

WaveletViewSettings WaveletViewSettings::From(const ProfileSettings& profile) {
    // Whatever a profile or an edit left there, the window works within the keys' ranges.
    ProfileSettings s = profile;
    for (const SettingDescriptor& key : Keys()) s.PullIntoRange(key);
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

void WaveletViewSettings::StoreInto(ProfileSettings& s) const {
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
    // A scale whose frequency lies outside the controls' range is pulled to its end.
    const double centre = CentreFrequency();
    const auto scaleIn = [centre](float seconds, float fallback) {
        if (!std::isfinite(seconds) || seconds <= 0.0f) return fallback;
        const double hz = std::clamp(centre / double(seconds), double(kLowestHz), double(kHighestHz));
        return static_cast<float>(centre / hz);
    };
    scaleFirst = scaleIn(scaleFirst, ScaleOf(defaults.MinFrequency()));
    scaleLast = scaleIn(scaleLast, ScaleOf(defaults.MaxFrequency()));
    scaleCount = Key("IniWaveletFreqn").Clamped(scaleCount);
    timeCount = Key("IniWaveletZeitn").Clamped(timeCount);
    if (division < 0 || division > 2) division = defaults.division;
}

void WaveletViewSettings::ApplyTo(CwtParameters& p) const {
    p.wavelet = spec.toStdString();
    p.scale_first = scaleFirst;
    p.scale_last = scaleLast;
    p.scale_count = scaleCount;
    p.time_count = timeCount;
    p.division_type = division;
}

double WaveletViewSettings::CentreFrequency() const {
    return CentreOf(spec);
}

int WaveletViewSettings::MinFrequency() const {
    return static_cast<int>(
        std::clamp(std::lround(CentreFrequency() / double(scaleFirst)), long(kLowestHz), long(kHighestHz)));
}

int WaveletViewSettings::MaxFrequency() const {
    return static_cast<int>(
        std::clamp(std::lround(CentreFrequency() / double(scaleLast)), long(kLowestHz), long(kHighestHz)));
}

float WaveletViewSettings::ScaleOf(int hz) const {
    return static_cast<float>(CentreFrequency() / double(std::clamp(hz, kLowestHz, kHighestHz)));
}

void WaveletViewSettings::SetSpec(const QString& newSpec) {
    const double before = CentreFrequency();
    spec = newSpec;
    const double ratio = CentreFrequency() / before;
    scaleFirst = static_cast<float>(double(scaleFirst) * ratio);
    scaleLast = static_cast<float>(double(scaleLast) * ratio);
}

int WaveletViewSettings::WaveletIndex() const {
    for (int i = 0; i < int(std::size(kWaveletSpecNames)); ++i)
        if (spec.startsWith(QLatin1String(kWaveletSpecNames[i]), Qt::CaseInsensitive)) return i;
    return -1;
}

QString WaveletViewSettings::Arguments() const {
    const int index = WaveletIndex();
    if (index < 0) return {};
    const QString rest = spec.mid(qsizetype(std::char_traits<char>::length(kWaveletSpecNames[index])));
    return rest.startsWith(u',') ? rest.mid(1) : rest;
}
