// `kalvo --export wavelet` and `--render wavelet`, with both transform methods.

#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <vector>

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
        return test::RunKalvo(QStringList{QStringLiteral("--export"), QStringLiteral("wavelet"),
                                          QStringLiteral("--open"), wave, QStringLiteral("--select"),
                                          QStringLiteral("0:8820"), QStringLiteral("--set"),
                                          QStringLiteral("IniWaveletZeitn=10")} +
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
    const test::KalvoRun run =
        test::RunKalvo({QStringLiteral("--render"), QStringLiteral("wavelet"), QStringLiteral("--open"), wave,
                        QStringLiteral("--size"), QStringLiteral("300x200"), QStringLiteral("--out"), png});
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
    const test::KalvoRun none = test::RunKalvo(
        {QStringLiteral("--export"), QStringLiteral("wavelet"), QStringLiteral("--open"), silence});
    EXPECT_NE(none.exitCode, 0);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_TRUE(none.err.contains(QStringLiteral("not enough sample data"))) << none.err.toStdString();
}

// Every wavelet, real and complex, shows a 440 Hz tone strongest in the row labelled 440 Hz
// (within the rows' spacing), whatever its centre frequency; the scales reach from 20 to 25000
// times the centre, so that the tone lies inside for the Poisson wavelet too.
TEST_F(WaveletCommand, EachWaveletShowsTheToneInTheRowLabelledWithItsFrequency) {
    for (const char* spec : {"haar", "mexicanhat", "sinus", "poisson", "cauchy,2", "spinning,2,2", "morlet,2",
                             "bspline,10,10", "MORLET,2"}) {
        SCOPED_TRACE(spec);
        const test::KalvoRun run =
            Export({QStringLiteral("--set"), QStringLiteral("IniWaveletWavelet=") + QLatin1String(spec),
                    QStringLiteral("--set"), QStringLiteral("IniWaveletFreqmin=0.05"),
                    QStringLiteral("--set"), QStringLiteral("IniWaveletFreqmax=0.00004")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 101);
        double loudest = -1, at = 0;
        std::vector<double> labels;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QStringList cells = lines[i].split(u'\t');
            ASSERT_EQ(cells.size(), 11);
            labels.push_back(QString(cells[0]).replace(u',', u'.').toDouble());
            double sum = 0;
            for (qsizetype k = 1; k < cells.size(); ++k)
                sum += QString(cells[k]).replace(u',', u'.').toDouble();
            if (sum > loudest) loudest = sum, at = labels.back();
        }
        // Exponential division: neighbouring rows stand in a fixed ratio.
        const double spacing = std::max(labels[0] / labels[1], labels[1] / labels[0]);
        EXPECT_NEAR(spacing, std::pow(1250.0, 1.0 / 100.0), 1e-3);
        EXPECT_LT(std::max(at / 440.0, 440.0 / at), spacing) << "strongest row labelled " << at;
    }
}

// A wavelet text the wavelet refuses is refused with its own message: no table, no exit 0.
TEST_F(WaveletCommand, RefusedWaveletTextsEndTheRunWithTheirMessage) {
    struct Case {
        const char* spec;
        const char* said;  // null: accepted
    };
    const Case cases[] = {
        {"Haar", nullptr},
        {"morlet, 2", nullptr},
        {"gabor", "The wavelet \"gabor\" is unknown"},
        {"haar,1", "The Haar wavelet doesn't expect any arguments."},
        {"morlet,2,3", "Morlet wavelet accepts only one float argument for frequency, but not <2,3>"},
        {"MORLET,x", "Morlet wavelet accepts only one float argument for frequency, but not <x>"},
        {"spinning,1,0.2", "it must hold mu2 >= 1/4, but for mu2=0.200000"},
        {"bspline", "At least one window width argument is required"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        const test::KalvoRun run =
            Export({QStringLiteral("--set"), QStringLiteral("IniWaveletWavelet=") + QLatin1String(c.spec)});
        if (!c.said) {
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_TRUE(run.out.startsWith(QStringLiteral("Frequency[Hz]")));
            continue;
        }
        EXPECT_NE(run.exitCode, 0);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.left(200).toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.said))) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("not enough sample data"))) << run.err.toStdString();
    }
    // Nor is a picture drawn for it.
    const QString png = dir.filePath(QStringLiteral("refused.png"));
    const test::KalvoRun render = test::RunKalvo(
        {QStringLiteral("--render"), QStringLiteral("wavelet"), QStringLiteral("--open"), wave,
         QStringLiteral("--set"), QStringLiteral("IniWaveletWavelet=haar,1"), QStringLiteral("--out"), png});
    EXPECT_NE(render.exitCode, 0);
    EXPECT_TRUE(render.err.contains(QStringLiteral("doesn't expect any arguments")))
        << render.err.toStdString();
    EXPECT_FALSE(QFile::exists(png));
}

}  // namespace
