#include "platform/DialogButtons.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPushButton>

#include "platform/StringTable.h"

QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog, bool withCancel) {
    auto* buttons = new QDialogButtonBox(
        withCancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::Ok,
        dialog);  // owned by the dialog
    buttons->button(QDialogButtonBox::Ok)->setText(Str(StringId::OK));
    if (withCancel) buttons->button(QDialogButtonBox::Cancel)->setText(Str(StringId::Cancel));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

int TitleFittingWidth(const QString& title) {
    // Window managers draw titles in their own font, often bold and as large as the
    // application's; the larger of the two is the safe measure.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    const QFont application = QApplication::font();
    if (application.pointSizeF() > font.pointSizeF()) font.setPointSizeF(application.pointSizeF());
    font.setBold(true);
    const QFontMetrics metrics(font);
    constexpr int kTitleButtons = 4;
    const int button = metrics.height() + 8;
    constexpr int kBorders = 40;
    return metrics.horizontalAdvance(title) + kTitleButtons * button + kBorders;
}
