#pragma once
// The start of the kids mode: "How should we start ?" — with a piece of music from a file,
// or with music recorded from the microphone. Each choice explains itself when its picture is clicked.

#include <QDialog>

class QButtonGroup;

class KidsStartDialog : public QDialog {
    Q_OBJECT
public:
    // microphone: whether sound input exists on this machine; without it that choice is disabled.
    explicit KidsStartDialog(bool microphone, QWidget* parent = nullptr);
    // 0 choose a piece of music, 1 record music with the microphone.
    int Option() const;

private:
    QButtonGroup* m_options = nullptr;  // owned by the dialog
};
