#include <gtest/gtest.h>

#include "platform/StringTable.h"

TEST(StringTable, ParsesEscapesAndIgnoresCommentsAndBrokenLines) {
    const StringTable table = StringTable::FromText(
        "# comment\n\n1\tLine\\none\\tand \\\\ back\tZeile\\r\\n\n2\tonly two "
        "fields\nx\tno\tnumber\n3\ta\tb\r\n");
    EXPECT_EQ(table.Text(1, Language::English), QStringLiteral("Line\none\tand \\ back"));
    EXPECT_EQ(table.Text(1, Language::German), QStringLiteral("Zeile\r\n"));
    EXPECT_FALSE(table.Contains(2));
    EXPECT_EQ(table.Text(3, Language::German), QStringLiteral("b"));
    EXPECT_EQ(table.Text(99, Language::English), QStringLiteral("#99"));
}

TEST(StringTable, TheCompiledTableHasEveryTextInBothLanguages) {
    const StringTable& table = StringTable::Instance();
    ASSERT_GT(table.Count(), 100);
    for (int id : {61490, 61491, 61496, 61497, 61548, 61551, 61558, 62000, 62038})
        ASSERT_TRUE(table.Contains(id)) << id;
    EXPECT_EQ(table.Text(StringId::NoFileSelected, Language::English), QStringLiteral("no file selected"));
    EXPECT_EQ(table.Text(StringId::FrequencyHzAmplitudeDBFS, Language::German),
              QStringLiteral("Frequenz[Hz]\tAmplitude[dBFS]\r\n"));
    for (int id = 0; id < 70000; ++id) {
        if (!table.Contains(id)) continue;
        // Placeholders must match, or a German message would lose its file name.
        const QString en = table.Text(id, Language::English), de = table.Text(id, Language::German);
        for (const char* p : {"%1", "%2", "%3"})
            EXPECT_EQ(en.contains(QLatin1String(p)), de.contains(QLatin1String(p))) << id;
        EXPECT_FALSE(en.isEmpty()) << id;
        EXPECT_FALSE(de.isEmpty()) << id;
    }
}

TEST(StringTable, TheTextsAreFreeOfCarriedOverTyposAndWrongTerms) {
    const StringTable& table = StringTable::Instance();
    // Typos and German words that came along into the English texts, and English or mixed
    // words in the German ones; the musical intervals by their English names.
    const char* const englishFaults[] = {
        "succesful",     "perfomance", "quint", "big third", "sm. third",     "does not exists",
        "predifined",    "doesn´t",    "a a ",  "to short",  "LyapunivKantz", "LyapuovKantz",
        "Speichert",     " Abbild",    "reell", "Entropie",  "Mexikan",       "Fehler",
        "logarithmical", "Pointsize",  "gaudy", "unisonous", "You paste it"};
    const char* const germanFaults[] = {"(complex)",    "Error der",    "LyapunivKantz",
                                        "LyapuovKantz", "Bitte wähle ", "Samplingrate"};
    for (int id = 0; id < 70000; ++id) {
        if (!table.Contains(id)) continue;
        const QString en = table.Text(id, Language::English), de = table.Text(id, Language::German);
        for (const char* fault : englishFaults)
            EXPECT_FALSE(en.contains(QString::fromUtf8(fault), Qt::CaseInsensitive))
                << id << ": " << en.toStdString();
        for (const char* fault : germanFaults)
            EXPECT_FALSE(de.contains(QString::fromUtf8(fault))) << id << ": " << de.toStdString();
    }
    EXPECT_EQ(table.Text(StringId::Fifth, Language::English), QStringLiteral(": fifth"));
    EXPECT_EQ(table.Text(StringId::MajorThird, Language::English), QStringLiteral(": major third"));
    EXPECT_EQ(table.Text(StringId::MinorThird, Language::English), QStringLiteral(": minor third"));
    EXPECT_EQ(table.Text(StringId::Fifth, Language::German), QStringLiteral(": Quinte"));
    // The mutual information's text is the interface's, not always German.
    EXPECT_EQ(table.Text(StringId::ShannonEntropy, Language::English), QStringLiteral("Shannon entropy: "));
    EXPECT_EQ(table.Text(StringId::ShannonEntropy, Language::German), QStringLiteral("Shannon-Entropie: "));
}
