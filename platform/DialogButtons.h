#pragma once
// The OK and Cancel buttons of the program's dialogs, labelled in the current language and
// wired to accept and reject.

class QDialog;
class QDialogButtonBox;
class QString;

QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog, bool withCancel = true);

// The width a dialog needs for its whole title in the window manager's title bar: the title in
// a bold title font beside the bar's buttons (icon, minimise, maximise, close) and borders.
// A narrow dialog would show "FFT S…ngs".
int TitleFittingWidth(const QString& title);
