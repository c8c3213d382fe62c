#include "app/CKalvoApp.h"

#include <QAbstractEventDispatcher>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMdiArea>
#include <QProcess>
#include <QScreen>
#include <QUrl>
#include <cstdlib>
#include <algorithm>
#include <cmath>

#include "app/CIni.h"
#include "app/CMainFrame.h"
#include "app/CModuleFrame.h"
#include "app/CModuleWindows.h"
#include "app/CSplitterFrame.h"
#include "document/AppFlags.h"
#include "document/CMp3Converter.h"
#include "document/CSound.h"
#include "views/time/InfoModule.h"
#include "platform/audio/AudioDevice.h"
#include "document/CKalvoDoc.h"
#include "platform/CSaveProfileDLG.h"
#include "platform/ProgramFolder.h"
#include "platform/QtUserInterface.h"
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
    if (!load) ini.Defer();  // some 200 keys: the file is written once, when ini goes
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
    if (m_splitter) m_splitter->StorePlacement();
    if (m_modules) m_modules->StorePlacements();
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

// ---------------------------------------------------------------------------------------
// Start-up, exit and the application commands

namespace {

// Names of the predefined profiles in the order of the picture buttons, and their kinds.
constexpr ProfileKind kButtonKinds[6] = {ProfileKind::Standard, ProfileKind::Musiker, ProfileKind::Analytiker,
                                         ProfileKind::Komplett, ProfileKind::Oberschule, ProfileKind::ForKids};

int ButtonOfKind(ProfileKind kind) {
    for (int b = 0; b < 6; ++b)
        if (kButtonKinds[b] == kind) return b;
    return -1;
}

const char* const kNoFileEnglish = "no file selected";

bool IsTimeSeriesPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("txt") || suffix == QStringLiteral("dat") || suffix == QStringLiteral("prn");
}

}  // namespace

void CKalvoApp::DetectLanguage() {
    // German only for the German of Germany; every other locale gets English.
    const QLocale system = QLocale::system();
    const bool german = system.language() == QLocale::German && system.territory() == QLocale::Germany;
    const Language language = german ? Language::German : Language::English;
    SetCurrentLanguage(language);
    IniAllgemeinLanguage = static_cast<int>(language);
    for (ProfileKind kind : {ProfileKind::Standard, ProfileKind::Musiker, ProfileKind::Analytiker, ProfileKind::Komplett,
                             ProfileKind::Oberschule, ProfileKind::ForKids}) {
        CIni ini(ProgramFolder() + ProfileFile(kind, QString()), QStringLiteral("Allgemein"));
        ini.WriteInt(QStringLiteral("IniAllgemeinLanguage"), IniAllgemeinLanguage);
    }
    for (const char* file : {"Profile/KalvoUserVorlage.ini", "Profile/KalvoZuletztVerwendetProfil.ini"}) {
        CIni ini(ProgramFolder() + QLatin1String(file), QStringLiteral("Allgemein"));
        ini.WriteInt(QStringLiteral("IniAllgemeinLanguage"), IniAllgemeinLanguage);
    }
}

bool CKalvoApp::ChooseStartProfile() {
    for (;;) {
        const std::optional<StartProfileAnswer> answer = m_ui.get().ChooseStartProfile(ProgramFolder() + QStringLiteral("Profile/"));
        if (!answer) return false;
        if (answer->option == 1) {
            const std::optional<int> button = m_ui.get().ChoosePredefinedProfile(ButtonOfKind(m_profileKind));
            if (!button) continue;  // back to the start dialog
            if (*button >= 0 && *button < 6) m_profileKind = kButtonKinds[*button];
            return true;
        }
        if (answer->option == 2) {
            if (answer->userProfileName.trimmed().isEmpty()) continue;
            m_strUserProfileFile = CSaveProfileDLG::FileNameFor(answer->userProfileName);
            m_profileKind = ProfileKind::User;
            return true;
        }
        m_profileKind = ProfileKind::LastUsed;
        return true;
    }
}

bool CKalvoApp::ChooseKidsStart() {
    const std::optional<int> option = m_ui.get().ChooseKidsStart(m_bCaptureAvailable);
    if (!option) return false;
    m_nKidsStartMode = *option == 1 ? 0 : 1;
    return true;
}

bool CKalvoApp::InitInstance(const QString& profileArgument, const std::vector<std::pair<QString, QString>>& settings,
                             std::optional<std::pair<ProfileKind, QString>> forcedProfile) {
    // The language of the start dialogs comes from the standard profile until a profile is chosen.
    CIni standard(ProgramFolder() + ProfileFile(ProfileKind::Standard, QString()), QStringLiteral("Allgemein"));
    const int code = standard.GetInt(QStringLiteral("IniAllgemeinLanguage"), 0, QStringLiteral("Allgemein"));
    Language language = Language::English;
    if (code == 0) DetectLanguage();
    else if (LanguageFromCode(code, &language)) SetCurrentLanguage(language);

    m_profileKind = ProfileKind::Standard;
    m_strProfilePath.clear();
    m_strUserProfileFile.clear();
    m_strTitle = QStringLiteral("KALVO");
    m_nKidsStartMode = 1;

    if (forcedProfile) {
        m_profileKind = forcedProfile->first;
        m_strUserProfileFile = forcedProfile->second;
        if (m_profileKind == ProfileKind::ForKids && !ChooseKidsStart()) return false;
    } else if (profileArgument.isEmpty()) {
        if (!ChooseStartProfile()) return false;
    } else if (profileArgument == QStringLiteral("Kids")) {
        m_profileKind = ProfileKind::ForKids;
        if (!ChooseKidsStart()) return false;
    } else {
        m_strUserProfileFile = CSaveProfileDLG::FileNameFor(profileArgument);
        m_profileKind = ProfileKind::User;
    }
    if (!LoadProfile()) return false;
    for (const auto& [key, value] : settings) SetSettingText(key, value);

    m_document = std::make_unique<CKalvoDoc>(*this, m_ui.get());
    m_document->OnNewDocument();
    InstallSoundFileConversion(*m_document);
    RegisterInfoModule();
    m_mainFrame = std::make_unique<CMainFrame>(*this, *m_document);
    m_modules = std::make_unique<CModuleWindows>(*this, *m_document);
    m_modules->SetArea(m_mainFrame->MdiArea());
    m_mainFrame->m_showOverview = [this] {
        if (m_splitter) {
            m_splitter->raise();
            m_mainFrame->MdiArea()->setActiveSubWindow(m_splitter);
        }
    };
    if (auto* qtUi = dynamic_cast<QtUserInterface*>(&m_ui.get())) qtUi->SetParent(m_mainFrame.get());
    CreateMainSoundWindow();

    WindowPlacement main = GetWindowSlot(kSlotMain);
    if (static_cast<int>(m_profileKind) <= static_cast<int>(ProfileKind::Oberschule)) main.showCmd = 3;
    m_mainFrame->ApplyPlacement(main);
    // The sound devices come after the window is on screen, so that a missing sound card is
    // reported over the program rather than before it; files opened next can then be played.
    InitSound();

    // Idle processing: whenever the event loop has nothing left to do.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, m_mainFrame.get(), [this] { OnIdle(); });
    ApplyProfile();
    return true;
}

void CKalvoApp::CreateMainSoundWindow() {
    m_splitter = new CSplitterFrame(*this, *m_document);  // owned by the MDI area
    m_mainFrame->MdiArea()->addSubWindow(m_splitter);
    m_splitter->setWindowTitle(Str(63000));
    m_splitter->show();
}

void CKalvoApp::CloseDocumentWindows() {
    if (g_bWaveLoaded) m_document->RemoveWave();
    m_modules->CloseAll();
    // The main sound window is made anew, so that its bar speaks the current language.
    if (m_splitter) {
        m_splitter->StorePlacement();
        m_mainFrame->MdiArea()->removeSubWindow(m_splitter);
        delete m_splitter;  // a sub-window the MDI area no longer owns
        m_splitter = nullptr;
    }
}

void CKalvoApp::ApplyProfile() {
    CKalvoDoc& doc = *m_document;
    // The "no file" text is stored in the language of its time; follow the current one.
    QString noFile = Str(61548);
    const QString german = StringTable::Instance().Text(61548, Language::German);
    const QString english = StringTable::Instance().Text(61548, Language::English);
    if (noFile == german && IniDokumentPlayFile == english) IniDokumentPlayFile = german;
    if (noFile == english && IniDokumentPlayFile == german) IniDokumentPlayFile = english;
    if (IniDokumentPlayFile.isEmpty()) IniDokumentPlayFile = noFile;

    Language language = CurrentLanguage();
    if (LanguageFromCode(IniAllgemeinLanguage, &language)) SetCurrentLanguage(language);
    noFile = Str(61548);

    if (!m_splitter) CreateMainSoundWindow();
    QString title = noFile;
    const QString lastFile = IniDokumentPlayFile;
    if (lastFile != noFile && lastFile != QLatin1String(kNoFileEnglish)) {
        if (!QFileInfo(lastFile).isFile()) {
            m_ui.get().Message(62048, MessageIcon::Error);
        } else {
            const bool ok = IsTimeSeriesPath(lastFile) ? doc.OpenTimeSeriesFile(lastFile) : doc.OpenSoundFile(lastFile);
            if (ok) title = QFileInfo(lastFile).fileName();
        }
    }
    doc.SetTitle(title);

    m_mainFrame->ShowBars();
    m_splitter->ApplyStoredPlacement();
    m_splitter->SetRowHeights(IsKidsMode());

    m_mainFrame->LoadMenu(IsKidsMode());
    ShowModuleFrames(IsKidsMode() ? 0 : 1, false);
    m_strTitle = IsKidsMode() ? QStringLiteral("KALVO for Kids") : QStringLiteral("KALVO");
    m_mainFrame->setWindowTitle(m_strTitle);

    const std::pair<Module, int*> flags[] = {
        {Module::Reko, &IniFensterReko},       {Module::Zeitreihe, &IniFensterZeitreihe},
        {Module::FFT, &IniFensterFFT},         {Module::Sono, &IniFensterSono},
        {Module::FFT3D, &IniFensterFFT3D},     {Module::Analyse, &IniFensterAnalyse},
        {Module::Notenbild, &IniFensterNotenbild}, {Module::Wavelet, &IniFensterWavelet}};
    for (const auto& [module, flag] : flags)
        if (*flag) m_modules->Open(module);

    // Recording from the microphone joins with the sound input; a music file can always be chosen.
    if (IsKidsMode() && m_profileKind != ProfileKind::LastUsed && m_nKidsStartMode == 1) doc.OnFileOpen();

    doc.NotifyStatus();
    doc.UpdateAllViews(kHintRebuild);
}

void CKalvoApp::ShowModuleFrames(int showCmd, bool replace) {
    std::vector<CModuleFrame*> frames = m_modules->OpenFrames();
    if (m_splitter) frames.insert(frames.begin(), m_splitter);
    for (CModuleFrame* frame : frames) {
        if (replace) frame->ApplyStoredPlacement();
        else if (showCmd == 0) frame->hide();
        else frame->show();
    }
}

void CKalvoApp::OnIdle() {
    g_bCancel = false;
    if (m_document && m_document->m_bClose3DWindows && m_modules) {
        m_modules->Close(Module::FFT3D);
        m_modules->Close(Module::Reko);
    }
    g_bSelectionSpectrum = false;
}

void CKalvoApp::OnChooseProfile() {
    if (!ChooseStartProfile()) return;
    CloseDocumentWindows();
    if (!LoadProfile()) std::exit(0);
    if (m_profileKind == ProfileKind::ForKids) ChooseKidsStart();
    ApplyProfile();
}

void CKalvoApp::OnLanguage() {
    const std::optional<QString> chosen = m_ui.get().ChooseLanguage();
    if (!chosen) return;
    const Language language = *chosen == QStringLiteral("Deutsch") ? Language::German : Language::English;
    // The sound on screen stays: the windows are made anew in the other language with it.
    const QString loaded = g_bWaveLoaded ? m_document->m_strFileName : QString();
    SetCurrentLanguage(language);
    CloseDocumentWindows();
    if (!LoadProfile()) std::exit(0);
    IniAllgemeinLanguage = static_cast<int>(language);
    if (!loaded.isEmpty()) IniDokumentPlayFile = loaded;
    ApplyProfile();
}

void CKalvoApp::ExitInstance() {
    if (IniDokumentNumFFTPoints != 0 && m_document) {
        CollectWindowState();
        if (m_mainFrame) {
            WindowPlacement main = m_mainFrame->CurrentPlacement();
            SetWindowSlot(main, kSlotMain);
        }
        m_profileKind = ProfileKind::LastUsed;
        SaveProfile();
    }
    if (m_document && g_bListening) m_document->StopListening();
    if (m_modules) m_modules->CloseAll();
    m_modules.reset();
    m_splitter = nullptr;
    m_mainFrame.reset();  // deletes the MDI area and the main sound window with it
    m_document.reset();
    m_tones.clear();
    m_input.reset();
    m_output.reset();
}

void CKalvoApp::OnHelp(const QString& topic) {
    // The pages are compiled in; they are laid out in a private folder for the browser.
    const QString language = CurrentLanguage() == Language::German ? QStringLiteral("de") : QStringLiteral("en");
    const QString target = TemporaryFolder() + QStringLiteral("help/") + language + u'/';
    QDirIterator it(QStringLiteral(":/resources/help/") + language, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo source(it.next());
        if (source.isDir()) continue;
        const QString relative = source.filePath().mid(QStringLiteral(":/resources/help/").size() + language.size() + 1);
        const QString dest = target + relative;
        QDir().mkpath(QFileInfo(dest).path());
        QFile::remove(dest);
        QFile::copy(source.filePath(), dest);
        QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    const QString page = target + topic;
    if (!QFileInfo::exists(page) || !QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        m_ui.get().Message(62046, MessageIcon::Exclamation, topic);
}

void CKalvoApp::OnMixer() {
    if (QProcess::startDetached(QStringLiteral("pavucontrol"), {})) return;
    if (QProcess::startDetached(QStringLiteral("x-terminal-emulator"), {QStringLiteral("-e"), QStringLiteral("alsamixer")}))
        return;
    m_ui.get().Message(61492, MessageIcon::Exclamation);
}

void CKalvoApp::OnUpdates() { m_ui.get().Message(62047, MessageIcon::Information); }

bool CKalvoApp::InitSound() {
    CKalvoDoc* doc = m_pDocument;
    if (doc) doc->SetAudioDevices(nullptr, nullptr);
    m_input.reset();
    m_output.reset();
    QString error;
    bool real = AudioSystem::InitRealDevices(&error);
    if (!real) m_ui.get().Message(61489, MessageIcon::Exclamation);
    // A device that cannot be opened falls back to the virtual one, so files can always be analysed.
    QString openError;
    m_output = AudioSystem::OpenOutput(m_strOutputDeviceId, &openError);
    if (!m_output) m_output = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &openError);
    m_input = AudioSystem::OpenInput(m_strCaptureDeviceId, &openError);
    if (!m_input && !m_strCaptureDeviceId.isEmpty()) {
        m_ui.get().Message(63405, MessageIcon::Exclamation, m_strCaptureDeviceId, openError);
        m_input = AudioSystem::OpenInput(QString(), &openError);
    }
    if (!m_input) m_input = AudioSystem::OpenInput(QStringLiteral("virtual:sine:440"), &openError);
    if (m_output) m_strOutputDevice = m_output->Name();
    if (m_input) m_strCaptureDevice = m_input->Name();
    m_bCaptureAvailable = m_input != nullptr;
    if (doc) {
        doc->SetAudioDevices(m_input.get(), m_output.get());
        doc->SetSoundFactory([this](const QString& path) -> std::unique_ptr<CSound> {
            QString why;
            std::unique_ptr<CSound> sound = m_output ? CSound::Create(*m_output, path, &why) : nullptr;
            if (!sound) {
                // The real card may refuse a format; the sound is still analysed and shown.
                if (auto silent = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &why)) {
                    sound = CSound::Create(*silent, path, &why);
                    m_fallbackOutput = std::move(silent);
                }
            }
            return sound;
        });
    }
    return real;
}

void CKalvoApp::OnSoundcard() {
    const std::vector<AudioDeviceInfo> inputs = AudioSystem::Inputs();
    const std::vector<AudioDeviceInfo> outputs = AudioSystem::Outputs();
    QStringList inputNames, outputNames;
    for (const auto& d : inputs) inputNames << d.name;
    for (const auto& d : outputs) outputNames << d.name;
    const std::optional<std::pair<int, int>> chosen = m_ui.get().ChooseSoundDevices(inputNames, outputNames);
    if (!chosen) return;
    if (chosen->first >= 0 && chosen->first < static_cast<int>(inputs.size()))
        m_strCaptureDeviceId = inputs[static_cast<std::size_t>(chosen->first)].id;
    if (chosen->second >= 0 && chosen->second < static_cast<int>(outputs.size()))
        m_strOutputDeviceId = outputs[static_cast<std::size_t>(chosen->second)].id;
    if (m_pDocument) {
        if (g_bPlaying) m_pDocument->OnStopPlaying();
        m_pDocument->UpdateAllViews(kHintRebuild);
    }
    InitSound();
    // The loaded sound plays through the new output.
    if (m_pDocument) m_pDocument->RecreatePlaybackSound();
}

bool CKalvoApp::Beep(double frequency, int ms) {
    if (!m_output || frequency <= 0 || ms <= 0) return false;
    // Tones that have ended make room for the new one.
    std::erase_if(m_tones, [](const std::unique_ptr<PlaybackBuffer>& t) { return !t->IsPlaying(); });
    PcmFormat format;
    format.rate = 44100;
    format.bits = 16;
    const std::size_t count = static_cast<std::size_t>(format.rate) * static_cast<std::size_t>(ms) / 1000;
    std::vector<std::uint8_t> data(count * 2);
    const std::size_t fade = std::min<std::size_t>(count / 2, format.rate / 200);  // 5 ms, so the tone does not click
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 0.5;
        if (i < fade) gain *= double(i) / double(fade);
        if (count - i < fade) gain *= double(count - i) / double(fade);
        const auto v = static_cast<std::int16_t>(std::lround(gain * 32767.0 * std::sin(2.0 * M_PI * frequency * double(i) / format.rate)));
        data[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
        data[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
    QString error;
    std::unique_ptr<PlaybackBuffer> tone = m_output->CreatePlaybackBuffer(format, std::move(data), &error);
    if (!tone || !tone->Play(false)) return false;
    m_tones.push_back(std::move(tone));
    return true;
}
