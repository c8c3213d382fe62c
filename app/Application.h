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

#include "settings/ProfileSettings.h"

class AudioInputDevice;
class AudioOutputDevice;
class PlaybackBuffer;
class SoundDocument;
class MainWindow;
class ModuleWindows;
class SoundWindow;
class UserInterface;

class Application {
public:
    explicit Application(UserInterface& ui);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    UserInterface& Ui() { return m_ui; }
    void SetUi(UserInterface& ui) { m_ui = ui; }

    // The carried settings, loaded from and saved into the profiles.
    ProfileSettings& Settings() { return m_settings; }
    const ProfileSettings& Settings() const { return m_settings; }

    // ---- Profiles. ----
    ProfileKind m_profileKind = ProfileKind::Standard;
    QString m_profilePath;      // full path of the current profile file
    QString m_userProfileFile;  // "KalvoUserProfil-<name>.ini" for a user profile

    // Reads the current profile into the settings; tells the user and returns false when
    // the file is missing.
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
    // Not 0 when the program has to end because a profile could not be read.
    int ExitCode() const { return m_exitCode; }
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
    // Whether the kids can choose to record with the microphone: a sound input is open, or
    // (before the sound devices are opened, as for the kids start dialog) one can be opened.
    bool SoundInputExists();
    void OnSoundcard();  // command 32771
    // Switches to the sound devices of these ids; a device that fails is reported (61459) and
    // the virtual device takes its place.
    void ApplySoundDevices(const QString& inputId, const QString& outputId);
    // A test tone: a sine of the frequency for ms milliseconds through the sound output. It
    // returns at once; the tone plays on. False when there is no output or the tone cannot play.
    bool Beep(double frequency, int ms);
    void OnMixer();    // command 32813
    void OnUpdates();  // command 32850
    bool IsKidsMode() const { return m_settings.IsKidsMode(); }

    MainWindow* MainFrame() const { return m_mainFrame.get(); }
    SoundDocument* Document() const { return m_document.get(); }
    ModuleWindows* Modules() const { return m_modules.get(); }
    SoundWindow* SplitterFrame() const { return m_splitter; }

    int m_kidsStartMode = 1;  // 1 open a music file, 0 record with the microphone
    int m_exitCode = 0;
    QString m_title = QStringLiteral("KALVO");
    QString m_outputDevice = QStringLiteral("Primärer Soundtreiber");
    QString m_captureDevice = QStringLiteral("Primärer Soundaufnahmetreiber");
    QString m_outputDeviceId;  // device ids of the sound-device layer; empty = the default
    QString m_captureDeviceId;

    // Keeps the main window's placement on the work area (the desktop less its panels).
    void FitMainPlacement(const WindowPlacement& def, const QRect& workArea);
    void FitMainPlacement(const WindowPlacement& def);

    SoundDocument* m_activeDocument = nullptr;

private:
    void LeaveWithoutProfile();
    void CreateMainSoundWindow();
    void CloseDocumentWindows();

    std::reference_wrapper<UserInterface> m_ui;
    ProfileSettings m_settings;
    std::unique_ptr<SoundDocument> m_document;
    std::unique_ptr<MainWindow> m_mainFrame;
    std::unique_ptr<ModuleWindows> m_modules;
    std::unique_ptr<AudioInputDevice> m_input;
    std::unique_ptr<AudioOutputDevice> m_output;
    std::unique_ptr<AudioOutputDevice> m_fallbackOutput;  // plays what the chosen output refuses
    SoundWindow* m_splitter = nullptr;                    // owned by the main frame's MDI area
};
