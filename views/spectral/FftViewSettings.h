#pragma once
// The settings of the spectrum view, copied from the profile's settings when the view starts
// and written back when it goes. Values a profile may carry outside the controls' ranges are
// pulled into them, so that no axis ever has zero length.

#include <vector>

#include "settings/SettingDescriptor.h"

class ProfileSettings;

struct FftViewSettings {
    enum Style { kBars = 0, kLines = 1, kColumns = 2 };
    enum Spline { kNoSpline = 0, kBezier = 1, kCubic = 2, kBeta = 3 };

    int bottomCutHz = 20;  // lowest frequency shown, Hz (1 .. 999)
    int topCutkHz = 10;    // highest frequency shown, kHz (1 .. 100)
    int topDb = 0;         // upper end of the amplitude axis, dB (-99 .. 0)
    int bottomDb = -90;    // lower end of the amplitude axis, dB (-99 .. 0)
    bool ampLinear = false;
    bool freqLinear = true;
    int style = kLines;
    bool hold = false;     // "memorize maxima"
    bool delayOn = false;  // slow fall
    int delay = 3;         // fall per repaint in pixels (0 .. 15)
    bool grid = true;
    bool markers = true;       // peak markers; peak detection runs
    int minDistMaxima = 10;    // pixels between two peaks (0 .. 50)
    int minDistNeighbour = 5;  // bins to the neighbours a peak is tested against (1 .. 50)
    bool spline = false;
    int splineType = kNoSpline;

    // The profile keys of these settings, with their ranges.

    static const std::vector<SettingDescriptor>& Keys();

    static const SettingDescriptor& Key(const char* key) { return FindDescriptor(Keys(), key); }

    static FftViewSettings From(const ProfileSettings& settings);
    void StoreInto(ProfileSettings& settings) const;
    // Pulls every value into its control's range and keeps the amplitude ends apart.
    void Sanitize();
    // Peak detection runs for the markers and for the curve through the peaks.
    bool DetectsPeaks() const { return markers || spline; }
};
