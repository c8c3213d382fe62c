#pragma once
// The settings of the wavelet view, copied from the profile's settings when the view starts
// and written back when it goes. The two scale bounds are periods in seconds (as the profile
// stores them); the controls show the frequencies the rows at those scales answer most, the
// wavelet's centre frequency over the scale. Values a profile may carry outside the controls'
// ranges are pulled into them.

#include <QString>

#include <vector>

#include "settings/SettingDescriptor.h"

class ProfileSettings;
struct CwtParameters;

struct WaveletViewSettings {
    static constexpr int kLowestHz = 1, kHighestHz = 30000;
    static constexpr int kMostScales = 999, kMostTimePoints = 999;
    static constexpr const char* kDefaultSpec = "morlet,2";

    QString spec = QString::fromLatin1(kDefaultSpec);  // wavelet name and arguments
    float scaleFirst = 0.05f;                          // the scale of the lowest frequency, s
    float scaleLast = 0.00005f;                        // the scale of the highest frequency, s
    int scaleCount = 100;                              // 1 .. 999
    int timeCount = 200;                               // 1 .. 999
    int division = 2;                                  // 0 linear, 1 reciprocal, 2 exponential

    // The profile keys of these settings, with their ranges.

    static const std::vector<SettingDescriptor>& Keys();

    static const SettingDescriptor& Key(const char* key) { return FindDescriptor(Keys(), key); }

    static WaveletViewSettings From(const ProfileSettings& settings);
    void StoreInto(ProfileSettings& settings) const;
    void Sanitize();
    // The transform parameters the view sets.
    void ApplyTo(CwtParameters& parameters) const;

    // The wavelet's centre frequency (cycles per unit of its own x), so that a row of scale a
    // seconds shows centre / a Hz strongest; 1 for a text without one (refused, or a wavelet
    // without a finite support), which keeps 1 / scale.
    double CentreFrequency() const;
    // The frequencies the controls show, whole Hz: centre / scale.
    int MinFrequency() const;
    int MaxFrequency() const;
    // The scale, s, whose rows show hz strongest: the inverse of the above.
    float ScaleOf(int hz) const;
    // Takes another wavelet text and moves the scales so that the lowest and highest
    // frequency stay what they were.
    void SetSpec(const QString& newSpec);
    // The list entry (0 .. 7) whose name begins the wavelet text (in any case), or -1.
    int WaveletIndex() const;
    // The argument text after the name, without its leading comma.
    QString Arguments() const;
};
