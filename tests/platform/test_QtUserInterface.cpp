#include <gtest/gtest.h>
#include <QTest>
#include <QWidget>

#include "platform/QtUserInterface.h"

TEST(QtUserInterface, FileFiltersBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter(QStringLiteral(
                  "All readable music files (*.wav,*.mp3)|*.wav;*.mp3|WAV - Standardwavefiles|*.wav|")),
              QStringLiteral(
                  "All readable music files (*.wav,*.mp3) (*.wav *.mp3);;WAV - Standardwavefiles (*.wav)"));
}

#include <QApplication>
#include <QFontMetrics>

#include "platform/FftSettingsDialog.h"
#include "platform/StringTable.h"

TEST(QtUserInterface, TheFftSettingsDialogIsWideEnoughForItsWholeTitle) {
    // A window manager draws the title in a bold font beside its buttons; the dialog's own
    // controls alone made it so narrow that the title read "FFT S…ngs".
    for (Language language : {Language::English, Language::German}) {
        SetCurrentLanguage(language);
        FftSettingsDialog dialog(2);
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

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

TEST(QtUserInterface, QuestionBoxesNameTheirButtonsInTheInterfaceLanguage) {
    // Without a Qt translation the standard buttons said "Yes"/"No" under German questions.
    struct Case {
        Language language;
        QStringList expected;
    };
    for (const Case& c : {Case{Language::German, {QStringLiteral("&Ja"), QStringLiteral("&Nein")}},
                          Case{Language::English, {QStringLiteral("&Yes"), QStringLiteral("&No")}}}) {
        SetCurrentLanguage(c.language);
        QStringList seen;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            for (QAbstractButton* button : box->buttons()) seen << button->text();
            box->button(QMessageBox::No)->click();
        });
        poll.start(10);
        QtUserInterface ui(nullptr);
        EXPECT_FALSE(ui.AskYesNo(QStringLiteral("?"), MessageIcon::Question));
        seen.sort();
        QStringList expected = c.expected;
        expected.sort();
        EXPECT_EQ(seen, expected);
    }
    SetCurrentLanguage(Language::English);
}
