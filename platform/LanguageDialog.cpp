#include "platform/LanguageDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/DialogButtons.h"
#include "platform/StringTable.h"

LanguageDialog::LanguageDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(StringId::Language_63150));
    setWindowIcon(QIcon(QStringLiteral(":/resources/icons/language.svg")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Str(StringId::LanguageMenusWindowsMessages), this));
    m_languages = new QComboBox(this);
    // Each language in its own words, so that it can be found whatever is shown now.
    m_languages->addItems({QStringLiteral("Deutsch"), QStringLiteral("English")});
    m_languages->setCurrentIndex(CurrentLanguage() == Language::German ? 0 : 1);
    layout->addWidget(m_languages);
    auto* buttons = MakeOkCancelButtons(this);
    layout->addWidget(buttons);
}

QString LanguageDialog::Chosen() const {
    return m_languages->currentText();
}
