#pragma once
// The numbers behind a sonogram picture: which picture row a frequency lands on, which palette
// colour a level gets, and one column of the picture from one magnitude spectrum. A column is a
// level per picture row (top row first): the bins walked upwards, each bin that reaches a new
// row starting a bar that runs down to the bar below it, with the rows between two bins filled
// by interpolated levels when smoothing is on. Where several bins share a row, the row shows
// the loudest of them. Bin k of an N-point transform stands for k fs / N Hz.
//
// Colours follow the gain Z: the top colour is 4/Z times the value |X|/N of a full-scale sine
// (20 log10(4/Z) dB full scale: +12 dB at Z = 1, -18 dB at the starting gain 32). The
// logarithmic colour scale starts at a spectrum value of 1 in 16-bit sound (-78.3 dB full scale), whatever
// the sample width, so an 8-bit sound and its 16-bit twin look alike.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class RealFft;

struct SonogramScale {
    int bottomCutHz = 20;  // fmin: bins at or below it are not drawn
    int topCutkHz = 10;    // fmax in kHz, the top of the picture
    bool freqLinear = true;
    bool ampLinear = false;
    double gain = 32.0;  // Z: the top colour is 20 log10(4/Z) dB full scale
    int bits = 16;       // sample width; levels are relative to its full scale
    bool smooth = false;

    bool operator==(const SonogramScale&) const = default;
};

class Sonogram {
public:
    static constexpr int kPaletteSize = 1280;
    using Palette = std::array<std::uint32_t, kPaletteSize>;  // 0xRRGGBB
    // "Color1" (black over blue, cyan, green, yellow to red) or "Color2" (white over cyan, blue,
    // green, yellow to red).
    static const Palette& Colours(bool colour1);

    Sonogram();
    ~Sonogram();
    Sonogram(const Sonogram&) = delete;
    Sonogram& operator=(const Sonogram&) = delete;

    void SetScale(const SonogramScale& scale, int height);
    const SonogramScale& Scale() const { return m_scale; }
    int Height() const { return m_height; }

    // r: 0 at fmin, 1 at fmax (linear or logarithmic), and the row truncate(H (1 - r)).
    double Fraction(double frequency) const;
    int Row(double frequency) const;
    // The frequency at a height of the picture counted from its top (0 .. H): the highest
    // frequency that still lands in the row there.
    double FrequencyAt(double y) const;

    // v of a bin value: s / K on the linear scale, ln(s / s1) / ln(K / s1) on the logarithmic
    // one (s1 the value 1 of 16-bit sound), at most 1; K is the top colour's value.
    double Level(double value) const;
    // The palette index of a level: 1279 v (linear) or 1279 v^3 (logarithmic), never below 0.
    int IndexOfLevel(double level) const;

    // One column from n = N/2 + 1 spectrum values of an N-point transform (bin i at i fs / N
    // Hz): a level per row, top row first; rows no bar reaches are NaN.
    const std::vector<float>& Column(const double* spectrum, std::size_t n, int sampleRate);
    // The same column as measured levels in dB full scale (SpectrumScale), unclipped by the
    // colours: a row reads the loudest bin of the bar that covers it (rows that smoothing
    // blends read the bar they lie in without smoothing); silence reads the floor; rows no bar
    // reaches are NaN.
    const std::vector<double>& ColumnDb(const double* spectrum, std::size_t n, int sampleRate);
    // The magnitudes |X_k|/N (N/2+1 values) of N samples, the document's spectrum of a stretch.
    const std::vector<double>& Spectrum(const double* samples, int points);
    // The colours of the last column in the palette; rows no bar reaches get the background.
    void Colour(const Palette& palette, std::uint32_t background, std::uint32_t* out) const;

private:
    void PrepareBins(std::size_t n, int sampleRate);

    SonogramScale m_scale;
    int m_height = 1;
    double m_0 = 0.0, m_max = 1.0;  // u(fmin) and u(fmax)
    double m_k = 1.0;               // the top colour: a value (linear) or ln(value / s1) (log)
    double m_lnStep = 0.0;          // ln s1, the start of the logarithmic scale
    // What a column of the last spectrum size draws: the bins whose levels it needs (points),
    // the bin at or below fmin where smoothing starts, and per row the two sources it blends
    // (0 the low bin, k + 1 point k) with the weight of the second; rows above m_topRow stay empty.
    std::size_t m_bins = 0;
    int m_binRate = 0;
    std::vector<std::pair<std::size_t, std::size_t>> m_pointBins;  // first and last bin in the point's row
    long m_lowBin = -1;
    int m_topRow = 0;
    std::vector<int> m_rowFrom, m_rowTo;
    std::vector<double> m_rowWeight;
    std::vector<double> m_sources;
    std::vector<float> m_levels;
    std::vector<double> m_sourcesDb, m_levelsDb;
    std::unique_ptr<RealFft> m_fft;
    std::vector<double> m_transform, m_spectrum;
};
