#include "platform/SoundCardDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/StringTable.h"

SoundCardDialog::SoundCardDialog(const QString& title, const QStringList& first, const QStringList& second,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(Str(StringId::OK));
    buttons->button(QDialogButtonBox::Cancel)->setText(Str(StringId::Cancel));
    const auto addList = [&](const QString& label, const QStringList& items) {
        if (!label.isEmpty()) layout->addWidget(new QLabel(label, this));
        auto* list = new QListWidget(this);
        list->addItems(items);
        if (!items.isEmpty()) list->setCurrentRow(0);
        layout->addWidget(list);
        return list;
    };
    m_first = addList(second.isEmpty() ? QString() : Str(StringId::InputRecording), first);
    if (!second.isEmpty()) m_second = addList(Str(StringId::OutputPlayback), second);
    const auto update = [this, ok] {
        ok->setEnabled(m_first->currentRow() >= 0 && (!m_second || m_second->currentRow() >= 0));
    };
    connect(m_first, &QListWidget::currentRowChanged, this, update);
    if (m_second) connect(m_second, &QListWidget::currentRowChanged, this, update);
    connect(m_first, &QListWidget::itemDoubleClicked, this, [this] {
        if (!m_second) accept();
    });
    update();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, second.isEmpty() ? 360 : 440);
}

std::pair<int, int> SoundCardDialog::Chosen() const {
    return {m_first->currentRow(), m_second ? m_second->currentRow() : -1};
}
