#include "views/nonlinear/TimeSeriesFrame.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/StringTable.h"
#include "views/common/BarControls.h"
#include "views/nonlinear/TimeSeriesView.h"

using namespace BarControls;

namespace {

constexpr int kBarWidth = 240;
constexpr int kTextZoom = 64210, kTextBoxes = 64211, kTextMaxTau = 64212, kTextCount = 64213,
              kTextTimeSeries = 64214, kTextAutoCorrelation = 64215, kTextMutualInformation = 64216;

}  // namespace

TimeSeriesFrame::TimeSeriesFrame(ProfileSettings& settings, SoundDocument& doc)
    : ModuleFrame(settings, kSlotTimeSeries, new TimeSeriesView(doc, settings), new QWidget, true),
      m_view(static_cast<TimeSeriesView*>(View())) {
    BuildControlBar();
    m_view->SetControlsListener([this] { ShowControls(); });
    ShowControls();
}

void TimeSeriesFrame::BuildControlBar() {
    QWidget* bar = ControlBar();
    auto* column = new QVBoxLayout(ScrollingColumn(bar, kBarWidth));
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    TimeSeriesView* view = m_view;

    QButtonGroup* modes = ModeRadios(bar, column,
                                     {{kTimeSeries, kTextTimeSeries},
                                      {kAutoCorrelation, kTextAutoCorrelation},
                                      {kMutualInformation, kTextMutualInformation}});
    connect(modes, &QButtonGroup::idClicked, this, [view](int id) { view->OnMode(id); });

    column->addWidget(new QLabel(Str(kTextZoom)));
    auto* zoom = new QSlider(Qt::Horizontal);
    SetControlIds(zoom, kZoom);
    zoom->setRange(-1000, 1000);
    zoom->setSingleStep(1);
    zoom->setPageStep(1);
    column->addWidget(zoom);
    connect(zoom, &QSlider::sliderReleased, this, [view, zoom] { view->OnZoomSlider(zoom->value()); });

    const auto spin = [&](int labelId, int text, int id, int spinId, const char* key, auto handler) {
        auto* label = new QLabel(Str(text));
        SetControlIds(label, labelId);
        auto* box = new QSpinBox;
        SetControlIds(box, id, spinId);
        const SettingDescriptor& setting = FindDescriptor(TimeSeriesView::Keys(), key);
        box->setRange(setting.Minimum(), setting.Maximum());
        column->addWidget(label);
        column->addWidget(box);
        connect(box, &QSpinBox::valueChanged, this, [view, handler](int v) { (view->*handler)(v); });
    };
    spin(kBoxesLabel, kTextBoxes, kBoxes, kBoxesSpin, "IniZeitreihePartitions", &TimeSeriesView::OnBoxes);
    spin(kMaxTauLabel, kTextMaxTau, kMaxTau, kMaxTauSpin, "IniZeitreiheCorrlength",
         &TimeSeriesView::OnMaxTau);
    spin(kCountLabel, kTextCount, kCount, kCountSpin, "IniZeitreiheKorrCount",
         &TimeSeriesView::OnCorrelationCount);
    column->addStretch(1);
}

void TimeSeriesFrame::ShowControls() {
    QWidget* bar = ControlBar();
    const int mode = m_view->Mode();
    int index = 0;
    for (int id : {kTimeSeries, kAutoCorrelation, kMutualInformation})
        SetCheckedQuietly(bar, id, index++ == mode);
    if (auto* zoom = Find<QSlider>(bar, kZoom); zoom && !zoom->isSliderDown()) {
        const QSignalBlocker quiet(zoom);
        zoom->setValue(m_view->ZoomSliderPosition());
    }
    const std::pair<int, int> values[] = {
        {kBoxes, m_view->Boxes()}, {kMaxTau, m_view->MaxTau()}, {kCount, m_view->CorrelationCount()}};
    for (const auto& [id, value] : values)
        if (auto* box = Find<QSpinBox>(bar, id)) {
            const QSignalBlocker quiet(box);
            box->setValue(value);
        }
    const auto show = [bar](int id, bool visible) {
        if (auto* w = bar->findChild<QWidget*>(QString::number(id))) w->setVisible(visible);
    };
    for (int id : {kBoxesLabel, kMaxTauLabel, kBoxes, kMaxTau})
        show(id, mode == TimeSeriesView::kMutualInformation);
    for (int id : {kCountLabel, kCount}) show(id, mode == TimeSeriesView::kAutoCorrelation);
}
