#include "platform/CLanguageDLG.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Str(62028));
    buttons->button(QDialogButtonBox::Cancel)->setText(Str(62029));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString CLanguageDLG::Chosen() const { return m_languages->currentText(); }
