#include "views/spectral/SonogramFrame.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "views/common/BarControls.h"
#include "views/spectral/SonogramView.h"
#include "views/spectral/SonogramViewSettings.h"

using namespace BarControls;

namespace {

constexpr int kBarWidth = 168;
constexpr int kTextHz = 63711, kTextkHz = 63712, kTextLin = 63715, kTextLog = 63716, kTextPt = 63732;
constexpr int kTextRange = 64110, kTextScaling = 64111, kTextAmplitude = 64112, kTextFrequency = 64113,
              kTextPalette = 64114, kTextColour1 = 64115, kTextColour2 = 64116, kTextZoom = 64117,
              kTextLineWidth = 64118, kTextSmooth = 64119, kTextFreq = 64120, kTextFft = 64121;

}  // namespace

SonogramFrame::SonogramFrame(ProfileSettings& settings, SoundDocument& doc)
    : ModuleFrame(settings, kSlotSonogram, new SonogramView(doc, settings), new QWidget, true),
      m_view(static_cast<SonogramView*>(View())) {
    BuildControlBar();
    m_view->SetFrame(this);
    m_view->SetSettingsListener([this](const SonogramViewSettings& s) { ShowSettings(s); });
    m_view->SetFrequencyListener([this](double f) {
        if (auto* field = Find<QLineEdit>(ControlBar(), kFrequency))
            field->setText(QString::number(f, 'g', 5));
    });
    ShowSettings(m_view->Settings());
    // A time series shows the frequencies up to the middle of its made-up rate.
    connect(&doc.Activity(), &DocumentActivity::SoundFormatTaken, this, [this, &doc](bool timeSeries) {
        if (timeSeries) SetControlInt(kTopCutkHz, doc.SampleRate() / 2000);
    });
}

void SonogramFrame::BuildControlBar() {
    QWidget* bar = ControlBar();
    auto* column = new QVBoxLayout(ScrollingColumn(bar, kBarWidth));
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    SonogramView* view = m_view;

    auto* range = new QGroupBox(Str(kTextRange));
    auto* rangeRows = new QVBoxLayout(range);
    QSpinBox* bottom = Spin(kBottomCutHz, kBottomCutHzSpin, SonogramViewSettings::Key("IniSonoBottomCutHz"));
    QSpinBox* top = Spin(kTopCutkHz, kTopCutkHzSpin, SonogramViewSettings::Key("IniSonoTopCutkHz"));
    rangeRows->addLayout(Row(bottom, new QLabel(Str(kTextHz))));
    rangeRows->addLayout(Row(top, new QLabel(Str(kTextkHz))));
    column->addWidget(range);
    connect(bottom, &QSpinBox::valueChanged, this, [view](int v) { view->OnBottomCutHz(v); });
    connect(top, &QSpinBox::valueChanged, this, [view](int v) { view->OnTopCutkHz(v); });

    auto* scaling = new QGroupBox(Str(kTextScaling));
    auto* grid = new QGridLayout(scaling);
    QRadioButton* ampLin = Radio(kAmpLin, kTextLin);
    QRadioButton* ampLog = Radio(kAmpLog, kTextLog);
    QRadioButton* freqLin = Radio(kFreqLin, kTextLin);
    QRadioButton* freqLog = Radio(kFreqLog, kTextLog);
    grid->addWidget(new QLabel(Str(kTextAmplitude)), 0, 0, 1, 2);
    grid->addWidget(ampLin, 1, 0);
    grid->addWidget(ampLog, 1, 1);
    grid->addWidget(new QLabel(Str(kTextFrequency)), 2, 0, 1, 2);
    grid->addWidget(freqLin, 3, 0);
    grid->addWidget(freqLog, 3, 1);
    auto* ampGroup = new QButtonGroup(scaling);
    ampGroup->addButton(ampLin);
    ampGroup->addButton(ampLog);
    auto* freqGroup = new QButtonGroup(scaling);
    freqGroup->addButton(freqLin);
    freqGroup->addButton(freqLog);
    column->addWidget(scaling);
    connect(ampLin, &QRadioButton::clicked, this, [view] { view->OnAmplitudeLinear(true); });
    connect(ampLog, &QRadioButton::clicked, this, [view] { view->OnAmplitudeLinear(false); });
    connect(freqLin, &QRadioButton::clicked, this, [view] { view->OnFrequencyLinear(true); });
    connect(freqLog, &QRadioButton::clicked, this, [view] { view->OnFrequencyLinear(false); });

    auto* palette = new QGroupBox(Str(kTextPalette));
    auto* paletteRow = new QHBoxLayout(palette);
    QRadioButton* colour1 = Radio(kColour1, kTextColour1);
    QRadioButton* colour2 = Radio(kColour2, kTextColour2);
    paletteRow->addWidget(colour1);
    paletteRow->addWidget(colour2);
    column->addWidget(palette);
    connect(colour1, &QRadioButton::clicked, this, [view] { view->OnPalette(true); });
    connect(colour2, &QRadioButton::clicked, this, [view] { view->OnPalette(false); });

    auto* zoomBox = new QGroupBox(Str(kTextZoom));
    auto* zoomRow = new QVBoxLayout(zoomBox);
    auto* zoom = new QSlider(Qt::Horizontal);
    ModuleFrame::SetControlIds(zoom, kZoom);
    zoom->setRange(0, 10);
    zoom->setTickInterval(1);
    zoom->setTickPosition(QSlider::TicksBelow);
    zoom->setPageStep(1);
    zoom->setSingleStep(1);
    zoom->setValue(5);  // the view keeps its starting gain until the slider moves
    zoomRow->addWidget(zoom);
    column->addWidget(zoomBox);
    connect(zoom, &QSlider::valueChanged, this, [view](int v) { view->OnZoom(v); });

    auto* lineBox = new QGroupBox(Str(kTextLineWidth));
    auto* lineRows = new QVBoxLayout(lineBox);
    QSpinBox* lineWidth = Spin(kLineWidth, kLineWidthSpin, SonogramViewSettings::Key("IniSonoLiniendicke"));
    lineRows->addWidget(lineWidth);
    auto* smooth = new QCheckBox(Str(kTextSmooth));
    ModuleFrame::SetControlIds(smooth, kSmooth);
    lineRows->addWidget(smooth);
    column->addWidget(lineBox);
    connect(lineWidth, &QSpinBox::valueChanged, this, [view](int v) { view->OnLineWidth(v); });
    connect(smooth, &QCheckBox::clicked, this, [view](bool on) { view->OnSmooth(on); });

    auto* readOut = new QGridLayout;
    readOut->addWidget(new QLabel(Str(kTextFreq)), 0, 0);
    readOut->addWidget(ReadOnlyField(kFrequency), 0, 1);
    readOut->addWidget(new QLabel(Str(kTextHz)), 0, 2);
    readOut->addWidget(new QLabel(Str(kTextFft)), 1, 0);
    readOut->addWidget(ReadOnlyField(kFftPoints), 1, 1);
    readOut->addWidget(new QLabel(Str(kTextPt)), 1, 2);
    column->addLayout(readOut);
    column->addStretch(1);
}

void SonogramFrame::ShowSettings(const SonogramViewSettings& s) {
    QWidget* bar = ControlBar();
    SetValueQuietly(bar, kBottomCutHz, s.bottomCutHz);
    SetValueQuietly(bar, kTopCutkHz, s.topCutkHz);
    SetValueQuietly(bar, kLineWidth, s.lineWidth);
    SetCheckedQuietly(bar, kAmpLin, s.ampLinear);
    SetCheckedQuietly(bar, kAmpLog, !s.ampLinear);
    SetCheckedQuietly(bar, kFreqLin, s.freqLinear);
    SetCheckedQuietly(bar, kFreqLog, !s.freqLinear);
    SetCheckedQuietly(bar, kColour1, s.colour1);
    SetCheckedQuietly(bar, kColour2, !s.colour1);
    SetCheckedQuietly(bar, kSmooth, s.smooth);
}
