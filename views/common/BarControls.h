#pragma once
// Small builders for the controls of a module's control bar: each control carries its number
// as object name (see ModuleFrame::SetControlIds) and is parented by the layout it goes into.

#include <QColor>
#include <QString>
#include <initializer_list>
#include <utility>

class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;
struct SettingDescriptor;

namespace BarControls {

// A spin box with its edit number and its arrows' number; typed digits count once complete.
// tipId 0: no tool tip.
QSpinBox* Spin(int id, int spinId, int minimum, int maximum, int tipId = 0);
// The same for a setting: the spin box takes the setting's range.
QSpinBox* Spin(int id, int spinId, const SettingDescriptor& setting, int tipId = 0);
// A radio button labelled with a string of the table.
QRadioButton* Radio(int id, int textId);
// A push button labelled with a string of the table; id 0: no number.
QPushButton* Button(int id, int textId);
// A button that repeats while held (the "<" and ">" steps of the 3D views).
QPushButton* StepButton(const QString& text);
// A read-only field the document or the view writes into; it takes no focus.
QLineEdit* ReadOnlyField(int id);
// One radio button per (control number, text) into the column, exclusive; the group numbers
// them 0, 1, 2, … in that order, as idClicked reports them.
QButtonGroup* ModeRadios(QWidget* bar, QBoxLayout* column, std::initializer_list<std::pair<int, int>> radios);
// Two widgets side by side, the first one stretching.
QHBoxLayout* Row(QWidget* first, QWidget* second);
// Shows a colour on a button: the colour as its face, the inverse (or a readable) text colour.
void ShowColour(QAbstractButton* button, QColor colour);
// Sets a spin box or slider, or checks a button, without its signal: the bar follows the view.
void SetValueQuietly(const QWidget* bar, int id, int value);
void SetCheckedQuietly(const QWidget* bar, int id, bool on);
// The control of a bar by its number and type, or null.
template <typename T>
T* Find(const QWidget* bar, int id);

}  // namespace BarControls

#include <QWidget>

template <typename T>
T* BarControls::Find(const QWidget* bar, int id) {
    return bar ? bar->findChild<T*>(QString::number(id)) : nullptr;
}
