#include "platform/KidsStartDialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/DialogButtons.h"
#include "platform/StringTable.h"

KidsStartDialog::KidsStartDialog(bool microphone, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(StringId::WelcomeKalvo));
    auto* layout = new QVBoxLayout(this);
    // Bigger letters: children read this.
    QFont large = font();
    large.setPointSizeF(large.pointSizeF() * 1.4);
    auto* heading = new QLabel(Str(StringId::HowShouldWeStart), this);
    QFont headingFont = large;
    headingFont.setBold(true);
    headingFont.setPointSizeF(large.pointSizeF() * 1.2);
    heading->setFont(headingFont);
    layout->addWidget(heading);
    layout->addSpacing(8);

    struct Row {
        int text;
        const char* icon;
        int explanation;
    };
    const Row rows[2] = {{63146, "open", 61474}, {63147, "listen", 61473}};
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    m_options = new QButtonGroup(this);
    for (int option = 0; option < 2; ++option) {
        auto* picture = new QToolButton(this);
        picture->setIcon(
            QIcon(QStringLiteral(":/resources/icons/%1.svg").arg(QLatin1String(rows[option].icon))));
        picture->setIconSize(QSize(48, 48));
        picture->setAutoRaise(true);
        picture->setToolTip(Str(StringId::WhatDoesMean));
        picture->setCursor(Qt::WhatsThisCursor);
        const int explanation = rows[option].explanation;
        connect(picture, &QToolButton::clicked, this,
                [this, explanation] { QMessageBox::information(this, windowTitle(), Str(explanation)); });
        auto* radio = new QRadioButton(Str(rows[option].text), this);
        radio->setFont(large);
        m_options->addButton(radio, option);
        grid->addWidget(picture, option, 0);
        grid->addWidget(radio, option, 1);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    m_options->button(0)->setChecked(true);
    m_options->button(1)->setEnabled(microphone);
    layout->addSpacing(8);

    auto* buttons = MakeOkCancelButtons(this);
    layout->addWidget(buttons);
}

int KidsStartDialog::Option() const {
    return m_options->checkedId();
}
