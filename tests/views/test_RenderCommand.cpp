// `kalvo --render` draws the main sound window's views into pictures, as a script would use it.

#include <cmath>

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/support/KalvoProcess.h"
#include "tests/support/WaveBytes.h"

namespace {

using Result = test::KalvoRun;

Result Kalvo(const QStringList& args) {
    return test::RunKalvo(args);
}

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
    const Result svg = Kalvo({QStringLiteral("--render"), QStringLiteral("overview"),
                              QStringLiteral("--open"), wave, QStringLiteral("--select"),
                              QStringLiteral("4000:8000"), QStringLiteral("--out"), Out("over.svg")});
    ASSERT_EQ(svg.exitCode, 0) << svg.err.toStdString();
    const QByteArray text = test::ReadFile(Out("over.svg"));
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains("<title>KALVO sound analysis</title>"));
    EXPECT_TRUE(text.contains("<desc>Overview picture</desc>"));
    EXPECT_FALSE(text.contains("Abbild"));
    EXPECT_TRUE(text.contains("viewBox=\"0 0 1200 400\""));
    // In the German interface the picture's title and name are German.
    const Result german =
        Kalvo({QStringLiteral("--render"), QStringLiteral("overview"), QStringLiteral("--open"), wave,
               QStringLiteral("--set"), QStringLiteral("IniAllgemeinLanguage=1031"), QStringLiteral("--out"),
               Out("uebersicht.svg")});
    ASSERT_EQ(german.exitCode, 0) << german.err.toStdString();
    const QByteArray germanText = test::ReadFile(Out("uebersicht.svg"));
    EXPECT_TRUE(germanText.contains("<title>KALVO Soundanalyse</title>"));
    EXPECT_TRUE(germanText.contains(QStringLiteral("<desc>Übersicht Abbild</desc>").toUtf8()));

    const Result png =
        Kalvo({QStringLiteral("--render"), QStringLiteral("waveform"), QStringLiteral("--open"), wave,
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

TEST_F(RenderCommand, TheMutualInformationIsLabelledInTheInterfaceLanguage) {
    struct Case {
        const char* language;
        const char* says;
        const char* never;
    };
    const Case cases[] = {{"1033", "Shannon entropy: ", "Entropie"},
                          {"1031", "Shannon-Entropie: ", "entropy"}};
    for (const Case& c : cases) {
        const QString out = Out(c.language) + QStringLiteral(".svg");
        const Result run =
            Kalvo({QStringLiteral("--render"), QStringLiteral("timeseries"), QStringLiteral("--open"), wave,
                   QStringLiteral("--select"), QStringLiteral("0:4000"), QStringLiteral("--set"),
                   QStringLiteral("IniZeitreiheWhatIs=2"), QStringLiteral("--set"),
                   QStringLiteral("IniAllgemeinLanguage=") + QLatin1String(c.language),
                   QStringLiteral("--out"), out});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QByteArray svg = test::ReadFile(out);
        EXPECT_TRUE(svg.contains(c.says)) << c.language;
        EXPECT_FALSE(svg.contains(c.never)) << c.language;
    }
}

TEST_F(RenderCommand, FailuresExplainThemselvesAndLeaveNoPicture) {
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{QStringLiteral("--size"), QStringLiteral("10x5"), QStringLiteral("--out"), Out("a.png")},
         "is not valid"},
        {{QStringLiteral("--out"), Out("a.gif")}, "no known type"},
        {{QStringLiteral("--out"), Out("missing/a.png")}, "could not be written"},
        {{QStringLiteral("--select"), QStringLiteral("0:99999"), QStringLiteral("--out"), Out("a.png")},
         "outside the sound"},
    };
    for (const Case& c : cases) {
        const Result run = Kalvo(QStringList{QStringLiteral("--render"), QStringLiteral("waveform"),
                                             QStringLiteral("--open"), wave} +
                                 c.args);
        EXPECT_NE(run.exitCode, 0) << c.says;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << run.err.toStdString();
    }
    const Result noOut =
        Kalvo({QStringLiteral("--render"), QStringLiteral("overview"), QStringLiteral("--open"), wave});
    EXPECT_NE(noOut.exitCode, 0);
    EXPECT_TRUE(noOut.err.contains(QStringLiteral("--out")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // only the sound
}

TEST_F(RenderCommand, DrawsTheSpectrumAndListsItsPeaksWithTheirNotes) {
    // A tone near 440 Hz with its octave, half as loud, at 44.1 kHz; both lie exactly on bins
    // of a 16384-point transform (164 and 328), so no energy leaks into neighbouring bins.
    const double bin = 44100.0 / 16384.0;
    std::vector<int> samples = test::Sine(164 * bin, 44100, 16384, 12000);
    const std::vector<int> octave = test::Sine(328 * bin, 44100, 16384, 6000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] += octave[i];
    const QString note = dir.filePath(QStringLiteral("note.wav"));
    ASSERT_TRUE(test::WriteFile(note, test::Mono16(44100, samples)));

    const Result peaks =
        Kalvo({QStringLiteral("--export"), QStringLiteral("fftpeaks"), QStringLiteral("--open"), note,
               QStringLiteral("--set"), QStringLiteral("IniFFTbIsCrossVisible=1")});
    ASSERT_EQ(peaks.exitCode, 0) << peaks.err.toStdString();
    const QStringList lines = peaks.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << peaks.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("frequency[Hz]\tlevel[dBFS]\tnote\tdeviation[cent]"));
    const QStringList first = lines[1].split(u'\t'), second = lines[2].split(u'\t');
    ASSERT_EQ(first.size(), 4);
    ASSERT_EQ(second.size(), 4);
    const auto number = [](QString text) { return text.replace(u',', u'.').toDouble(); };
    EXPECT_NEAR(number(first[0]), 164 * bin, 0.01 * bin);
    EXPECT_EQ(first[2], QStringLiteral("A4"));
    EXPECT_NEAR(number(first[3]), 5.6, 0.1);  // cents above A4
    EXPECT_EQ(second[2], QStringLiteral("A5"));
    // Levels against full scale, 32768: a full-scale sine reads 0 dB.
    EXPECT_NEAR(number(first[1]), 20 * std::log10(12000.0 / 32768), 0.01);
    EXPECT_NEAR(number(second[1]), 20 * std::log10(6000.0 / 32768), 0.01);

    const Result png =
        Kalvo({QStringLiteral("--render"), QStringLiteral("fft"), QStringLiteral("--open"), note,
               QStringLiteral("--size"), QStringLiteral("800x500"), QStringLiteral("--set"),
               QStringLiteral("IniFFTbDarstellung=1"), QStringLiteral("--out"), Out("fft.png")});
    ASSERT_EQ(png.exitCode, 0) << png.err.toStdString();
    const QImage image(Out("fft.png"));
    ASSERT_EQ(image.size(), QSize(800, 500));
    int red = 0;
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 800; ++x) red += image.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_GT(red, 100);                                    // the curve
    EXPECT_EQ(image.pixel(799, 480), qRgb(255, 255, 255));  // the base line
}

}  // namespace

TEST_F(RenderCommand, The3DPicturesAskForADisplayAndTheReconstructionExportsWithoutOne) {
    // The tests run without OpenGL, as a script on a server would.
    const Result fft3d = Kalvo({QStringLiteral("--render"), QStringLiteral("fft3d"), QStringLiteral("--open"),
                                wave, QStringLiteral("--out"), Out("l.png")});
    EXPECT_EQ(fft3d.exitCode, 1);
    EXPECT_TRUE(fft3d.err.contains(QStringLiteral("xvfb-run -a kalvo --render fft3d")))
        << fft3d.err.toStdString();
    EXPECT_FALSE(QFile::exists(Out("l.png")));

    // A 3D picture is an image: a vector type is refused with the types it takes, before
    // anything is drawn (and so before the display is asked for).
    for (const char* module : {"fft3d", "reko"}) {
        for (const char* name : {"l.svg", "l.PDF", "l.gif"}) {
            const Result run = Kalvo({QStringLiteral("--render"), QLatin1String(module),
                                      QStringLiteral("--open"), wave, QStringLiteral("--out"), Out(name)});
            EXPECT_NE(run.exitCode, 0) << module << " " << name;
            EXPECT_TRUE(run.err.contains(QStringLiteral(".png, .bmp or .dds"))) << run.err.toStdString();
            EXPECT_FALSE(run.err.contains(QStringLiteral("xvfb-run"))) << run.err.toStdString();
            EXPECT_FALSE(QFile::exists(Out(name)));
        }
    }

    const Result reko = Kalvo({QStringLiteral("--export"), QStringLiteral("reko"), QStringLiteral("--open"),
                               wave, QStringLiteral("--select"), QStringLiteral("0:40"),
                               QStringLiteral("--set"), QStringLiteral("IniRekoTau=10")});
    ASSERT_EQ(reko.exitCode, 0) << reko.err.toStdString();
    const QStringList lines = reko.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2 + 40 - 2 * 10);
    EXPECT_EQ(lines[0], QStringLiteral("\tAmplitude\tAmplitude\tAmplitude"));
    // 200 Hz at 8 kHz, Tau a quarter of the period: the points lie on a circle y(t)² + y(t+Tau)² = a².
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList v = QString(lines[i]).replace(u',', u'.').split(u'\t');
        ASSERT_EQ(v.size(), 4);
        const double a = v[1].toDouble(), b = v[2].toDouble(), c = v[3].toDouble();
        EXPECT_NEAR(a * a + b * b, std::pow(20000.0 / 32767.0 * 100.0, 2), 2.0) << i;
        EXPECT_NEAR(c, -a, 0.01) << i;  // half a period later
    }
}
