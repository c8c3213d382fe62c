#include "platform/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "platform/StringTable.h"

QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog, bool withCancel) {
    auto* buttons = new QDialogButtonBox(withCancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::Ok,
                                         dialog);  // owned by the dialog
    buttons->button(QDialogButtonBox::Ok)->setText(Str(62028));
    if (withCancel) buttons->button(QDialogButtonBox::Cancel)->setText(Str(62029));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
