#include "views/wavelet/WaveletFrame.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/StringTable.h"
#include "views/common/BarControls.h"
#include "views/wavelet/WaveletView.h"

using namespace BarControls;

namespace {

constexpr int kTextWavelet = 64010, kTextArguments = 64011, kTextTimeScale = 64012, kTextTimePoints = 64013,
              kTextFrequencyScale = 64014, kTextScales = 64015, kTextMinFreq = 64016, kTextMaxFreq = 64017,
              kTextHz = 64018, kFirstWaveletName = 64019, kFirstDivision = 64027;
constexpr int kTipWavelet = 64030, kTipArguments = 64031, kTipTimePoints = 64032, kTipDivision = 64033,
              kTipScales = 64034, kTipMinFreq = 64035, kTipMaxFreq = 64036;

}  // namespace

WaveletFrame::WaveletFrame(ProfileSettings& settings, SoundDocument& doc)
    // Resizable, so that the window takes the place the profiles give it beside the others
    // (and a larger map when the user wants one).
    : ModuleFrame(settings, kSlotWavelet, new WaveletView(doc, settings), new QWidget, true),
      m_view(static_cast<WaveletView*>(View())) {
    BuildControlBar();
    m_view->SetSettingsListener([this](const WaveletViewSettings& s) { ShowSettings(s); });
    ShowSettings(m_view->Settings());
}

void WaveletFrame::BuildControlBar() {
    QWidget* bar = ControlBar();
    auto* column = new QVBoxLayout(ScrollingColumn(bar, kBarWidth));
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    WaveletView* view = m_view;

    // The wavelet, its arguments and what it is.
    auto* waveletBox = new QGroupBox(Str(kTextWavelet));
    auto* wGrid = new QVBoxLayout(waveletBox);
    auto* list = new QComboBox;
    ModuleFrame::SetControlIds(list, kWaveletList);
    for (int i = 0; i < WaveletView::kWaveletCount; ++i) list->addItem(Str(kFirstWaveletName + i));
    list->setToolTip(Str(kTipWavelet));
    wGrid->addWidget(list);
    auto* argumentsLabel = new QLabel(Str(kTextArguments));
    ModuleFrame::SetControlIds(argumentsLabel, kArgumentsLabel);
    auto* arguments = new QLineEdit;
    ModuleFrame::SetControlIds(arguments, kArguments);
    arguments->setToolTip(Str(kTipArguments));
    argumentsLabel->setBuddy(arguments);
    wGrid->addWidget(argumentsLabel);
    wGrid->addWidget(arguments);
    auto* description = new QLabel;
    ModuleFrame::SetControlIds(description, kDescription);
    description->setWordWrap(true);
    description->setMinimumHeight(description->fontMetrics().lineSpacing() * 7);  // the longest description
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    wGrid->addWidget(description);
    column->addWidget(waveletBox);
    connect(list, &QComboBox::activated, this, [view](int index) { view->OnWavelet(index); });
    connect(arguments, &QLineEdit::editingFinished, this, [view, arguments] {
        // Once per edit: a message about refused arguments takes the focus and ends the editing again.
        if (!arguments->isModified()) return;
        arguments->setModified(false);
        view->OnArguments(arguments->text());
    });

    // The time points.
    auto* timeBox = new QGroupBox(Str(kTextTimeScale));
    auto* tGrid = new QGridLayout(timeBox);
    QSpinBox* timePoints =
        Spin(kTimePoints, kTimePointsSpin, WaveletViewSettings::Key("IniWaveletZeitn"), kTipTimePoints);
    tGrid->addWidget(new QLabel(Str(kTextTimePoints)), 0, 0);
    tGrid->addWidget(timePoints, 0, 1);
    column->addWidget(timeBox);
    connect(timePoints, &QSpinBox::valueChanged, this, [view](int v) { view->OnTimePoints(v); });

    // The scales: their division, number and the two frequencies at the ends.
    auto* frequencyBox = new QGroupBox(Str(kTextFrequencyScale));
    auto* fGrid = new QGridLayout(frequencyBox);
    auto* division = new QComboBox;
    ModuleFrame::SetControlIds(division, kDivision);
    for (int i = 0; i < 3; ++i) division->addItem(Str(kFirstDivision + i));
    division->setToolTip(Str(kTipDivision));
    QSpinBox* scales = Spin(kScales, kScalesSpin, WaveletViewSettings::Key("IniWaveletFreqn"), kTipScales);
    QSpinBox* minFreq = Spin(kMinFreq, kMinFreqSpin, WaveletViewSettings::kLowestHz,
                             WaveletViewSettings::kHighestHz, kTipMinFreq);
    QSpinBox* maxFreq = Spin(kMaxFreq, kMaxFreqSpin, WaveletViewSettings::kLowestHz,
                             WaveletViewSettings::kHighestHz, kTipMaxFreq);
    minFreq->setSuffix(u' ' + Str(kTextHz));
    maxFreq->setSuffix(u' ' + Str(kTextHz));
    fGrid->addWidget(division, 0, 0, 1, 2);
    fGrid->addWidget(new QLabel(Str(kTextScales)), 1, 0);
    fGrid->addWidget(scales, 1, 1);
    fGrid->addWidget(new QLabel(Str(kTextMinFreq)), 2, 0);
    fGrid->addWidget(minFreq, 2, 1);
    fGrid->addWidget(new QLabel(Str(kTextMaxFreq)), 3, 0);
    fGrid->addWidget(maxFreq, 3, 1);
    column->addWidget(frequencyBox);
    connect(division, &QComboBox::activated, this, [view](int index) { view->OnDivision(index); });
    connect(scales, &QSpinBox::valueChanged, this, [view](int v) { view->OnScales(v); });
    connect(minFreq, &QSpinBox::valueChanged, this, [view](int v) { view->OnMinFrequency(v); });
    connect(maxFreq, &QSpinBox::valueChanged, this, [view](int v) { view->OnMaxFrequency(v); });
    column->addStretch(1);
}

void WaveletFrame::ShowSettings(const WaveletViewSettings& s) {
    QWidget* bar = ControlBar();
    SetValueQuietly(bar, kTimePoints, s.timeCount);
    SetValueQuietly(bar, kScales, s.scaleCount);
    SetValueQuietly(bar, kMinFreq, s.MinFrequency());
    SetValueQuietly(bar, kMaxFreq, s.MaxFrequency());
    const int index = s.WaveletIndex();
    if (auto* list = Find<QComboBox>(bar, kWaveletList)) {
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(index);
    }
    if (auto* division = Find<QComboBox>(bar, kDivision)) {
        const QSignalBlocker quiet(division);
        division->setCurrentIndex(s.division);
    }
    // Only the complex wavelets take arguments.
    const bool complex = WaveletView::IsComplex(index);
    if (auto* arguments = Find<QLineEdit>(bar, kArguments)) {
        const QSignalBlocker quiet(arguments);
        arguments->setText(s.Arguments());
        arguments->setModified(false);
        arguments->setVisible(complex);
    }
    if (auto* label = Find<QLabel>(bar, kArgumentsLabel)) label->setVisible(complex);
    if (auto* description = Find<QLabel>(bar, kDescription))
        description->setText(WaveletView::Description(index));
}
