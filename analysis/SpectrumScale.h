#pragma once
// One scale for every spectrum the program shows or exports.
//
// Levels are dB relative to full scale: a steady sine that swings over the whole sample range
// reads 0 dB, whatever the sample width. Full scale is 2^(bits-1): 32768 for 16-bit sound,
// 128 for 8-bit sound (stored 0..255 around 128). The spectrum service gives |X_k|/N, which
// is A/2 for a sine of amplitude A on a bin, so a level is 20 log10(2 |X_k| / N / fullScale).
// Levels below kLevelFloorDb (silence, or nothing at all) read as the floor, never as -inf.
//
// Bin k of an N-point transform at sample rate fs stands for k * fs / N Hz.

namespace SpectrumScale {

// Lowest level any view, read-out or export shows, in dB full scale.
inline constexpr double kLevelFloorDb = -150.0;

// The amplitude of a full-scale sine for samples of this many bits (16 when unknown).
double FullScaleAmplitude(int bitsPerSample);

// The level in dB full scale of a spectrum value |X_k|/N, floored at kLevelFloorDb.
double LevelDb(double magnitude, int bitsPerSample);

// The level of bin k of an fftPoints-point transform: as LevelDb, except that bins 0 and N/2
// stand for a constant and for the alternating sequence, whose amplitude is |X_k|/N itself
// (not twice it as for a sine), so a constant of half full scale reads -6.02 dB.
double BinLevelDb(double magnitude, double bin, int fftPoints, int bitsPerSample);
// The value of bin k that compares with the others as a sine's |X_k|/N: bins 0 and N/2 halved.
double SineEquivalent(double magnitude, double bin, int fftPoints);

// The spectrum value |X_k|/N that reads levelDb (the inverse of LevelDb above the floor).
double Magnitude(double levelDb, int bitsPerSample);

// The frequency of a (possibly fractional) bin of an fftPoints-point transform.
double BinFrequency(double bin, double sampleRate, int fftPoints);

// The (fractional) bin of a frequency: the inverse of BinFrequency.
double FrequencyBin(double frequency, double sampleRate, int fftPoints);

}  // namespace SpectrumScale
