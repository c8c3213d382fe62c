#include <gtest/gtest.h>

#include "tests/support/DocFixture.h"

using namespace test;

using TimeSeries = DocFixture;

TEST_F(TimeSeries, ScalingFillsTheSixteenBitRange) {
    constexpr double kTiny = std::numeric_limits<double>::denorm_min();
    struct Case {
        const char* name;
        std::vector<double> values;
        std::vector<double> samples;
    };
    const std::vector<Case> cases = {
        // The largest value would be +32768, one past the range: it stays at +32767.
        {"positive only", {1, 2, 3, 4}, {-16384, 0, 16384, 32767}},
        {"with a negative value", {-2, 1}, {-32768, 16384}},
        {"all zero is silence", {0, 0, 0}, {0, 0, 0}},
        {"single value", {5}, {32767}},
        {"huge numbers", {1.7e308, -1.7e308, 0}, {32767, -32768, 0}},
        // The scale 65536 / largest is beyond the doubles here.
        {"tiny numbers", {4 * kTiny, 2 * kTiny, 0}, {32767, 0, -32768}},
        {"tiny numbers with a negative one", {-2 * kTiny, kTiny, 0}, {-32768, 16384, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SoundDocument::ScaleTimeSeries(c.values), c.samples);
    }
}

TEST_F(TimeSeries, TokensAreNumbersACommaIsADecimalPointAndTheRestIsLeftOutAndCounted) {
    std::size_t skipped = 0;
    EXPECT_EQ(SoundDocument::ParseTimeSeries("1 2\r\n#skip 3\r\n\t-4.5e1 abc 7x\n#\n1e999 -1e999 nan inf +8",
                                             &skipped),
              (std::vector<double>{1, 2, 3, -45, 8}));
    EXPECT_EQ(skipped, 6u);  // abc, 7x, the two numbers beyond the doubles, nan and inf; "#" is a comment
    // German spreadsheets: one decimal comma is a decimal point; two, or a comma beside a point, are no
    // number.
    EXPECT_EQ(SoundDocument::ParseTimeSeries("0,5\n1,5\n-2,25e1\n1,2,3\n1.000,5\n,\n", &skipped),
              (std::vector<double>{0.5, 1.5, -22.5}));
    EXPECT_EQ(skipped, 3u);
    // Too small for a double is 0 and leaves the other values their scale.
    const std::vector<double> tiny =
        SoundDocument::ParseTimeSeries("1e-400 -3e-999 2 0.0000001e-320", &skipped);
    EXPECT_EQ(tiny, (std::vector<double>{0, 0, 2, 0}));
    EXPECT_EQ(skipped, 0u);
    EXPECT_EQ(SoundDocument::ScaleTimeSeries(tiny), (std::vector<double>{-32768, -32768, 32767, -32768}));
    EXPECT_TRUE(SoundDocument::ParseTimeSeries("#only\n#comments\n").empty());
    EXPECT_TRUE(SoundDocument::ParseTimeSeries("").empty());
}

TEST_F(TimeSeries, ASeriesWithWordsLoadsItsNumbersAndSaysHowManyEntriesWereLeftOut) {
    const QString path = Write(QStringLiteral("messung.txt"), "Zeit\r\n0,5\r\n-1,5\r\nn/a\r\n1\r\n");
    ASSERT_TRUE(doc.OpenTimeSeriesFile(path));
    // 0.5, -1.5 and 1 with a negative value: scale 32768 / 1.5.
    EXPECT_EQ(Samples(), (std::vector<double>{10922, -32768, 21845}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Str(StringId::EntriesTimeSeriesFile, path, 2));
}

TEST_F(TimeSeries, ImportLoadsA44kHzSixteenBitSound) {
    const QString path = Write(QStringLiteral("series.dat"), "#measured\r\n1\r\n2\r\n3\r\n4\r\n");
    ASSERT_TRUE(doc.OpenTimeSeriesFile(path));
    EXPECT_TRUE(doc.IsWaveLoaded());
    EXPECT_EQ(Samples(), (std::vector<double>{-16384, 0, 16384, 32767}));
    EXPECT_EQ(doc.SampleRate(), 44100);
    EXPECT_EQ(doc.BitsPerSample(), 16);
    EXPECT_EQ(doc.FileName(), path);
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("series.dat"));
    EXPECT_TRUE(doc.PlaysReducedCopy());
    EXPECT_EQ(doc.Player().Rate(), 44100);
    EXPECT_EQ(recorder.hints.back(), kHintRebuild);
}

TEST_F(TimeSeries, EmptyAndUnreadableFilesLeaveTheDocumentEmptyWithAMessage) {
    struct Case {
        const char* name;
        QString path;
        int message;
    };
    const std::vector<Case> cases = {
        {"empty", Write(QStringLiteral("empty.txt"), QByteArray()), 62111},
        {"only comments", Write(QStringLiteral("comments.txt"), "#a #b\n#c\n"), 62111},
        {"missing", Path(QStringLiteral("missing.txt")), 62131},
        {"a folder", dir.path(), 62132},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        EXPECT_FALSE(doc.OpenTimeSeriesFile(c.path));
        EXPECT_FALSE(doc.IsWaveLoaded());
        EXPECT_EQ(doc.FileName(), Str(StringId::NoFileSelected));
        EXPECT_TRUE(SaidNumber(ui, c.message));
    }
}

TEST_F(TimeSeries, ATextWithoutNumbersIsRefusedAndTheLoadedSoundStays) {
    // The head of /etc/services: "1/tcp" and "7/udp" are no numbers.
    const QString services =
        Write(QStringLiteral("services.txt"),
              "# Network services, Internet style\n\ntcpmux\t\t1/tcp\t\t\t# TCP port service multiplexer\n"
              "echo\t\t7/tcp\necho\t\t7/udp\ndiscard\t\t9/tcp\t\tsink null\n");
    const QString series = Write(QStringLiteral("series.txt"), "1\n-1\n1\n-1\n");
    ASSERT_TRUE(doc.OpenTimeSeriesFile(series));
    const std::vector<double> before = Samples();
    ui.messages.clear();
    EXPECT_FALSE(doc.OpenTimeSeriesFile(services));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Str(StringId::TextFileHoldsNo, services));
    EXPECT_FALSE(ui.messages[0].text.contains(QStringLiteral("0 Byte")));
    EXPECT_TRUE(doc.IsWaveLoaded());
    EXPECT_EQ(doc.FileName(), series);
    EXPECT_EQ(Samples(), before);

    // A log with a few numbers among many words loads its numbers and says how many were left out.
    const QString log = Write(QStringLiteral("log.txt"),
                              "Dec 11 06:00:01 host cron[12]: started 3 jobs\n"
                              "Dec 11 06:00:02 host kernel: 42\n");
    ui.messages.clear();
    ASSERT_TRUE(doc.OpenTimeSeriesFile(log));
    EXPECT_EQ(Samples().size(), 4u);  // 11, 3, 11 and 42
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Str(StringId::EntriesTimeSeriesFile, log, 10));
}

TEST_F(TimeSeries, TheCommandOffersDataFilesFirst) {
    ui.openFiles.push_back(std::nullopt);
    doc.OnOpenTimeSeries();
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_EQ(ui.fileDialogs[0].filterIndex, 3);
    EXPECT_EQ(ui.fileDialogs[0].title, Str(StringId::ChooseSingleColumnTime));
}
