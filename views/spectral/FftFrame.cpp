#include "views/spectral/FftFrame.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "views/common/BarControls.h"
#include "views/spectral/FftView.h"
#include "views/spectral/FftViewSettings.h"

using namespace BarControls;

namespace {

constexpr int kBarWidth = 168;

// Texts of the bar.
constexpr int kTextFrequency = 63710, kTextHz = 63711, kTextkHz = 63712, kTextAmplitude = 63713,
              kTextdBFS = 63714, kTextLin = 63715, kTextLog = 63716, kTextChart = 63717, kTextBars = 63718,
              kTextLines = 63719, kTextColumns = 63720, kTextHold = 63721, kTextDelay = 63722,
              kTextGrid = 63723, kTextPeaks = 63724, kTextDisplay = 63725, kTextMinDist = 63726,
              kTextSpline = 63727, kTextBezier = 63728, kTextCubic = 63729, kTextBeta = 63730,
              kTextActualFft = 63731, kTextPt = 63732;
// Tool tips.
constexpr int kTipBottomCut = 63740, kTipTopCut = 63741, kTipUpperAmp = 63742, kTipLowerAmp = 63743,
              kTipFreqLin = 63744, kTipFreqLog = 63745, kTipAmpLin = 63746, kTipAmpLog = 63747,
              kTipHold = 63748, kTipDelay = 63749, kTipGrid = 63750, kTipMarkers = 63751,
              kTipMinDistMaxima = 63752, kTipMinDistNeighbour = 63753, kTipSpline = 63754,
              kTipFftPoints = 63755, kTipChart = 63756;

template <typename Button>
Button* MakeButton(int id, int text, int tip) {
    auto* button = new Button(Str(text));  // parented by the bar's layout
    ModuleFrame::SetControlIds(button, id);
    if (tip) button->setToolTip(Str(tip));
    return button;
}

// A spin box with its unit beside it.
QHBoxLayout* WithUnit(QSpinBox* spin, int unit) {
    auto* row = new QHBoxLayout;  // owned by the layout it goes into
    row->addWidget(spin, 1);
    row->addWidget(new QLabel(Str(unit)));
    return row;
}

// A group of two numbers with their units and the choice of a linear or logarithmic axis.
struct AxisGroup {
    QGroupBox* box;
    QSpinBox* first;
    QSpinBox* second;
    QRadioButton* lin;
    QRadioButton* log;
};

struct ButtonIds {
    int id;
    int tip;
};

AxisGroup MakeAxisGroup(int title, QSpinBox* first, int firstUnit, QSpinBox* second, int secondUnit,
                        ButtonIds lin, ButtonIds log) {
    AxisGroup group{new QGroupBox(Str(title)), first, second,  // the box is parented by the bar's layout
                    MakeButton<QRadioButton>(lin.id, kTextLin, lin.tip),
                    MakeButton<QRadioButton>(log.id, kTextLog, log.tip)};
    auto* rows = new QVBoxLayout(group.box);
    rows->addLayout(WithUnit(first, firstUnit));
    rows->addLayout(WithUnit(second, secondUnit));
    auto* axis = new QHBoxLayout;
    axis->addWidget(group.lin);
    axis->addWidget(group.log);
    rows->addLayout(axis);
    auto* exclusive = new QButtonGroup(group.box);
    exclusive->addButton(group.lin);
    exclusive->addButton(group.log);
    return group;
}

}  // namespace

FftFrame::FftFrame(ProfileSettings& settings, SoundDocument& doc)
    : ModuleFrame(settings, kSlotFft, new FftView(doc, settings), new QWidget, true),
      m_view(static_cast<FftView*>(View())) {
    BuildControlBar();
    m_view->SetFrame(this);
    m_view->SetSettingsListener([this](const FftViewSettings& s) { ShowSettings(s); });
    ShowSettings(m_view->Settings());
    // A new sound's range: its full dynamic range, and for a time series the frequencies up to
    // the middle of its made-up rate.
    connect(&doc.Activity(), &DocumentActivity::SoundFormatTaken, this, [this, &doc](bool timeSeries) {
        if (timeSeries) SetControlInt(kTopCutkHz, doc.SampleRate() / 2000);
        SetControlInt(kLowerAmpSpin, -6 * doc.BitsPerSample());
    });
}

QWidget* FftFrame::BuildControlBar() {
    QWidget* bar = ControlBar();
    auto* column = new QVBoxLayout(ScrollingColumn(bar, kBarWidth));
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    FftView* view = m_view;

    // Frequency: lowest and highest frequency; amplitude: upper and lower end in dB below
    // full scale. Each with a linear or logarithmic axis.
    const AxisGroup frequency = MakeAxisGroup(
        kTextFrequency,
        Spin(kBottomCutHz, kBottomCutHzSpin, FftViewSettings::Key("IniFFTBottomCutHz"), kTipBottomCut),
        kTextHz, Spin(kTopCutkHz, kTopCutkHzSpin, FftViewSettings::Key("IniFFTTopCutkHz"), kTipTopCut),
        kTextkHz, {kFreqLin, kTipFreqLin}, {kFreqLog, kTipFreqLog});
    column->addWidget(frequency.box);
    connect(frequency.first, &QSpinBox::valueChanged, this, [view](int v) { view->OnBottomCutHz(v); });
    connect(frequency.second, &QSpinBox::valueChanged, this, [view](int v) { view->OnTopCutkHz(v); });
    connect(frequency.lin, &QRadioButton::clicked, this, [view] { view->OnFrequencyLinear(true); });
    connect(frequency.log, &QRadioButton::clicked, this, [view] { view->OnFrequencyLinear(false); });

    const AxisGroup amplitude = MakeAxisGroup(
        kTextAmplitude,
        Spin(kUpperAmp, kUpperAmpSpin, FftViewSettings::Key("IniFFTBottomCutAmp"), kTipUpperAmp), kTextdBFS,
        Spin(kLowerAmp, kLowerAmpSpin, FftViewSettings::Key("IniFFTTopCutAmp"), kTipLowerAmp), kTextdBFS,
        {kAmpLin, kTipAmpLin}, {kAmpLog, kTipAmpLog});
    column->addWidget(amplitude.box);
    connect(amplitude.first, &QSpinBox::valueChanged, this, [view](int v) { view->OnUpperAmplitude(v); });
    connect(amplitude.second, &QSpinBox::valueChanged, this, [view](int v) { view->OnLowerAmplitude(v); });
    connect(amplitude.lin, &QRadioButton::clicked, this, [view] { view->OnAmplitudeLinear(true); });
    connect(amplitude.log, &QRadioButton::clicked, this, [view] { view->OnAmplitudeLinear(false); });

    // Chart style, peak hold, slow fall and grid.
    auto* chart = new QGroupBox(Str(kTextChart));
    chart->setToolTip(Str(kTipChart));
    auto* cGrid = new QGridLayout(chart);
    auto* bars = MakeButton<QRadioButton>(kBars, kTextBars, 0);
    auto* lines = MakeButton<QRadioButton>(kLines, kTextLines, 0);
    auto* columns = MakeButton<QRadioButton>(kColumns, kTextColumns, 0);
    cGrid->addWidget(bars, 0, 0);
    cGrid->addWidget(lines, 1, 0);
    cGrid->addWidget(columns, 2, 0);
    auto* styleGroup = new QButtonGroup(chart);
    styleGroup->addButton(bars, FftViewSettings::kBars);
    styleGroup->addButton(lines, FftViewSettings::kLines);
    styleGroup->addButton(columns, FftViewSettings::kColumns);
    auto* hold = MakeButton<QCheckBox>(kHold, kTextHold, kTipHold);
    auto* delay = MakeButton<QCheckBox>(kDelay, kTextDelay, kTipDelay);
    QSpinBox* delayPixels =
        Spin(kDelayPixels, kDelayPixelsSpin, FftViewSettings::Key("IniFFTDelay"), kTipDelay);
    auto* grid = MakeButton<QCheckBox>(kGrid, kTextGrid, kTipGrid);
    cGrid->addWidget(hold, 3, 0, 1, 2);
    cGrid->addWidget(delay, 4, 0);
    cGrid->addWidget(delayPixels, 4, 1);
    cGrid->addWidget(grid, 5, 0, 1, 2);
    column->addWidget(chart);
    connect(styleGroup, &QButtonGroup::idClicked, this, [view](int id) { view->OnStyle(id); });
    connect(hold, &QCheckBox::clicked, this, [view](bool on) { view->OnHold(on); });
    connect(delay, &QCheckBox::clicked, this, [view](bool on) { view->OnDelay(on); });
    connect(delayPixels, &QSpinBox::valueChanged, this, [view](int v) { view->OnDelayPixels(v); });
    connect(grid, &QCheckBox::clicked, this, [view](bool on) { view->OnGrid(on); });

    // Peaks: markers and the two distances.
    auto* peaks = new QGroupBox(Str(kTextPeaks));
    auto* pGrid = new QGridLayout(peaks);
    auto* markers = MakeButton<QCheckBox>(kMarkers, kTextDisplay, kTipMarkers);
    QSpinBox* minMaxima = Spin(kMinDistMaxima, kMinDistMaximaSpin,
                               FftViewSettings::Key("IniFFTMinAbstandMaxima"), kTipMinDistMaxima);
    QSpinBox* minNeighbour = Spin(kMinDistNeighbour, kMinDistNeighbourSpin,
                                  FftViewSettings::Key("IniFFTMinAbstandNachbarMin"), kTipMinDistNeighbour);
    pGrid->addWidget(markers, 0, 0, 1, 2);
    pGrid->addWidget(new QLabel(Str(kTextMinDist)), 1, 0);
    pGrid->addWidget(minMaxima, 1, 1);
    pGrid->addWidget(new QLabel(Str(kTextMinDist)), 2, 0);
    pGrid->addWidget(minNeighbour, 2, 1);
    column->addWidget(peaks);
    connect(markers, &QCheckBox::clicked, this, [view](bool on) { view->OnMarkers(on); });
    connect(minMaxima, &QSpinBox::valueChanged, this, [view](int v) { view->OnMinDistanceMaxima(v); });
    connect(minNeighbour, &QSpinBox::valueChanged, this, [view](int v) { view->OnMinDistanceNeighbour(v); });

    // Spline: three boxes that act as exclusive toggles.
    auto* spline = new QGroupBox(Str(kTextSpline));
    spline->setToolTip(Str(kTipSpline));
    auto* sGrid = new QVBoxLayout(spline);
    const std::pair<int, int> boxes[] = {{kBezier, kTextBezier}, {kCubic, kTextCubic}, {kBeta, kTextBeta}};
    int type = FftViewSettings::kBezier;
    for (const auto& [id, text] : boxes) {
        auto* box = MakeButton<QCheckBox>(id, text, 0);
        sGrid->addWidget(box);
        connect(box, &QCheckBox::clicked, this,
                [view, type](bool checked) { view->OnSplineBox(type, checked); });
        ++type;
    }
    column->addWidget(spline);

    // The FFT size of the spectrum shown.
    auto* actual = new QGroupBox(Str(kTextActualFft));
    auto* fftRow = new QHBoxLayout(actual);
    auto* points = new QLineEdit;
    ModuleFrame::SetControlIds(points, kFftPoints);
    points->setReadOnly(true);
    points->setEnabled(false);
    points->setToolTip(Str(kTipFftPoints));
    fftRow->addWidget(points, 1);
    fftRow->addWidget(new QLabel(Str(kTextPt)));
    column->addWidget(actual);
    column->addStretch(1);
    return bar;
}

void FftFrame::ShowSettings(const FftViewSettings& s) {
    QWidget* bar = ControlBar();
    SetValueQuietly(bar, kBottomCutHz, s.bottomCutHz);
    SetValueQuietly(bar, kTopCutkHz, s.topCutkHz);
    SetValueQuietly(bar, kUpperAmp, s.topDb);
    SetValueQuietly(bar, kLowerAmp, s.bottomDb);
    SetValueQuietly(bar, kDelayPixels, s.delay);
    SetValueQuietly(bar, kMinDistMaxima, s.minDistMaxima);
    SetValueQuietly(bar, kMinDistNeighbour, s.minDistNeighbour);
    SetCheckedQuietly(bar, kFreqLin, s.freqLinear);
    SetCheckedQuietly(bar, kFreqLog, !s.freqLinear);
    SetCheckedQuietly(bar, kAmpLin, s.ampLinear);
    SetCheckedQuietly(bar, kAmpLog, !s.ampLinear);
    SetCheckedQuietly(bar, kBars, s.style == FftViewSettings::kBars);
    SetCheckedQuietly(bar, kLines, s.style == FftViewSettings::kLines);
    SetCheckedQuietly(bar, kColumns, s.style == FftViewSettings::kColumns);
    SetCheckedQuietly(bar, kHold, s.hold);
    SetCheckedQuietly(bar, kDelay, s.delayOn);
    SetCheckedQuietly(bar, kGrid, s.grid);
    SetCheckedQuietly(bar, kMarkers, s.markers);
    SetCheckedQuietly(bar, kBezier, s.spline && s.splineType == FftViewSettings::kBezier);
    SetCheckedQuietly(bar, kCubic, s.spline && s.splineType == FftViewSettings::kCubic);
    SetCheckedQuietly(bar, kBeta, s.spline && s.splineType == FftViewSettings::kBeta);
    // The fall per repaint can be set unless the peak markers are on.
    if (auto* pixels = Find<QSpinBox>(bar, kDelayPixels)) pixels->setEnabled(!s.markers);
}
