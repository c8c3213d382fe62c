#include "settings/CKalvoSettings.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

#include "settings/CIni.h"

const std::vector<CKalvoSettings::SettingKey>& CKalvoSettings::KeyTable() {
    static const std::vector<SettingKey> table = {
        {"Allgemein", "IniAllgemeinLanguage", &CKalvoSettings::IniAllgemeinLanguage},
        {"Allgemein", "IniAllgemeinGrundschulprofil", &CKalvoSettings::IniAllgemeinGrundschulprofil},
        {"Allgemein", "IniAllgemeinStatusbar", &CKalvoSettings::IniAllgemeinStatusbar},
        {"Allgemein", "IniAllgemeinToolbarNormal", &CKalvoSettings::IniAllgemeinToolbarNormal},
        {"Allgemein", "IniAllgemeinToolbarSchule", &CKalvoSettings::IniAllgemeinToolbarSchule},
        {"Allgemein", "IniAllgemeinMenu", &CKalvoSettings::IniAllgemeinMenu},
        {"Dokument", "IniDokumentNumFFTPoints", &CKalvoSettings::IniDokumentNumFFTPoints},
        {"Dokument", "IniDokumentPlayFile", &CKalvoSettings::IniDokumentPlayFile},
        {"Fenster", "IniFensterFFT", &CKalvoSettings::IniFensterFFT},
        {"Fenster", "IniFensterFFT3D", &CKalvoSettings::IniFensterFFT3D},
        {"Fenster", "IniFensterAnalyse", &CKalvoSettings::IniFensterAnalyse},
        {"Fenster", "IniFensterNotenbild", &CKalvoSettings::IniFensterNotenbild},
        {"Fenster", "IniFensterReko", &CKalvoSettings::IniFensterReko},
        {"Fenster", "IniFensterSono", &CKalvoSettings::IniFensterSono},
        {"Fenster", "IniFensterWavelet", &CKalvoSettings::IniFensterWavelet},
        {"Fenster", "IniFensterZeitreihe", &CKalvoSettings::IniFensterZeitreihe},
        {"ZEITREIHE", "IniZeitreiheKorrCount", &CKalvoSettings::IniZeitreiheKorrCount},
        {"ZEITREIHE", "IniZeitreihePartitions", &CKalvoSettings::IniZeitreihePartitions},
        {"ZEITREIHE", "IniZeitreiheCorrlength", &CKalvoSettings::IniZeitreiheCorrlength},
        {"ZEITREIHE", "IniZeitreiheWhatIs", &CKalvoSettings::IniZeitreiheWhatIs},
        {"FFT", "IniFFTBottomCutHz", &CKalvoSettings::IniFFTBottomCutHz},
        {"FFT", "IniFFTTopCutkHz", &CKalvoSettings::IniFFTTopCutkHz},
        {"FFT", "IniFFTBottomCutAmp", &CKalvoSettings::IniFFTBottomCutAmp},
        {"FFT", "IniFFTTopCutAmp", &CKalvoSettings::IniFFTTopCutAmp},
        {"FFT", "IniFFTDelay", &CKalvoSettings::IniFFTDelay},
        {"FFT", "IniFFTbIsDelay", &CKalvoSettings::IniFFTbIsDelay},
        {"FFT", "IniFFTbGrid", &CKalvoSettings::IniFFTbGrid},
        {"FFT", "IniFFTMinAbstandMaxima", &CKalvoSettings::IniFFTMinAbstandMaxima},
        {"FFT", "IniFFTMinAbstandNachbarMin", &CKalvoSettings::IniFFTMinAbstandNachbarMin},
        {"FFT", "IniFFTbIsAmpLinear", &CKalvoSettings::IniFFTbIsAmpLinear},
        {"FFT", "IniFFTbIsFreqLinear", &CKalvoSettings::IniFFTbIsFreqLinear},
        {"FFT", "IniFFTbDarstellung", &CKalvoSettings::IniFFTbDarstellung},
        {"FFT", "IniFFTbIsCrossVisible", &CKalvoSettings::IniFFTbIsCrossVisible},
        {"FFT", "IniFFTbIsSpline", &CKalvoSettings::IniFFTbIsSpline},
        {"FFT", "IniFFTSplineTyp", &CKalvoSettings::IniFFTSplineTyp},
        {"FFT", "IniFFTbIsSumme", &CKalvoSettings::IniFFTbIsSumme},
        {"3DFFT", "Ini3DFFTSchrittweite", &CKalvoSettings::Ini3DFFTSchrittweite},
        {"3DFFT", "Ini3DFFTclrBackBuffer", &CKalvoSettings::Ini3DFFTclrBackBuffer},
        {"3DFFT", "Ini3DFFTBottomCutHz", &CKalvoSettings::Ini3DFFTBottomCutHz},
        {"3DFFT", "Ini3DFFTTopCutkHz", &CKalvoSettings::Ini3DFFTTopCutkHz},
        {"3DFFT", "Ini3DFFTSizePts", &CKalvoSettings::Ini3DFFTSizePts},
        {"3DFFT", "Ini3DFFTbIsWire", &CKalvoSettings::Ini3DFFTbIsWire},
        {"3DFFT", "Ini3DFFTBreite", &CKalvoSettings::Ini3DFFTBreite},
        {"3DFFT", "Ini3DFFTEpsilon", &CKalvoSettings::Ini3DFFTEpsilon},
        {"3DFFT", "Ini3DFFTTau", &CKalvoSettings::Ini3DFFTTau},
        {"3DFFT", "Ini3DFFTbIsBunt", &CKalvoSettings::Ini3DFFTbIsBunt},
        {"3DFFT", "Ini3DFFTbIsAmpLinear", &CKalvoSettings::Ini3DFFTbIsAmpLinear},
        {"3DFFT", "Ini3DFFTbIsFreqLinear", &CKalvoSettings::Ini3DFFTbIsFreqLinear},
        {"Rekonstruktion", "IniRekoTau", &CKalvoSettings::IniRekoTau},
        {"Rekonstruktion", "IniRekoclrBackBuffer", &CKalvoSettings::IniRekoclrBackBuffer},
        {"Rekonstruktion", "IniRekoSizePts", &CKalvoSettings::IniRekoSizePts},
        {"Rekonstruktion", "IniRekobIsPunkte", &CKalvoSettings::IniRekobIsPunkte},
        {"Rekonstruktion", "IniRekoNumRekoPoints", &CKalvoSettings::IniRekoNumRekoPoints},
        {"Rekonstruktion", "IniRekobIsBunt", &CKalvoSettings::IniRekobIsBunt},
        {"Sonogramm", "IniSonoBottomCutHz", &CKalvoSettings::IniSonoBottomCutHz},
        {"Sonogramm", "IniSonoLiniendicke", &CKalvoSettings::IniSonoLiniendicke},
        {"Sonogramm", "IniSonobIsSmooth", &CKalvoSettings::IniSonobIsSmooth},
        {"Sonogramm", "IniSonoTopCutkHz", &CKalvoSettings::IniSonoTopCutkHz},
        {"Sonogramm", "IniSonobIsAmpLinear", &CKalvoSettings::IniSonobIsAmpLinear},
        {"Sonogramm", "IniSonobIsFreqLinear", &CKalvoSettings::IniSonobIsFreqLinear},
        {"Sonogramm", "IniSonobIsFarbig1", &CKalvoSettings::IniSonobIsFarbig1},
        {"Notenbild", "IniNotenbildIsLinear", &CKalvoSettings::IniNotenbildIsLinear},
        {"Notenbild", "IniNotenbildWhatIs", &CKalvoSettings::IniNotenbildWhatIs},
        {"Notenbild", "IniNotenbildObertonanzahl", &CKalvoSettings::IniNotenbildObertonanzahl},
        {"Wavelet", "IniWaveletWavelet", &CKalvoSettings::IniWaveletWavelet},
        {"Wavelet", "IniWaveletFreqmin", &CKalvoSettings::IniWaveletFreqmin},
        {"Wavelet", "IniWaveletFreqmax", &CKalvoSettings::IniWaveletFreqmax},
        {"Wavelet", "IniWaveletFreqn", &CKalvoSettings::IniWaveletFreqn},
        {"Wavelet", "IniWaveletZeitn", &CKalvoSettings::IniWaveletZeitn},
        {"Wavelet", "IniWaveletadiv", &CKalvoSettings::IniWaveletadiv},
        {"Analyse", "IniAnalyseDimLya", &CKalvoSettings::IniAnalyseDimLya},
        {"Analyse", "IniAnalyseTauLya", &CKalvoSettings::IniAnalyseTauLya},
        {"Analyse", "IniAnalyseNumberOfLya", &CKalvoSettings::IniAnalyseNumberOfLya},
        {"Analyse", "IniAnalyseIterLya", &CKalvoSettings::IniAnalyseIterLya},
        {"Analyse", "IniAnalyseNumPointsLya", &CKalvoSettings::IniAnalyseNumPointsLya},
        {"Analyse", "IniAnalyseMaxDimLya", &CKalvoSettings::IniAnalyseMaxDimLya},
        {"Analyse", "IniAnalyseRadiusMinLya", &CKalvoSettings::IniAnalyseRadiusMinLya},
        {"Analyse", "IniAnalyseNumPointsLyaMax", &CKalvoSettings::IniAnalyseNumPointsLyaMax},
        {"Analyse", "IniAnalyseIterLyaMax", &CKalvoSettings::IniAnalyseIterLyaMax},
        {"Analyse", "IniAnalyseNumberOfLyaMax", &CKalvoSettings::IniAnalyseNumberOfLyaMax},
        {"Analyse", "IniAnalyseTauLyaMax", &CKalvoSettings::IniAnalyseTauLyaMax},
        {"Analyse", "IniAnalyseRadiusMinLyaMax", &CKalvoSettings::IniAnalyseRadiusMinLyaMax},
        {"Analyse", "IniAnalyseRadiusMaxLyaMax", &CKalvoSettings::IniAnalyseRadiusMaxLyaMax},
        {"Analyse", "IniAnalyseMinDimDoneMaxLya", &CKalvoSettings::IniAnalyseMinDimDoneMaxLya},
        {"Analyse", "IniAnalyseMaxDimDoneMaxLya", &CKalvoSettings::IniAnalyseMaxDimDoneMaxLya},
        {"Analyse", "IniAnalyseReferenzLyaMax", &CKalvoSettings::IniAnalyseReferenzLyaMax},
        {"Analyse", "IniAnalyseDimKorr", &CKalvoSettings::IniAnalyseDimKorr},
        {"Analyse", "IniAnalyseNumPointsKorr", &CKalvoSettings::IniAnalyseNumPointsKorr},
        {"Analyse", "IniAnalyseNumberOfKorr", &CKalvoSettings::IniAnalyseNumberOfKorr},
        {"Analyse", "IniAnalyseTauKorr", &CKalvoSettings::IniAnalyseTauKorr},
        {"Analyse", "IniAnalyseRadiusMinKorr", &CKalvoSettings::IniAnalyseRadiusMinKorr},
        {"Analyse", "IniAnalyseRadiusMaxKorr", &CKalvoSettings::IniAnalyseRadiusMaxKorr},
        {"Analyse", "IniAnalyseMaxDimKorr", &CKalvoSettings::IniAnalyseMaxDimKorr},
        {"Analyse", "IniAnalyseIterKorr", &CKalvoSettings::IniAnalyseIterKorr},
        {"Analyse", "IniAnalyseWhatIs", &CKalvoSettings::IniAnalyseWhatIs},
        {"Analyse", "IniAnalyseFitFromKorr", &CKalvoSettings::IniAnalyseFitFromKorr},
        {"Analyse", "IniAnalyseFitToKorr", &CKalvoSettings::IniAnalyseFitToKorr},
    };
    return table;
}

const CKalvoSettings::SettingKey* CKalvoSettings::FindKey(const QString& key) {
    for (const SettingKey& k : KeyTable())
        if (key.compare(QLatin1String(k.key), Qt::CaseInsensitive) == 0) return &k;
    return nullptr;
}

QString CKalvoSettings::SettingText(const SettingKey& key) const {
    return std::visit(
        [this](auto member) -> QString {
            const auto& value = this->*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>)
                return value;
            else if constexpr (std::is_same_v<T, int>)
                return CIni::FormatInt(value);
            else
                return CIni::FormatReal(value);
        },
        key.member);
}

bool CKalvoSettings::IsFiniteNumberText(const SettingKey& key, const QString& text) {
    return std::visit(
        [&text](auto member) {
            using T = std::decay_t<decltype(std::declval<CKalvoSettings&>().*member)>;
            if constexpr (std::is_same_v<T, QString>) {
                return true;
            } else if constexpr (std::is_same_v<T, int>) {
                // The integer reading would take "inf" or "nan" for a 0 without a word.
                QString word = text.trimmed().toLower();
                if (word.startsWith(u'+') || word.startsWith(u'-')) word.remove(0, 1);
                return !word.startsWith(QLatin1String("inf")) && !word.startsWith(QLatin1String("nan"));
            } else {
                return std::isfinite(static_cast<T>(CIni::ParseReal(text)));
            }
        },
        key.member);
}

bool CKalvoSettings::SetSettingText(const QString& keyName, const QString& text) {
    const SettingKey* key = FindKey(keyName);
    if (!key || !IsFiniteNumberText(*key, text)) return false;
    std::visit(
        [this, &text](auto member) {
            auto& value = this->*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>)
                value = text.left(CIni::kMaxValue);
            else if constexpr (std::is_same_v<T, int>)
                value = CIni::ParseInt(text);
            else
                value = static_cast<T>(CIni::ParseReal(text));
        },
        key->member);
    IniDokumentNumFFTPoints = CheckedFftPoints(IniDokumentNumFFTPoints);
    return true;
}

int CKalvoSettings::CheckedFftPoints(int points) {
    if (points <= 0 || (points & (points - 1)) != 0) return 8192;
    // Only the sizes the FFT settings offer: a profile cannot ask for gigabytes.
    return std::clamp(points, kMinFftPoints, kMaxFftPoints);
}

WindowPlacement CKalvoSettings::GetWindowSlot(int slot) const {
    if (slot < 1 || slot >= kSlotCount) slot = kSlotMain;
    return m_placements[static_cast<std::size_t>(slot)];
}

void CKalvoSettings::SetWindowSlot(const WindowPlacement& placement, int slot) {
    if (slot < 0 || slot >= kSlotCount) return;
    WindowPlacement& stored = m_placements[static_cast<std::size_t>(slot)];
    stored = placement;
    stored.length = WindowPlacement::kRecordSize;
}

void CKalvoSettings::ConvertPlacement(bool toRelative, WindowPlacement& wp, const FrameMetrics& frame) const {
    const int w = frame.clientWidth;
    int h = frame.clientHeight;
    if (IniAllgemeinStatusbar) h -= frame.statusBarHeight;
    if (IniAllgemeinToolbarSchule) h -= frame.kidsToolBarHeight;
    if (IniAllgemeinToolbarNormal) h -= frame.toolBarHeight;
    if (w <= 0 || h <= 0) return;  // no client area to measure against: leave the placement as it is
    if (toRelative) {
        const auto rel = [](int v, int size) {
            return static_cast<int>(std::ceil(static_cast<float>(v) * 10000.0f / static_cast<float>(size)));
        };
        wp.left = rel(wp.left, w);
        wp.top = rel(wp.top, h);
        wp.right = rel(wp.right, w);
        wp.bottom = rel(wp.bottom, h);
    } else {
        const auto px = [](int v, int size) {
            const int p =
                static_cast<int>(std::ceil(static_cast<double>(static_cast<long long>(v) * size) / 10000.0));
            return p - p % 2;  // even, toward zero
        };
        wp.left = px(wp.left, w);
        wp.top = px(wp.top, h);
        wp.right = px(wp.right, w);
        wp.bottom = px(wp.bottom, h);
    }
}
