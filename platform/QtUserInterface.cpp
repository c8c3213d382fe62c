#include "platform/QtUserInterface.h"

#include <QDesktopServices>
#include <QUrl>

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <atomic>
#include <utility>

#include "platform/AboutDialog.h"
#include "platform/ChannelDialog.h"
#include "platform/FftSettingsDialog.h"
#include "platform/KidsStartDialog.h"
#include "platform/LanguageDialog.h"
#include "platform/ProfileDialog.h"
#include "platform/SaveProfileDialog.h"
#include "platform/ShortcutsDialog.h"
#include "platform/SoundCardDialog.h"
#include "platform/StartProfileDialog.h"

namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// Qt's own button texts are English unless a Qt translation is installed; the program's
// table gives them in the interface language.
void NameButtons(QMessageBox& box) {
    constexpr int kOk = 62028, kCancel = 62029, kYes = 62116, kNo = 62117;
    const std::pair<QMessageBox::StandardButton, int> names[] = {{QMessageBox::Ok, kOk},
                                                                 {QMessageBox::Cancel, kCancel},
                                                                 {QMessageBox::Yes, kYes},
                                                                 {QMessageBox::No, kNo}};
    for (const auto& [button, id] : names) {
        if (QAbstractButton* shown = box.button(button)) shown->setText(Str(id));
    }
}

int Ask(QWidget* parent, const QString& text, MessageIcon icon, QMessageBox::StandardButtons buttons) {
    QMessageBox box(ToQt(icon), QStringLiteral("Kalvo"), text, buttons, parent);
    NameButtons(box);
    return box.exec();
}

// The n-th (1-based) entry of a Qt filter list, for preselecting it.
QString NthFilter(const QString& qtFilter, int index) {
    const QStringList filters = qtFilter.split(QStringLiteral(";;"));
    if (index < 1 || index > filters.size()) return {};
    return filters[index - 1];
}

}  // namespace

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|', Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out.join(QStringLiteral(";;"));
}

QtUserInterface::QtUserInterface(QWidget* parent) : m_parent(parent) {}
QtUserInterface::~QtUserInterface() = default;

void QtUserInterface::ShowMessage(const QString& text, MessageIcon icon) {
    Ask(m_parent, text, icon, QMessageBox::Ok);
}

bool QtUserInterface::AskOkCancel(const QString& text, MessageIcon icon) {
    return Ask(m_parent, text, icon, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtUserInterface::AskYesNo(const QString& text, MessageIcon icon) {
    return Ask(m_parent, text, icon, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> QtUserInterface::ChooseOpenFile(const FileDialogOptions& options) {
    const QString filter = QtFileFilter(options.filter);
    QString selected = NthFilter(filter, options.filterIndex);
    const QString path = QFileDialog::getOpenFileName(m_parent, options.title, QString(), filter, &selected);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtUserInterface::ChooseSaveFile(const FileDialogOptions& options) {
    QFileDialog dialog(m_parent, options.title, QString(), QtFileFilter(options.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(options.defaultExtension);
    dialog.selectNameFilter(NthFilter(QtFileFilter(options.filter), options.filterIndex));
    if (!options.proposedFile.isEmpty()) {
        dialog.setDirectory(QFileInfo(options.proposedFile).absolutePath());
        dialog.selectFile(QFileInfo(options.proposedFile).fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<int> QtUserInterface::ChooseChannel(const ChannelDialogInfo& info) {
    ChannelDialog dialog(info, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.LeftChosen() ? 1 : 0;
}

std::optional<int> QtUserInterface::ChooseFftSize(int initialEntry) {
    FftSettingsDialog dialog(initialEntry, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Entry();
}

std::optional<ProfileNameAnswer> QtUserInterface::ChooseProfileName(const QString& name,
                                                                    const QString& fileName) {
    SaveProfileDialog dialog(name, fileName, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ProfileNameAnswer{dialog.Name(), dialog.FileName()};
}

void QtUserInterface::BeginProgress(const QString& text) {
    m_progress =
        std::make_unique<QDialog>(m_parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    m_progress->setWindowTitle(QStringLiteral("Kalvo"));
    auto* layout = new QVBoxLayout(m_progress.get());  // owned by the dialog
    m_progressText = new QLabel(text, m_progress.get());
    m_progressText->setWordWrap(true);
    layout->addWidget(m_progressText);
    m_progress->resize(200, 100);
    if (m_parent) {
        // Right edge at the middle of the main window, vertically centred on it.
        const QRect frame = m_parent->frameGeometry();
        m_progress->move(frame.center().x() - 200, frame.center().y() - 50);
    }
    m_progress->show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUserInterface::SetProgressText(const QString& text) {
    if (!m_progress) return;
    m_progressText->setText(text);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUserInterface::EndProgress() {
    m_progress.reset();
    m_progressText = nullptr;
}

void QtUserInterface::SetBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::optional<StartProfileAnswer> QtUserInterface::ChooseStartProfile(const QString& profileFolder) {
    StartProfileDialog dialog(profileFolder, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return StartProfileAnswer{dialog.Option(), dialog.UserProfileName()};
}

std::optional<int> QtUserInterface::ChoosePredefinedProfile(int preselected) {
    ProfileDialog dialog(preselected, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Chosen();
}

std::optional<int> QtUserInterface::ChooseKidsStart(bool microphone) {
    KidsStartDialog dialog(microphone, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Option();
}

std::optional<QString> QtUserInterface::ChooseLanguage() {
    LanguageDialog dialog(m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Chosen();
}

void QtUserInterface::ShowAbout() {
    AboutDialog dialog(m_parent);
    dialog.exec();
}

bool QtUserInterface::OpenPage(const QString& localFile) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(localFile));
}

void QtUserInterface::ShowShortcuts() {
    // The keys the main window really has, so the list never promises a missing command.
    ShortcutsDialog dialog(ShortcutsDialog::EntriesOf(m_parent ? m_parent->window() : nullptr), m_parent);
    dialog.exec();
}

std::optional<int> QtUserInterface::ChooseFromList(const QString& title, const QStringList& items) {
    SoundCardDialog dialog(title, items, {}, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Chosen().first;
}

std::optional<QColor> QtUserInterface::ChooseColour(const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, m_parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

std::optional<std::pair<int, int>> QtUserInterface::ChooseSoundDevices(const QStringList& inputs,
                                                                       const QStringList& outputs) {
    SoundCardDialog dialog(Str(StringId::SoundcardSettings), inputs, outputs, m_parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Chosen();
}
