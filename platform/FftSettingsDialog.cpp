#include "platform/FftSettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/DialogButtons.h"
#include "platform/StringTable.h"

FftSettingsDialog::FftSettingsDialog(int initialEntry, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(StringId::FFTSettings_62021));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Str(StringId::NumberPointsFFT), this));
    m_sizes = new QComboBox(this);
    for (int points = 256; points <= 524288; points *= 2) m_sizes->addItem(QString::number(points));
    m_sizes->setCurrentIndex(initialEntry);
    layout->addWidget(m_sizes);
    auto* buttons = MakeOkCancelButtons(this);
    layout->addWidget(buttons);
    setMinimumWidth(TitleFittingWidth(windowTitle()));
}

int FftSettingsDialog::Entry() const {
    return m_sizes->currentIndex();
}
