#pragma once
// The settings of the wavelet view, copied from the profile's settings when the view starts
// and written back when it goes. The two scale bounds are periods in seconds; the controls
// show them as frequencies in Hz. Values a profile may carry outside the controls' ranges are
// pulled into them.

#include <QString>

class CKalvoSettings;
struct cwt_parameters;

struct WaveletViewSettings {
    static constexpr int kLowestHz = 1, kHighestHz = 30000;
    static constexpr int kMostScales = 999, kMostTimePoints = 999;

    QString spec = QStringLiteral("morlet,2");  // wavelet name and arguments
    float scaleFirst = 0.05f;    // period of the lowest frequency, s
    float scaleLast = 0.00005f;  // period of the highest frequency, s
    int scaleCount = 100;        // 1 .. 999
    int timeCount = 200;         // 1 .. 999
    int division = 2;            // 0 linear, 1 reciprocal, 2 exponential

    static WaveletViewSettings From(const CKalvoSettings& settings);
    void StoreInto(CKalvoSettings& settings) const;
    void Sanitize();
    // The transform parameters the view sets.
    void ApplyTo(cwt_parameters& parameters) const;

    // The frequencies the controls show: 1/scale, whole Hz.
    int MinFrequency() const;
    int MaxFrequency() const;
    // The list entry (0 .. 7) whose name begins the wavelet text, or -1.
    int WaveletIndex() const;
    // The argument text after the name, without its leading comma.
    QString Arguments() const;
};
