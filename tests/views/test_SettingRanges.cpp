// Values beyond a setting's range, as a hand-edited profile may hold them, come back from a
// window's settings within the range its key describes (the range its control offers), at
// both ends: a key with a range that its window does not keep fails here.

#include <gtest/gtest.h>

#include "settings/ProfileSettings.h"
#include "views/nonlinear/AnalysisSettings.h"
#include "views/nonlinear/ReconstructionViewSettings.h"
#include "views/spectral/FftViewSettings.h"
#include "views/spectral/LandscapeViewSettings.h"
#include "views/spectral/SonogramViewSettings.h"
#include "views/wavelet/WaveletViewSettings.h"

namespace {

template <class Settings>
void ExpectPulledIntoRanges(const char* window) {
    int ranged = 0;
    for (double extreme : {-1e6, 1e6}) {
        ProfileSettings settings;
        for (const SettingDescriptor& key : Settings::Keys())
            if (key.HasRange()) settings.SetValue(key, extreme);
        Settings::From(settings).StoreInto(settings);
        for (const SettingDescriptor& key : Settings::Keys()) {
            if (!key.HasRange()) continue;
            ++ranged;
            EXPECT_TRUE(key.InRange(settings.Value(key)))
                << window << ' ' << key.key << " = " << settings.Value(key) << " from " << extreme;
        }
    }
    EXPECT_GT(ranged, 0) << window;
}

}  // namespace

TEST(SettingRanges, EveryWindowKeepsItsSettingsWithinTheirKeysRanges) {
    ExpectPulledIntoRanges<FftViewSettings>("spectrum");
    ExpectPulledIntoRanges<SonogramViewSettings>("sonogram");
    ExpectPulledIntoRanges<LandscapeViewSettings>("3D spectrum");
    ExpectPulledIntoRanges<ReconstructionViewSettings>("reconstruction");
    ExpectPulledIntoRanges<WaveletViewSettings>("wavelet");
    ExpectPulledIntoRanges<AnalysisSettings>("analysis");
}

TEST(SettingRanges, TheLowestFrequencyIsOneRangeForBarSanitisingAndHandler) {
    // 1 .. 999 Hz, as the spectrum, sonogram and 3D spectrum windows offer it.
    for (const SettingDescriptor* key :
         {&FftViewSettings::Key("IniFFTBottomCutHz"), &SonogramViewSettings::Key("IniSonoBottomCutHz"),
          &LandscapeViewSettings::Key("Ini3DFFTBottomCutHz")}) {
        SCOPED_TRACE(key->key);
        EXPECT_EQ(key->Minimum(), 1);
        EXPECT_EQ(key->Maximum(), 999);
        EXPECT_EQ(key->Clamped(0), 1);
        EXPECT_EQ(key->Clamped(1000), 999);
        EXPECT_EQ(key->Clamped(440), 440);
        EXPECT_FALSE(key->InRange(999.5));
    }
}
