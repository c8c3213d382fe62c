// Kalvo: sound analysis for teaching acoustics.

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <cstdio>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/QtUserInterface.h"
#include "platform/StringTable.h"
#include "views/common/CommandLineModules.h"

namespace {

void RegisterFontSubstitutions() {
    QFont::insertSubstitution(QStringLiteral("Century Gothic"), QStringLiteral("URW Gothic"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"));
}

int RunWindows(const CommandLine& cmd) {
    QtUserInterface ui;
    Application app(ui);
    app.m_captureDeviceId = cmd.input;
    // The name was checked in main(): without one the start dialog asks.
    std::optional<std::pair<ProfileKind, QString>> forced;
    if (!cmd.profile.isEmpty()) forced = FindProfile(cmd.profile);
    if (!app.InitInstance(QString(), cmd.settings, forced)) {
        app.ExitInstance();
        return 0;  // cancelled, or the user has been told what is missing
    }
    if (!cmd.openFile.isEmpty()) app.Document()->OpenFile(cmd.openFile);
    const int code = QApplication::exec();
    app.ExitInstance();
    return code != 0 ? code : app.ExitCode();
}

}  // namespace

int main(int argc, char** argv) {
    // Help, the version and mistakes in the arguments need no display: they are answered
    // before Qt looks for one, in the language of the environment.
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i) rawArgs << QString::fromLocal8Bit(argv[i]);
    SetCurrentLanguage(QLocale::system().language() == QLocale::German ? Language::German
                                                                       : Language::English);
    QString error;
    const std::optional<CommandLine> early =
        CommandLine::Parse(CommandLine::WithoutQtOptions(rawArgs), &error);
    if (!early) {
        std::fprintf(stderr, "%s\n%s\n", error.toLocal8Bit().constData(),
                     CommandLine::UsageText().toLocal8Bit().constData());
        return 2;
    }
    if (early->help) {
        std::printf("%s\n", CommandLine::UsageText().toLocal8Bit().constData());
        return 0;
    }
    if (early->version) {
        std::printf("kalvo %s\n", KALVO_VERSION);
        return 0;
    }
    const bool scriptMode = early->mode != CommandLine::Mode::Windows;
    const bool display =
        !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || rawArgs.contains(QStringLiteral("-platform"));
    if (!scriptMode && !display) {
        std::fprintf(stderr, "%s\n", Str(StringId::KalvoNeedsDisplayIts).toLocal8Bit().constData());
        return 1;
    }
    // A 3D picture is drawn with OpenGL, offscreen on the display's platform; without a
    // display there is no OpenGL to be had.
    const CommandLineModule* entry =
        early->mode == CommandLine::Mode::Render ? CommandLineModules::Find(early->module) : nullptr;
    const bool openGL = entry && entry->renderNeedsOpenGL;
    const bool realDisplay =
        !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool noOpenGLPlatform = platform.isEmpty() ? !realDisplay
                                                     : platform.startsWith(QLatin1String("offscreen")) ||
                                                           platform.startsWith(QLatin1String("minimal"));
    if (openGL && noOpenGLPlatform) {
        std::fprintf(stderr, "%s\n",
                     Str(StringId::N3DPictureDrawnOpenGL, early->module).toLocal8Bit().constData());
        return 1;
    }
    // Script modes never show a window and need no display.
    if (scriptMode) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !openGL)
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Scripts often run outside a desktop session; give Qt the private runtime folder it
        // would otherwise make itself with a warning on standard error.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
            const QString runtime =
                QDir::tempPath() + QStringLiteral("/runtime-kalvo-") + QString::number(getuid());
            if (MakePrivateFolder(runtime)) qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        }
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kalvo"));
    QApplication::setOrganizationName(QStringLiteral("Kalvo"));
    RegisterFontSubstitutions();

    const std::optional<CommandLine> cmd = CommandLine::Parse(QApplication::arguments().mid(1), &error);
    if (!cmd) {
        std::fprintf(stderr, "%s\n%s\n", error.toLocal8Bit().constData(),
                     CommandLine::UsageText().toLocal8Bit().constData());
        return 2;
    }
    // A profile name that is neither shipped nor saved ends the run before anything starts,
    // with the names there are.
    if (!cmd->profile.isEmpty() && !FindProfile(cmd->profile)) {
        std::fprintf(stderr, "%s\n", UnknownProfileText(cmd->profile).toLocal8Bit().constData());
        return 2;
    }
    if (cmd->mode == CommandLine::Mode::Export) return RunExport(*cmd);
    if (cmd->mode == CommandLine::Mode::Render) return RunRender(*cmd);
    if (cmd->mode == CommandLine::Mode::Record) return RunRecord(*cmd);
    return RunWindows(*cmd);
}
