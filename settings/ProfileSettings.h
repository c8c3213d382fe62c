#pragma once
// The carried settings: one field per profile key of the program's own modules, named after
// the key, a keyed store for the settings of modules that bring their keys along, the key
// table that ties each setting to its section and key, and the stored window placements. The
// application owns one object, loads it from and saves it into the profiles; the document and
// the views read it and write back what they carry.

#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "settings/SettingDescriptor.h"
#include "settings/WindowPlacement.h"

class ProfileSettings {
public:
    // ---- Settings: one field per profile key, named after the key. ----
    int IniAllgemeinLanguage = 0;
    int IniAllgemeinGrundschulprofil = 0;
    int IniAllgemeinStatusbar = 0;
    int IniAllgemeinToolbarNormal = 0;
    int IniAllgemeinToolbarSchule = 0;
    int IniAllgemeinMenu = 0;
    int IniDokumentNumFFTPoints = 0;
    QString IniDokumentPlayFile;
    int IniFensterFFT = 0;
    int IniFensterFFT3D = 0;
    int IniFensterAnalyse = 0;
    int IniFensterNotenbild = 0;
    int IniFensterReko = 0;
    int IniFensterSono = 0;
    int IniFensterWavelet = 0;
    int IniFensterZeitreihe = 0;
    int IniZeitreiheKorrCount = 0;
    int IniZeitreihePartitions = 0;
    int IniZeitreiheCorrlength = 0;
    int IniZeitreiheWhatIs = 0;
    int IniFFTBottomCutHz = 0;
    int IniFFTTopCutkHz = 0;
    int IniFFTBottomCutAmp = 0;
    int IniFFTTopCutAmp = 0;
    int IniFFTDelay = 0;
    int IniFFTbIsDelay = 0;
    int IniFFTbGrid = 0;
    int IniFFTMinAbstandMaxima = 0;
    int IniFFTMinAbstandNachbarMin = 0;
    int IniFFTbIsAmpLinear = 0;
    int IniFFTbIsFreqLinear = 0;
    int IniFFTbDarstellung = 0;
    int IniFFTbIsCrossVisible = 0;
    int IniFFTbIsSpline = 0;
    int IniFFTSplineTyp = 0;
    int IniFFTbIsSumme = 0;
    float Ini3DFFTSchrittweite = 0.0f;
    int Ini3DFFTclrBackBuffer = 0;
    int Ini3DFFTBottomCutHz = 0;
    int Ini3DFFTTopCutkHz = 0;
    float Ini3DFFTSizePts = 0.0f;
    int Ini3DFFTbIsWire = 0;
    int Ini3DFFTBreite = 0;
    float Ini3DFFTEpsilon = 0.0f;
    int Ini3DFFTTau = 0;
    int Ini3DFFTbIsBunt = 0;
    int Ini3DFFTbIsAmpLinear = 0;
    int Ini3DFFTbIsFreqLinear = 0;
    int IniRekoTau = 0;
    int IniRekoclrBackBuffer = 0;
    float IniRekoSizePts = 0.0f;
    int IniRekobIsPunkte = 0;
    int IniRekoNumRekoPoints = 0;
    int IniRekobIsBunt = 0;
    int IniSonoBottomCutHz = 0;
    int IniSonoLiniendicke = 0;
    int IniSonobIsSmooth = 0;
    int IniSonoTopCutkHz = 0;
    int IniSonobIsAmpLinear = 0;
    int IniSonobIsFreqLinear = 0;
    int IniSonobIsFarbig1 = 0;
    int IniNotenbildIsLinear = 0;
    int IniNotenbildWhatIs = 0;
    int IniNotenbildObertonanzahl = 0;
    QString IniWaveletWavelet;
    float IniWaveletFreqmin = 0.0f;
    float IniWaveletFreqmax = 0.0f;
    int IniWaveletFreqn = 0;
    int IniWaveletZeitn = 0;
    int IniWaveletadiv = 0;
    int IniAnalyseDimLya = 0;
    int IniAnalyseTauLya = 0;
    int IniAnalyseNumberOfLya = 0;
    int IniAnalyseIterLya = 0;
    int IniAnalyseNumPointsLya = 0;
    int IniAnalyseMaxDimLya = 0;
    double IniAnalyseRadiusMinLya = 0.0;
    int IniAnalyseNumPointsLyaMax = 0;
    int IniAnalyseIterLyaMax = 0;
    int IniAnalyseNumberOfLyaMax = 0;
    int IniAnalyseTauLyaMax = 0;
    double IniAnalyseRadiusMinLyaMax = 0.0;
    double IniAnalyseRadiusMaxLyaMax = 0.0;
    int IniAnalyseMinDimDoneMaxLya = 0;
    int IniAnalyseMaxDimDoneMaxLya = 0;
    int IniAnalyseReferenzLyaMax = 0;
    int IniAnalyseDimKorr = 0;
    int IniAnalyseNumPointsKorr = 0;
    int IniAnalyseNumberOfKorr = 0;
    int IniAnalyseTauKorr = 0;
    double IniAnalyseRadiusMinKorr = 0.0;
    double IniAnalyseRadiusMaxKorr = 0.0;
    int IniAnalyseMaxDimKorr = 0;
    int IniAnalyseIterKorr = 0;
    int IniAnalyseWhatIs = 0;
    // The radius range of the plateau fit in pictures and tables of the command line (0: none).
    double IniAnalyseFitFromKorr = 0.0;
    double IniAnalyseFitToKorr = 0.0;

    // One row of the key table: section, key, what holds the value, range and default.
    using Member = SettingMember;
    using SettingKey = SettingDescriptor;
    // Every key, in the order in which profiles hold them: the general keys, then the tables the
    // modules registered, by their place.
    static const std::vector<SettingKey>& KeyTable();
    static const SettingKey* FindKey(const QString& key);
    // A module's keys join the table (replacing those it registered before) or leave it. Rows
    // found before stay valid until the table changes: registering the same keys again keeps it.
    static void AddKeys(int owner, std::vector<SettingTable> tables);
    static void RemoveKeys(int owner);
    // A setting as profile text, and set from profile text (false, and nothing set, for an
    // unknown key or a text the key cannot take).
    QString SettingText(const SettingKey& key) const;
    bool SetSettingText(const QString& key, const QString& text);
    // False when the key holds a number and the text is not a finite one ("nan", "inf", a
    // number beyond the field's range), which no setting can stand for.
    static bool IsFiniteNumberText(const SettingKey& key, const QString& text);
    // Whether key holds a number (not a text).
    static bool IsNumberKey(const SettingKey& key);
    // The number text stands for as a value of key, read strictly: nothing for a text that is
    // not a whole number (an int key) or not a finite number, for a text key, or for a value
    // beyond what the key's type holds. The range is not checked.
    static std::optional<double> NumberFromText(const SettingKey& key, const QString& text);
    // Pulls a number setting into its key's range; a value that is not finite becomes the key's
    // default first. A profile cannot ask for more than the controls offer.
    void PullIntoRange(const SettingKey& key);
    // A setting as a number, whatever holds it (0 for a text).
    double Value(const SettingKey& key) const;
    int IntValue(const SettingKey& key) const { return static_cast<int>(Value(key)); }
    void SetValue(const SettingKey& key, double value);
    // Calls f with a reference to the value of key (int, float, double or QString); a stored
    // setting that was never set holds its default.
    template <class F>
    void VisitValue(const SettingKey& key, F&& f);
    template <class F>
    void VisitValue(const SettingKey& key, F&& f) const;

    // "IniDokumentNumFFTPoints" must be a power of two (anything else becomes 8192) within
    // the sizes of the FFT settings.
    static constexpr int kMinFftPoints = 256;
    static constexpr int kMaxFftPoints = 524288;
    static int CheckedFftPoints(int points);

    bool IsKidsMode() const { return IniAllgemeinGrundschulprofil != 0; }

    // ---- Window placements. ----
    // A slot for a window the fixed slots do not name, stored in its own profile section; asking
    // again for the same section gives the same slot.
    static int AddPlacementSlot(const QString& section);
    static void RemovePlacementSlot(int slot);
    // One past the highest slot, and the profile section of a slot (empty for none).
    static int PlacementSlotCount();
    static QString PlacementSection(int slot);
    WindowPlacement GetWindowSlot(int slot) const;
    void SetWindowSlot(const WindowPlacement& placement, int slot);
    // Between pixels and 1/10000 of the main frame's client area (less the visible bars).
    void ConvertPlacement(bool toRelative, WindowPlacement& placement, const FrameMetrics& frame) const;
    // The main frame's client area and bar heights, for converting placements; set by the main frame.
    std::function<FrameMetrics()> m_frameMetrics;

private:
    using StoredValue = std::variant<int, double, QString>;
    // The stored value of key, made with its default on first use.
    StoredValue& Stored(const SettingKey& key) const;
    std::vector<WindowPlacement> m_placements = std::vector<WindowPlacement>(kSlotCount);
    mutable std::map<QString, StoredValue> m_stored;  // by key; what no field holds
};

template <class F>
void ProfileSettings::VisitValue(const SettingKey& key, F&& f) {
    std::visit(
        [this, &key, &f](auto member) {
            if constexpr (std::is_same_v<decltype(member), StoredSetting>)
                std::visit([&f](auto& value) { f(value); }, Stored(key));
            else
                f(this->*member);
        },
        key.member);
}

template <class F>
void ProfileSettings::VisitValue(const SettingKey& key, F&& f) const {
    std::visit(
        [this, &key, &f](auto member) {
            if constexpr (std::is_same_v<decltype(member), StoredSetting>)
                std::visit([&f](const auto& value) { f(value); }, Stored(key));
            else
                f(this->*member);
        },
        key.member);
}
