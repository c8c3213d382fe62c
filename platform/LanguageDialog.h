#pragma once
// "Language": the language of the menus, windows and messages.

#include <QDialog>

class QComboBox;

class LanguageDialog : public QDialog {
    Q_OBJECT
public:
    explicit LanguageDialog(QWidget* parent = nullptr);
    // "Deutsch" or "English".
    QString Chosen() const;

private:
    QComboBox* m_languages = nullptr;  // owned by the dialog
};
