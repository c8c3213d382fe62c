#include "platform/CChannelDLG.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/DialogButtons.h"

CChannelDLG::CChannelDLG(const ChannelDialogInfo& info, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(62010));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* path = new QLabel(info.path, this);
    path->setWordWrap(true);
    form->addRow(Str(62011), path);
    form->addRow(Str(62012), new QLabel(info.channels, this));
    form->addRow(Str(62013), new QLabel(QStringLiteral("%1 Hz").arg(info.sampleRate), this));
    form->addRow(Str(62015), new QLabel(QStringLiteral("%1 %2").arg(info.bits).arg(Str(62016)), this));
    form->addRow(Str(62017), new QLabel(info.format, this));
    layout->addLayout(form);

    auto* group = new QGroupBox(Str(62018), this);
    auto* radios = new QHBoxLayout(group);
    m_left = new QRadioButton(Str(62019), group);
    auto* right = new QRadioButton(Str(62020), group);
    radios->addWidget(m_left);
    radios->addWidget(right);
    m_left->setChecked(true);
    group->setEnabled(info.stereo);
    layout->addWidget(group);

    const int hint = info.tooManyBits ? 61554 : (info.stereo ? 61553 : 61552);
    auto* hintLabel = new QLabel(Str(hint), this);
    hintLabel->setWordWrap(true);
    layout->addWidget(hintLabel);

    auto* buttons = MakeOkCancelButtons(this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!info.tooManyBits);
    layout->addWidget(buttons);
}

bool CChannelDLG::LeftChosen() const {
    return m_left->isChecked();
}
