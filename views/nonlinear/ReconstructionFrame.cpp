#include "views/nonlinear/ReconstructionFrame.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/StringTable.h"
#include "settings/ProfileSettings.h"
#include "views/common/BarControls.h"
#include "views/nonlinear/ReconstructionViewSettings.h"

using namespace BarControls;

namespace {

constexpr int kBarWidth = 170;
constexpr int kTextGaudy = 64321, kTextFix = 64322, kTextRotation = 64333;
constexpr int kTextTau = 64340, kTextPoints = 64341, kTextLines = 64342, kTextPointSize = 64343,
              kTextNumPoints = 64344, kTextForeground = 64345, kTextBackground = 64346,
              kTextResetView = 64347, kTextAcfMinimum = 64348, kTextSaveView = 64349, kTextColours = 64350,
              kTextDrawing = 64351;

}  // namespace

ReconstructionFrame::ReconstructionFrame(ProfileSettings& settings, SoundDocument& doc)
    : ModuleFrame(settings, kSlotReconstruction, new ReconstructionView(doc, settings), new QWidget, true),
      m_view(static_cast<ReconstructionView*>(View())) {
    BuildControlBar(settings.IniAllgemeinGrundschulprofil != 0);
    m_view->SetSettingsListener([this](const ReconstructionViewSettings& s) { ShowSettings(s); });
    m_view->SetAcfListener([this](int lag) {
        if (auto* field = Find<QLineEdit>(ControlBar(), kAcfMinimum))
            field->setText(lag > 0 ? QString::number(lag) : QString());
    });
    ShowSettings(m_view->Settings());
}

void ReconstructionFrame::BuildControlBar(bool kids) {
    QWidget* bar = ControlBar();
    auto* column = new QVBoxLayout(ScrollingColumn(bar, kBarWidth));
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);
    ReconstructionView* view = m_view;
    // The primary-school bar keeps colours and drawing mode; the other controls are hidden.
    const auto expert = [kids](QWidget* w) {
        w->setVisible(!kids);
        return w;
    };

    QSpinBox* tau = Spin(kTau, kTauSpin, ReconstructionViewSettings::Key("IniRekoTau"));
    auto* tauLabel = new QLabel(Str(kTextTau));
    auto* tauRow = new QHBoxLayout;
    tauRow->addWidget(expert(tauLabel));
    tauRow->addWidget(expert(tau), 1);
    column->addLayout(tauRow);
    connect(tau, &QSpinBox::valueChanged, this, [view](int v) { view->OnTau(v); });

    auto* drawing = new QGroupBox(Str(kTextDrawing));
    auto* drawingRows = new QGridLayout(drawing);
    QRadioButton* points = Radio(kPoints, kTextPoints);
    QRadioButton* lines = Radio(kLines, kTextLines);
    auto* modeGroup = new QButtonGroup(drawing);
    modeGroup->addButton(points);
    modeGroup->addButton(lines);
    drawingRows->addWidget(points, 0, 0);
    drawingRows->addWidget(lines, 0, 1);
    QSpinBox* pointSize = Spin(kPointSize, kPointSizeSpin, ReconstructionViewSettings::Key("IniRekoSizePts"));
    drawingRows->addWidget(expert(new QLabel(Str(kTextPointSize))), 1, 0, 1, 2);
    drawingRows->addWidget(expert(pointSize), 2, 0, 1, 2);
    auto* numPoints = new QLineEdit;
    ModuleFrame::SetControlIds(numPoints, kNumPoints);
    numPoints->setValidator(new QIntValidator(1, 100000000, numPoints));
    drawingRows->addWidget(expert(new QLabel(Str(kTextNumPoints))), 3, 0, 1, 2);
    drawingRows->addWidget(expert(numPoints), 4, 0, 1, 2);
    column->addWidget(drawing);
    connect(points, &QRadioButton::clicked, this, [view] { view->OnPointMode(true); });
    connect(lines, &QRadioButton::clicked, this, [view] { view->OnPointMode(false); });
    connect(pointSize, &QSpinBox::valueChanged, this, [view](int v) { view->OnPointSize(v); });
    connect(numPoints, &QLineEdit::editingFinished, this,
            [view, numPoints] { view->OnNumPoints(numPoints->text().toInt()); });

    auto* colours = new QGroupBox(Str(kTextColours));
    auto* colourRows = new QGridLayout(colours);
    QRadioButton* gaudy = Radio(kGaudy, kTextGaudy);
    QRadioButton* fix = Radio(kFix, kTextFix);
    auto* colourGroup = new QButtonGroup(colours);
    colourGroup->addButton(gaudy);
    colourGroup->addButton(fix);
    colourRows->addWidget(gaudy, 0, 0);
    colourRows->addWidget(fix, 0, 1);
    QPushButton* foreground = Button(kForeground, kTextForeground);
    QPushButton* background = Button(kBackground, kTextBackground);
    colourRows->addWidget(foreground, 1, 0, 1, 2);
    colourRows->addWidget(background, 2, 0, 1, 2);
    column->addWidget(colours);
    connect(gaudy, &QRadioButton::clicked, this, [view] { view->OnRainbow(true); });
    connect(fix, &QRadioButton::clicked, this, [view] { view->OnRainbow(false); });
    connect(foreground, &QPushButton::clicked, this, [view] { view->OnChooseFixedColour(); });
    connect(background, &QPushButton::clicked, this, [view] { view->OnChooseBackground(); });

    using N = NavigationState;
    auto* rotation = new QGroupBox(Str(kTextRotation));
    auto* grid = new QGridLayout(rotation);
    grid->setHorizontalSpacing(2);
    const auto steps = [&](int row, const QString& axis, int lessId, int moreId, N::Key less, N::Key more) {
        QPushButton* down = StepButton(QStringLiteral("<"));
        QPushButton* up = StepButton(QStringLiteral(">"));
        ModuleFrame::SetControlIds(down, lessId);
        ModuleFrame::SetControlIds(up, moreId);
        grid->addWidget(new QLabel(axis), row, 0);
        grid->addWidget(down, row, 1);
        grid->addWidget(up, row, 2);
        connect(down, &QPushButton::clicked, this, [view, less] { view->Navigate(less); });
        connect(up, &QPushButton::clicked, this, [view, more] { view->Navigate(more); });
    };
    steps(0, QStringLiteral("x"), kRotXLess, kRotXMore, N::kObjRotXMinus, N::kObjRotXPlus);
    steps(1, QStringLiteral("y"), kRotYLess, kRotYMore, N::kObjRotYMinus, N::kObjRotYPlus);
    steps(2, QStringLiteral("z"), kRotZLess, kRotZMore, N::kObjRotZPlus, N::kObjRotZMinus);
    QPushButton* reset = Button(kResetView, kTextResetView);
    reset->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(reset, 3, 0, 1, 3);
    column->addWidget(expert(rotation));
    connect(reset, &QPushButton::clicked, this, [view] { view->ResetView(); });

    auto* acfRow = new QHBoxLayout;
    auto* acf = new QLineEdit;
    ModuleFrame::SetControlIds(acf, kAcfMinimum);
    acf->setReadOnly(true);
    acf->setFocusPolicy(Qt::NoFocus);
    acf->setMaximumWidth(60);
    acfRow->addWidget(new QLabel(Str(kTextAcfMinimum)), 1);
    acfRow->addWidget(acf);
    column->addLayout(acfRow);

    QPushButton* save = Button(kSaveView, kTextSaveView);
    save->setFocusPolicy(Qt::NoFocus);
    column->addWidget(expert(save));
    connect(save, &QPushButton::clicked, this, [view] { view->OnViewCommand(ViewCommand::SaveView); });
    column->addStretch(1);
}

void ReconstructionFrame::ShowSettings(const ReconstructionViewSettings& s) {
    QWidget* bar = ControlBar();
    SetValueQuietly(bar, kTau, s.tau);
    SetValueQuietly(bar, kPointSize, int(s.pointSize));
    if (auto* spin = Find<QSpinBox>(bar, kPointSize)) spin->setEnabled(s.points);
    if (auto* edit = Find<QLineEdit>(bar, kNumPoints)) edit->setText(QString::number(s.numPoints));
    SetCheckedQuietly(bar, kPoints, s.points);
    SetCheckedQuietly(bar, kLines, !s.points);
    SetCheckedQuietly(bar, kGaudy, s.rainbow);
    SetCheckedQuietly(bar, kFix, !s.rainbow);
    ShowColour(Find<QAbstractButton>(bar, kForeground), QColor::fromRgb(s.fixedColour));
    ShowColour(Find<QAbstractButton>(bar, kBackground), QColor::fromRgb(s.background));
}

void ReconstructionFrame::keyPressEvent(QKeyEvent* event) {
    // A key no control of the bar took: the picture's navigation has it.
    ForwardKeyToView(event);
}
