#include "platform/SaveProfileDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/StringTable.h"

QString SaveProfileDialog::FileNameFor(const QString& name) {
    return QStringLiteral("KalvoUserProfil-") + name + QStringLiteral(".ini");
}

bool SaveProfileDialog::IsUsableName(const QString& name) {
    return !name.trimmed().isEmpty() && !name.contains(u'/') && !name.contains(u'\\') &&
           !name.contains(QChar(0));
}

SaveProfileDialog::SaveProfileDialog(const QString& name, const QString& fileName, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Str(StringId::SaveProfile_62023));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(Str(StringId::ProfileStoresSizePosition), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(name, this);
    m_fileName = new QLineEdit(fileName, this);
    m_fileName->setReadOnly(true);
    form->addRow(Str(StringId::NameProfile), m_name);
    form->addRow(Str(StringId::FileName), m_fileName);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(Str(StringId::OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(Str(StringId::Cancel));
    // An empty name would make the file "KalvoUserProfil-.ini", which no one could pick later;
    // a "/" would put it outside the profile folder.
    const auto update = [this, ok](const QString& n) {
        m_fileName->setText(FileNameFor(n));
        ok->setEnabled(IsUsableName(n));
    };
    connect(m_name, &QLineEdit::textEdited, this, update);
    ok->setEnabled(IsUsableName(name));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString SaveProfileDialog::Name() const {
    return m_name->text();
}
QString SaveProfileDialog::FileName() const {
    return m_fileName->text();
}
