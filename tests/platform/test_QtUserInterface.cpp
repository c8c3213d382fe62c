#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "platform/QtUserInterface.h"

TEST(QtUserInterface, FileFiltersBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter(QStringLiteral("All readable music files (*.wav,*.mp3)|*.wav;*.mp3|WAV - Standardwavefiles|*.wav|")),
              QStringLiteral("All readable music files (*.wav,*.mp3) (*.wav *.mp3);;WAV - Standardwavefiles (*.wav)"));
}

#include <QApplication>
#include <QFontMetrics>

#include "platform/CFFTSettingsDLG.h"
#include "platform/StringTable.h"

TEST(QtUserInterface, TheFftSettingsDialogIsWideEnoughForItsWholeTitle) {
    // A window manager draws the title in a bold font beside its buttons; the dialog's own
    // controls alone made it so narrow that the title read "FFT S…ngs".
    for (Language language : {Language::English, Language::German}) {
        SetCurrentLanguage(language);
        CFFTSettingsDLG dialog(2);
        dialog.adjustSize();
        QFont bold = QApplication::font();
        bold.setBold(true);
        const int title = QFontMetrics(bold).horizontalAdvance(dialog.windowTitle());
        // Room for the title and four title-bar buttons of at least 20 pixels.
        EXPECT_GE(dialog.width(), title + 4 * 20) << dialog.windowTitle().toStdString();
        EXPECT_GE(dialog.minimumWidth(), title + 4 * 20);
    }
    SetCurrentLanguage(Language::English);
}
