// Temporary files go into a folder of this user's own, whatever others left in the shared one.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <functional>

#include "platform/ProgramFolder.h"
#include "tests/support/SharedTemp.h"
#include "tests/support/WaveBytes.h"

using test::PrivateModeOf;
using test::SharedTemp;

TEST(TemporaryFolder, IsAFolderOfThisUsersOwnClosedToOthers) {
    SharedTemp shared;
    ASSERT_TRUE(shared.IsValid());
    const QString own = shared.OwnFolderName() + u'/';
    EXPECT_EQ(TemporaryFolder(), own);
    EXPECT_EQ(PrivateModeOf(own), 0700);
    // Made readable by someone (a restored backup, a hand-made folder): closed again.
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0755), 0);
    EXPECT_EQ(TemporaryFolder(), own);
    EXPECT_EQ(PrivateModeOf(own), 0700);
    // Removed while the program runs: made again.
    ASSERT_TRUE(QDir(own).removeRecursively());
    EXPECT_EQ(TemporaryFolder(), own);
    EXPECT_EQ(PrivateModeOf(own), 0700);
}

TEST(TemporaryFolder, ANameTakenBySomethingElseIsNeverUsed) {
    struct Case {
        const char* name;
        std::function<bool(const SharedTemp&, const QString& own, const QString& elsewhere)> take;
    };
    const std::vector<Case> cases = {
        {"another account's folder (or a link)",
         [](const SharedTemp& s, const QString& own, const QString& elsewhere) {
             return s.TakeAsAnotherAccount(QFileInfo(own).fileName(), elsewhere);
         }},
        {"a link to a folder of ours",
         [](const SharedTemp&, const QString& own, const QString& elsewhere) {
             return QDir().mkpath(elsewhere) && QFile::link(elsewhere, own);
         }},
        {"a file",
         [](const SharedTemp&, const QString& own, const QString&) { return test::WriteFile(own, "x"); }},
        {"a folder others may write to",
         [](const SharedTemp&, const QString& own, const QString&) {
             return QDir().mkpath(own) && ::chmod(QFile::encodeName(own).constData(), 0777) == 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedTemp shared;
        const QString own = shared.OwnFolderName();
        const QString elsewhere = shared.Path(QStringLiteral("elsewhere"));
        ASSERT_TRUE(c.take(shared, own, elsewhere));
        const QString folder = TemporaryFolder();
        EXPECT_NE(folder, own + u'/');
        EXPECT_TRUE(folder.startsWith(shared.Path(QString()))) << folder.toStdString();
        EXPECT_EQ(PrivateModeOf(folder), 0700);
        EXPECT_EQ(TemporaryFolder(), folder);  // the same one for the whole run
        ASSERT_TRUE(test::WriteFile(folder + QStringLiteral("~TempWave.wav"), "data"));
        EXPECT_TRUE(QDir(elsewhere).isEmpty());  // nothing went through a link
    }
}
