#pragma once
// "Wave arguments ...": shows the format of the file being opened and, for a stereo file,
// lets the user pick the channel to analyse.

#include <QDialog>

#include "platform/UserInterface.h"

class QRadioButton;

class ChannelDialog : public QDialog {
    Q_OBJECT
public:
    explicit ChannelDialog(const ChannelDialogInfo& info, QWidget* parent = nullptr);
    bool LeftChosen() const;

private:
    QRadioButton* m_left = nullptr;
};
