#include "app/Application.h"

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
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <tuple>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "document/Mp3Converter.h"
#include "document/PlaybackSound.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/QtUserInterface.h"
#include "platform/SaveProfileDialog.h"
#include "platform/UserInterface.h"
#include "platform/audio/AudioDevice.h"
#include "settings/IniFile.h"
#include "settings/ProfileStore.h"
#include "views/Modules.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"
#include "views/time/SoundWindow.h"

Application::Application(UserInterface& ui) : m_ui(ui) {
    // The modules bring their profile keys: they are known before any profile is read.
    RegisterModules();
}
Application::~Application() = default;

bool Application::LoadProfile() {
    m_profilePath = ProgramFolder() + ProfileStore::ProfileFile(m_profileKind, m_userProfileFile);
    if (QFileInfo(m_profilePath).isFile()) {
        ProfileStore::Read(m_profilePath, m_settings);
        FitMainPlacement(WindowPlacement::Default());
        return true;
    }
    m_ui.get().Message(StringId::ProfileDoesNotExist, MessageIcon::Error, m_profilePath);
    return false;
}

bool Application::SaveProfile() {
    const bool user = m_profileKind == ProfileKind::User;
    const QString target =
        ProfileStore::ProfileFile(user ? ProfileKind::User : ProfileKind::LastUsed, m_userProfileFile);
    m_profilePath = ProgramFolder() + target;
    if (user) {
        if (QFileInfo::exists(m_profilePath)) {
            if (!m_ui.get().AskOkCancel(Str(StringId::ProfileAlreadyExistsWould), MessageIcon::Question))
                return false;
        }
        // A new profile is written key by key, so a missing template costs nothing.
    }
    if (!ProfileStore::Write(m_profilePath, m_settings)) {
        m_ui.get().Message(StringId::ProfileCouldNotWritten, MessageIcon::Error, m_profilePath);
        return false;
    }
    return true;
}

void Application::CollectWindowState() {
    if (m_activeDocument) m_activeDocument->CollectWindowState(m_settings);
    if (m_splitter) m_splitter->StorePlacement();
    if (m_modules) m_modules->StorePlacements();
}

bool Application::OnSaveProfile() {
    QString name = m_userProfileFile;
    if (name.startsWith(QStringLiteral("KalvoUserProfil-"))) name.remove(0, 16);
    if (name.endsWith(QStringLiteral(".ini"))) name.chop(4);
    std::optional<ProfileNameAnswer> answer;
    for (;;) {
        answer = m_ui.get().ChooseProfileName(name, m_userProfileFile);
        if (!answer) return false;
        if (SaveProfileDialog::IsUsableName(answer->name) &&
            answer->fileName == SaveProfileDialog::FileNameFor(answer->name))
            break;
        m_ui.get().Message(StringId::ProfileCannotCalledGive, MessageIcon::Exclamation, answer->name);
        name = answer->name;
    }
    m_userProfileFile = answer->fileName;
    m_profileKind = ProfileKind::User;
    CollectWindowState();
    return SaveProfile();
}

void Application::FitMainPlacement(const WindowPlacement& def, const QRect& workArea) {
    WindowPlacement wp = m_settings.GetWindowSlot(kSlotMain);
    if (wp.left > wp.right) std::swap(wp.left, wp.right);
    if (wp.top > wp.bottom) std::swap(wp.top, wp.bottom);
    const long long waLeft = workArea.left(), waTop = workArea.top();
    const long long waRight = waLeft + workArea.width(), waBottom = waTop + workArea.height();
    long long l = wp.left, t = wp.top, r = wp.right, b = wp.bottom;
    const bool intersects = l < waRight && r > waLeft && t < waBottom && b > waTop && l < r && t < b;
    if (!intersects) {
        m_settings.SetWindowSlot(def, kSlotMain);
        return;
    }
    const bool inside = l >= waLeft && r <= waRight && t >= waTop && b <= waBottom;
    if (!inside) {
        if (l < waLeft) {
            r += waLeft - l;
            l = waLeft;
        }
        if (r > waRight) {
            l -= r - waRight;
            r = waRight;
        }
        if (l < waLeft) l = waLeft;
        if (t < waTop) {
            b += waTop - t;
            t = waTop;
        }
        if (b > waBottom) {
            t -= b - waBottom;
            b = waBottom;
        }
        if (t < waTop) t = waTop;
    }
    wp.left = static_cast<int>(l);
    wp.top = static_cast<int>(t);
    wp.right = static_cast<int>(r);
    wp.bottom = static_cast<int>(b);
    m_settings.SetWindowSlot(wp, kSlotMain);
}

void Application::FitMainPlacement(const WindowPlacement& def) {
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
constexpr ProfileKind kButtonKinds[6] = {ProfileKind::Standard,        ProfileKind::Musician,
                                         ProfileKind::Analyst,         ProfileKind::Complete,
                                         ProfileKind::SecondarySchool, ProfileKind::ForKids};

int ButtonOfKind(ProfileKind kind) {
    for (int b = 0; b < 6; ++b)
        if (kButtonKinds[b] == kind) return b;
    return -1;
}

const char* const kNoFileEnglish = "no file selected";

bool IsTimeSeriesPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("txt") || suffix == QStringLiteral("dat") ||
           suffix == QStringLiteral("prn");
}

}  // namespace

void Application::DetectLanguage() {
    // German only for the German of Germany; every other locale gets English.
    const QLocale system = QLocale::system();
    const bool german = system.language() == QLocale::German && system.territory() == QLocale::Germany;
    const Language language = german ? Language::German : Language::English;
    SetCurrentLanguage(language);
    m_settings.IniAllgemeinLanguage = static_cast<int>(language);
    for (ProfileKind kind : {ProfileKind::Standard, ProfileKind::Musician, ProfileKind::Analyst,
                             ProfileKind::Complete, ProfileKind::SecondarySchool, ProfileKind::ForKids}) {
        IniFile ini(ProgramFolder() + ProfileStore::ProfileFile(kind, QString()),
                    QStringLiteral("Allgemein"));
        ini.WriteInt(QStringLiteral("IniAllgemeinLanguage"), m_settings.IniAllgemeinLanguage);
    }
    for (const char* file : {"Profile/KalvoUserVorlage.ini", "Profile/KalvoZuletztVerwendetProfil.ini"}) {
        IniFile ini(ProgramFolder() + QLatin1String(file), QStringLiteral("Allgemein"));
        ini.WriteInt(QStringLiteral("IniAllgemeinLanguage"), m_settings.IniAllgemeinLanguage);
    }
}

bool Application::ChooseStartProfile() {
    for (;;) {
        const std::optional<StartProfileAnswer> answer =
            m_ui.get().ChooseStartProfile(ProgramFolder() + QStringLiteral("Profile/"));
        if (!answer) return false;
        if (answer->option == 1) {
            const std::optional<int> button = m_ui.get().ChoosePredefinedProfile(ButtonOfKind(m_profileKind));
            if (!button) continue;  // back to the start dialog
            if (*button >= 0 && *button < 6) m_profileKind = kButtonKinds[*button];
            return true;
        }
        if (answer->option == 2) {
            if (answer->userProfileName.trimmed().isEmpty()) continue;
            m_userProfileFile = SaveProfileDialog::FileNameFor(answer->userProfileName);
            m_profileKind = ProfileKind::User;
            return true;
        }
        m_profileKind = ProfileKind::LastUsed;
        return true;
    }
}

bool Application::ChooseKidsStart() {
    const std::optional<int> option = m_ui.get().ChooseKidsStart(SoundInputExists());
    if (!option) return false;
    m_kidsStartMode = *option == 1 ? 0 : 1;
    return true;
}

bool Application::InitInstance(const QString& profileArgument,
                               const std::vector<std::pair<QString, QString>>& settings,
                               std::optional<std::pair<ProfileKind, QString>> forcedProfile) {
    // The language of the start dialogs comes from the standard profile until a profile is chosen.
    IniFile standard(ProgramFolder() + ProfileStore::ProfileFile(ProfileKind::Standard, QString()),
                     QStringLiteral("Allgemein"));
    const int code = standard.GetInt(QStringLiteral("IniAllgemeinLanguage"), 0, QStringLiteral("Allgemein"));
    Language language = Language::English;
    if (code == 0)
        DetectLanguage();
    else if (LanguageFromCode(code, &language))
        SetCurrentLanguage(language);

    m_profileKind = ProfileKind::Standard;
    m_profilePath.clear();
    m_userProfileFile.clear();
    m_title = QStringLiteral("KALVO");
    m_kidsStartMode = 1;

    if (forcedProfile) {
        m_profileKind = forcedProfile->first;
        m_userProfileFile = forcedProfile->second;
        if (m_profileKind == ProfileKind::ForKids && !ChooseKidsStart()) return false;
    } else if (profileArgument.isEmpty()) {
        if (!ChooseStartProfile()) return false;
    } else {
        std::tie(m_profileKind, m_userProfileFile) = ProfileFromName(profileArgument);
        if (m_profileKind == ProfileKind::ForKids && !ChooseKidsStart()) return false;
    }
    if (!LoadProfile()) return false;
    for (const auto& [key, value] : settings) m_settings.SetSettingText(key, value);

    m_document = std::make_unique<SoundDocument>(m_settings, m_ui.get());
    m_activeDocument = m_document.get();
    m_document->OnNewDocument();
    InstallSoundFileConversion(*m_document);
    RegisterModules();
    m_mainFrame = std::make_unique<MainWindow>(*this, *m_document);
    m_modules = std::make_unique<ModuleWindows>(ModuleContext{m_settings, *m_document, m_ui.get()});
    m_modules->SetArea(m_mainFrame->MdiArea());
    m_mainFrame->m_showOverview = [this] {
        if (m_splitter) {
            m_splitter->raise();
            m_mainFrame->MdiArea()->setActiveSubWindow(m_splitter);
        }
    };
    if (auto* qtUi = dynamic_cast<QtUserInterface*>(&m_ui.get())) qtUi->SetParent(m_mainFrame.get());
    CreateMainSoundWindow();

    WindowPlacement main = m_settings.GetWindowSlot(kSlotMain);
    if (static_cast<int>(m_profileKind) <= static_cast<int>(ProfileKind::SecondarySchool)) main.showCmd = 3;
    m_mainFrame->ApplyPlacement(main);
    // The sound devices come after the window is on screen, so that a missing sound card is
    // reported over the program rather than before it; files opened next can then be played.
    InitSound();

    // Idle processing: whenever the event loop has nothing left to do.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, m_mainFrame.get(),
                         [this] { OnIdle(); });
    ApplyProfile();
    return true;
}

void Application::CreateMainSoundWindow() {
    m_splitter = new SoundWindow(m_settings, *m_document);  // owned by the MDI area
    m_mainFrame->MdiArea()->addSubWindow(m_splitter);
    m_splitter->show();
}

void Application::CloseDocumentWindows() {
    if (m_document && m_document->IsWaveLoaded()) m_document->RemoveWave();
    m_modules->CloseAll();
    // The main sound window is made anew, so that its bar speaks the current language.
    if (m_splitter) {
        m_splitter->StorePlacement();
        m_mainFrame->MdiArea()->removeSubWindow(m_splitter);
        delete m_splitter;  // a sub-window the MDI area no longer owns
        m_splitter = nullptr;
    }
}

void Application::ApplyProfile() {
    SoundDocument& doc = *m_document;
    // The "no file" text is stored in the language of its time; follow the current one.
    QString noFile = Str(StringId::NoFileSelected);
    const QString german = StringTable::Instance().Text(StringId::NoFileSelected, Language::German);
    const QString english = StringTable::Instance().Text(StringId::NoFileSelected, Language::English);
    if (noFile == german && m_settings.IniDokumentPlayFile == english)
        m_settings.IniDokumentPlayFile = german;
    if (noFile == english && m_settings.IniDokumentPlayFile == german)
        m_settings.IniDokumentPlayFile = english;
    if (m_settings.IniDokumentPlayFile.isEmpty()) m_settings.IniDokumentPlayFile = noFile;

    Language language = CurrentLanguage();
    if (LanguageFromCode(m_settings.IniAllgemeinLanguage, &language)) SetCurrentLanguage(language);
    noFile = Str(StringId::NoFileSelected);

    // The window made at start-up speaks the language of the start dialogs; now the profile's.
    if (!m_splitter)
        CreateMainSoundWindow();
    else
        m_splitter->UpdateTexts();
    QString title = noFile;
    const QString lastFile = m_settings.IniDokumentPlayFile;
    if (lastFile != noFile && lastFile != QLatin1String(kNoFileEnglish)) {
        if (!QFileInfo(lastFile).isFile()) {
            m_ui.get().Message(StringId::MostRecentlyUsedWave, MessageIcon::Error);
        } else {
            const bool ok =
                IsTimeSeriesPath(lastFile) ? doc.OpenTimeSeriesFile(lastFile) : doc.OpenSoundFile(lastFile);
            if (ok) title = QFileInfo(lastFile).fileName();
        }
    }
    doc.SetTitle(title);

    m_mainFrame->ShowBars();
    m_splitter->ApplyStoredPlacement();
    m_splitter->SetRowHeights(IsKidsMode());

    m_mainFrame->LoadMenu(IsKidsMode());
    // Kids mode too: the profile keeps the top of the window for the overview of the whole
    // sound, above the big picture.
    ShowModuleFrames(1, false);
    m_title = IsKidsMode() ? QStringLiteral("KALVO for Kids") : QStringLiteral("KALVO");
    m_mainFrame->setWindowTitle(m_title);

    // The windows the profile remembers open. (Opening one may close others in kids mode: the
    // list is taken first.)
    std::vector<std::pair<Module, const char*>> remembered;
    for (const ModuleWindows::Registration* r :
         ModuleWindows::InOrder(&ModuleWindows::Registration::openOrder))
        if (r->openFlag) remembered.emplace_back(r->module, r->openFlag);
    for (const auto& [module, flag] : remembered) {
        const ProfileSettings::SettingKey* key = ProfileSettings::FindKey(QLatin1String(flag));
        if (key && m_settings.IntValue(*key) != 0) m_modules->Open(module);
    }

    // The kids' start choice: record music with the microphone, or open a music file.
    if (IsKidsMode() && m_profileKind != ProfileKind::LastUsed) {
        if (m_kidsStartMode == 0)
            doc.OnRecordMusic();
        else
            doc.OnFileOpen();
    }

    doc.NotifyStatus();
    doc.UpdateAllViews(kHintRebuild);
}

void Application::ShowModuleFrames(int showCmd, bool replace) {
    std::vector<ModuleFrame*> frames = m_modules->OpenFrames();
    if (m_splitter) frames.insert(frames.begin(), m_splitter);
    for (ModuleFrame* frame : frames) {
        if (replace)
            frame->ApplyStoredPlacement();
        else if (showCmd == 0)
            frame->hide();
        else
            frame->show();
    }
}

void Application::OnIdle() {
    if (m_document && m_document->Close3DWindowsRequested() && m_modules) {
        m_modules->Close(Module::Landscape);
        m_modules->Close(Module::Reconstruction);
    }
}

void Application::OnChooseProfile() {
    if (!ChooseStartProfile()) return;
    CloseDocumentWindows();
    if (!LoadProfile()) {
        LeaveWithoutProfile();
        return;
    }
    if (m_profileKind == ProfileKind::ForKids) ChooseKidsStart();
    ApplyProfile();
}

void Application::LeaveWithoutProfile() {
    // The windows are gone and no profile can make them again (the user was told): the
    // program ends the usual way, through its event loop and ExitInstance.
    m_exitCode = 1;
    QCoreApplication::exit(m_exitCode);
}

void Application::OnLanguage() {
    const std::optional<QString> chosen = m_ui.get().ChooseLanguage();
    if (!chosen) return;
    const Language language = *chosen == QStringLiteral("Deutsch") ? Language::German : Language::English;
    // The sound on screen stays: the windows are made anew in the other language with it.
    const QString loaded = m_document && m_document->IsWaveLoaded() ? m_document->FileName() : QString();
    SetCurrentLanguage(language);
    CloseDocumentWindows();
    if (!LoadProfile()) {
        LeaveWithoutProfile();
        return;
    }
    m_settings.IniAllgemeinLanguage = static_cast<int>(language);
    if (!loaded.isEmpty()) m_settings.IniDokumentPlayFile = loaded;
    ApplyProfile();
}

void Application::ExitInstance() {
    if (m_settings.IniDokumentNumFFTPoints != 0 && m_document) {
        CollectWindowState();
        if (m_mainFrame) {
            WindowPlacement main = m_mainFrame->CurrentPlacement();
            m_settings.SetWindowSlot(main, kSlotMain);
        }
        m_profileKind = ProfileKind::LastUsed;
        SaveProfile();
    }
    if (m_document && m_document->IsListening()) m_document->StopListening();
    if (m_modules) m_modules->CloseAll();
    m_modules.reset();
    m_splitter = nullptr;
    m_mainFrame.reset();  // deletes the MDI area and the main sound window with it
    m_activeDocument = nullptr;
    m_document.reset();
    m_input.reset();
    m_output.reset();
}

void Application::OnHelp(const QString& topic) {
    // The pages are compiled in; they are laid out in a private folder for the browser.
    const QString language =
        CurrentLanguage() == Language::German ? QStringLiteral("de") : QStringLiteral("en");
    const QString target = TemporaryFolder() + QStringLiteral("help/") + language + u'/';
    QDirIterator it(QStringLiteral(":/resources/help/") + language, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo source(it.next());
        if (source.isDir()) continue;
        const QString relative =
            source.filePath().mid(QStringLiteral(":/resources/help/").size() + language.size() + 1);
        const QString dest = target + relative;
        QDir().mkpath(QFileInfo(dest).path());
        QFile::remove(dest);
        QFile::copy(source.filePath(), dest);
        QFile::setPermissions(dest,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    // The whole path, so that the page can still be opened by hand when no browser is set up.
    const QString page = QDir::cleanPath(target + topic);
    if (!QFileInfo::exists(page) || !m_ui.get().OpenPage(page))
        m_ui.get().Message(StringId::HelpPageCouldNot, MessageIcon::Exclamation,
                           QDir::toNativeSeparators(page));
}

void Application::OnMixer() {
    if (QProcess::startDetached(QStringLiteral("pavucontrol"), {})) return;
    if (QProcess::startDetached(QStringLiteral("x-terminal-emulator"),
                                {QStringLiteral("-e"), QStringLiteral("alsamixer")}))
        return;
    m_ui.get().Message(StringId::WeCouldNotFind, MessageIcon::Exclamation);
}

void Application::OnUpdates() {
    m_ui.get().Message(StringId::NewVersionsKalvoCome, MessageIcon::Information);
}

bool Application::InitSound(QString* deviceError) {
    SoundDocument* doc = m_activeDocument;
    if (doc) doc->SetAudioDevices(nullptr, nullptr);
    m_input.reset();
    m_output.reset();
    QString error;
    bool real = AudioSystem::InitRealDevices(&error);
    if (!real) m_ui.get().Message(StringId::WeCouldNotInitialize, MessageIcon::Exclamation);
    // A device that cannot be opened falls back to the virtual one, so files can always be analysed.
    QString openError;
    m_output = AudioSystem::OpenOutput(m_outputDeviceId, &openError);
    if (!m_output) {
        if (deviceError)
            *deviceError = Str(StringId::SoundDeviceCouldNot, m_outputDeviceId, openError);
        else if (!m_outputDeviceId.isEmpty())
            m_ui.get().Message(StringId::SoundDeviceCouldNot, MessageIcon::Exclamation, m_outputDeviceId,
                               openError);
        m_output = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &openError);
    }
    m_input = AudioSystem::OpenInput(m_captureDeviceId, &openError);
    if (!m_input && !m_captureDeviceId.isEmpty()) {
        const QString failed = Str(StringId::SoundDeviceCouldNot, m_captureDeviceId, openError);
        if (!deviceError)
            m_ui.get().Message(StringId::SoundDeviceCouldNot, MessageIcon::Exclamation, m_captureDeviceId,
                               openError);
        else
            *deviceError = deviceError->isEmpty() ? failed : *deviceError + QLatin1Char('\n') + failed;
        m_input = AudioSystem::OpenInput(QString(), &openError);
    }
    if (!m_input) m_input = AudioSystem::OpenInput(QStringLiteral("virtual:sine:440"), &openError);
    if (m_output) m_outputDevice = m_output->Name();
    if (m_input) m_captureDevice = m_input->Name();
    if (doc) {
        doc->SetAudioDevices(m_input.get(), m_output.get());
        doc->SetSoundFactory(
            [this](const QString& path, QString* silentReason) -> std::unique_ptr<PlaybackSound> {
                QString why;
                std::unique_ptr<PlaybackSound> sound =
                    m_output ? PlaybackSound::Create(*m_output, path, &why) : nullptr;
                if (!sound) {
                    // The real card may refuse a format; the sound is still analysed, shown and "played"
                    // silently.
                    QString ignored;
                    if (auto silent = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &ignored)) {
                        sound = PlaybackSound::Create(*silent, path, &ignored);
                        m_fallbackOutput = std::move(silent);
                    }
                    if (silentReason)
                        *silentReason =
                            sound ? why + QLatin1Char(' ') + Str(StringId::KalvoPlaysSilentVirtual) : why;
                }
                return sound;
            });
    }
    return real;
}

bool Application::SoundInputExists() {
    if (m_input) return true;
    // At start-up the kids start dialog comes before the sound devices are opened: the sound
    // card's back end is started here already (quietly; InitSound reports a missing card over
    // the main window) so that its inputs are counted.
    AudioSystem::InitRealDevices(nullptr);
    return !AudioSystem::Inputs().empty();
}

void Application::OnSoundcard() {
    const std::vector<AudioDeviceInfo> inputs = AudioSystem::Inputs();
    const std::vector<AudioDeviceInfo> outputs = AudioSystem::Outputs();
    QStringList inputNames, outputNames;
    for (const auto& d : inputs) inputNames << d.name;
    for (const auto& d : outputs) outputNames << d.name;
    const std::optional<std::pair<int, int>> chosen = m_ui.get().ChooseSoundDevices(inputNames, outputNames);
    if (!chosen) return;
    QString inputId = m_captureDeviceId, outputId = m_outputDeviceId;
    if (chosen->first >= 0 && chosen->first < static_cast<int>(inputs.size()))
        inputId = inputs[static_cast<std::size_t>(chosen->first)].id;
    if (chosen->second >= 0 && chosen->second < static_cast<int>(outputs.size()))
        outputId = outputs[static_cast<std::size_t>(chosen->second)].id;
    ApplySoundDevices(inputId, outputId);
}

void Application::ApplySoundDevices(const QString& inputId, const QString& outputId) {
    m_captureDeviceId = inputId;
    m_outputDeviceId = outputId;
    if (m_activeDocument) {
        if (m_activeDocument->IsPlaying()) m_activeDocument->OnStopPlaying();
        m_activeDocument->UpdateAllViews(kHintRebuild);
    }
    QString failed;
    InitSound(&failed);
    if (!failed.isEmpty())
        m_ui.get().Message(StringId::SoundCardCannotUsed, MessageIcon::Exclamation,
                           failed + QLatin1Char(' ') + Str(StringId::KalvoUsesVirtualSound));
    // The loaded sound plays through the new output.
    if (m_activeDocument) m_activeDocument->RecreatePlaybackSound();
}

bool Application::Beep(double frequency, int ms) {
    return m_document && m_document->Beep(frequency, ms);
}
