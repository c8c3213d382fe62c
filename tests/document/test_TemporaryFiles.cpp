// On a shared computer another account has used the program first: its temporary files, its
// help pages and even a folder under our name lie in the shared temporary folder. Opening files
// and help must work all the same, without touching what the other account left.

#include <gtest/gtest.h>

#include "tests/support/DocFixture.h"
#include "tests/support/SharedTemp.h"

using namespace test;

using TemporaryFiles = DocFixture;

TEST_F(TemporaryFiles, ASecondAccountOpensStereoAndHighRateFilesAndGetsItsOwnHelp) {
    SharedTemp shared;
    ASSERT_TRUE(shared.IsValid());
    // What the first account left behind, none of it writable for us.
    for (const char* name : {"~TempWave.wav", "~TempWaveMono.wav"})
        ASSERT_TRUE(
            shared.TakeAsAnotherAccount(QLatin1String(name), shared.Path(QStringLiteral("theirs/") + name)));
    ASSERT_TRUE(shared.TakeAsAnotherAccount(QFileInfo(shared.OwnFolderName()).fileName(),
                                            shared.Path(QStringLiteral("theirs/own"))));
    const QString planted = shared.Path(QStringLiteral("kalvo-help/en/html/Hauptfenster.html"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(planted).path()));
    ASSERT_TRUE(WriteFile(planted, "<html>planted</html>"));

    ui.channels.push_back(0);
    ASSERT_TRUE(
        doc.OpenSoundFile(Write(QStringLiteral("stereo.wav"), Wave(2, 44100, 16, Pcm16({1, -1, 2, -2})))));
    EXPECT_EQ(Samples(), (std::vector<double>{-1, -2}));
    ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("fast.wav"), Mono16(96000, {10, 20, 30, 40}))));
    EXPECT_TRUE(doc.PlaysReducedCopy());
    EXPECT_EQ(ReadFile(SoundDocument::TempWavePath()).right(4), Pcm16({15, 35}));
    ASSERT_TRUE(doc.OpenTimeSeriesFile(Write(QStringLiteral("series.dat"), "1 2 3 4")));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();

    const QString folder = TemporaryFolder();
    EXPECT_EQ(PrivateModeOf(folder), 0700);
    for (const QString& path : {SoundDocument::TempWavePath(), SoundDocument::TempMonoPath()})
        EXPECT_TRUE(path.startsWith(folder)) << path.toStdString();

    app.OnHelp(QStringLiteral("html/Hauptfenster.html"));
    ASSERT_EQ(ui.pagesOpened.size(), 1);
    const QString page = ui.pagesOpened[0];
    EXPECT_TRUE(page.startsWith(folder)) << page.toStdString();
    EXPECT_FALSE(ReadFile(page).contains("planted"));
    EXPECT_EQ(ReadFile(planted), QByteArray("<html>planted</html>"));  // theirs, untouched
}
