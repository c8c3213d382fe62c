#pragma once
// "About Kalvo": the program, its version and the work it builds on.

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kVersion = "0.1";
    explicit CAboutDlg(QWidget* parent = nullptr);
};
