#pragma once
// The OK and Cancel buttons of the program's dialogs, labelled in the current language and
// wired to accept and reject.

class QDialog;
class QDialogButtonBox;

QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog, bool withCancel = true);
