#include "app/CKalvoApp.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "app/CIni.h"
#include "app/CMainFrame.h"
#include "app/CModuleWindows.h"
#include "document/CKalvoDoc.h"
#include "platform/CSaveProfileDLG.h"
#include "platform/ProgramFolder.h"
#include "platform/UserInterface.h"

CKalvoApp::CKalvoApp(UserInterface& ui) : m_ui(ui) {}
CKalvoApp::~CKalvoApp() = default;

const std::vector<CKalvoApp::SettingKey>& CKalvoApp::KeyTable() {
    static const std::vector<SettingKey> table = {
        {"Allgemein", "IniAllgemeinLanguage", &CKalvoApp::IniAllgemeinLanguage},
        {"Allgemein", "IniAllgemeinGrundschulprofil", &CKalvoApp::IniAllgemeinGrundschulprofil},
        {"Allgemein", "IniAllgemeinStatusbar", &CKalvoApp::IniAllgemeinStatusbar},
        {"Allgemein", "IniAllgemeinToolbarNormal", &CKalvoApp::IniAllgemeinToolbarNormal},
        {"Allgemein", "IniAllgemeinToolbarSchule", &CKalvoApp::IniAllgemeinToolbarSchule},
        {"Allgemein", "IniAllgemeinMenu", &CKalvoApp::IniAllgemeinMenu},
        {"Dokument", "IniDokumentNumFFTPoints", &CKalvoApp::IniDokumentNumFFTPoints},
        {"Dokument", "IniDokumentPlayFile", &CKalvoApp::IniDokumentPlayFile},
        {"Fenster", "IniFensterFFT", &CKalvoApp::IniFensterFFT},
        {"Fenster", "IniFensterFFT3D", &CKalvoApp::IniFensterFFT3D},
        {"Fenster", "IniFensterAnalyse", &CKalvoApp::IniFensterAnalyse},
        {"Fenster", "IniFensterNotenbild", &CKalvoApp::IniFensterNotenbild},
        {"Fenster", "IniFensterReko", &CKalvoApp::IniFensterReko},
        {"Fenster", "IniFensterSono", &CKalvoApp::IniFensterSono},
        {"Fenster", "IniFensterWavelet", &CKalvoApp::IniFensterWavelet},
        {"Fenster", "IniFensterZeitreihe", &CKalvoApp::IniFensterZeitreihe},
        {"ZEITREIHE", "IniZeitreiheKorrCount", &CKalvoApp::IniZeitreiheKorrCount},
        {"ZEITREIHE", "IniZeitreihePartitions", &CKalvoApp::IniZeitreihePartitions},
        {"ZEITREIHE", "IniZeitreiheCorrlength", &CKalvoApp::IniZeitreiheCorrlength},
        {"ZEITREIHE", "IniZeitreiheWhatIs", &CKalvoApp::IniZeitreiheWhatIs},
        {"FFT", "IniFFTBottomCutHz", &CKalvoApp::IniFFTBottomCutHz},
        {"FFT", "IniFFTTopCutkHz", &CKalvoApp::IniFFTTopCutkHz},
        {"FFT", "IniFFTBottomCutAmp", &CKalvoApp::IniFFTBottomCutAmp},
        {"FFT", "IniFFTTopCutAmp", &CKalvoApp::IniFFTTopCutAmp},
        {"FFT", "IniFFTDelay", &CKalvoApp::IniFFTDelay},
        {"FFT", "IniFFTbIsDelay", &CKalvoApp::IniFFTbIsDelay},
        {"FFT", "IniFFTbGrid", &CKalvoApp::IniFFTbGrid},
        {"FFT", "IniFFTMinAbstandMaxima", &CKalvoApp::IniFFTMinAbstandMaxima},
        {"FFT", "IniFFTMinAbstandNachbarMin", &CKalvoApp::IniFFTMinAbstandNachbarMin},
        {"FFT", "IniFFTbIsAmpLinear", &CKalvoApp::IniFFTbIsAmpLinear},
        {"FFT", "IniFFTbIsFreqLinear", &CKalvoApp::IniFFTbIsFreqLinear},
        {"FFT", "IniFFTbDarstellung", &CKalvoApp::IniFFTbDarstellung},
        {"FFT", "IniFFTbIsCrossVisible", &CKalvoApp::IniFFTbIsCrossVisible},
        {"FFT", "IniFFTbIsSpline", &CKalvoApp::IniFFTbIsSpline},
        {"FFT", "IniFFTSplineTyp", &CKalvoApp::IniFFTSplineTyp},
        {"FFT", "IniFFTbIsSumme", &CKalvoApp::IniFFTbIsSumme},
        {"3DFFT", "Ini3DFFTSchrittweite", &CKalvoApp::Ini3DFFTSchrittweite},
        {"3DFFT", "Ini3DFFTclrBackBuffer", &CKalvoApp::Ini3DFFTclrBackBuffer},
        {"3DFFT", "Ini3DFFTBottomCutHz", &CKalvoApp::Ini3DFFTBottomCutHz},
        {"3DFFT", "Ini3DFFTTopCutkHz", &CKalvoApp::Ini3DFFTTopCutkHz},
        {"3DFFT", "Ini3DFFTSizePts", &CKalvoApp::Ini3DFFTSizePts},
        {"3DFFT", "Ini3DFFTbIsWire", &CKalvoApp::Ini3DFFTbIsWire},
        {"3DFFT", "Ini3DFFTBreite", &CKalvoApp::Ini3DFFTBreite},
        {"3DFFT", "Ini3DFFTEpsilon", &CKalvoApp::Ini3DFFTEpsilon},
        {"3DFFT", "Ini3DFFTTau", &CKalvoApp::Ini3DFFTTau},
        {"3DFFT", "Ini3DFFTbIsBunt", &CKalvoApp::Ini3DFFTbIsBunt},
        {"3DFFT", "Ini3DFFTbIsAmpLinear", &CKalvoApp::Ini3DFFTbIsAmpLinear},
        {"3DFFT", "Ini3DFFTbIsFreqLinear", &CKalvoApp::Ini3DFFTbIsFreqLinear},
        {"Rekonstruktion", "IniRekoTau", &CKalvoApp::IniRekoTau},
        {"Rekonstruktion", "IniRekoclrBackBuffer", &CKalvoApp::IniRekoclrBackBuffer},
        {"Rekonstruktion", "IniRekoSizePts", &CKalvoApp::IniRekoSizePts},
        {"Rekonstruktion", "IniRekobIsPunkte", &CKalvoApp::IniRekobIsPunkte},
        {"Rekonstruktion", "IniRekoNumRekoPoints", &CKalvoApp::IniRekoNumRekoPoints},
        {"Rekonstruktion", "IniRekobIsBunt", &CKalvoApp::IniRekobIsBunt},
        {"Sonogramm", "IniSonoBottomCutHz", &CKalvoApp::IniSonoBottomCutHz},
        {"Sonogramm", "IniSonoLiniendicke", &CKalvoApp::IniSonoLiniendicke},
        {"Sonogramm", "IniSonobIsSmooth", &CKalvoApp::IniSonobIsSmooth},
        {"Sonogramm", "IniSonoTopCutkHz", &CKalvoApp::IniSonoTopCutkHz},
        {"Sonogramm", "IniSonobIsAmpLinear", &CKalvoApp::IniSonobIsAmpLinear},
        {"Sonogramm", "IniSonobIsFreqLinear", &CKalvoApp::IniSonobIsFreqLinear},
        {"Sonogramm", "IniSonobIsFarbig1", &CKalvoApp::IniSonobIsFarbig1},
        {"Notenbild", "IniNotenbildIsLinear", &CKalvoApp::IniNotenbildIsLinear},
        {"Notenbild", "IniNotenbildWhatIs", &CKalvoApp::IniNotenbildWhatIs},
        {"Notenbild", "IniNotenbildObertonanzahl", &CKalvoApp::IniNotenbildObertonanzahl},
        {"Wavelet", "IniWaveletWavelet", &CKalvoApp::IniWaveletWavelet},
        {"Wavelet", "IniWaveletFreqmin", &CKalvoApp::IniWaveletFreqmin},
        {"Wavelet", "IniWaveletFreqmax", &CKalvoApp::IniWaveletFreqmax},
        {"Wavelet", "IniWaveletFreqn", &CKalvoApp::IniWaveletFreqn},
        {"Wavelet", "IniWaveletZeitn", &CKalvoApp::IniWaveletZeitn},
        {"Wavelet", "IniWaveletadiv", &CKalvoApp::IniWaveletadiv},
        {"Analyse", "IniAnalyseDimLya", &CKalvoApp::IniAnalyseDimLya},
        {"Analyse", "IniAnalyseTauLya", &CKalvoApp::IniAnalyseTauLya},
        {"Analyse", "IniAnalyseNumberOfLya", &CKalvoApp::IniAnalyseNumberOfLya},
        {"Analyse", "IniAnalyseIterLya", &CKalvoApp::IniAnalyseIterLya},
        {"Analyse", "IniAnalyseNumPointsLya", &CKalvoApp::IniAnalyseNumPointsLya},
        {"Analyse", "IniAnalyseMaxDimLya", &CKalvoApp::IniAnalyseMaxDimLya},
        {"Analyse", "IniAnalyseRadiusMinLya", &CKalvoApp::IniAnalyseRadiusMinLya},
        {"Analyse", "IniAnalyseNumPointsLyaMax", &CKalvoApp::IniAnalyseNumPointsLyaMax},
        {"Analyse", "IniAnalyseIterLyaMax", &CKalvoApp::IniAnalyseIterLyaMax},
        {"Analyse", "IniAnalyseNumberOfLyaMax", &CKalvoApp::IniAnalyseNumberOfLyaMax},
        {"Analyse", "IniAnalyseTauLyaMax", &CKalvoApp::IniAnalyseTauLyaMax},
        {"Analyse", "IniAnalyseRadiusMinLyaMax", &CKalvoApp::IniAnalyseRadiusMinLyaMax},
        {"Analyse", "IniAnalyseRadiusMaxLyaMax", &CKalvoApp::IniAnalyseRadiusMaxLyaMax},
        {"Analyse", "IniAnalyseMinDimDoneMaxLya", &CKalvoApp::IniAnalyseMinDimDoneMaxLya},
        {"Analyse", "IniAnalyseMaxDimDoneMaxLya", &CKalvoApp::IniAnalyseMaxDimDoneMaxLya},
        {"Analyse", "IniAnalyseReferenzLyaMax", &CKalvoApp::IniAnalyseReferenzLyaMax},
        {"Analyse", "IniAnalyseDimKorr", &CKalvoApp::IniAnalyseDimKorr},
        {"Analyse", "IniAnalyseNumPointsKorr", &CKalvoApp::IniAnalyseNumPointsKorr},
        {"Analyse", "IniAnalyseNumberOfKorr", &CKalvoApp::IniAnalyseNumberOfKorr},
        {"Analyse", "IniAnalyseTauKorr", &CKalvoApp::IniAnalyseTauKorr},
        {"Analyse", "IniAnalyseRadiusMinKorr", &CKalvoApp::IniAnalyseRadiusMinKorr},
        {"Analyse", "IniAnalyseRadiusMaxKorr", &CKalvoApp::IniAnalyseRadiusMaxKorr},
        {"Analyse", "IniAnalyseMaxDimKorr", &CKalvoApp::IniAnalyseMaxDimKorr},
        {"Analyse", "IniAnalyseIterKorr", &CKalvoApp::IniAnalyseIterKorr},
        {"Analyse", "IniAnalyseWhatIs", &CKalvoApp::IniAnalyseWhatIs},
    };
    return table;
}

const CKalvoApp::SettingKey* CKalvoApp::FindKey(const QString& key) {
    for (const SettingKey& k : KeyTable())
        if (key.compare(QLatin1String(k.key), Qt::CaseInsensitive) == 0) return &k;
    return nullptr;
}

QString CKalvoApp::SettingText(const SettingKey& key) const {
    return std::visit(
        [this](auto member) -> QString {
            const auto& value = this->*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>) return value;
            else if constexpr (std::is_same_v<T, int>) return CIni::FormatInt(value);
            else return CIni::FormatReal(value);
        },
        key.member);
}

bool CKalvoApp::SetSettingText(const QString& keyName, const QString& text) {
    const SettingKey* key = FindKey(keyName);
    if (!key) return false;
    std::visit(
        [this, &text](auto member) {
            auto& value = this->*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, QString>) value = text.left(CIni::kMaxValue);
            else if constexpr (std::is_same_v<T, int>) value = CIni::ParseInt(text);
            else value = static_cast<T>(CIni::ParseReal(text));
        },
        key->member);
    IniDokumentNumFFTPoints = CheckedFftPoints(IniDokumentNumFFTPoints);
    return true;
}

int CKalvoApp::CheckedFftPoints(int points) {
    // Halve until below 1: a power of two ends exactly at 0.5.
    float x = static_cast<float>(points);
    if (x < 1.0f) return 8192;
    while (x >= 1.0f) x /= 2.0f;
    return x == 0.5f ? points : 8192;
}

QString CKalvoApp::ProfileFile(ProfileKind kind, const QString& userProfileFile) {
    switch (kind) {
        case ProfileKind::Standard: return QStringLiteral("Profile/KalvoStandardProfil.ini");
        case ProfileKind::Musiker: return QStringLiteral("Profile/KalvoMusikerProfil.ini");
        case ProfileKind::Analytiker: return QStringLiteral("Profile/KalvoAnalytikerProfil.ini");
        case ProfileKind::Komplett: return QStringLiteral("Profile/KalvoKomplettProfil.ini");
        case ProfileKind::ForKids: return QStringLiteral("Profile/KalvoforKidsProfil.ini");
        case ProfileKind::Oberschule: return QStringLiteral("Profile/KalvoOberschuleProfil.ini");
        case ProfileKind::LastUsed: return QStringLiteral("Profile/KalvoZuletztVerwendetProfil.ini");
        case ProfileKind::User: return QStringLiteral("Profile/") + userProfileFile;
    }
    return {};
}

QString CKalvoApp::PlacementSection(int slot) {
    static const char* const sections[kSlotCount] = {
        "MainWindow", "UebersichtWindow", "FFTWindow", "AnalyseWindow", "RekonstruktionsWindow",
        "FFT3DWindow", "NotenbildWindow", "SonogrammWindow", "WaveletWindow", "ZeitreiheWindow"};
    return QLatin1String(sections[std::clamp(slot, 0, kSlotCount - 1)]);
}

void CKalvoApp::SerializeSettings(bool load) {
    CIni ini(m_strProfilePath, QStringLiteral("Allgemein"), true);
    for (const SettingKey& key : KeyTable()) {
        const QString name = QLatin1String(key.key);
        const QString section = QLatin1String(key.section);
        std::visit(
            [&](auto member) {
                auto& value = this->*member;
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, QString>) ini.SerString(load, value, name, section, QString());
                else if constexpr (std::is_same_v<T, int>) ini.SerInt(load, value, name, section, 0);
                else if constexpr (std::is_same_v<T, float>) ini.SerFloat(load, value, name, section, 0.0f);
                else ini.SerDouble(load, value, name, section, 0.0);
            },
            key.member);
        if (key.member == Member(&CKalvoApp::IniDokumentNumFFTPoints))
            IniDokumentNumFFTPoints = CheckedFftPoints(IniDokumentNumFFTPoints);
    }
    const WindowPlacement def = WindowPlacement::Default();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        WindowPlacement placement = GetWindowSlot(slot);
        SerializePlacement(ini, load, placement, def, PlacementSection(slot));
        if (load) {
            SetWindowSlot(placement, slot);
            if (slot == kSlotMain) FitMainPlacement(def);
        }
    }
}

void CKalvoApp::SerializePlacement(CIni& ini, bool load, WindowPlacement& wp, const WindowPlacement& def,
                                   const QString& section) {
    ini.SetSection(section);
    const QString s = section;
    ini.SerInt(load, wp.showCmd, QStringLiteral("wp->showCmd"), s, def.showCmd);
    ini.SerInt(load, wp.flags, QStringLiteral("wp->flags"), s, def.flags);
    ini.SerInt(load, wp.minX, QStringLiteral("wp->ptMinPosition.x"), s, def.minX);
    ini.SerInt(load, wp.minY, QStringLiteral("wp->ptMinPosition.y"), s, def.minY);
    ini.SerInt(load, wp.maxX, QStringLiteral("wp->ptMaxPosition.x"), s, def.maxX);
    ini.SerInt(load, wp.maxY, QStringLiteral("wp->ptMaxPosition.y"), s, def.maxY);
    ini.SerInt(load, wp.left, QStringLiteral("wp->rcNormalPosition.left"), s, def.left);
    ini.SerInt(load, wp.top, QStringLiteral("wp->rcNormalPosition.top"), s, def.top);
    ini.SerInt(load, wp.right, QStringLiteral("wp->rcNormalPosition.right"), s, def.right);
    ini.SerInt(load, wp.bottom, QStringLiteral("wp->rcNormalPosition.bottom"), s, def.bottom);
}

bool CKalvoApp::LoadProfile() {
    m_strProfilePath = ProgramFolder() + ProfileFile(m_profileKind, m_strUserProfileFile);
    if (QFileInfo(m_strProfilePath).isFile()) {
        SerializeSettings(true);
        return true;
    }
    m_ui.get().Message(61490, MessageIcon::Error, m_strProfilePath);
    return false;
}

bool CKalvoApp::SaveProfile() {
    const bool user = m_profileKind == ProfileKind::User;
    const QString target = ProfileFile(user ? ProfileKind::User : ProfileKind::LastUsed, m_strUserProfileFile);
    m_strProfilePath = ProgramFolder() + target;
    if (user) {
        if (QFileInfo::exists(m_strProfilePath)) {
            if (!m_ui.get().AskOkCancel(Str(61491), MessageIcon::Question)) return false;
        }
        // A new profile is written key by key, so a missing template costs nothing.
    }
    SerializeSettings(false);
    return true;
}

void CKalvoApp::CollectWindowState() {
    if (m_pDocument) m_pDocument->CollectWindowState(*this);
}

bool CKalvoApp::OnSaveProfile() {
    QString name = m_strUserProfileFile;
    if (name.startsWith(QStringLiteral("KalvoUserProfil-"))) name.remove(0, 16);
    if (name.endsWith(QStringLiteral(".ini"))) name.chop(4);
    const auto answer = m_ui.get().ChooseProfileName(name, m_strUserProfileFile);
    if (!answer) return false;
    m_strUserProfileFile = answer->fileName;
    m_profileKind = ProfileKind::User;
    CollectWindowState();
    return SaveProfile();
}

WindowPlacement CKalvoApp::GetWindowSlot(int slot) const {
    if (slot < 1 || slot >= kSlotCount) slot = kSlotMain;
    return m_placements[static_cast<std::size_t>(slot)];
}

void CKalvoApp::SetWindowSlot(const WindowPlacement& placement, int slot) {
    if (slot < 0 || slot >= kSlotCount) return;
    WindowPlacement& stored = m_placements[static_cast<std::size_t>(slot)];
    stored = placement;
    stored.length = WindowPlacement::kRecordSize;
}

void CKalvoApp::ConvertPlacement(bool toRelative, WindowPlacement& wp, const FrameMetrics& frame) const {
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
            const int p = static_cast<int>(std::ceil(static_cast<double>(static_cast<long long>(v) * size) / 10000.0));
            return p - p % 2;  // even, toward zero
        };
        wp.left = px(wp.left, w);
        wp.top = px(wp.top, h);
        wp.right = px(wp.right, w);
        wp.bottom = px(wp.bottom, h);
    }
}

void CKalvoApp::FitMainPlacement(const WindowPlacement& def, const QRect& workArea) {
    WindowPlacement wp = GetWindowSlot(kSlotMain);
    if (wp.left > wp.right) std::swap(wp.left, wp.right);
    if (wp.top > wp.bottom) std::swap(wp.top, wp.bottom);
    const long long waLeft = workArea.left(), waTop = workArea.top();
    const long long waRight = waLeft + workArea.width(), waBottom = waTop + workArea.height();
    long long l = wp.left, t = wp.top, r = wp.right, b = wp.bottom;
    const bool intersects = l < waRight && r > waLeft && t < waBottom && b > waTop && l < r && t < b;
    if (!intersects) {
        SetWindowSlot(def, kSlotMain);
        return;
    }
    const bool inside = l >= waLeft && r <= waRight && t >= waTop && b <= waBottom;
    if (!inside) {
        if (l < waLeft) { r += waLeft - l; l = waLeft; }
        if (r > waRight) { l -= r - waRight; r = waRight; }
        if (l < waLeft) l = waLeft;
        if (t < waTop) { b += waTop - t; t = waTop; }
        if (b > waBottom) { t -= b - waBottom; b = waBottom; }
        if (t < waTop) t = waTop;
    }
    wp.left = static_cast<int>(l);
    wp.top = static_cast<int>(t);
    wp.right = static_cast<int>(r);
    wp.bottom = static_cast<int>(b);
    SetWindowSlot(wp, kSlotMain);
}

void CKalvoApp::FitMainPlacement(const WindowPlacement& def) {
    QRect workArea(0, 0, 1920, 1080);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            workArea = screen->availableGeometry();
            if (workArea.isEmpty()) workArea = screen->geometry();
        }
    }
    FitMainPlacement(def, workArea);
}
