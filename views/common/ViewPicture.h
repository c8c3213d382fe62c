#pragma once
// "Save View" and "Copy" for every 2D view: the view's own paint routine runs into a
// picture file (SVG by default, PDF or PNG by the chosen extension) or onto the clipboard
// (as SVG and as an image), at the view's size and screen pixel coordinates.

#include <QSize>
#include <QString>

#include "platform/PictureWriter.h"

class UserInterface;

// Asks for the file with the dialog title and writes the picture; a file that cannot be
// written is reported. False when nothing was written (also when the user cancelled).
bool SaveViewPicture(UserInterface& ui, const QString& dialogTitle, const QString& pictureName,
                     const QSize& size, const PaintRoutine& paint);

// Puts the picture on the clipboard; false (the user was told) when it cannot.
bool CopyViewPicture(UserInterface& ui, const QString& pictureName, const QSize& size,
                     const PaintRoutine& paint);
