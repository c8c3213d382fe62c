// `kalvo --render` draws the main sound window's views into pictures, as a script would use it.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/support/KalvoProcess.h"
#include "tests/support/WaveBytes.h"

namespace {

using Result = test::KalvoRun;

Result Kalvo(const QStringList& args) { return test::RunKalvo(args); }

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        wave = dir.filePath(QStringLiteral("tone.wav"));
        ASSERT_TRUE(test::WriteFile(wave, test::Mono16(8000, test::Sine(200, 8000, 16000, 20000))));
    }
    QString Out(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
    QString wave;
};

TEST_F(RenderCommand, DrawsTheOverviewAsSvgAndTheWaveformAsPng) {
    const Result svg = Kalvo({QStringLiteral("--render"), QStringLiteral("overview"), QStringLiteral("--open"), wave,
                              QStringLiteral("--select"), QStringLiteral("4000:8000"), QStringLiteral("--out"),
                              Out("over.svg")});
    ASSERT_EQ(svg.exitCode, 0) << svg.err.toStdString();
    const QByteArray text = test::ReadFile(Out("over.svg"));
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains("<title>KALVO Soundanalyse</title>"));
    EXPECT_TRUE(text.contains("viewBox=\"0 0 1200 400\""));

    const Result png = Kalvo({QStringLiteral("--render"), QStringLiteral("waveform"), QStringLiteral("--open"), wave,
                              QStringLiteral("--select"), QStringLiteral("0:400"), QStringLiteral("--size"),
                              QStringLiteral("640x200"), QStringLiteral("--out"), Out("wave.png")});
    ASSERT_EQ(png.exitCode, 0) << png.err.toStdString();
    const QImage image(Out("wave.png"));
    ASSERT_EQ(image.size(), QSize(640, 200));
    // 400 samples of 200 Hz at 8 kHz: ten periods, so the trace reaches near both extremes.
    int top = 200, bottom = -1;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 640; ++x)
            if (image.pixel(x, y) == qRgb(255, 0, 0)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_NEAR(top, 100 - 90 * 20000 / 32768, 2);
    EXPECT_NEAR(bottom, 100 + 90 * 20000 / 32768, 2);
}

TEST_F(RenderCommand, FailuresExplainThemselvesAndLeaveNoPicture) {
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{QStringLiteral("--size"), QStringLiteral("10x5"), QStringLiteral("--out"), Out("a.png")}, "is not valid"},
        {{QStringLiteral("--out"), Out("a.gif")}, "no known type"},
        {{QStringLiteral("--out"), Out("missing/a.png")}, "could not be written"},
        {{QStringLiteral("--select"), QStringLiteral("0:99999"), QStringLiteral("--out"), Out("a.png")}, "outside the sound"},
    };
    for (const Case& c : cases) {
        const Result run = Kalvo(QStringList{QStringLiteral("--render"), QStringLiteral("waveform"),
                                             QStringLiteral("--open"), wave} + c.args);
        EXPECT_NE(run.exitCode, 0) << c.says;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << run.err.toStdString();
    }
    const Result noOut = Kalvo({QStringLiteral("--render"), QStringLiteral("overview"), QStringLiteral("--open"), wave});
    EXPECT_NE(noOut.exitCode, 0);
    EXPECT_TRUE(noOut.err.contains(QStringLiteral("--out")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // only the sound
}

}  // namespace
