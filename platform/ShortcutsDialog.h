#pragma once
// "List of ShortCuts": the keys of the main window, as they are now.

#include <QDialog>
#include <QString>
#include <vector>

class ShortcutsDialog : public QDialog {
    Q_OBJECT
public:
    struct Entry {
        QString keys;     // "Ctrl+O"
        QString command;  // "Open Wave File"
    };
    explicit ShortcutsDialog(const std::vector<Entry>& entries, QWidget* parent = nullptr);

    // The keys of a window's own actions, in their order, with the commands they run.
    static std::vector<Entry> EntriesOf(const QWidget* window);
};
