#pragma once
// "Selection of predefined profiles ...": the six shipped profiles as picture buttons.

#include <QDialog>

class QButtonGroup;

class ProfileDialog : public QDialog {
    Q_OBJECT
public:
    // preselected: 0 Standard, 1 Musiker, 2 Analytiker, 3 Komplett, 4 Oberschule, 5 for Kids; -1 none.
    explicit ProfileDialog(int preselected, QWidget* parent = nullptr);
    // The chosen button, -1 when none is chosen.
    int Chosen() const;

private:
    QButtonGroup* m_buttons = nullptr;  // owned by the dialog
};
