#pragma once
// The application object: owns every persistent setting (one field per profile key),
// the profile in use and the stored window placements, and loads and saves profiles.

#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

class AudioInputDevice;
class AudioOutputDevice;
class PlaybackBuffer;
class CIni;
class CKalvoDoc;
class CMainFrame;
class CModuleWindows;
class CSplitterFrame;
class UserInterface;

// A window placement in the classic layout: length, flags, show command, minimised and
// maximised positions and the normal rectangle (right and bottom exclusive).
struct WindowPlacement {
    int length = 0;
    int flags = 0;
    int showCmd = 5;
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 10, bottom = 10;

    static constexpr int kRecordSize = 11 * 4;
    static WindowPlacement Default() { return {}; }
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// The numbering is fixed: it is compared in several places.
enum class ProfileKind { Standard = 0, Musiker = 1, Analytiker = 2, Komplett = 3, ForKids = 4, Oberschule = 5,
                         LastUsed = 6, User = 7 };

// Index of a stored placement.
enum WindowSlot {
    kSlotMain = 0, kSlotUebersicht = 1, kSlotFFT = 2, kSlotAnalyse = 3, kSlotRekonstruktion = 4, kSlotFFT3D = 5,
    kSlotNotenbild = 6, kSlotSonogramm = 7, kSlotWavelet = 8, kSlotZeitreihe = 9, kSlotCount = 10
};

// What the relative placements of module windows are measured against: the main frame's
// client area and the bars that take height from it.
struct FrameMetrics {
    int clientWidth = 0;
    int clientHeight = 0;
    int statusBarHeight = 0;
    int kidsToolBarHeight = 0;
    int toolBarHeight = 0;
};

class CKalvoApp {
public:
    explicit CKalvoApp(UserInterface& ui);
    virtual ~CKalvoApp();
    CKalvoApp(const CKalvoApp&) = delete;
    CKalvoApp& operator=(const CKalvoApp&) = delete;

    UserInterface& Ui() { return m_ui; }
    void SetUi(UserInterface& ui) { m_ui = ui; }

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

    // One row of the key table: section, key and the field that holds it.
    using Member = std::variant<int CKalvoApp::*, float CKalvoApp::*, double CKalvoApp::*, QString CKalvoApp::*>;
    struct SettingKey {
        const char* section;
        const char* key;
        Member member;
    };
    // Every key, in the order in which profiles hold them.
    static const std::vector<SettingKey>& KeyTable();
    static const SettingKey* FindKey(const QString& key);
    // A setting as profile text, and set from profile text (false for an unknown key).
    QString SettingText(const SettingKey& key) const;
    bool SetSettingText(const QString& key, const QString& text);

    // "IniDokumentNumFFTPoints" must be a power of two; anything else becomes 8192.
    static int CheckedFftPoints(int points);

    // ---- Profiles. ----
    ProfileKind m_profileKind = ProfileKind::Standard;
    QString m_strProfilePath;      // full path of the current profile file
    QString m_strUserProfileFile;  // "KalvoUserProfil-<name>.ini" for a user profile

    // The file of a profile kind, relative to the program folder ("Profile/...").
    static QString ProfileFile(ProfileKind kind, const QString& userProfileFile);
    static QString PlacementSection(int slot);

    void SerializeSettings(bool load);
    virtual void SerializePlacement(CIni& ini, bool load, WindowPlacement& placement, const WindowPlacement& def,
                                    const QString& section);
    bool LoadProfile();
    bool SaveProfile();
    // Before a user profile is saved: the document and every view write back what they hold.
    void CollectWindowState();
    // The save-profile command: asks for a name, then collects and saves.
    bool OnSaveProfile();

    // ---- Start-up, exit and the application commands (the windows). ----
    // Runs the start-up: language, start profile (the argument "Kids" or a user profile name,
    // else the start dialog), the main frame, the document with the main sound window, and the
    // profile applied. False when the user cancelled or the profile is missing.
    // settings: "IniKey=VALUE" overrides for this run; forcedProfile: a profile picked by name
    // on the command line (no start dialog).
    bool InitInstance(const QString& profileArgument,
                      const std::vector<std::pair<QString, QString>>& settings = {},
                      std::optional<std::pair<ProfileKind, QString>> forcedProfile = std::nullopt);
    // Writes the last-used profile (when a profile was loaded) and closes the windows.
    void ExitInstance();
    void DetectLanguage();
    bool ChooseStartProfile();
    bool ChooseKidsStart();
    void ApplyProfile();
    // Every frame of the document's views: re-apply its stored placement, or show it with showCmd.
    void ShowModuleFrames(int showCmd, bool replace);
    void OnIdle();
    void OnChooseProfile();  // command 32828
    void OnLanguage();       // command 32853
    // Opens one of the program's help pages ("html/Vorwort.html", "html/Hauptfenster.html", ...).
    void OnHelp(const QString& topic = QStringLiteral("html/Vorwort.html"));
    // Opens the chosen sound devices (the real sound card when it works, else the virtual
    // device) and gives them to the document. False when the real back end failed (the user
    // was told; the program goes on with the virtual device). With deviceError, a chosen device
    // that cannot be opened is described there instead of being reported.
    bool InitSound(QString* deviceError = nullptr);
    void OnSoundcard();  // command 32771
    // Switches to the sound devices of these ids; a device that fails is reported (61459) and
    // the virtual device takes its place.
    void ApplySoundDevices(const QString& inputId, const QString& outputId);
    // A test tone: a sine of the frequency for ms milliseconds through the sound output. It
    // returns at once; the tone plays on. False when there is no output or the tone cannot play.
    bool Beep(double frequency, int ms);
    void OnMixer();    // command 32813
    void OnUpdates();  // command 32850
    bool IsKidsMode() const { return IniAllgemeinGrundschulprofil != 0; }

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CKalvoDoc* Document() const { return m_document.get(); }
    CModuleWindows* Modules() const { return m_modules.get(); }
    CSplitterFrame* SplitterFrame() const { return m_splitter; }

    int m_nKidsStartMode = 1;            // 1 open a music file, 0 record with the microphone
    bool m_bCaptureAvailable = false;    // sound input exists (the microphone can be chosen)
    QString m_strTitle = QStringLiteral("KALVO");
    QString m_strOutputDevice = QStringLiteral("Primärer Soundtreiber");
    QString m_strCaptureDevice = QStringLiteral("Primärer Soundaufnahmetreiber");
    QString m_strOutputDeviceId;   // device ids of the sound-device layer; empty = the default
    QString m_strCaptureDeviceId;

    // ---- Window placements. ----
    WindowPlacement GetWindowSlot(int slot) const;
    void SetWindowSlot(const WindowPlacement& placement, int slot);
    // Between pixels and 1/10000 of the main frame's client area (less the visible bars).
    void ConvertPlacement(bool toRelative, WindowPlacement& placement, const FrameMetrics& frame) const;
    // Keeps the main window's placement on the work area (the desktop less its panels).
    void FitMainPlacement(const WindowPlacement& def, const QRect& workArea);
    void FitMainPlacement(const WindowPlacement& def);

    CKalvoDoc* m_pDocument = nullptr;
    // The main frame's client area and bar heights, for converting placements; set by the main frame.
    std::function<FrameMetrics()> m_frameMetrics;

private:
    void CreateMainSoundWindow();
    void CloseDocumentWindows();

    std::reference_wrapper<UserInterface> m_ui;
    std::unique_ptr<CKalvoDoc> m_document;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::unique_ptr<CModuleWindows> m_modules;
    std::unique_ptr<AudioInputDevice> m_input;
    std::unique_ptr<AudioOutputDevice> m_output;
    std::unique_ptr<AudioOutputDevice> m_fallbackOutput;  // plays what the chosen output refuses
    std::vector<std::unique_ptr<PlaybackBuffer>> m_tones;  // test tones still playing
    CSplitterFrame* m_splitter = nullptr;  // owned by the main frame's MDI area
    std::array<WindowPlacement, kSlotCount> m_placements{};
};
