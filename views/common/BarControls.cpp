#include "views/common/BarControls.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <cstdlib>

#include "platform/StringTable.h"
#include "settings/SettingDescriptor.h"
#include "views/common/ModuleFrame.h"

namespace BarControls {

QSpinBox* Spin(int id, int spinId, int minimum, int maximum, int tipId) {
    auto* spin = new QSpinBox;  // parented by the bar's layout
    ModuleFrame::SetControlIds(spin, id, spinId);
    spin->setRange(minimum, maximum);
    spin->setKeyboardTracking(false);  // typed digits count once the number is complete
    if (tipId != 0) spin->setToolTip(Str(tipId));
    return spin;
}

QSpinBox* Spin(int id, int spinId, const SettingDescriptor& setting, int tipId) {
    return Spin(id, spinId, setting.Minimum(), setting.Maximum(), tipId);
}

QRadioButton* Radio(int id, int textId) {
    auto* radio = new QRadioButton(Str(textId));  // parented by the bar's layout
    ModuleFrame::SetControlIds(radio, id);
    return radio;
}

QPushButton* Button(int id, int textId) {
    auto* button = new QPushButton(Str(textId));  // parented by the bar's layout
    if (id != 0) ModuleFrame::SetControlIds(button, id);
    return button;
}

QPushButton* StepButton(const QString& text) {
    auto* button = new QPushButton(text);  // parented by the bar's layout
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(300);
    button->setAutoRepeatInterval(40);
    button->setFocusPolicy(Qt::NoFocus);  // the keys stay with the 3D picture
    button->setMaximumWidth(36);
    return button;
}

QLineEdit* ReadOnlyField(int id) {
    auto* field = new QLineEdit;  // parented by the bar's layout
    ModuleFrame::SetControlIds(field, id);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

QButtonGroup* ModeRadios(QWidget* bar, QBoxLayout* column,
                         std::initializer_list<std::pair<int, int>> radios) {
    auto* group = new QButtonGroup(bar);
    int mode = 0;
    for (const auto& [id, text] : radios) {
        QRadioButton* radio = Radio(id, text);
        group->addButton(radio, mode++);
        column->addWidget(radio);
    }
    return group;
}

QHBoxLayout* Row(QWidget* first, QWidget* second) {
    auto* row = new QHBoxLayout;  // owned by the layout it goes into
    row->addWidget(first, 1);
    row->addWidget(second);
    return row;
}

void ShowColour(QAbstractButton* button, QColor colour) {
    if (!button) return;
    colour.setAlpha(255);
    // The inverse colour, unless it is as light or dark as the face (a red face would get cyan).
    QColor text(255 - colour.red(), 255 - colour.green(), 255 - colour.blue());
    if (std::abs(qGray(text.rgb()) - qGray(colour.rgb())) < 100)
        text = qGray(colour.rgb()) > 128 ? QColor(Qt::black) : QColor(Qt::white);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: %2; }").arg(colour.name(), text.name()));
}

void SetValueQuietly(const QWidget* bar, int id, int value) {
    if (auto* spin = Find<QSpinBox>(bar, id)) {
        const QSignalBlocker quiet(spin);
        spin->setValue(value);
    } else if (auto* slider = Find<QSlider>(bar, id)) {
        const QSignalBlocker quiet(slider);
        slider->setValue(value);
    }
}

void SetCheckedQuietly(const QWidget* bar, int id, bool on) {
    if (auto* button = Find<QAbstractButton>(bar, id)) {
        const QSignalBlocker quiet(button);
        button->setChecked(on);
    }
}

}  // namespace BarControls
