#pragma once
// Small builders for the controls of a module's control bar: each control carries its number
// as object name (see CModuleFrame::SetControlIds) and is parented by the layout it goes into.

#include <QColor>
#include <QString>

class QAbstractButton;
class QHBoxLayout;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;

namespace BarControls {

// A spin box with its edit number and its arrows' number; typed digits count once complete.
QSpinBox* Spin(int id, int spinId, int minimum, int maximum);
// A radio button labelled with a string of the table.
QRadioButton* Radio(int id, int textId);
// A push button labelled with a string of the table; id 0: no number.
QPushButton* Button(int id, int textId);
// A button that repeats while held (the "<" and ">" steps of the 3D views).
QPushButton* StepButton(const QString& text);
// Two widgets side by side, the first one stretching.
QHBoxLayout* Row(QWidget* first, QWidget* second);
// Shows a colour on a button: the colour as its face, the inverse (or a readable) text colour.
void ShowColour(QAbstractButton* button, QColor colour);
// The control of a bar by its number and type, or null.
template <typename T>
T* Find(const QWidget* bar, int id);

}  // namespace BarControls

#include <QWidget>

template <typename T>
T* BarControls::Find(const QWidget* bar, int id) {
    return bar ? bar->findChild<T*>(QString::number(id)) : nullptr;
}
