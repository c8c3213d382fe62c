#pragma once
// "Save profile ...": a profile name and the file name made from it.

#include <QDialog>

class QLineEdit;

class SaveProfileDialog : public QDialog {
    Q_OBJECT
public:
    SaveProfileDialog(const QString& name, const QString& fileName, QWidget* parent = nullptr);
    QString Name() const;
    QString FileName() const;
    // The file that holds the user profile of this name.
    static QString FileNameFor(const QString& name);
    // A name a profile file can carry: not empty, and no folder separator that would put the
    // file somewhere else.
    static bool IsUsableName(const QString& name);

private:
    QLineEdit* m_name = nullptr;
    QLineEdit* m_fileName = nullptr;
};
