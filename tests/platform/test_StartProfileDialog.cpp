// The start dialog offers exactly the saved user profiles and starts none that does not exist.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/StartProfileDialog.h"
#include "platform/StringTable.h"

namespace {

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

QPushButton* OkButton(const QDialog& dialog) {
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

}  // namespace

TEST(StartProfileDLG, ListsTheSavedUserProfilesOnly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name :
         {"KalvoUserProfil-Anna.ini", "KalvoUserProfil-Zoe Klasse 4b.ini", "KalvoUserProfil-.ini",
          "KalvoStandardProfil.ini", "KalvoUserProfil-Bert.txt", "notes.ini"})
        Touch(dir.filePath(QLatin1String(name)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("KalvoUserProfil-Folder.ini")));
    EXPECT_EQ(StartProfileDialog::UserProfileNames(dir.path()), (QStringList{"Anna", "Zoe Klasse 4b"}));

    // A folder whose own path holds the prefix would make every name ambiguous: none is offered.
    const QString odd = dir.filePath(QStringLiteral("KalvoUserProfil-Old"));
    ASSERT_TRUE(QDir().mkpath(odd));
    Touch(odd + QStringLiteral("/KalvoUserProfil-Anna.ini"));
    EXPECT_TRUE(StartProfileDialog::UserProfileNames(odd).isEmpty());
    EXPECT_TRUE(StartProfileDialog::UserProfileNames(dir.filePath(QStringLiteral("missing"))).isEmpty());
}

TEST(StartProfileDLG, AUserProfileMustBeNamedAndExist) {
    SetCurrentLanguage(Language::English);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    StartProfileDialog empty(dir.path());
    EXPECT_EQ(empty.Option(), 0);
    EXPECT_TRUE(OkButton(empty)->isEnabled());
    empty.findChild<QButtonGroup*>()->button(2)->click();
    EXPECT_EQ(empty.Option(), 2);
    EXPECT_FALSE(OkButton(empty)->isEnabled());  // no saved profile, nothing to start
    empty.accept();
    EXPECT_EQ(empty.result(), QDialog::Rejected);

    Touch(dir.filePath(QStringLiteral("KalvoUserProfil-Anna.ini")));
    StartProfileDialog dialog(dir.path());
    dialog.findChild<QButtonGroup*>()->button(2)->click();
    auto* combo = dialog.findChild<QComboBox*>();
    combo->hidePopup();
    EXPECT_EQ(dialog.UserProfileName(), QStringLiteral("Anna"));
    // A typed name is matched to the file's spelling; an unknown one is refused with a word why.
    combo->setEditText(QStringLiteral("anna"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.UserProfileName(), QStringLiteral("Anna"));

    StartProfileDialog unknown(dir.path());
    unknown.findChild<QButtonGroup*>()->button(2)->click();
    unknown.findChild<QComboBox*>()->hidePopup();
    unknown.findChild<QComboBox*>()->setEditText(QStringLiteral("Bert"));
    QString said;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said = box->text();
            box->accept();
        }
    });
    unknown.accept();
    EXPECT_EQ(said, Str(StringId::PleaseChooseUserDefined));
    EXPECT_NE(unknown.result(), QDialog::Accepted);
}
