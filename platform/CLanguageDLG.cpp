#include "platform/CLanguageDLG.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/DialogButtons.h"
#include "platform/StringTable.h"

CLanguageDLG::CLanguageDLG(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(63150));
    setWindowIcon(QIcon(QStringLiteral(":/resources/icons/language.svg")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Str(63151), this));
    m_languages = new QComboBox(this);
    // Each language in its own words, so that it can be found whatever is shown now.
    m_languages->addItems({QStringLiteral("Deutsch"), QStringLiteral("English")});
    m_languages->setCurrentIndex(CurrentLanguage() == Language::German ? 0 : 1);
    layout->addWidget(m_languages);
    auto* buttons = MakeOkCancelButtons(this);
    layout->addWidget(buttons);
}

QString CLanguageDLG::Chosen() const {
    return m_languages->currentText();
}
