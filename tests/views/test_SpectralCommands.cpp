// The sonogram and the score on the command line: their pictures and their tables.

#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>

#include "tests/support/KalvoProcess.h"
#include "tests/support/WaveBytes.h"

namespace {

double Number(const QString& field) {
    return QString(field).replace(u',', u'.').toDouble();
}

class SpectralCommands : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Wave(const char* name, const std::vector<int>& samples, std::uint32_t rate) {
        const QString path = dir.filePath(QLatin1String(name));
        EXPECT_TRUE(test::WriteFile(path, test::Mono16(rate, samples)));
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(SpectralCommands, AChirpsRidgeInTheSonogramTableRisesOverTime) {
    // 3 s at 16 kHz, sweeping from 300 Hz to 3300 Hz.
    constexpr int kRate = 16000;
    std::vector<int> samples(3 * kRate);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        samples[i] = static_cast<int>(12000 * std::sin(2 * M_PI * (300 * t + 500 * t * t)));
    }
    const test::KalvoRun run = test::RunKalvo(
        {QStringLiteral("--export"), QStringLiteral("sonogram"), QStringLiteral("--open"),
         Wave("chirp.wav", samples, kRate), QStringLiteral("--size"), QStringLiteral("445x200"),
         QStringLiteral("--set"), QStringLiteral("IniSonoTopCutkHz=4"), QStringLiteral("--set"),
         QStringLiteral("IniDokumentNumFFTPoints=1024")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 100);
    const QStringList header = lines[0].split(u'\t');
    ASSERT_EQ(header.size(), 201);  // the time, then one frequency per row
    EXPECT_LT(Number(header[1]), Number(header[200]));
    double previous = 0.0;
    for (int i = 1; i < lines.size(); i += lines.size() / 10) {
        const QStringList fields = lines[i].split(u'\t');
        ASSERT_EQ(fields.size(), header.size());
        int loudest = 1;
        for (int r = 1; r < fields.size(); ++r)
            if (!fields[r].isEmpty() && Number(fields[r]) > Number(fields[loudest])) loudest = r;
        const double t = Number(fields[0]) + 0.032;  // the middle of the 1024-point window
        const double ridge = Number(header[loudest]);
        EXPECT_NEAR(ridge, 300 + 1000 * t, 120) << "at " << t << " s";
        EXPECT_GT(ridge, previous);
        previous = ridge;
    }
}

TEST_F(SpectralCommands, AHarmonicTonesScoreTableListsItsPartialsWithTheirIntervals) {
    constexpr int kRate = 44100;
    std::vector<int> samples(kRate);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v = 0;
        for (int k = 1; k <= 4; ++k) v += 8000.0 / k * std::sin(2 * M_PI * 220 * k * t);
        samples[i] = static_cast<int>(v);
    }
    const test::KalvoRun run = test::RunKalvo({QStringLiteral("--export"), QStringLiteral("score"),
                                               QStringLiteral("--open"), Wave("tone.wav", samples, kRate)});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << run.out.toStdString();
    const struct {
        double frequency;
        const char* number;
        const char* name;
        const char* interval;
    } expected[] = {{220, "36", "A3", "keynote"},
                    {440, "48", "A4", "octave"},
                    {660, "55", "E5", "twelfth"},
                    {880, "60", "A5", "two octaves"}};
    // 32768 points: bins 1.35 Hz apart; each partial placed within a twentieth of a bin.
    const double bin = 44100.0 / 32768.0;
    for (int k = 0; k < 4; ++k) {
        const QStringList fields = lines[k + 1].split(u'\t');
        ASSERT_EQ(fields.size(), 5) << lines[k + 1].toStdString();
        EXPECT_NEAR(Number(fields[0]), expected[k].frequency, 0.05 * bin);
        // The amplitude against full scale, less up to 4 dB where it falls between two bins.
        EXPECT_NEAR(Number(fields[1]), 20 * std::log10(8000.0 / (k + 1) / 32768.0) - 2.0, 2.0);
        EXPECT_EQ(fields[2], QLatin1String(expected[k].number));
        EXPECT_EQ(fields[3], QLatin1String(expected[k].name));
        EXPECT_EQ(fields[4], QLatin1String(expected[k].interval));
    }
}

TEST_F(SpectralCommands, ThePeakTablePlacesATuningForkTone) {
    // 440 Hz in 1024 samples at 44.1 kHz: 10.22 bins, a fifth of a bin off the nearest.
    const QString wave = Wave("a4.wav", test::Sine(440, 44100, 1024, 16000), 44100);
    const double bin = 44100.0 / 1024.0;
    // Peaks are listed whether or not the window shows its markers: with the profile's
    // settings, in the kids profile (no markers) and with "delay", which turns them off.
    const QStringList variants[] = {
        {},
        {QStringLiteral("--profile"), QStringLiteral("Kids")},
        {QStringLiteral("--set"), QStringLiteral("IniFFTbIsCrossVisible=0"), QStringLiteral("--set"),
         QStringLiteral("IniFFTbIsDelay=1")},
    };
    for (const QStringList& variant : variants) {
        SCOPED_TRACE(variant.join(u' ').toStdString());
        const test::KalvoRun run =
            test::RunKalvo(QStringList{QStringLiteral("--export"), QStringLiteral("fftpeaks"),
                                       QStringLiteral("--open"), wave} +
                           variant);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
        const QStringList fields = lines[1].split(u'\t');
        ASSERT_EQ(fields.size(), 4);
        EXPECT_NEAR(Number(fields[0]), 440.0, 0.05 * bin);
        EXPECT_EQ(fields[2], QStringLiteral("A4"));
        EXPECT_NEAR(Number(fields[3]), 0.0, 2.0);  // cents
    }
}

TEST_F(SpectralCommands, ATunedToneDeviatesByZeroCentsNeverMinusZero) {
    // 440 and 880 Hz in one second: both land a hair below their notes, which rounds to 0.
    std::vector<int> tones = test::Sine(440, 44100, 44100, 16000);
    const std::vector<int> octave = test::Sine(880, 44100, 44100, 6500);
    for (std::size_t i = 0; i < tones.size(); ++i) tones[i] += octave[i];
    const test::KalvoRun run = test::RunKalvo({QStringLiteral("--export"), QStringLiteral("fftpeaks"),
                                               QStringLiteral("--open"), Wave("a4a5.wav", tones, 44100)});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    for (int i = 1; i < 3; ++i)
        EXPECT_EQ(lines[i].section(u'\t', 3, 3), QStringLiteral("0")) << lines[i].toStdString();
}

TEST_F(SpectralCommands, AnEightBitFileReadsAsLoudAsItsSixteenBitTwin) {
    // A half-scale sine on bin 16 of 1024 points: -6.02 dB full scale in either width. The
    // 8-bit samples stand around 128, so bin 0 is loud; it is no peak, nor the fall from it.
    const double frequency = 16 * 44100.0 / 1024;
    const std::vector<int> wide = test::Sine(frequency, 44100, 1024, 16384);
    const std::vector<int> narrow = test::Sine(frequency, 44100, 1024, 64);
    QByteArray bytes;
    for (const int v : narrow) bytes.append(static_cast<char>(128 + v));
    const QString eight = dir.filePath(QStringLiteral("eight.wav"));
    ASSERT_TRUE(test::WriteFile(eight, test::Wave(1, 44100, 8, bytes)));
    for (const QString& wave : {Wave("sixteen.wav", wide, 44100), eight}) {
        SCOPED_TRACE(wave.toStdString());
        const test::KalvoRun run = test::RunKalvo(
            {QStringLiteral("--export"), QStringLiteral("fftpeaks"), QStringLiteral("--open"), wave});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        // The 8-bit steps add faint odd harmonics (below -54 dB), listed after the tone.
        ASSERT_GE(lines.size(), 2) << run.out.toStdString();
        const QStringList fields = lines[1].split(u'\t');
        EXPECT_NEAR(Number(fields[0]), frequency, 0.01);
        EXPECT_NEAR(Number(fields[1]), 20 * std::log10(0.5), 0.05);
    }
}

TEST_F(SpectralCommands, BothWindowsDrawPictures) {
    const QString wave = Wave("a.wav", test::Sine(440, 44100, 44100, 16000), 44100);
    const QString sono = dir.filePath(QStringLiteral("sono.png"));
    test::KalvoRun run = test::RunKalvo({QStringLiteral("--render"), QStringLiteral("sonogram"),
                                         QStringLiteral("--open"), wave, QStringLiteral("--out"), sono});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage sonoImage(sono);
    ASSERT_EQ(sonoImage.size(), QSize(1000, 500));
    // The 440 Hz row is red, the top of the palette, in the middle of the picture (shrunk
    // smoothly into the window, so near red).
    int red = 0;
    for (int y = 0; y < 500; ++y) {
        const QColor c = sonoImage.pixelColor(500, y);
        red += c.red() > 200 && c.green() < 120 && c.blue() < 80;
    }
    EXPECT_GT(red, 0);

    const QString score = dir.filePath(QStringLiteral("score.png"));
    run = test::RunKalvo({QStringLiteral("--render"), QStringLiteral("score"), QStringLiteral("--open"), wave,
                          QStringLiteral("--set"), QStringLiteral("IniNotenbildWhatIs=1"),
                          QStringLiteral("--out"), score});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage scoreImage(score);
    ASSERT_EQ(scoreImage.size(), QSize(800, 400));
    // The staff's lowest line runs black across the picture, 80 pixels above the bottom.
    EXPECT_EQ(scoreImage.pixel(400, 400 - 80), qRgb(0, 0, 0));
}

}  // namespace
