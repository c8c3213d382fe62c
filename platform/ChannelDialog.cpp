#include "platform/ChannelDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/DialogButtons.h"

ChannelDialog::ChannelDialog(const ChannelDialogInfo& info, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(StringId::WaveArguments));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* path = new QLabel(info.path, this);
    path->setWordWrap(true);
    form->addRow(Str(StringId::File_62011), path);
    form->addRow(Str(StringId::Channels_62012), new QLabel(info.channels, this));
    form->addRow(Str(StringId::SamplingRate_62013),
                 new QLabel(QStringLiteral("%1 Hz").arg(info.sampleRate), this));
    form->addRow(Str(StringId::Resolution_62015),
                 new QLabel(QStringLiteral("%1 %2").arg(info.bits).arg(Str(StringId::Bit_62016)), this));
    form->addRow(Str(StringId::Format_62017), new QLabel(info.format, this));
    layout->addLayout(form);

    auto* group = new QGroupBox(Str(StringId::Channel), this);
    auto* radios = new QHBoxLayout(group);
    m_left = new QRadioButton(Str(StringId::Left), group);
    auto* right = new QRadioButton(Str(StringId::Right), group);
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

bool ChannelDialog::LeftChosen() const {
    return m_left->isChecked();
}
