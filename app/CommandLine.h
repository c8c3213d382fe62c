#pragma once
// The command line: the windows with an optional profile (a shipped or a saved profile by name),
// and the script modes that run through the same document code without any window.

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "app/Application.h"

struct CommandLine {
    enum class Mode { Windows, Export, Render, Record };
    Mode mode = Mode::Windows;
    QString module;                                          // --export MODULE or --render MODULE
    QString openFile;                                        // --open FILE
    std::optional<std::pair<quint32, quint32>> selection;    // --select FIRST:LAST (last exclusive)
    std::vector<std::pair<QString, QString>> settings;       // --set IniKey=VALUE
    std::vector<std::pair<QString, QString>> moduleOptions;  // options the modules register
    QString profile;                                         // --profile NAME, or the one positional argument
    int channel = 1;                                         // --channel left|right: 1 = left, 0 = right
    QString outFile;                                         // --out PICTURE or FILE.wav
    double recordSeconds = 0;                                // --record SECONDS
    QString input;  // --input DEVICE (a sound-device id such as virtual:sine:440)
    QSize size;     // --size WxH; empty: the module's own default
    bool help = false;
    bool version = false;  // --version

    // Parses the arguments after the program name; on failure returns nothing and sets error.
    // How the program is called, with the module names that --export and --render take.
    static QString UsageText();
    static std::optional<CommandLine> Parse(const QStringList& args, QString* error);
    // True when the arguments ask for a mode that shows no window.
    static bool IsScriptMode(int argc, char** argv);
    // The arguments without the options Qt takes itself (-platform NAME, -style NAME, ...).
    static QStringList WithoutQtOptions(const QStringList& args);
    // True for a file the windows can open: a sound file or a text time series.
    static bool IsOpenableFile(const QString& path);
};

// The profile a name stands for: a saved user profile of that name, else a shipped profile by
// the name the profile dialog gives it or its English name (case, blanks and dashes do not
// matter: "komplett", "Complete", "for Kids"); nothing when there is no such profile.
std::optional<std::pair<ProfileKind, QString>> FindProfile(const QString& name);
// As FindProfile, but an unknown name stands for a user profile file that is missing, which
// loading the profile then reports.
std::pair<ProfileKind, QString> ProfileFromName(const QString& name);
// "Standard", "Musiker (Musician)", ...: the shipped profiles as the command line takes them.
QStringList ShippedProfileNames();
// The names of the user profiles saved in the program folder.
QStringList UserProfileNames();
// The message for a profile name that FindProfile does not know, with the names there are.
QString UnknownProfileText(const QString& name);

// Loads the profile of that name, applies the --set overrides and settles the language
// (the profile's, else the system's); false when the profile is missing (the user was told).
bool LoadStartProfile(Application& app, const QString& profileName,
                      const std::vector<std::pair<QString, QString>>& settings);

// Runs `--record`: listens and records through the program's input path and copies the
// recording to the --out file; returns the exit code.
int RunRecord(const CommandLine& cmd);

// Runs `--export`: prints the module's numbers to standard output, or hands them to text when
// one is given; returns the exit code.
int RunExport(const CommandLine& cmd, QByteArray* text = nullptr);

// Runs `--render`: draws the module's view for the loaded sound into the picture file;
// returns the exit code.
int RunRender(const CommandLine& cmd);
