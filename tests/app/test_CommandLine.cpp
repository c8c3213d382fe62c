// Runs the real program in its script mode, as a user's script would.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include "app/CommandLine.h"
#include "platform/StringTable.h"
#include "tests/support/KalvoProcess.h"
#include "tests/support/SettingRanges.h"
#include "tests/support/WaveBytes.h"
#include "views/Modules.h"
#include "views/common/CommandLineModules.h"

namespace {

using Result = test::KalvoRun;

Result Kalvo(const QStringList& args, const std::function<void()>& childSetup = {}) {
    return test::RunKalvo(args, childSetup);
}

}  // namespace

TEST(CommandLine, ExportFftPrintsTheSpectrumOfAFile) {
    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("a440.wav"));
    // 440 Hz at 44100 Hz; 4096 samples selected from 100 on.
    ASSERT_TRUE(test::WriteFile(wave, test::Mono16(44100, test::Sine(440, 44100, 8000, 16000))));
    const Result run = Kalvo({QStringLiteral("--export"), QStringLiteral("fft"), QStringLiteral("--open"),
                              wave, QStringLiteral("--select"), QStringLiteral("100:4196")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList lines = run.out.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.takeLast(), QString());  // every line ends with "\r\n"
    ASSERT_EQ(lines.size(), 1 + 2049);
    EXPECT_EQ(lines[0], QStringLiteral("frequency[Hz]\tamplitude[dBFS]"));
    // Bin i lies at i * 44100 / 4096 Hz; the loudest bin is the one nearest 440 Hz.
    EXPECT_EQ(lines[1].section(u'\t', 0, 0), QStringLiteral("0"));
    EXPECT_EQ(lines[2].section(u'\t', 0, 0), QStringLiteral("10,76660156"));
    int loudest = 0;
    double level = -1e9;
    for (int i = 1; i < lines.size(); ++i) {
        const double db = lines[i].section(u'\t', 1, 1).replace(u',', u'.').toDouble();
        if (db > level) {
            level = db;
            loudest = i - 1;
        }
    }
    EXPECT_EQ(loudest, 41);  // 41 * 10.77 Hz = 441.4 Hz
    // A sine of 16000 reads 20 log10(16000 / 32768) = -6.23 dB full scale on its bin; the tone
    // lies between two bins, so a little less.
    EXPECT_GT(level, -10.0);
    EXPECT_LT(level, -6.2);
}

TEST(CommandLine, ExportReadsTimeSeriesAndHonoursSettings) {
    QTemporaryDir dir;
    const QString series = dir.filePath(QStringLiteral("series.txt"));
    QByteArray text;
    for (int i = 0; i < 300; ++i) text += QByteArray::number(i % 2 ? 1 : -1) + "\r\n";
    ASSERT_TRUE(test::WriteFile(series, text));
    const Result run = Kalvo({QStringLiteral("--export"), QStringLiteral("fft"), QStringLiteral("--open"),
                              series, QStringLiteral("--set"), QStringLiteral("IniAllgemeinLanguage=1031")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Frequenz[Hz]\tAmplitude[dBFS]\r\n")));
    EXPECT_EQ(run.out.count(QStringLiteral("\r\n")), 1 + 129);  // 300 samples: 256 points
    // The alternating series puts all its energy at half the sample rate.
    EXPECT_TRUE(run.out.contains(QStringLiteral("\r\n22050\t")));
}

TEST(CommandLine, FailuresGoToStandardErrorWithANonZeroExitCode) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("fake.wav"));
    ASSERT_TRUE(test::WriteFile(text, "this is not a sound\n"));
    const QString empty = dir.filePath(QStringLiteral("empty.wav"));
    ASSERT_TRUE(test::WriteFile(empty, test::Riff(test::Chunk("fmt ", test::FmtBody(1, 1, 8000, 16)) +
                                                  test::Chunk("data", QByteArray()))));
    const QString good = dir.filePath(QStringLiteral("good.wav"));
    ASSERT_TRUE(test::WriteFile(good, test::Mono16(8000, {1, 2, 3, 4})));
    // A lying header: a rate that is no int would come out as negative frequencies.
    const QString rate0 = dir.filePath(QStringLiteral("rate0.wav"));
    ASSERT_TRUE(test::WriteFile(rate0, test::Mono16(0, {1, 2, 3, 4})));
    const QString rate2g = dir.filePath(QStringLiteral("rate2g.wav"));
    ASSERT_TRUE(test::WriteFile(rate2g, test::Mono16(0x80000000u, {1, 2, 3, 4})));
    const QString services = dir.filePath(QStringLiteral("services.txt"));
    ASSERT_TRUE(
        test::WriteFile(services, "tcpmux\t\t1/tcp\t\t\t# TCP port service multiplexer\necho\t\t7/tcp\n"));
    struct Case {
        QStringList args;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"--export", "fft", "--open", text}, "fake.wav"},
        // A text of words is no time series, and no empty wave file either.
        {{"--export", "fft", "--open", services}, "holds no number"},
        {{"--export", "fft", "--open", empty}, "empty"},
        {{"--export", "fft", "--open", dir.filePath("missing.wav")}, "missing.wav"},
        {{"--export", "fft", "--open", rate0}, "0 Hz"},
        {{"--export", "fft", "--open", rate2g}, "2147483648 Hz"},
        {{"--export", "fft", "--open", good, "--select", "3:2"}, "3:2"},
        {{"--export", "fft", "--open", good, "--select", "0:99"}, "outside"},
        {{"--export", "fft", "--open", good, "--set", "IniNoSuchKey=1"}, "IniNoSuchKey"},
        // A number setting that is not finite would fill a table with nan.
        {{"--export", "corrdim", "--open", good, "--set", "IniAnalyseRadiusMinKorr=nan"},
         "IniAnalyseRadiusMinKorr"},
        {{"--export", "fft", "--open", good, "--set", "iniFFTDelay=inf"}, "IniFFTDelay"},
        {{"--export", "waveform", "--open", good}, "waveform"},
        {{"--export", "fft"}, "--open"},
        {{"--bogus"}, "--bogus"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Result run = Kalvo(c.args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << run.err.toStdString();
    }
}

TEST(CommandLine, ExportOfASingleSampleIsItsOneBinAtZeroHertz) {
    QTemporaryDir dir;
    const QString one = dir.filePath(QStringLiteral("one.wav"));
    ASSERT_TRUE(test::WriteFile(one, test::Mono16(8000, {16384})));
    const QString four = dir.filePath(QStringLiteral("four.wav"));
    ASSERT_TRUE(test::WriteFile(four, test::Mono16(8000, {16384, 1, 2, 3})));
    // -6.02 dB: half of full scale.
    for (const QStringList& args : {QStringList{"--export", "fft", "--open", one},
                                    QStringList{"--export", "fft", "--open", four, "--select", "0:1"}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Result run = Kalvo(args);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList lines = run.out.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lines.takeLast(), QString());
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("0\t-6,02"))) << lines[1].toStdString();
    }
}

TEST(CommandLine, ASelectionBeyondTheMemoryIsRefusedWithAMessageInsteadOfACrash) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    QTemporaryDir dir;
    // 256 MiB of 8-bit samples, a sparse file: selected whole, they would take 2 GiB as doubles.
    constexpr std::uint32_t kBytes = 256u << 20;
    const QString wave = dir.filePath(QStringLiteral("long.wav"));
    {
        QFile file(wave);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray header = test::Riff(test::Chunk("fmt ", test::FmtBody(1, 1, 8000, 8)) +
                                                 test::Chunk("data", QByteArray(), kBytes, false),
                                             4 + 24 + 8 + kBytes);
        ASSERT_EQ(file.write(header), header.size());
        ASSERT_TRUE(file.resize(header.size() + kBytes));
    }
    const Result run =
        Kalvo({QStringLiteral("--export"), QStringLiteral("fft"), QStringLiteral("--open"), wave}, [] {
            // Room for the program and the sound, not for the copy of every sample.
            const rlimit limit{1ull << 30, 1ull << 30};
            ::setrlimit(RLIMIT_AS, &limit);
        });
    EXPECT_GT(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("2048 MB"))) << run.err.toStdString();
#endif
}

TEST(CommandLine, HelpVersionAndMistakesNeedNoDisplay) {
    struct Case {
        QStringList args;
        int code;
        const char* printed;  // the start of standard output, or else of standard error
    };
    const Case cases[] = {
        {{QStringLiteral("--help")}, 0, "Usage: kalvo"},
        {{QStringLiteral("--version")}, 0, "kalvo "},
        {{QStringLiteral("--no-such-option")}, 2, "Unknown option"},
        {{}, 1, "Kalvo needs a display"},  // the windows, without a display
    };
    // The program inherits this process's environment, without any display.
    std::vector<std::pair<const char*, QByteArray>> saved;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        saved.emplace_back(name, qgetenv(name));
        qunsetenv(name);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const test::KalvoRun run = test::RunKalvo(c.args);
        EXPECT_EQ(run.exitCode, c.code) << run.err.toStdString();
        const QString printed = run.out.isEmpty() ? run.err : run.out;
        EXPECT_TRUE(printed.startsWith(QLatin1String(c.printed))) << printed.toStdString();
    }
    for (const auto& [name, value] : saved)
        if (!value.isNull()) qputenv(name, value);
}

TEST(CommandLine, AFileGivenAloneIsOpenedAndANameIsAProfile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wave = dir.filePath(QStringLiteral("Geige.wav"));
    ASSERT_TRUE(test::WriteFile(wave, test::Mono16(8000, {1, 2, 3})));
    QString error;
    // What a file manager starts for "Open with Kalvo", with Qt's own options around it.
    std::optional<CommandLine> cmd = CommandLine::Parse(
        CommandLine::WithoutQtOptions({QStringLiteral("-style"), QStringLiteral("Fusion"), wave}), &error);
    ASSERT_TRUE(cmd) << error.toStdString();
    EXPECT_EQ(cmd->openFile, wave);
    EXPECT_TRUE(cmd->profile.isEmpty());
    cmd = CommandLine::Parse({QStringLiteral("Kids"), wave}, &error);
    ASSERT_TRUE(cmd);
    EXPECT_EQ(cmd->profile, QStringLiteral("Kids"));
    EXPECT_EQ(cmd->openFile, wave);
    // A name that is no file stays a profile name.
    cmd = CommandLine::Parse({QStringLiteral("Klasse4b.wav")}, &error);
    ASSERT_TRUE(cmd);
    EXPECT_EQ(cmd->profile, QStringLiteral("Klasse4b.wav"));
    // A file that is not there, or a folder, is said to be one, not taken for an option.
    const struct {
        QStringList args;
        QString said;
    } missing[] = {
        {{QStringLiteral("Komplett"), dir.filePath(QStringLiteral("gone.wav"))},
         Str(StringId::ThereNoFile, dir.filePath(QStringLiteral("gone.wav")))},
        {{QStringLiteral("Komplett"), QStringLiteral("gone.txt")},
         Str(StringId::ThereNoFile, QStringLiteral("gone.txt"))},
        {{dir.filePath(QStringLiteral("gone.wav"))},
         Str(StringId::ThereNoFile, dir.filePath(QStringLiteral("gone.wav")))},
        {{QStringLiteral("Kids"), dir.path()}, Str(StringId::FolderNotFileKalvo, dir.path())},
    };
    for (const auto& c : missing) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        EXPECT_FALSE(CommandLine::Parse(c.args, &error));
        EXPECT_EQ(error, c.said);
    }
}

TEST(CommandLine, ASelectionLongerThanTheLargestSpectrumIsSaidToBeCutToItsStart) {
    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(test::WriteFile(wave, test::Mono16(8000, test::Sine(440, 8000, 524288 + 4096, 8000))));
    const QStringList peaks = {QStringLiteral("--export"), QStringLiteral("fftpeaks"),
                               QStringLiteral("--open"), wave};
    const Result whole = Kalvo(peaks);
    ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    EXPECT_TRUE(whole.err.contains(QStringLiteral("first 524288 of the 528384 selected samples")))
        << whole.err.toStdString();
    const Result part = Kalvo(peaks + QStringList{QStringLiteral("--select"), QStringLiteral("0:524288")});
    ASSERT_EQ(part.exitCode, 0) << part.err.toStdString();
    EXPECT_FALSE(part.err.contains(QStringLiteral("selected samples"))) << part.err.toStdString();

    // The spectrum window says it too, in its picture, in the interface language, whose decimal
    // separator its frequency axis also follows.
    struct Case {
        const char* language;
        const char* notice;
        const char* tick;
    };
    for (const Case& c : {Case{"1033", "first 524288 of the 528384 selected samples", ">2.0 kHz<"},
                          Case{"1031", "ersten 524288 der 528384 ausgewählten Samples", ">2,0 kHz<"}}) {
        SCOPED_TRACE(c.language);
        const QString picture = dir.filePath(QStringLiteral("fft.svg"));
        const Result render = Kalvo({QStringLiteral("--render"), QStringLiteral("fft"),
                                     QStringLiteral("--open"), wave, QStringLiteral("--set"),
                                     QStringLiteral("IniAllgemeinLanguage=") + QLatin1String(c.language),
                                     QStringLiteral("--out"), picture});
        ASSERT_EQ(render.exitCode, 0) << render.err.toStdString();
        QFile file(picture);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString svg = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(svg.contains(QString::fromUtf8(c.notice)));
        EXPECT_TRUE(svg.contains(QLatin1String(c.tick)));
        EXPECT_TRUE(render.err.contains(QString::fromUtf8(c.notice))) << render.err.toStdString();
    }
}

TEST(CommandLine, ANumberSettingTakesOnlyAFiniteNumber) {
    struct Case {
        const char* setting;
        bool accepted;
    };
    for (const Case& c :
         {Case{"IniAnalyseRadiusMinKorr=0.5", true}, Case{"IniAnalyseRadiusMinKorr=1e-3", true},
          Case{"IniAnalyseRadiusMinKorr=nan", false}, Case{"IniAnalyseRadiusMaxKorr=inf", false},
          Case{"IniAnalyseRadiusMaxKorr=-Infinity", false}, Case{"IniAnalyseRadiusMaxKorr=1e999", false},
          Case{"Ini3DFFTEpsilon=1e39", false},  // beyond the floats
          Case{"Ini3DFFTEpsilon=0.1", true}, Case{"IniFFTDelay=7", true}, Case{"IniFFTDelay=NaN", false},
          Case{"IniFFTDelay= -inf", false}, Case{"IniWaveletWavelet=nan", true}}) {
        SCOPED_TRACE(c.setting);
        QString error;
        const auto cmd = CommandLine::Parse({QStringLiteral("--set"), QLatin1String(c.setting)}, &error);
        EXPECT_EQ(cmd.has_value(), c.accepted) << error.toStdString();
        const QString setting = QLatin1String(c.setting);
        const QString key = setting.section(u'=', 0, 0);
        if (!c.accepted) {
            EXPECT_TRUE(error.contains(key)) << error.toStdString();
        }
        // The settings themselves never take such a value either.
        ProfileSettings settings;
        settings.IniFFTDelay = 3;
        settings.Ini3DFFTEpsilon = 0.05f;
        settings.IniAnalyseRadiusMaxKorr = 0.2;
        EXPECT_EQ(settings.SetSettingText(key, setting.section(u'=', 1)), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(settings.IniFFTDelay, 3);
            EXPECT_EQ(settings.Ini3DFFTEpsilon, 0.05f);
            EXPECT_EQ(settings.IniAnalyseRadiusMaxKorr, 0.2);
        }
    }
}

TEST(CommandLine, AnUnknownProfileNameListsTheProfilesThereAreAndEndsTheRun) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.wav"));
    ASSERT_TRUE(test::WriteFile(good, test::Mono16(8000, test::Sine(440, 8000, 800, 8000))));
    // A teacher's saved profile, in the program folder the started program uses.
    const QString saved =
        test::PrivateProgramFolder() + QStringLiteral("Profile/KalvoUserProfil-Klasse 4b.ini");
    ASSERT_TRUE(
        QFile::copy(test::PrivateProgramFolder() + QStringLiteral("Profile/KalvoStandardProfil.ini"), saved));
    const auto removeSaved = qScopeGuard([&] { QFile::remove(saved); });

    // The shipped profiles by name, as the profile dialog calls them or in English, and the saved one.
    for (const char* name : {"Komplett", "analyst", "Klasse 4b"}) {
        SCOPED_TRACE(name);
        const Result run = Kalvo({QStringLiteral("--export"), QStringLiteral("fft"), QStringLiteral("--open"),
                                  good, QStringLiteral("--profile"), QLatin1String(name)});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    // A name that is none of them, for the windows (without a window opening) and for a script.
    for (const QStringList& args :
         {QStringList{QStringLiteral("Komplet"), good},
          QStringList{QStringLiteral("--export"), QStringLiteral("fft"), QStringLiteral("--open"), good,
                      QStringLiteral("--profile"), QStringLiteral("Komplet")}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(test::KalvoExecutable(), args);
        const bool ended = process.waitForFinished(60000);
        if (!ended) process.kill();
        ASSERT_TRUE(ended) << "the windows started instead";
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitCode(), 2) << err.toStdString();
        EXPECT_TRUE(err.startsWith(QStringLiteral("There is no profile called \"Komplet\".")))
            << err.toStdString();
        for (const char* listed :
             {"Standard", "Musiker", "Analytiker", "Komplett", "Oberschule", "Kids", "Klasse 4b"})
            EXPECT_TRUE(err.contains(QLatin1String(listed))) << listed;
    }
}

TEST(CommandLine, HelpNamesEveryOptionThatTheProgramTakes) {
    RegisterModules();
    const Result run = Kalvo({QStringLiteral("--help")});
    ASSERT_EQ(run.exitCode, 0);
    QStringList options = {"--help", "--version", "--export", "--render", "--record",  "--input",  "--out",
                           "--size", "--open",    "--select", "--set",    "--profile", "--channel"};
    for (const QString& usage : CommandLineModules::OptionUsage()) options << usage.section(u' ', 0, 0);
    EXPECT_TRUE(options.contains(QStringLiteral("--cwt-method")));
    for (const QString& option : options) EXPECT_TRUE(run.out.contains(option)) << option.toStdString();
    // And the names --profile takes.
    for (const char* profile : {"Standard", "Musiker", "Analytiker", "Komplett", "Oberschule", "Kids"})
        EXPECT_TRUE(run.out.contains(QLatin1String(profile))) << profile;
}

TEST(CommandLine, SetTakesEveryNumberSettingWithinItsRangeOnly) {
    const auto keys = test::RangedNumberKeys();
    ASSERT_GT(keys.size(), 40u);
    for (const ProfileSettings::SettingKey* key : keys) {
        const QString name = QLatin1String(key->key);
        SCOPED_TRACE(key->key);
        for (const QString& end : {test::EndText(*key, false), test::EndText(*key, true)}) {
            QString error;
            EXPECT_TRUE(CommandLine::Parse({QStringLiteral("--set"), name + u'=' + end}, &error))
                << end.toStdString() << ": " << error.toStdString();
        }
        for (const QString& wrong : {test::Beyond(*key, false), test::Beyond(*key, true),
                                     QStringLiteral("nan"), QStringLiteral("-inf"), QStringLiteral("many")}) {
            QString error;
            EXPECT_FALSE(CommandLine::Parse({QStringLiteral("--set"), name + u'=' + wrong}, &error))
                << wrong.toStdString();
            EXPECT_TRUE(error.contains(name) && error.contains(wrong)) << error.toStdString();
        }
    }
    // The message names the range as a user would type it.
    QString error;
    EXPECT_FALSE(CommandLine::Parse(
        {QStringLiteral("--set"), QStringLiteral("IniAnalyseNumberOfKorr=10000000")}, &error));
    EXPECT_EQ(error, QStringLiteral("The setting IniAnalyseNumberOfKorr takes a number from 1 to 1000; "
                                    "\"10000000\" is not one."));
}

TEST(CommandLine, ASettingThatCouldTakeGigabytesOrHoursEndsTheRunBeforeAnythingStarts) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.wav"));
    ASSERT_TRUE(test::WriteFile(good, test::Mono16(8000, test::Sine(440, 8000, 400, 8000))));
    for (const char* setting : {"IniAnalyseNumberOfKorr=10000000", "IniAnalyseNumberOfLyaMax=100000",
                                "IniAnalyseNumberOfKorr=2147483648", "Ini3DFFTSchrittweite=1e30",
                                "Ini3DFFTSchrittweite=nan", "IniAnalyseIterLyaMax=inf"}) {
        SCOPED_TRACE(setting);
        const Result run =
            Kalvo({QStringLiteral("--export"), QStringLiteral("corrdim"), QStringLiteral("--open"), good,
                   QStringLiteral("--set"), QLatin1String(setting)});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(setting).section(u'=', 0, 0)))
            << run.err.toStdString();
    }
}

TEST(CommandLine, AnExportWithNothingToShowSaysWhyAndFails) {
    RegisterModules();
    QTemporaryDir dir;
    const QString one = dir.filePath(QStringLiteral("one.wav"));
    ASSERT_TRUE(test::WriteFile(one, test::Mono16(44100, {12000})));
    const QString ten = dir.filePath(QStringLiteral("ten.wav"));
    ASSERT_TRUE(test::WriteFile(ten, test::Mono16(44100, test::Sine(3000, 44100, 10, 12000))));
    const QString silent = dir.filePath(QStringLiteral("silent.wav"));
    ASSERT_TRUE(test::WriteFile(silent, test::Mono16(44100, std::vector<int>(2000, 0))));
    // Whatever the module: either rows of numbers and exit 0, or a reason and a failure;
    // never the headings alone under exit 0.
    const QStringList modules = CommandLineModules::ExportNames();
    ASSERT_GE(modules.size(), 10);
    for (const QString& module : modules) {
        for (const QString& file : {one, ten, silent}) {
            SCOPED_TRACE((module + u' ' + QFileInfo(file).fileName()).toStdString());
            const Result run = Kalvo({QStringLiteral("--export"), module, QStringLiteral("--open"), file});
            bool rows = false;
            for (const QString& line : run.out.split(QStringLiteral("\r\n")))
                rows = rows || (!line.isEmpty() && (line[0].isDigit() || line[0] == u'-'));
            if (run.exitCode == 0) {
                EXPECT_TRUE(rows) << run.out.toStdString();
            } else {
                EXPECT_EQ(run.exitCode, 1);
                EXPECT_TRUE(run.out.isEmpty());
                EXPECT_FALSE(run.err.trimmed().isEmpty());
            }
        }
    }
    // The modules that once printed their headings alone, and why they now fail.
    struct Case {
        const char* module;
        QString file;
        const char* says;
    };
    for (const Case& c :
         {Case{"reko", ten, "too short for a reconstruction"}, Case{"score", one, "no partial"},
          Case{"score", silent, "too short or too quiet"}, Case{"fftpeaks", silent, "has no peak"}}) {
        SCOPED_TRACE(c.module);
        const Result run =
            Kalvo({QStringLiteral("--export"), QLatin1String(c.module), QStringLiteral("--open"), c.file});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << run.err.toStdString();
    }
}

TEST(CommandLine, WorkFollowsTheSamplesNotTheRateTheHeaderGives) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    RegisterModules();
    QTemporaryDir dir;
    // A rate no recorder gives (one flipped bit of 44100 Hz, or the largest int) is a broken header.
    for (const std::uint32_t rate : {2147483647u, 536915012u, 1000001u}) {
        const QString file = dir.filePath(QStringLiteral("broken.wav"));
        ASSERT_TRUE(test::WriteFile(file, test::Mono16(rate, test::Sine(1000, 44100, 100, 12000))));
        const Result run =
            Kalvo({QStringLiteral("--export"), QStringLiteral("wavelet"), QStringLiteral("--open"), file});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QString::number(rate) + QStringLiteral(" Hz"))) << run.err.toStdString();
    }
    // At the highest rate a file may give, a few samples still take a few samples' work in every
    // module: each run fits a small address space.
    const QString hundred = dir.filePath(QStringLiteral("hundred.wav"));
    ASSERT_TRUE(test::WriteFile(hundred, test::Mono16(1000000, test::Sine(1000, 44100, 100, 12000))));
    const QString three = dir.filePath(QStringLiteral("three.wav"));
    ASSERT_TRUE(test::WriteFile(three, test::Mono16(1000000, {100, -200, 300})));
    const auto limited = [] {
        const rlimit limit{1ull << 30, 1ull << 30};
        ::setrlimit(RLIMIT_AS, &limit);
    };
    for (const QString& file : {hundred, three}) {
        for (const QString& module : CommandLineModules::ExportNames()) {
            SCOPED_TRACE((module + u' ' + QFileInfo(file).fileName()).toStdString());
            const Result run =
                Kalvo({QStringLiteral("--export"), module, QStringLiteral("--open"), file}, limited);
            EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.exitCode;
            EXPECT_FALSE(run.err.contains(QStringLiteral("memory"))) << run.err.toStdString();
        }
        for (const QString& module : CommandLineModules::RenderNames()) {
            const CommandLineModule* entry = CommandLineModules::Find(module);
            if (entry->renderNeedsOpenGL) continue;
            SCOPED_TRACE((module + u' ' + QFileInfo(file).fileName()).toStdString());
            const Result run = Kalvo({QStringLiteral("--render"), module, QStringLiteral("--open"), file,
                                      QStringLiteral("--out"), dir.filePath(module + QStringLiteral(".png"))},
                                     limited);
            EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.exitCode;
            EXPECT_FALSE(run.err.contains(QStringLiteral("memory"))) << run.err.toStdString();
        }
    }
#endif
}
