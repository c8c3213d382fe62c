#include <gtest/gtest.h>

#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/spectral/FftExport.h"

using namespace test;

using FftExport = DocFixture;

TEST_F(FftExport, LevelsAreDecibelsFullScaleAlikeForEightAndSixteenBitsAndSilenceIsTheFloor) {
    // |X|/N of a full-scale sine is 2^(bits - 2): 16384 for 16-bit sound, 64 for 8-bit sound;
    // bins 0 and N/2 hold a constant and the alternating sequence, |X|/N = their amplitude.
    struct Case {
        QByteArray wave;
        double fullSine;
    };
    const Case cases[] = {{Mono16(8000, {1, 2, 3, 4}), 16384.0},
                          {Wave(1, 8000, 8, QByteArray::fromHex("80818283")), 64.0}};
    for (const Case& c : cases) {
        ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("x.wav"), c.wave)));
        DocumentTestAccess::Spectrum(doc) = {2 * c.fullSine, c.fullSine / 10, 0.0};
        const QStringList lines = FftExportText(doc).split(QStringLiteral("\r\n"));
        SCOPED_TRACE(doc.BitsPerSample());
        ASSERT_EQ(lines.size(), 5);
        EXPECT_EQ(lines[0], QStringLiteral("frequency[Hz]\tamplitude[dBFS]"));
        EXPECT_EQ(lines[1], QStringLiteral("0\t0"));        // a constant of full scale
        EXPECT_EQ(lines[2], QStringLiteral("2000\t-20"));   // bin 1 of 4 points at 8 kHz
        EXPECT_EQ(lines[3], QStringLiteral("4000\t-150"));  // silence: the floor, never -inf
        EXPECT_EQ(lines[4], QString());
    }

    SetCurrentLanguage(Language::German);
    EXPECT_TRUE(FftExportText(doc).startsWith(QStringLiteral("Frequenz[Hz]\tAmplitude[dBFS]\r\n")));
}

TEST(SpreadsheetNumber, TenSignificantDigitsAndACommaWhateverTheLocale) {
    EXPECT_EQ(SpreadsheetNumber(1234.5678901234), QStringLiteral("1234,56789"));
    EXPECT_EQ(SpreadsheetNumber(0.1), QStringLiteral("0,1"));
    EXPECT_EQ(SpreadsheetNumber(-96.0), QStringLiteral("-96"));
    EXPECT_EQ(SpreadsheetNumber(1e-7), QStringLiteral("1e-07"));
}
