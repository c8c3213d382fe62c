#pragma once
// A choice from one or two lists: the sound card dialog (capture devices and playback
// devices) and, with one list, the wave format dialog. OK needs a line chosen in every list.

#include <QDialog>
#include <QStringList>
#include <utility>

class QListWidget;

class SoundCardDialog : public QDialog {
    Q_OBJECT
public:
    // second empty: one list only.
    SoundCardDialog(const QString& title, const QStringList& first, const QStringList& second,
                    QWidget* parent = nullptr);
    // The rows chosen (second -1 with one list).
    std::pair<int, int> Chosen() const;

private:
    QListWidget* m_first = nullptr;   // owned by the dialog
    QListWidget* m_second = nullptr;  // owned by the dialog, null with one list
};
