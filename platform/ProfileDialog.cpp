#include "platform/ProfileDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/DialogButtons.h"
#include "platform/StringTable.h"

namespace {

struct Choice {
    const char* picture;
    int name;
    int description;
};

// In the order of the buttons.
constexpr Choice kChoices[6] = {
    {"standard", 63131, 63137}, {"musiker", 63132, 63138},    {"analytiker", 63133, 63139},
    {"komplett", 63134, 63140}, {"oberschule", 63135, 63141}, {"kids", 63136, 63142},
};

}  // namespace

ProfileDialog::ProfileDialog(int preselected, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(StringId::SelectionPredefinedProfiles));
    auto* layout = new QVBoxLayout(this);
    // The chosen picture must be plain to see from the back of a classroom.
    setStyleSheet(
        QStringLiteral("QToolButton { border: 3px solid transparent; border-radius: 8px; padding: 4px; }"
                       "QToolButton:hover { border-color: #a9c6ea; }"
                       "QToolButton:checked { border-color: palette(highlight); background: #dceafb; }"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(10);
    m_buttons = new QButtonGroup(this);
    m_buttons->setExclusive(true);
    for (int i = 0; i < 6; ++i) {
        const Choice& choice = kChoices[i];
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setIcon(
            QIcon(QStringLiteral(":/resources/pictures/%1.svg").arg(QLatin1String(choice.picture))));
        button->setIconSize(QSize(168, 112));
        button->setText(Str(choice.name));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        QFont bold = button->font();
        bold.setBold(true);
        button->setFont(bold);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_buttons->addButton(button, i);
        auto* description = new QLabel(Str(choice.description), this);
        description->setWordWrap(true);
        description->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        description->setMaximumWidth(200);
        auto* cell = new QVBoxLayout;
        cell->addWidget(button);
        cell->addWidget(description, 1);
        grid->addLayout(cell, i / 3, i % 3);
    }
    if (QAbstractButton* button = m_buttons->button(preselected)) button->setChecked(true);
    layout->addLayout(grid);

    auto* buttons = MakeOkCancelButtons(this);
    layout->addWidget(buttons);
}

int ProfileDialog::Chosen() const {
    return m_buttons->checkedId();
}
