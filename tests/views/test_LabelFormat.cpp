// Numbers and note names on screen follow the interface language.

#include <gtest/gtest.h>

#include "platform/StringTable.h"
#include "views/common/LabelFormat.h"

namespace {

class LabelFormat : public ::testing::Test {
protected:
    void TearDown() override { SetCurrentLanguage(Language::English); }
};

TEST_F(LabelFormat, EnglishWritesADecimalPointAndBGermanACommaAndH) {
    struct Case {
        Language language;
        const char* khz;
        const char* number;
        const char* b;
        const char* bFlat;
    } cases[] = {
        {Language::English, "1.7 kHz", "440.5", "B4", "A#4"},
        {Language::German, "1,7 kHz", "440,5", "H4", "B4"},
    };
    for (const Case& c : cases) {
        SetCurrentLanguage(c.language);
        EXPECT_EQ(FrequencyScaleLabel(1700.0), QLatin1String(c.khz));
        EXPECT_EQ(FrequencyScaleLabel(55.0), QStringLiteral("55 Hz"));
        EXPECT_EQ(FrequencyScaleLabel(14000.0), QStringLiteral("14 kHz"));
        EXPECT_EQ(LocalNumber(440.49, 4), QLatin1String(c.number));
        EXPECT_EQ(NoteLabel(50), QLatin1String(c.b));
        EXPECT_EQ(NoteLabel(49), QLatin1String(c.bFlat));
        EXPECT_EQ(NoteLabel(48), QStringLiteral("A4"));
    }
}

}  // namespace
