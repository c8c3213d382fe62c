#pragma once
// "About Kalvo": the program, its version and the work it builds on.

#include <QDialog>

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kVersion = "0.1";
    explicit AboutDialog(QWidget* parent = nullptr);
};
