// `kalvo --export wavelet` and `--render wavelet`, with both transform methods.

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/support/KalvoProcess.h"
#include "tests/support/WaveBytes.h"

namespace {

class WaveletCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        wave = dir.filePath(QStringLiteral("tone.wav"));
        ASSERT_TRUE(test::WriteFile(wave, test::Mono16(44100, test::Sine(440, 44100, 22050, 12000))));
    }
    test::KalvoRun Export(const QStringList& more) {
        return test::RunKalvo(QStringList{QStringLiteral("--export"), QStringLiteral("wavelet"), QStringLiteral("--open"),
                                          wave, QStringLiteral("--select"), QStringLiteral("0:8820"),
                                          QStringLiteral("--set"), QStringLiteral("IniWaveletZeitn=10")} +
                              more);
    }
    QTemporaryDir dir;
    QString wave;
};

TEST_F(WaveletCommand, ExportsOneLinePerRowAndBothMethodsFindTheTone) {
    for (const char* method : {"table", "direct"}) {
        SCOPED_TRACE(method);
        const test::KalvoRun run = Export({QStringLiteral("--cwt-method"), QLatin1String(method)});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        // The standard profile: 100 scales from 50 Hz to 5 kHz; a header, then the rows.
        ASSERT_EQ(lines.size(), 101);
        EXPECT_EQ(lines[0].split(u'\t').size(), 11);
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Frequency[Hz]")));
        double loudest = -1, at = 0, previous = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QStringList cells = lines[i].split(u'\t');
            ASSERT_EQ(cells.size(), 11);
            const double hz = QString(cells[0]).replace(u',', u'.').toDouble();
            EXPECT_GT(hz, previous);  // the Morlet wavelet's bottom row is its largest scale
            previous = hz;
            const double middle = QString(cells[5]).replace(u',', u'.').toDouble();
            if (middle > loudest) loudest = middle, at = hz;
        }
        EXPECT_NEAR(at, 440.0, 440.0 * 0.05);
        EXPECT_GT(loudest, 200.0);  // the tone is the strongest thing in the picture
    }
}

TEST_F(WaveletCommand, RendersTheMapAndRefusesAnUnknownMethod) {
    const QString png = dir.filePath(QStringLiteral("wavelet.png"));
    const test::KalvoRun run = test::RunKalvo({QStringLiteral("--render"), QStringLiteral("wavelet"), QStringLiteral("--open"),
                                               wave, QStringLiteral("--size"), QStringLiteral("300x200"),
                                               QStringLiteral("--out"), png});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage picture(png);
    ASSERT_EQ(picture.size(), QSize(300, 200));
    EXPECT_NE(picture.pixel(150, 100), picture.pixel(150, 5));  // a map, not one colour

    const test::KalvoRun wrong = Export({QStringLiteral("--cwt-method"), QStringLiteral("fast")});
    EXPECT_NE(wrong.exitCode, 0);
    EXPECT_TRUE(wrong.out.isEmpty());

    // Silence has no transform: the message, and no data.
    const QString silence = dir.filePath(QStringLiteral("silence.wav"));
    ASSERT_TRUE(test::WriteFile(silence, test::Mono16(44100, std::vector<int>(8820, 0))));
    const test::KalvoRun none = test::RunKalvo({QStringLiteral("--export"), QStringLiteral("wavelet"),
                                                QStringLiteral("--open"), silence});
    EXPECT_NE(none.exitCode, 0);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_TRUE(none.err.contains(QStringLiteral("not enough sample data"))) << none.err.toStdString();
}

}  // namespace
