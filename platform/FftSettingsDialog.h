#pragma once
// "FFT Settings ...": one list of the twelve transform sizes from 256 to 524288 points.

#include <QDialog>

class QComboBox;

class FftSettingsDialog : public QDialog {
    Q_OBJECT
public:
    FftSettingsDialog(int initialEntry, QWidget* parent = nullptr);
    int Entry() const;

private:
    QComboBox* m_sizes = nullptr;
};
