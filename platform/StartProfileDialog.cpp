#include "platform/StartProfileDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/StringTable.h"

namespace {

const QString kPrefix = QStringLiteral("KalvoUserProfil-");
const QString kSuffix = QStringLiteral(".ini");

QLabel* Note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setIndent(24);  // under the text of its radio button
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

}  // namespace

QStringList StartProfileDialog::UserProfileNames(const QString& folder) {
    QStringList names;
    const QDir dir(folder);
    const QStringList files =
        dir.entryList({kPrefix + u'*' + kSuffix}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        // A prefix that occurs twice would leave a name nobody could save under again.
        if (dir.absoluteFilePath(file).count(kPrefix) != 1) continue;
        const QString name = file.mid(kPrefix.size(), file.size() - kPrefix.size() - kSuffix.size());
        if (!name.isEmpty()) names << name;
    }
    return names;
}

StartProfileDialog::StartProfileDialog(const QString& profileFolder, QWidget* parent)
    : QDialog(parent), m_folder(profileFolder) {
    setWindowTitle(Str(StringId::WelcomeKalvo));
    setMinimumWidth(520);
    auto* outer = new QHBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(QStringLiteral(":/resources/icons/kalvo.svg")).pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    outer->addWidget(picture);
    outer->addSpacing(8);

    auto* layout = new QVBoxLayout;
    outer->addLayout(layout, 1);
    auto* heading = new QLabel(Str(StringId::WhichProfileShouldKalvo), this);
    QFont big = heading->font();
    big.setPointSizeF(big.pointSizeF() * 1.25);
    big.setBold(true);
    heading->setFont(big);
    layout->addWidget(heading);
    layout->addSpacing(6);

    m_options = new QButtonGroup(this);
    const int labels[3] = {63122, 63123, 63124};
    const int notes[3] = {63125, 63126, 63127};
    for (int option = 0; option < 3; ++option) {
        auto* radio = new QRadioButton(Str(labels[option]), this);
        m_options->addButton(radio, option);
        layout->addWidget(radio);
        layout->addWidget(Note(Str(notes[option]), this));
    }
    m_profiles = new QComboBox(this);
    m_profiles->setEditable(true);
    m_profiles->setInsertPolicy(QComboBox::NoInsert);
    m_profiles->setMinimumWidth(240);
    auto* profileRow = new QHBoxLayout;
    profileRow->addSpacing(24);
    profileRow->addWidget(m_profiles, 1);
    layout->addLayout(profileRow);
    m_profiles->hide();
    layout->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(Str(StringId::OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(Str(StringId::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &StartProfileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_options, &QButtonGroup::idClicked, this, &StartProfileDialog::OnOptionChosen);
    connect(m_profiles->lineEdit(), &QLineEdit::textEdited, this, &StartProfileDialog::OnNameEdited);
    connect(m_profiles, &QComboBox::currentTextChanged, this, &StartProfileDialog::UpdateOk);
    m_options->button(0)->setChecked(true);
    UpdateOk();
}

int StartProfileDialog::Option() const {
    return m_options->checkedId();
}

QString StartProfileDialog::UserProfileName() const {
    return Option() == 2 ? m_profiles->currentText().trimmed() : QString();
}

void StartProfileDialog::OnOptionChosen(int option) {
    m_profiles->setVisible(option == 2);
    UpdateOk();
    adjustSize();  // room for the list, or none
    if (option == 2) {
        Refill();
        if (!m_names.isEmpty()) m_profiles->showPopup();
    }
}

void StartProfileDialog::Refill() {
    m_names = UserProfileNames(m_folder);
    m_profiles->clear();
    m_profiles->addItems(m_names);
    m_profiles->lineEdit()->setPlaceholderText(m_names.isEmpty() ? Str(StringId::NoProfileHasBeen)
                                                                 : QString());
    if (!m_names.isEmpty()) m_profiles->setCurrentIndex(0);
}

void StartProfileDialog::OnNameEdited(const QString& text) {
    // Only saved profiles can be started: a name that leads to none is explained and the list offered again.
    const QString typed = text.trimmed();
    if (typed.isEmpty()) return;
    for (const QString& name : std::as_const(m_names))
        if (name.startsWith(typed, Qt::CaseInsensitive)) return;
    QMessageBox::information(this, windowTitle(), Str(StringId::PleaseChooseUserDefined));
    Refill();
    if (!m_names.isEmpty()) m_profiles->showPopup();
}

void StartProfileDialog::UpdateOk() {
    m_ok->setEnabled(Option() != 2 || !m_profiles->currentText().trimmed().isEmpty());
}

void StartProfileDialog::accept() {
    if (Option() == 2) {
        const QString typed = m_profiles->currentText().trimmed();
        if (typed.isEmpty()) return;
        qsizetype index = -1;
        for (qsizetype i = 0; i < m_names.size() && index < 0; ++i)
            if (m_names[i].compare(typed, Qt::CaseInsensitive) == 0) index = i;
        if (index < 0) {
            QMessageBox::information(this, windowTitle(), Str(StringId::PleaseChooseUserDefined));
            Refill();
            return;
        }
        m_profiles->setCurrentIndex(static_cast<int>(index));  // the spelling of the file
    }
    QDialog::accept();
}
