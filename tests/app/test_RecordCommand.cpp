// Recording through the real program: `--record`, and a program killed while it records.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>

#include "document/CRiffWave.h"

namespace {

// Upward zero crossings per second of 16-bit mono samples: the frequency of a clean tone.
double ToneFrequency(const std::vector<std::int16_t>& s, std::uint32_t rate) {
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0) ++crossings;
    return crossings * double(rate) / double(s.size());
}

std::vector<std::int16_t> ReadSamples(const QString& path, WaveFormat* format) {
    CRiffWave wave;
    if (wave.Open(path, format, CRiffWave::Mode::Read) != CRiffWave::Status::Success) return {};
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
    run.start(QStringLiteral(KALVO_EXECUTABLE),
              {QStringLiteral("--record"), QStringLiteral("2"), QStringLiteral("--input"),
               QStringLiteral("virtual:sine:440"), QStringLiteral("--out"), out});
    ASSERT_TRUE(run.waitForFinished(30000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    WaveFormat format;
    const std::vector<std::int16_t> samples = ReadSamples(out, &format);
    EXPECT_EQ(format.samplesPerSec, 44100u);
    EXPECT_EQ(format.bitsPerSample, 16);
    const double seconds = double(samples.size()) / 44100.0;
    EXPECT_GT(seconds, 1.6);
    EXPECT_LT(seconds, 2.4);
    EXPECT_NEAR(ToneFrequency(samples, 44100), 440.0, 5.0);
}

TEST(RecordCommand, AProgramKilledWhileRecordingLeavesAValidFileWithAllButTheLastSecond) {
    const QString recording = QFileInfo(QStringLiteral(KALVO_EXECUTABLE)).dir().filePath(QStringLiteral("Aufnahme.wav"));
    QTemporaryDir dir;
    QProcess run;
    run.setProcessEnvironment(ScriptEnvironment());
    run.start(QStringLiteral(KALVO_EXECUTABLE),
              {QStringLiteral("--record"), QStringLiteral("60"), QStringLiteral("--input"),
               QStringLiteral("virtual:sine:440"), QStringLiteral("--out"), dir.filePath(QStringLiteral("never.wav"))});
    ASSERT_TRUE(run.waitForStarted(10000));
    QThread::msleep(3500);
    ::kill(static_cast<pid_t>(run.processId()), SIGKILL);
    run.waitForFinished(10000);
    WaveFormat format;
    const std::vector<std::int16_t> samples = ReadSamples(recording, &format);
    const double seconds = double(samples.size()) / 44100.0;
    // Started a little after the process, killed after 3.5 s: at least the first two seconds are kept.
    EXPECT_GE(seconds, 1.5) << seconds;
    EXPECT_NEAR(ToneFrequency(samples, 44100), 440.0, 5.0);
}
