#include "views/spectral/LandscapeFrame.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "views/common/BarControls.h"
#include "views/spectral/LandscapeViewSettings.h"

using namespace BarControls;

namespace {

constexpr int kBarWidth = 170;
constexpr int kTextHz = 63711, kTextkHz = 63712, kTextLin = 63715, kTextLog = 63716;
constexpr int kTextColours = 64320, kTextGaudy = 64321, kTextFix = 64322, kTextBackground = 64323,
              kTextData = 64324, kTextView = 64325, kTextMesh = 64326, kTextFaces = 64327,
              kTextAmplitude = 64328, kTextFrequency = 64329, kTextPrecision = 64330, kTextWidth = 64331,
              kTextPosition = 64332, kTextRotation = 64333, kTextTranslation = 64334, kTextReset = 64335,
              kTextColour = 64336;

// Two radios in a group box of their own, so that each pair is exclusive on its own.
QGroupBox* RadioPair(int title, QRadioButton* first, QRadioButton* second) {
    auto* box = new QGroupBox(Str(title));  // parented by the bar's layout
    auto* row = new QHBoxLayout(box);
    row->addWidget(first);
    row->addWidget(second);
    auto* group = new QButtonGroup(box);
    group->addButton(first);
    group->addButton(second);
    return box;
}

}  // namespace

LandscapeFrame::LandscapeFrame(ProfileSettings& settings, SoundDocument& doc)
    : ModuleFrame(settings, kSlotLandscape, new LandscapeView(doc, settings), new QWidget, true),
      m_view(static_cast<LandscapeView*>(View())) {
    BuildControlBar();
    m_view->SetSettingsListener([this](const LandscapeViewSettings& s) { ShowSettings(s); });
    ShowSettings(m_view->Settings());
    // A time series shows the frequencies up to the middle of its made-up rate.
    connect(&doc.Activity(), &DocumentActivity::SoundFormatTaken, this, [this, &doc](bool timeSeries) {
        if (timeSeries) SetControlInt(kTopCutkHz, doc.SampleRate() / 2000);
    });
}

void LandscapeFrame::BuildControlBar() {
    QWidget* bar = ControlBar();
    auto* column = new QVBoxLayout(ScrollingColumn(bar, kBarWidth));
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    LandscapeView* view = m_view;

    QRadioButton* gaudy = Radio(kGaudy, kTextGaudy);
    QRadioButton* fix = Radio(kFix, kTextFix);
    QGroupBox* colours = RadioPair(kTextColours, gaudy, fix);
    QPushButton* fixColour = Button(kFixColour, kTextColour);
    column->addWidget(colours);
    column->addWidget(fixColour);
    QPushButton* background = Button(kBackground, kTextBackground);
    column->addWidget(background);
    connect(gaudy, &QRadioButton::clicked, this, [view] { view->OnRainbow(true); });
    connect(fix, &QRadioButton::clicked, this, [view] { view->OnRainbow(false); });
    connect(fixColour, &QPushButton::clicked, this, [view] { view->OnChooseFixedColour(); });
    connect(background, &QPushButton::clicked, this, [view] { view->OnChooseBackground(); });

    auto* dataBox = new QGroupBox(Str(kTextData));
    auto* dataRows = new QVBoxLayout(dataBox);
    QSpinBox* bottom =
        Spin(kBottomCutHz, kBottomCutHzSpin, LandscapeViewSettings::Key("Ini3DFFTBottomCutHz"));
    QSpinBox* top = Spin(kTopCutkHz, kTopCutkHzSpin, LandscapeViewSettings::Key("Ini3DFFTTopCutkHz"));
    QSpinBox* precision = Spin(kPrecision, kPrecisionSpin, LandscapeViewSettings::Key("Ini3DFFTBreite"));
    dataRows->addLayout(Row(bottom, new QLabel(Str(kTextHz))));
    dataRows->addLayout(Row(top, new QLabel(Str(kTextkHz))));
    dataRows->addLayout(Row(new QLabel(Str(kTextPrecision)), precision));
    dataRows->addWidget(new QLabel(Str(kTextWidth)));
    auto* width = new QSlider(Qt::Horizontal);
    ModuleFrame::SetControlIds(width, kWidth);
    width->setRange(1, 20);
    width->setPageStep(1);
    width->setTickPosition(QSlider::TicksBelow);
    dataRows->addWidget(width);
    column->addWidget(dataBox);
    connect(bottom, &QSpinBox::valueChanged, this, [view](int v) { view->OnBottomCutHz(v); });
    connect(top, &QSpinBox::valueChanged, this, [view](int v) { view->OnTopCutkHz(v); });
    connect(precision, &QSpinBox::valueChanged, this, [view](int v) { view->OnPrecision(v); });
    connect(width, &QSlider::valueChanged, this, [view](int v) { view->OnWidth(v); });

    QRadioButton* mesh = Radio(kMesh, kTextMesh);
    QRadioButton* faces = Radio(kFaces, kTextFaces);
    column->addWidget(RadioPair(kTextView, mesh, faces));
    connect(mesh, &QRadioButton::clicked, this, [view] { view->OnWire(true); });
    connect(faces, &QRadioButton::clicked, this, [view] { view->OnWire(false); });

    QRadioButton* ampLin = Radio(kAmpLin, kTextLin);
    QRadioButton* ampLog = Radio(kAmpLog, kTextLog);
    column->addWidget(RadioPair(kTextAmplitude, ampLin, ampLog));
    connect(ampLin, &QRadioButton::clicked, this, [view] { view->OnAmplitudeLinear(true); });
    connect(ampLog, &QRadioButton::clicked, this, [view] { view->OnAmplitudeLinear(false); });
    QRadioButton* freqLin = Radio(kFreqLin, kTextLin);
    QRadioButton* freqLog = Radio(kFreqLog, kTextLog);
    column->addWidget(RadioPair(kTextFrequency, freqLin, freqLog));
    connect(freqLin, &QRadioButton::clicked, this, [view] { view->OnFrequencyLinear(true); });
    connect(freqLog, &QRadioButton::clicked, this, [view] { view->OnFrequencyLinear(false); });

    // The "<" and ">" steps press the same keys as the keyboard.
    using N = NavigationState;
    auto* position = new QGroupBox(Str(kTextPosition));
    auto* grid = new QGridLayout(position);
    grid->setHorizontalSpacing(2);
    const auto steps = [&](int row, const QString& axis, N::Key less, N::Key more) {
        QPushButton* down = StepButton(QStringLiteral("<"));
        QPushButton* up = StepButton(QStringLiteral(">"));
        grid->addWidget(new QLabel(axis), row, 0);
        grid->addWidget(down, row, 1);
        grid->addWidget(up, row, 2);
        connect(down, &QPushButton::clicked, this, [view, less] { view->Navigate(less); });
        connect(up, &QPushButton::clicked, this, [view, more] { view->Navigate(more); });
    };
    grid->addWidget(new QLabel(Str(kTextRotation)), 0, 0, 1, 3);
    steps(1, QStringLiteral("x"), N::kObjRotXMinus, N::kObjRotXPlus);
    steps(2, QStringLiteral("y"), N::kObjRotYMinus, N::kObjRotYPlus);
    steps(3, QStringLiteral("z"), N::kObjRotZPlus, N::kObjRotZMinus);
    grid->addWidget(new QLabel(Str(kTextTranslation)), 4, 0, 1, 3);
    steps(5, QStringLiteral("x"), N::kObjMoveXMinus, N::kObjMoveXPlus);
    steps(6, QStringLiteral("y"), N::kObjMoveYMinus, N::kObjMoveYPlus);
    steps(7, QStringLiteral("z"), N::kObjMoveZMinus, N::kObjMoveZPlus);
    QPushButton* reset = Button(kReset, kTextReset);
    reset->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(reset, 8, 0, 1, 3);
    column->addWidget(position);
    connect(reset, &QPushButton::clicked, this, [view] { view->ResetView(); });
    column->addStretch(1);
}

void LandscapeFrame::ShowSettings(const LandscapeViewSettings& s) {
    QWidget* bar = ControlBar();
    SetValueQuietly(bar, kBottomCutHz, s.bottomCutHz);
    SetValueQuietly(bar, kTopCutkHz, s.topCutkHz);
    SetValueQuietly(bar, kPrecision, int(std::lround(s.epsilon * 100.0f)));
    SetValueQuietly(bar, kWidth, s.width);
    SetCheckedQuietly(bar, kGaudy, s.rainbow);
    SetCheckedQuietly(bar, kFix, !s.rainbow);
    SetCheckedQuietly(bar, kMesh, s.wire);
    SetCheckedQuietly(bar, kFaces, !s.wire);
    SetCheckedQuietly(bar, kAmpLin, s.ampLinear);
    SetCheckedQuietly(bar, kAmpLog, !s.ampLinear);
    SetCheckedQuietly(bar, kFreqLin, s.freqLinear);
    SetCheckedQuietly(bar, kFreqLog, !s.freqLinear);
    ShowColour(Find<QAbstractButton>(bar, kFixColour), QColor::fromRgb(s.fixedColour));
    ShowColour(Find<QAbstractButton>(bar, kBackground), QColor::fromRgb(s.background));
}

void LandscapeFrame::keyPressEvent(QKeyEvent* event) {
    // A key no control of the bar took: the picture's navigation has it.
    ForwardKeyToView(event);
}
