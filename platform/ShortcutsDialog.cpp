#include "platform/ShortcutsDialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/StringTable.h"

std::vector<ShortcutsDialog::Entry> ShortcutsDialog::EntriesOf(const QWidget* window) {
    std::vector<Entry> entries;
    if (!window) return entries;
    for (const QAction* action : window->actions()) {
        const QList<QKeySequence> keys = action->shortcuts();
        if (keys.isEmpty()) continue;
        QStringList names;
        for (const QKeySequence& key : keys) names << key.toString(QKeySequence::NativeText);
        QString command = action->text();
        command.remove(u'&');
        if (command.endsWith(QStringLiteral("..."))) command.chop(3);
        entries.push_back({names.join(QStringLiteral(", ")), command});
    }
    return entries;
}

ShortcutsDialog::ShortcutsDialog(const std::vector<Entry>& entries, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(StringId::ListShortCuts));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(QStringLiteral(":/resources/pictures/keyboard.svg")).pixmap(QSize(180, 90)));
    picture->setAlignment(Qt::AlignHCenter);
    layout->addWidget(picture);
    layout->addWidget(new QLabel(Str(StringId::TheseKeysWorkMain), this));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    int row = 0;
    const auto addRow = [&](const QString& keys, const QString& command) {
        auto* key = new QLabel(keys, this);
        QFont bold = key->font();
        bold.setBold(true);
        key->setFont(bold);
        grid->addWidget(key, row, 0, Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(new QLabel(command, this), row, 1, Qt::AlignLeft | Qt::AlignTop);
        ++row;
    };
    for (const Entry& entry : entries) addRow(entry.keys, entry.command);
    // Keys of every menu bar, true in any window of the program.
    addRow(Str(StringId::AltUnderlinedLetter), Str(StringId::OpenMenuChooseOne));
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Str(StringId::OK));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
