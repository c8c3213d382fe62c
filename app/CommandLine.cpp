#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "document/IModuleFrame.h"
#include "document/Mp3Converter.h"
#include "document/SoundDocument.h"
#include "platform/ConsoleUserInterface.h"
#include "platform/PictureWriter.h"
#include "platform/ProgramFolder.h"
#include "platform/SaveProfileDialog.h"
#include "platform/StringTable.h"
#include "render3d/DdsWriter.h"
#include "settings/ProfileStore.h"
#include "views/Modules.h"
#include "views/common/CommandLineModules.h"

namespace {

constexpr int kMsg3DPictureType = 62114;

// Stands for an open module window in a run without windows: the document computes what
// that module needs, and there are no controls to set.
class HeadlessModule : public IModuleFrame {
public:
    void SetControlInt(int, int) override {}
    void SetSliderRange(int, int, int, int) override {}
};

bool ParseSelection(const QString& text, std::pair<quint32, quint32>* out) {
    const QStringList parts = text.split(u':');
    if (parts.size() != 2) return false;
    bool ok1 = false, ok2 = false;
    const quint32 first = parts[0].toUInt(&ok1);
    const quint32 last = parts[1].toUInt(&ok2);
    if (!ok1 || !ok2 || last <= first) return false;
    *out = {first, last};
    return true;
}

bool IsTimeSeriesFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("txt") || suffix == QStringLiteral("dat") ||
           suffix == QStringLiteral("prn");
}

void PrintError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

constexpr int kMinPictureSide = 40;
constexpr int kMaxPictureSide = 16000;
constexpr int kMsgSettingNotFinite = 62060;  // a number setting given "nan", "inf" or the like
constexpr int kMsgNoSuchProfile = 64600;     // a profile name that is neither shipped nor saved
constexpr int kTextNoUserProfiles = 64601;
constexpr int kTextUsageWindows = 64602;
constexpr int kTextUsageRecord = 64603;
constexpr int kTextUsageCommon = 64604;
constexpr int kTextUsageProfiles = 64605;

bool ParseSize(const QString& text, QSize* out) {
    const QStringList parts = text.toLower().split(u'x');
    if (parts.size() != 2) return false;
    bool ok1 = false, ok2 = false;
    const int w = parts[0].toInt(&ok1);
    const int h = parts[1].toInt(&ok2);
    if (!ok1 || !ok2 || w < kMinPictureSide || h < kMinPictureSide || w > kMaxPictureSide ||
        h > kMaxPictureSide)
        return false;
    *out = QSize(w, h);
    return true;
}

// An end of a setting's range as the user would type it.
QString RangeEndText(double end) {
    if (end == std::floor(end) && std::abs(end) < 1e15) return QString::number(static_cast<qlonglong>(end));
    return QString::number(end, 'g', 6);
}

// Whether a --set value is one the setting can take; error says why not. A number setting takes
// a number within its range only: a value beyond it could ask for gigabytes or hours.
bool SettingTextFits(const ProfileSettings::SettingKey& key, const QString& text, QString* error) {
    if (!ProfileSettings::IsNumberKey(key)) return true;
    const std::optional<double> number = ProfileSettings::NumberFromText(key, text);
    if (key.HasRange() && (!number || !key.InRange(*number))) {
        *error = Str(StringId::SettingTakesNumberFrom, QString::fromLatin1(key.key),
                     RangeEndText(key.minimum), RangeEndText(key.maximum), text);
        return false;
    }
    if (!number) {
        *error = Str(kMsgSettingNotFinite, QString::fromLatin1(key.key), text);
        return false;
    }
    return true;
}

// Loads the file of the command line as the open commands do; false (the user was told) when it fails.
bool LoadCommandLineFile(SoundDocument& doc, const ConsoleUserInterface& ui, const QString& path) {
    const bool loaded = IsTimeSeriesFile(path) ? doc.OpenTimeSeriesFile(path) : doc.OpenSoundFile(path);
    if (!loaded && ui.MessageCount() == 0) PrintError(Str(StringId::FileNotWaveFile, path));
    return loaded;
}

}  // namespace

bool CommandLine::IsScriptMode(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--export" || a == "--render" || a == "--record") return true;
    }
    return false;
}

QStringList CommandLine::WithoutQtOptions(const QStringList& args) {
    static const QStringList withValue = {
        QStringLiteral("-platform"),        QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"),   QStringLiteral("-plugin"),
        QStringLiteral("-display"),         QStringLiteral("-geometry"),
        QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowicon"),
        QStringLiteral("-qwindowtitle"),    QStringLiteral("-style"),
        QStringLiteral("-stylesheet"),      QStringLiteral("-session")};
    static const QStringList flags = {QStringLiteral("-reverse"), QStringLiteral("-nograb"),
                                      QStringLiteral("-dograb"), QStringLiteral("-sync"),
                                      QStringLiteral("-widgetcount")};
    QStringList out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (withValue.contains(args[i]))
            ++i;
        else if (!flags.contains(args[i]))
            out << args[i];
    }
    return out;
}

namespace {

bool HasOpenableSuffix(const QFileInfo& info) {
    static const QStringList suffixes = {QStringLiteral("wav"), QStringLiteral("mp3"), QStringLiteral("flac"),
                                         QStringLiteral("ogg"), QStringLiteral("oga"), QStringLiteral("opus"),
                                         QStringLiteral("txt"), QStringLiteral("dat"), QStringLiteral("prn")};
    return suffixes.contains(info.suffix().toLower());
}

// A word that names a file rather than a profile: a path (no profile name holds a '/'), or,
// once the profile is named, a name with a sound or series suffix.
bool NamesAFile(const QString& word, bool profileNamed) {
    return word.contains(u'/') || (profileNamed && HasOpenableSuffix(QFileInfo(word)));
}

}  // namespace

bool CommandLine::IsOpenableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && HasOpenableSuffix(info);
}

QString CommandLine::UsageText() {
    RegisterModules();
    return Str(StringId::UsageKalvoKidsPROFILE, CommandLineModules::ExportNames().join(u'|')) + u'\n' +
           Str(StringId::KalvoRenderOpenFILE, CommandLineModules::RenderNames().join(u'|')) + u'\n' +
           Str(kTextUsageRecord) + u'\n' + Str(kTextUsageWindows) + u'\n' + Str(kTextUsageCommon) + u'\n' +
           Str(StringId::ModuleOptionsExportRender,
               CommandLineModules::OptionUsage().join(QStringLiteral(" "))) +
           u'\n' + Str(kTextUsageProfiles, ShippedProfileNames().join(QStringLiteral(", ")));
}

std::optional<CommandLine> CommandLine::Parse(const QStringList& args, QString* error) {
    RegisterModules();  // the module names of --render and --export
    CommandLine cmd;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString* out) {
            if (i + 1 >= args.size()) {
                *error = Str(StringId::OptionNeedsValue, a);
                return false;
            }
            *out = args[++i];
            return true;
        };
        QString v;
        if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            cmd.help = true;
        } else if (a == QStringLiteral("--version")) {
            cmd.version = true;
        } else if (a == QStringLiteral("--export")) {
            if (!value(&cmd.module)) return std::nullopt;
            cmd.mode = Mode::Export;
        } else if (a == QStringLiteral("--render")) {
            if (!value(&cmd.module)) return std::nullopt;
            cmd.mode = Mode::Render;
        } else if (a == QStringLiteral("--record")) {
            if (!value(&v)) return std::nullopt;
            bool ok = false;
            cmd.recordSeconds = v.toDouble(&ok);
            if (!ok || cmd.recordSeconds <= 0 || cmd.recordSeconds > 24 * 3600) {
                *error = Str(StringId::RecordingTimeNotValid, v);
                return std::nullopt;
            }
            cmd.mode = Mode::Record;
        } else if (a == QStringLiteral("--input")) {
            if (!value(&cmd.input)) return std::nullopt;
        } else if (a == QStringLiteral("--out")) {
            if (!value(&cmd.outFile)) return std::nullopt;
        } else if (a == QStringLiteral("--size")) {
            if (!value(&v)) return std::nullopt;
            if (!ParseSize(v, &cmd.size)) {
                *error = Str(StringId::SizeNotValidWrite, v, kMinPictureSide, kMaxPictureSide);
                return std::nullopt;
            }
        } else if (a == QStringLiteral("--open")) {
            if (!value(&cmd.openFile)) return std::nullopt;
        } else if (a == QStringLiteral("--select")) {
            if (!value(&v)) return std::nullopt;
            std::pair<quint32, quint32> sel;
            if (!ParseSelection(v, &sel)) {
                *error = Str(StringId::SelectionNotValidWrite, v);
                return std::nullopt;
            }
            cmd.selection = sel;
        } else if (a == QStringLiteral("--set")) {
            if (!value(&v)) return std::nullopt;
            const qsizetype eq = v.indexOf(u'=');
            const ProfileSettings::SettingKey* key = eq > 0 ? ProfileSettings::FindKey(v.left(eq)) : nullptr;
            if (!key) {
                *error = Str(StringId::UnknownSetting, eq > 0 ? v.left(eq) : v);
                return std::nullopt;
            }
            if (!SettingTextFits(*key, v.mid(eq + 1), error)) return std::nullopt;
            cmd.settings.emplace_back(v.left(eq), v.mid(eq + 1));
        } else if (a == QStringLiteral("--profile")) {
            if (!value(&cmd.profile)) return std::nullopt;
        } else if (a == QStringLiteral("--channel")) {
            if (!value(&v)) return std::nullopt;
            if (v != QStringLiteral("left") && v != QStringLiteral("right")) {
                *error = Str(StringId::UnknownOption, a + u' ' + v);
                return std::nullopt;
            }
            cmd.channel = v == QStringLiteral("left") ? 1 : 0;
        } else if (const CommandLineOption* option = CommandLineModules::FindOption(a)) {
            if (!value(&v)) return std::nullopt;
            if (!option->values.contains(v)) {
                *error = Str(StringId::UnknownOption, a + u' ' + v);
                return std::nullopt;
            }
            cmd.moduleOptions.emplace_back(a, v);
        } else if (a.startsWith(QStringLiteral("-"))) {
            *error = Str(StringId::UnknownOption, a);
            return std::nullopt;
        } else if (cmd.openFile.isEmpty() && IsOpenableFile(a)) {
            cmd.openFile = a;  // "Open with Kalvo" from a file manager
        } else if (cmd.openFile.isEmpty() && NamesAFile(a, !cmd.profile.isEmpty()) &&
                   !QFileInfo(a).isFile()) {
            // Said plainly rather than taken for an unknown profile or option.
            *error =
                QFileInfo(a).isDir() ? Str(StringId::FolderNotFileKalvo, a) : Str(StringId::ThereNoFile, a);
            return std::nullopt;
        } else if (cmd.profile.isEmpty()) {
            cmd.profile = a;
        } else {
            *error = Str(StringId::UnknownOption, a);
            return std::nullopt;
        }
    }
    if (cmd.mode == Mode::Export) {
        if (!CommandLineModules::ExportNames().contains(cmd.module)) {
            *error = Str(StringId::UnknownModule, cmd.module);
            return std::nullopt;
        }
        if (cmd.openFile.isEmpty()) {
            *error = Str(StringId::OptionNeedsValue, QStringLiteral("--open"));
            return std::nullopt;
        }
    }
    if (cmd.mode == Mode::Record && !cmd.outFile.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)) {
        *error = Str(StringId::OptionMissing, QStringLiteral("--out FILE.wav"));
        return std::nullopt;
    }
    if (cmd.mode == Mode::Render) {
        if (!CommandLineModules::RenderNames().contains(cmd.module)) {
            *error = Str(StringId::UnknownModule, cmd.module);
            return std::nullopt;
        }
        if (cmd.openFile.isEmpty()) {
            *error = Str(StringId::OptionMissing, QStringLiteral("--open"));
            return std::nullopt;
        }
        if (cmd.outFile.isEmpty()) {
            *error = Str(StringId::OptionMissing, QStringLiteral("--out"));
            return std::nullopt;
        }
        const CommandLineModule* entry = CommandLineModules::Find(cmd.module);
        if (entry && entry->renderNeedsOpenGL) {
            // A 3D picture is the rendered image; said before any sound is read or any scene built.
            if (!Is3DPictureName(cmd.outFile)) {
                *error = Str(kMsg3DPictureType, cmd.outFile);
                return std::nullopt;
            }
        } else if (!PictureFormatOf(cmd.outFile)) {
            *error = Str(StringId::PictureHasNoKnown, cmd.outFile);
            return std::nullopt;
        }
    }
    return cmd;
}

namespace {

// The shipped profiles by the names the profile dialog gives them, then the English names a
// teacher may type; "for Kids", "for-kids" and "FORKIDS" are all the kids profile.
struct ShippedProfile {
    ProfileKind kind;
    const char* names[3];
};
constexpr ShippedProfile kShippedProfiles[] = {
    {ProfileKind::Standard, {"Standard", nullptr, nullptr}},
    {ProfileKind::Musician, {"Musiker", "Musician", nullptr}},
    {ProfileKind::Analyst, {"Analytiker", "Analyst", nullptr}},
    {ProfileKind::Complete, {"Komplett", "Complete", nullptr}},
    {ProfileKind::SecondarySchool, {"Oberschule", "SecondarySchool", nullptr}},
    {ProfileKind::ForKids, {"Kids", "forKids", "Grundschule"}},
    {ProfileKind::LastUsed, {"ZuletztVerwendet", "LastUsed", nullptr}},
};

QString FoldedProfileName(const QString& name) {
    QString folded;
    for (const QChar c : name)
        if (!c.isSpace() && c != u'-' && c != u'_') folded += c.toCaseFolded();
    return folded;
}

std::optional<ProfileKind> ShippedProfileKind(const QString& name) {
    const QString folded = FoldedProfileName(name);
    if (folded.isEmpty()) return std::nullopt;
    for (const ShippedProfile& profile : kShippedProfiles)
        for (const char* text : profile.names)
            if (text && folded == FoldedProfileName(QLatin1String(text))) return profile.kind;
    return std::nullopt;
}

bool UserProfileExists(const QString& name) {
    return SaveProfileDialog::IsUsableName(name) &&
           QFileInfo(ProgramFolder() +
                     ProfileStore::ProfileFile(ProfileKind::User, SaveProfileDialog::FileNameFor(name)))
               .isFile();
}

}  // namespace

QStringList ShippedProfileNames() {
    QStringList names;
    for (const ShippedProfile& profile : kShippedProfiles) {
        QString entry = QLatin1String(profile.names[0]);
        if (profile.names[1]) entry += QStringLiteral(" (") + QLatin1String(profile.names[1]) + u')';
        names << entry;
    }
    return names;
}

QStringList UserProfileNames() {
    QStringList names;
    const QString prefix = QStringLiteral("KalvoUserProfil-");
    const QDir folder(ProgramFolder() + QStringLiteral("Profile"));
    for (const QString& file :
         folder.entryList({prefix + QStringLiteral("*.ini")}, QDir::Files, QDir::Name)) {
        const QString name = file.mid(prefix.size()).chopped(4);
        if (!name.isEmpty()) names << name;
    }
    return names;
}

std::optional<std::pair<ProfileKind, QString>> FindProfile(const QString& name) {
    if (name.isEmpty()) return std::pair{ProfileKind::Standard, QString()};
    // A saved user profile keeps its name even where it sounds like a shipped one.
    if (UserProfileExists(name)) return std::pair{ProfileKind::User, SaveProfileDialog::FileNameFor(name)};
    if (const std::optional<ProfileKind> kind = ShippedProfileKind(name)) return std::pair{*kind, QString()};
    return std::nullopt;
}

QString UnknownProfileText(const QString& name) {
    const QStringList users = UserProfileNames();
    return Str(kMsgNoSuchProfile, name, ShippedProfileNames().join(QStringLiteral(", ")),
               users.isEmpty() ? Str(kTextNoUserProfiles) : users.join(QStringLiteral(", ")));
}

std::pair<ProfileKind, QString> ProfileFromName(const QString& name) {
    if (const auto found = FindProfile(name)) return *found;
    return {ProfileKind::User, SaveProfileDialog::FileNameFor(name)};  // missing: loading it says so
}

bool LoadStartProfile(Application& app, const QString& profileName,
                      const std::vector<std::pair<QString, QString>>& settings) {
    const auto [kind, userFile] = ProfileFromName(profileName);
    app.m_profileKind = kind;
    app.m_userProfileFile = userFile;
    if (!app.LoadProfile()) return false;
    for (const auto& [key, value] : settings) app.Settings().SetSettingText(key, value);
    Language language = Language::English;
    if (!LanguageFromCode(app.Settings().IniAllgemeinLanguage, &language))
        language = QLocale::system().language() == QLocale::German ? Language::German : Language::English;
    SetCurrentLanguage(language);
    return true;
}

namespace {

// The program as the script modes use it: the profile, the document and no window.
struct ScriptSession {
    explicit ScriptSession(const CommandLine& cmd) : ui(cmd.channel), app(ui), doc(app.Settings(), ui) {
        app.m_activeDocument = &doc;
    }
    ~ScriptSession() { app.m_activeDocument = nullptr; }
    ScriptSession(const ScriptSession&) = delete;
    ScriptSession& operator=(const ScriptSession&) = delete;
    bool Start(const CommandLine& cmd) {
        if (!LoadStartProfile(app, cmd.profile, cmd.settings)) return false;
        doc.OnNewDocument();
        InstallSoundFileConversion(doc);
        return true;
    }
    ConsoleUserInterface ui;
    Application app;
    SoundDocument doc;
};

}  // namespace

namespace {

// Loads the file and checks the selection; the exit code on failure.
std::optional<int> PrepareScriptRun(ScriptSession& session, const CommandLine& cmd,
                                    const CommandLineModule& entry, IModuleFrame* moduleFrame) {
    if (!session.Start(cmd)) return 1;
    for (const auto& [name, value] : cmd.moduleOptions)
        if (const CommandLineOption* option = CommandLineModules::FindOption(name))
            option->apply({session.app.Settings(), session.doc, session.ui}, value);
    // The document computes for the module as if its window were open.
    if (IsDocumentModule(entry.module)) session.doc.SetModuleFrame(entry.module, moduleFrame);
    if (!LoadCommandLineFile(session.doc, session.ui, cmd.openFile)) return 1;
    const quint32 count = session.doc.SampleCount();
    if (cmd.selection && cmd.selection->second > count) {
        PrintError(
            Str(StringId::SelectionLiesOutsideSound, cmd.selection->first, cmd.selection->second, count));
        return 2;
    }
    return std::nullopt;
}

// The numbers or picture stand; the user learns that a long selection's spectrum covers its start only.
void TellWhenTheSpectrumIsCut(const SoundDocument& doc) {
    if (doc.SelectionSpectrumIsCut())
        PrintError(Str(StringId::SpectrumFirstSelectedSamples, doc.SpectrumPoints(),
                       static_cast<qulonglong>(doc.SelectedSamples().size())));
}

ScriptRequest RequestOf(const CommandLine& cmd, const CommandLineModule& entry) {
    return ScriptRequest{cmd.selection, cmd.size.isEmpty() ? entry.defaultSize : cmd.size, cmd.outFile};
}

}  // namespace

int RunExport(const CommandLine& cmd, QByteArray* text) {
    const CommandLineModule* entry = CommandLineModules::Find(cmd.module);
    if (!entry || !entry->exportText) {
        PrintError(Str(StringId::UnknownModule, cmd.module));
        return 1;
    }
    HeadlessModule module;  // declared first: it outlives the document
    ScriptSession session(cmd);
    if (const std::optional<int> failed = PrepareScriptRun(session, cmd, *entry, &module)) return *failed;
    SoundDocument& doc = session.doc;
    const auto [first, last] = cmd.selection.value_or(std::pair<quint32, quint32>(0, doc.SampleCount()));
    if (!doc.OnSelectionChanged(first, last)) return 1;  // the reason is on standard error
    const std::optional<QString> exported =
        entry->exportText({session.app.Settings(), doc, session.ui}, RequestOf(cmd, *entry));
    if (!exported) return 1;
    TellWhenTheSpectrumIsCut(doc);
    const QByteArray bytes = exported->toUtf8();
    if (text) {
        *text = bytes;
        return 0;
    }
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
    return 0;
}

int RunRender(const CommandLine& cmd) {
    const CommandLineModule* entry = CommandLineModules::Find(cmd.module);
    if (!entry || !entry->render) {
        PrintError(Str(StringId::UnknownModule, cmd.module));
        return 1;
    }
    HeadlessModule module;  // declared first: it outlives the document
    ScriptSession session(cmd);
    if (const std::optional<int> failed = PrepareScriptRun(session, cmd, *entry, &module)) return *failed;
    const bool written =
        entry->render({session.app.Settings(), session.doc, session.ui}, RequestOf(cmd, *entry));
    if (!written) {
        PrintError(Str(StringId::PictureCouldNotWritten, cmd.outFile));
        return 1;
    }
    TellWhenTheSpectrumIsCut(session.doc);
    return 0;
}

int RunRecord(const CommandLine& cmd) {
    ScriptSession session(cmd);
    if (!session.Start(cmd)) return 1;
    Application& app = session.app;
    SoundDocument& doc = session.doc;
    app.m_captureDeviceId = cmd.input;
    app.InitSound();
    if (!doc.InputDevice()) return 1;
    QFile::remove(SoundDocument::RecordingPath());  // a fresh recording, not appended to an old one
    doc.StartListening(true);
    if (!doc.IsListening()) return 1;
    bool ok = false;
    QTimer::singleShot(static_cast<int>(cmd.recordSeconds * 1000.0), [&] {
        doc.OnRecordMusic();  // stops and loads the recording
        ok = doc.IsWaveLoaded() && doc.CopyWaveFile(cmd.outFile, SoundDocument::RecordingPath());
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    if (doc.IsListening()) doc.StopListening();
    return ok ? 0 : 1;
}
