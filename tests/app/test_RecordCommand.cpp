// Recording through the real program: `--record`, and a program killed while it records.

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "document/RiffWave.h"
#include "tests/support/TestFolders.h"

namespace {

// Upward zero crossings per second of 16-bit mono samples: the frequency of a clean tone.
double ToneFrequency(const std::vector<std::int16_t>& s, std::uint32_t rate) {
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0) ++crossings;
    return crossings * double(rate) / double(s.size());
}

std::vector<std::int16_t> ReadSamples(const QString& path, WaveFormat* format) {
    RiffWave wave;
    if (wave.Open(path, format, RiffWave::Mode::Read) != RiffWave::Status::Success) return {};
    std::vector<std::int16_t> samples(wave.GetSize() / 2);
    std::uint32_t read = 0;
    wave.Read(samples.data(), static_cast<std::uint32_t>(samples.size() * 2), &read);
    samples.resize(read / 2);
    return samples;
}

QProcessEnvironment ScriptEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    return env;
}

}  // namespace

TEST(RecordCommand, RecordsTwoSecondsOfTheVirtualTone) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("t.wav"));
    QProcess run;
    run.setProcessEnvironment(ScriptEnvironment());
    run.start(test::KalvoExecutable(),
              {QStringLiteral("--record"), QStringLiteral("2"), QStringLiteral("--input"),
               QStringLiteral("virtual:sine:440"), QStringLiteral("--out"), out});
    ASSERT_TRUE(run.waitForFinished(30000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    WaveFormat format;
    const std::vector<std::int16_t> samples = ReadSamples(out, &format);
    EXPECT_EQ(format.samplesPerSec, 44100u);
    EXPECT_EQ(format.bitsPerSample, 16);
    // The length follows the clock of a machine that may be busy: about two seconds, never a
    // fraction of them nor a run that did not stop.
    const double seconds = double(samples.size()) / 44100.0;
    EXPECT_GT(seconds, 1.0);
    EXPECT_LT(seconds, 6.0);
    EXPECT_NEAR(ToneFrequency(samples, 44100), 440.0, 5.0);
}

TEST(RecordCommand, AProgramKilledWhileRecordingLeavesAValidFileWithAllButTheLastSecond) {
    const QString recording = test::PrivateProgramFolder() + QStringLiteral("Aufnahme.wav");
    QFile::remove(recording);  // what is read below must come from this run
    QTemporaryDir dir;
    QProcess run;
    run.setProcessEnvironment(ScriptEnvironment());
    run.start(test::KalvoExecutable(), {QStringLiteral("--record"), QStringLiteral("60"),
                                        QStringLiteral("--input"), QStringLiteral("virtual:sine:440"),
                                        QStringLiteral("--out"), dir.filePath(QStringLiteral("never.wav"))});
    ASSERT_TRUE(run.waitForStarted(10000));
    // The sizes in the file are brought up to date once a second while it is written: kill the
    // program once they hold two seconds.
    const std::uint32_t twoSeconds = 2 * 44100 * 2;
    const bool recorded = QTest::qWaitFor(
        [&] {
            RiffWave wave;
            return wave.Open(recording, nullptr, RiffWave::Mode::Read) == RiffWave::Status::Success &&
                   wave.GetSize() >= twoSeconds;
        },
        30000);
    ::kill(static_cast<pid_t>(run.processId()), SIGKILL);
    run.waitForFinished(10000);
    ASSERT_TRUE(recorded) << run.readAllStandardError().toStdString();
    WaveFormat format;
    const std::vector<std::int16_t> samples = ReadSamples(recording, &format);
    EXPECT_GE(samples.size() * 2, twoSeconds);
    EXPECT_NEAR(ToneFrequency(samples, 44100), 440.0, 5.0);
}
