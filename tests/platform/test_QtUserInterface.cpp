#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/QtUserInterface.h"

TEST(QtUserInterface, AnEscapePressAnywhereIsSeenOnce) {
    QtUserInterface ui;
    QWidget window;
    window.show();
    EXPECT_FALSE(ui.TakeEscapeKey());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(ui.TakeEscapeKey());
    EXPECT_FALSE(ui.TakeEscapeKey());
    QTest::keyClick(&window, Qt::Key_A);
    EXPECT_FALSE(ui.TakeEscapeKey());
}

TEST(QtUserInterface, FileFiltersBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter(QStringLiteral("All readable music files (*.wav,*.mp3)|*.wav;*.mp3|WAV - Standardwavefiles|*.wav|")),
              QStringLiteral("All readable music files (*.wav,*.mp3) (*.wav *.mp3);;WAV - Standardwavefiles (*.wav)"));
}
