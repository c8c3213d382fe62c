#include "views/spectral/ScoreFrame.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/StringTable.h"
#include "views/spectral/ScoreModule.h"
#include "views/spectral/ScoreView.h"

namespace {

constexpr int kBarWidth = 256;
constexpr int kTextLadder = 64130, kTextOvertoneNotes = 64131, kTextMelody = 64132, kTextSettings = 64133,
              kTextLinear = 64134, kTextLogarithmic = 64135, kTextOvertones = 64136, kTextPlay = 64137,
              kTextDelete = 64138, kTextDisplay = 64140;

template <typename T>
T* Make(int id, int text) {
    auto* control = new T(Str(text));  // parented by the bar's layout
    ModuleFrame::SetControlIds(control, id);
    return control;
}

}  // namespace

ScoreFrame::ScoreFrame(ProfileSettings& settings, SoundDocument& doc)
    : ModuleFrame(settings, kSlotScore, new ScoreView(doc, settings), new QWidget, true),
      m_view(static_cast<ScoreView*>(View())) {
    BuildControlBar();
    m_view->SetSettingsListener([this] { ShowSettings(); });
}

void ScoreFrame::BuildControlBar() {
    QWidget* bar = ControlBar();
    auto* column = new QVBoxLayout(ScrollingColumn(bar, kBarWidth));
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    ScoreView* view = m_view;

    auto* display = new QGroupBox(Str(kTextDisplay));
    auto* displayRows = new QVBoxLayout(display);
    auto* modes = new QButtonGroup(display);
    const std::pair<int, int> radios[] = {
        {kLadder, kTextLadder}, {kOvertoneNotes, kTextOvertoneNotes}, {kMelody, kTextMelody}};
    int mode = 0;
    for (const auto& [id, text] : radios) {
        auto* radio = Make<QRadioButton>(id, text);
        displayRows->addWidget(radio);
        modes->addButton(radio, mode++);
    }
    column->addWidget(display);
    connect(modes, &QButtonGroup::idClicked, this, [view](int id) { view->OnMode(id); });

    auto* settingsBox = new QGroupBox(Str(kTextSettings));
    auto* settingsRows = new QVBoxLayout(settingsBox);
    auto* linear = Make<QRadioButton>(kLinear, kTextLinear);
    auto* logarithmic = Make<QRadioButton>(kLogarithmic, kTextLogarithmic);
    settingsRows->addWidget(linear);
    settingsRows->addWidget(logarithmic);
    auto* spacing = new QButtonGroup(settingsBox);
    spacing->addButton(linear);
    spacing->addButton(logarithmic);
    settingsRows->addWidget(new QLabel(Str(kTextOvertones)));
    auto* overtones = new QSpinBox;
    ModuleFrame::SetControlIds(overtones, kOvertones, kOvertonesSpin);
    const SettingDescriptor& count = FindDescriptor(ScoreKeys(), "IniNotenbildObertonanzahl");
    overtones->setRange(count.Minimum(), count.Maximum());
    overtones->setKeyboardTracking(false);
    settingsRows->addWidget(overtones);
    column->addWidget(settingsBox);
    connect(linear, &QRadioButton::clicked, this, [view] { view->OnLinear(true); });
    connect(logarithmic, &QRadioButton::clicked, this, [view] { view->OnLinear(false); });
    connect(overtones, &QSpinBox::valueChanged, this, [view](int v) { view->OnOvertones(v); });

    auto* play = Make<QPushButton>(kPlay, kTextPlay);
    auto* remove = Make<QPushButton>(kDelete, kTextDelete);
    column->addWidget(play);
    column->addWidget(remove);
    connect(play, &QPushButton::clicked, this, [view] { view->OnPlayOvertones(); });
    connect(remove, &QPushButton::clicked, this, [view] { view->OnDeleteRecording(); });
    column->addStretch(1);
}

void ScoreFrame::ShowSettings() {
    QWidget* bar = ControlBar();
    const auto check = [bar](int id, bool on) {
        if (auto* button = bar->findChild<QAbstractButton*>(QString::number(id))) {
            const QSignalBlocker quiet(button);
            button->setChecked(on);
        }
    };
    check(kLadder, m_view->Mode() == ScoreView::kLadder);
    check(kOvertoneNotes, m_view->Mode() == ScoreView::kOvertoneNotes);
    check(kMelody, m_view->Mode() == ScoreView::kMelody);
    check(kLinear, m_view->IsLinear());
    check(kLogarithmic, !m_view->IsLinear());
    if (auto* spin = bar->findChild<QSpinBox*>(QString::number(kOvertones))) {
        const QSignalBlocker quiet(spin);
        spin->setValue(m_view->Overtones());
    }
}
