#include <gtest/gtest.h>

#include "tests/support/DocFixture.h"
#include "views/spectral/FftExport.h"

using namespace test;

using FftExport = DocFixture;

TEST_F(FftExport, LevelsAreRelativeToFullScaleWithADecimalComma) {
    ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("x.wav"), Mono16(8000, {1, 2, 3, 4}))));
    doc.m_aSpectrum = {32767.0, 3276.0, 0.5};
    const QStringList lines = FftExportText(doc).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("frequency[Hz]\tamplitude[dB]"));
    EXPECT_EQ(lines[1], QStringLiteral("0\t0"));
    EXPECT_EQ(lines[2], QStringLiteral("2000\t-20,00185576"));  // bin 1 of 4 points at 8 kHz
    EXPECT_EQ(lines[3], QStringLiteral("4000\t-96,32933354"));
    EXPECT_EQ(lines[4], QString());

    SetCurrentLanguage(Language::German);
    EXPECT_TRUE(FftExportText(doc).startsWith(QStringLiteral("Frequenz[Hz]\tAmplitude[dB]\r\n")));
}

TEST(SpreadsheetNumber, TenSignificantDigitsAndACommaWhateverTheLocale) {
    EXPECT_EQ(SpreadsheetNumber(1234.5678901234), QStringLiteral("1234,56789"));
    EXPECT_EQ(SpreadsheetNumber(0.1), QStringLiteral("0,1"));
    EXPECT_EQ(SpreadsheetNumber(-96.0), QStringLiteral("-96"));
    EXPECT_EQ(SpreadsheetNumber(1e-7), QStringLiteral("1e-07"));
}
