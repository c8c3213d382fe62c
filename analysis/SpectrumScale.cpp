#include "analysis/SpectrumScale.h"

#include <algorithm>
#include <cmath>

namespace SpectrumScale {

double FullScaleAmplitude(int bitsPerSample) {
    const int bits = bitsPerSample >= 2 && bitsPerSample <= 32 ? bitsPerSample : 16;
    return std::ldexp(1.0, bits - 1);
}

double LevelDb(double magnitude, int bitsPerSample) {
    if (!(magnitude > 0.0) || !std::isfinite(magnitude)) return kLevelFloorDb;
    const double db = 20.0 * std::log10(2.0 * magnitude / FullScaleAmplitude(bitsPerSample));
    return std::max(db, kLevelFloorDb);
}

double SineEquivalent(double magnitude, double bin, int fftPoints) {
    const bool real = bin == 0.0 || 2.0 * bin == static_cast<double>(fftPoints);
    return real ? 0.5 * magnitude : magnitude;
}

double BinLevelDb(double magnitude, double bin, int fftPoints, int bitsPerSample) {
    return LevelDb(SineEquivalent(magnitude, bin, fftPoints), bitsPerSample);
}

double Magnitude(double levelDb, int bitsPerSample) {
    return 0.5 * FullScaleAmplitude(bitsPerSample) * std::pow(10.0, levelDb / 20.0);
}

double BinFrequency(double bin, double sampleRate, int fftPoints) {
    return fftPoints > 0 ? bin * sampleRate / static_cast<double>(fftPoints) : 0.0;
}

double FrequencyBin(double frequency, double sampleRate, int fftPoints) {
    return sampleRate > 0.0 ? frequency * static_cast<double>(fftPoints) / sampleRate : 0.0;
}

}  // namespace SpectrumScale
