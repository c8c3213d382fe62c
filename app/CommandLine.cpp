#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QLocale>
#include <cstdio>

#include "app/CSplitterFrame.h"
#include "document/AppFlags.h"
#include "document/CKalvoDoc.h"
#include "document/CMp3Converter.h"
#include "document/IModuleFrame.h"
#include "platform/CSaveProfileDLG.h"
#include "platform/ConsoleUserInterface.h"
#include "platform/PictureWriter.h"
#include "platform/StringTable.h"
#include "views/spectral/FftExport.h"
#include "views/time/CKalvoOverView.h"
#include "views/time/CKalvoView.h"

namespace {

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
    return suffix == QStringLiteral("txt") || suffix == QStringLiteral("dat") || suffix == QStringLiteral("prn");
}

void PrintError(const QString& text) { std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData()); }

constexpr int kMinPictureSide = 40;
constexpr int kMaxPictureSide = 16000;

bool ParseSize(const QString& text, QSize* out) {
    const QStringList parts = text.toLower().split(u'x');
    if (parts.size() != 2) return false;
    bool ok1 = false, ok2 = false;
    const int w = parts[0].toInt(&ok1);
    const int h = parts[1].toInt(&ok2);
    if (!ok1 || !ok2 || w < kMinPictureSide || h < kMinPictureSide || w > kMaxPictureSide || h > kMaxPictureSide)
        return false;
    *out = QSize(w, h);
    return true;
}

// Loads the file of the command line as the open commands do; false (the user was told) when it fails.
bool LoadCommandLineFile(CKalvoDoc& doc, const ConsoleUserInterface& ui, const QString& path) {
    const bool loaded = IsTimeSeriesFile(path) ? doc.OpenTimeSeriesFile(path) : doc.OpenSoundFile(path);
    if (!loaded && ui.MessageCount() == 0) PrintError(Str(62006, path));
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

std::optional<CommandLine> CommandLine::Parse(const QStringList& args, QString* error) {
    CommandLine cmd;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString* out) {
            if (i + 1 >= args.size()) {
                *error = Str(62040, a);
                return false;
            }
            *out = args[++i];
            return true;
        };
        QString v;
        if (a == QStringLiteral("--help") || a == QStringLiteral("-h")) {
            cmd.help = true;
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
                *error = Str(63406, v);
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
                *error = Str(63021, v, kMinPictureSide, kMaxPictureSide);
                return std::nullopt;
            }
        } else if (a == QStringLiteral("--open")) {
            if (!value(&cmd.openFile)) return std::nullopt;
        } else if (a == QStringLiteral("--select")) {
            if (!value(&v)) return std::nullopt;
            std::pair<quint32, quint32> sel;
            if (!ParseSelection(v, &sel)) {
                *error = Str(62041, v);
                return std::nullopt;
            }
            cmd.selection = sel;
        } else if (a == QStringLiteral("--set")) {
            if (!value(&v)) return std::nullopt;
            const qsizetype eq = v.indexOf(u'=');
            if (eq <= 0 || !CKalvoApp::FindKey(v.left(eq))) {
                *error = Str(62042, eq > 0 ? v.left(eq) : v);
                return std::nullopt;
            }
            cmd.settings.emplace_back(v.left(eq), v.mid(eq + 1));
        } else if (a == QStringLiteral("--profile")) {
            if (!value(&cmd.profile)) return std::nullopt;
            cmd.profileOption = true;
        } else if (a == QStringLiteral("--channel")) {
            if (!value(&v)) return std::nullopt;
            if (v != QStringLiteral("left") && v != QStringLiteral("right")) {
                *error = Str(62039, a + u' ' + v);
                return std::nullopt;
            }
            cmd.channel = v == QStringLiteral("left") ? 1 : 0;
        } else if (a.startsWith(QStringLiteral("-"))) {
            *error = Str(62039, a);
            return std::nullopt;
        } else if (cmd.profile.isEmpty()) {
            cmd.profile = a;
        } else {
            *error = Str(62039, a);
            return std::nullopt;
        }
    }
    if (cmd.mode == Mode::Export) {
        if (cmd.module != QStringLiteral("fft")) {
            *error = Str(62043, cmd.module);
            return std::nullopt;
        }
        if (cmd.openFile.isEmpty()) {
            *error = Str(62040, QStringLiteral("--open"));
            return std::nullopt;
        }
    }
    if (cmd.mode == Mode::Record && !cmd.outFile.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)) {
        *error = Str(63024, QStringLiteral("--out FILE.wav"));
        return std::nullopt;
    }
    if (cmd.mode == Mode::Render) {
        if (!RenderModules().contains(cmd.module)) {
            *error = Str(62043, cmd.module);
            return std::nullopt;
        }
        if (cmd.openFile.isEmpty()) {
            *error = Str(63024, QStringLiteral("--open"));
            return std::nullopt;
        }
        if (cmd.outFile.isEmpty()) {
            *error = Str(63024, QStringLiteral("--out"));
            return std::nullopt;
        }
        if (!PictureFormatOf(cmd.outFile)) {
            *error = Str(63023, cmd.outFile);
            return std::nullopt;
        }
    }
    return cmd;
}

std::pair<ProfileKind, QString> ProfileFromName(const QString& name) {
    static const std::pair<const char*, ProfileKind> predefined[] = {
        {"Standard", ProfileKind::Standard},     {"Musiker", ProfileKind::Musiker},
        {"Analytiker", ProfileKind::Analytiker}, {"Komplett", ProfileKind::Komplett},
        {"Kids", ProfileKind::ForKids},          {"forKids", ProfileKind::ForKids},
        {"Oberschule", ProfileKind::Oberschule}, {"ZuletztVerwendet", ProfileKind::LastUsed}};
    if (name.isEmpty()) return {ProfileKind::Standard, QString()};
    for (const auto& [text, kind] : predefined)
        if (name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0) return {kind, QString()};
    return {ProfileKind::User, CSaveProfileDLG::FileNameFor(name)};
}

bool LoadStartProfile(CKalvoApp& app, const QString& profileName,
                      const std::vector<std::pair<QString, QString>>& settings) {
    const auto [kind, userFile] = ProfileFromName(profileName);
    app.m_profileKind = kind;
    app.m_strUserProfileFile = userFile;
    if (!app.LoadProfile()) return false;
    for (const auto& [key, value] : settings) app.SetSettingText(key, value);
    Language language = Language::English;
    if (!LanguageFromCode(app.IniAllgemeinLanguage, &language))
        language = QLocale::system().language() == QLocale::German ? Language::German : Language::English;
    SetCurrentLanguage(language);
    return true;
}

namespace {

// The program as the script modes use it: the profile, the document and no window.
struct ScriptSession {
    explicit ScriptSession(const CommandLine& cmd) : ui(cmd.channel), app(ui), doc(app, ui) {}
    bool Start(const CommandLine& cmd) {
        if (!LoadStartProfile(app, cmd.profile, cmd.settings)) return false;
        doc.OnNewDocument();
        InstallSoundFileConversion(doc);
        return true;
    }
    ConsoleUserInterface ui;
    CKalvoApp app;
    CKalvoDoc doc;
};

}  // namespace

int RunExport(const CommandLine& cmd) {
    ScriptSession session(cmd);
    if (!session.Start(cmd)) return 1;
    ConsoleUserInterface& ui = session.ui;
    CKalvoDoc& doc = session.doc;
    HeadlessModule fftModule;
    doc.SetModuleFrame(Module::FFT, &fftModule);
    if (!LoadCommandLineFile(doc, ui, cmd.openFile)) return 1;
    const quint32 count = doc.SampleCount();
    quint32 first = 0, last = count;
    if (cmd.selection) {
        std::tie(first, last) = *cmd.selection;
        if (last > count) {
            PrintError(Str(62044, first, last, count));
            return 2;
        }
    }
    if (!doc.OnSelectionChanged(first, last)) return 1;  // the reason is on standard error
    // Never a table without rows, as if it were a result.
    if (FftExportPoints(doc) == 0) {
        PrintError(Str(62101, first, last));
        return 2;
    }
    const QByteArray text = FftExportText(doc).toUtf8();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    std::fflush(stdout);
    return 0;
}

QStringList RenderModules() { return {QStringLiteral("overview"), QStringLiteral("waveform")}; }

int RunRender(const CommandLine& cmd) {
    ScriptSession session(cmd);
    if (!session.Start(cmd)) return 1;
    ConsoleUserInterface& ui = session.ui;
    CKalvoDoc& doc = session.doc;
    if (!LoadCommandLineFile(doc, ui, cmd.openFile)) return 1;
    const quint32 count = doc.SampleCount();
    if (cmd.selection && cmd.selection->second > count) {
        PrintError(Str(62044, cmd.selection->first, cmd.selection->second, count));
        return 2;
    }
    const QSize size = cmd.size.isEmpty() ? QSize(1200, 400) : cmd.size;

    // The views of the main sound window, laid out at the picture's size but never on screen.
    CKalvoOverView overview(doc, session.app);
    CKalvoView waveform(doc, session.app);
    overview.SetWaveView(&waveform);
    for (QWidget* view : {static_cast<QWidget*>(&overview), static_cast<QWidget*>(&waveform)}) {
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->resize(size);
        view->show();
    }
    overview.OnInitialUpdate();
    waveform.OnInitialUpdate();
    waveform.SetPrecision(CSplitterFrame::kStartPrecision);
    // The marked stretch: the selection, or for the waveform the whole sound.
    if (cmd.selection) overview.MarkSamples(cmd.selection->first, cmd.selection->second);
    else if (cmd.module == QStringLiteral("waveform")) overview.MarkSamples(0, count);

    const bool wave = cmd.module == QStringLiteral("waveform");
    const QString name = wave ? CKalvoView::PictureName() : CKalvoOverView::PictureName();
    const PaintRoutine paint = [&](QPainter& painter, const QRect& rect) {
        if (wave) waveform.OnDraw(painter, rect);
        else overview.OnDraw(painter, rect);
    };
    if (!WritePicture(cmd.outFile, size, name, paint)) {
        PrintError(Str(63022, cmd.outFile));
        return 1;
    }
    return 0;
}

int RunRecord(const CommandLine& cmd) {
    ScriptSession session(cmd);
    if (!session.Start(cmd)) return 1;
    CKalvoApp& app = session.app;
    CKalvoDoc& doc = session.doc;
    app.m_strCaptureDeviceId = cmd.input;
    app.InitSound();
    if (!doc.InputDevice()) return 1;
    QFile::remove(CKalvoDoc::RecordingPath());  // a fresh recording, not appended to an old one
    doc.StartListening(true);
    if (!g_bListening) return 1;
    bool ok = false;
    QTimer::singleShot(static_cast<int>(cmd.recordSeconds * 1000.0), [&] {
        doc.OnRecordMusic();  // stops and loads the recording
        ok = g_bWaveLoaded && doc.CopyWaveFile(cmd.outFile, CKalvoDoc::RecordingPath());
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    if (g_bListening) doc.StopListening();
    return ok ? 0 : 1;
}
