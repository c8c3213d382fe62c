#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/QtUserInterface.h"

TEST(QtUserInterface, FileFiltersBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter(QStringLiteral("All readable music files (*.wav,*.mp3)|*.wav;*.mp3|WAV - Standardwavefiles|*.wav|")),
              QStringLiteral("All readable music files (*.wav,*.mp3) (*.wav *.mp3);;WAV - Standardwavefiles (*.wav)"));
}
