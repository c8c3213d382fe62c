#include "views/nonlinear/AnalysisFrame.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "platform/StringTable.h"
#include "views/common/BarControls.h"
#include "views/nonlinear/AnalysisView.h"

using namespace BarControls;

namespace {

constexpr int kBarWidth = 240;
constexpr int kTextIterations = 61518, kTextEmbedding = 61522, kTextNeighbours = 61538,
              kTextReference = 61539, kTextRadii = 61540, kTextPairs = 61541, kTextMaxEmbedding = 61542;
constexpr int kTextTau = 64201, kTextPoints = 64202, kTextMin = 64203, kTextMax = 64204,
              kTextIterationsBar = 64205, kTextCalculate = 64206, kTextReset = 64207, kTextRadius = 64208,
              kTextSpectrum = 64217, kTextMaxLyap = 64218, kTextCorrDim = 64219;

// The document writes into the edits (a new selection); the user's typing counts when it is
// complete (Enter or leaving the edit), so that limits do not bite into half-typed numbers.
void ConnectEdit(QObject* context, QLineEdit* edit, AnalysisView* view, int id) {
    QObject::connect(edit, &QLineEdit::textChanged, context, [edit, view, id](const QString& t) {
        if (!edit->hasFocus()) view->OnEdit(id, t);
    });
    QObject::connect(edit, &QLineEdit::editingFinished, context,
                     [edit, view, id] { view->OnEdit(id, edit->text()); });
}

}  // namespace

AnalysisFrame::AnalysisFrame(ProfileSettings& settings, SoundDocument& doc)
    : ModuleFrame(settings, kSlotAnalysis, new AnalysisView(doc, settings), new QWidget, true),
      m_view(static_cast<AnalysisView*>(View())) {
    BuildControlBar();
    m_view->SetControlsListener([this] { ShowControls(); });
    m_view->SetSelectionListener([this](int samples) {
        for (int id : {AnalysisView::kPoints, AnalysisView::kCount}) SetControlInt(id, samples);
        for (int id : {AnalysisView::kPointsSlider, AnalysisView::kCountSlider})
            SetSliderRange(id, 0, samples, samples);
    });
    ShowControls();
}

void AnalysisFrame::BuildControlBar() {
    QWidget* bar = ControlBar();
    auto* column = new QVBoxLayout(ScrollingColumn(bar, kBarWidth));
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(3);
    AnalysisView* view = m_view;

    QButtonGroup* modes = ModeRadios(
        bar, column,
        {{kModeSpectrum, kTextSpectrum}, {kModeMaxLyap, kTextMaxLyap}, {kModeCorrDim, kTextCorrDim}});
    // The buttons' ids in the group are their places, which are the modes' numbers.
    connect(modes, &QButtonGroup::idClicked, this, [view](int id) {
        if (id >= 0 && id <= static_cast<int>(AnalysisMode::CorrelationDimension))
            view->OnMode(static_cast<AnalysisMode>(id));
    });

    // An edit with its slider; the slider writes its position into the edit when released.
    const auto addPair = [&](int labelId, int text, int editId, int sliderId, int minimum, int maximum) {
        auto* label = new QLabel(Str(text));
        if (labelId) SetControlIds(label, labelId);
        auto* edit = new QLineEdit;
        SetControlIds(edit, editId);
        column->addWidget(label);
        column->addWidget(edit);
        ConnectEdit(this, edit, view, editId);
        if (sliderId) {
            auto* slider = new QSlider(Qt::Horizontal);
            SetControlIds(slider, sliderId);
            slider->setRange(minimum, maximum);
            column->addWidget(slider);
            connect(slider, &QSlider::sliderReleased, this,
                    [edit, slider] { edit->setText(QString::number(slider->value())); });
        }
    };
    addPair(0, kTextTau, AnalysisView::kTau, AnalysisView::kTauSlider, 1, 100);
    addPair(0, kTextPoints, AnalysisView::kPoints, AnalysisView::kPointsSlider, 0, 100000);
    addPair(kDimensionLabel, kTextEmbedding, AnalysisView::kDimension, AnalysisView::kDimensionSlider, 2, 10);
    {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(Str(kTextMax)));
        auto* maxEdit = new QLineEdit;
        SetControlIds(maxEdit, AnalysisView::kMaxDimension);
        row->addWidget(maxEdit, 1);
        column->addLayout(row);
        ConnectEdit(this, maxEdit, view, AnalysisView::kMaxDimension);
    }
    addPair(kCountLabel, kTextIterations, AnalysisView::kCount, AnalysisView::kCountSlider, 0, 100000);
    {
        auto* radius = new QGroupBox(Str(kTextRadius));
        auto* grid = new QGridLayout(radius);
        auto* minEdit = new QLineEdit;
        auto* maxEdit = new QLineEdit;
        SetControlIds(minEdit, AnalysisView::kRadiusMin);
        SetControlIds(maxEdit, AnalysisView::kRadiusMax);
        auto* maxLabel = new QLabel(Str(kTextMax));
        maxLabel->setObjectName(QStringLiteral("radiusMaxLabel"));
        grid->addWidget(new QLabel(Str(kTextMin)), 0, 0);
        grid->addWidget(minEdit, 0, 1);
        grid->addWidget(maxLabel, 1, 0);
        grid->addWidget(maxEdit, 1, 1);
        column->addWidget(radius);
        ConnectEdit(this, minEdit, view, AnalysisView::kRadiusMin);
        ConnectEdit(this, maxEdit, view, AnalysisView::kRadiusMax);
    }
    addPair(kRadiiLabel, kTextRadii, AnalysisView::kRadii, AnalysisView::kRadiiSlider, 1, 100);
    {
        auto* label = new QLabel(Str(kTextIterationsBar));
        label->setObjectName(QStringLiteral("iterationsLabel"));
        column->addWidget(label);
    }
    {
        auto* edit = new QLineEdit;
        SetControlIds(edit, AnalysisView::kIterations);
        column->addWidget(edit);
        auto* slider = new QSlider(Qt::Horizontal);
        SetControlIds(slider, AnalysisView::kIterationsSlider);
        slider->setRange(1, 1000);
        column->addWidget(slider);
        ConnectEdit(this, edit, view, AnalysisView::kIterations);
        connect(slider, &QSlider::sliderReleased, this,
                [edit, slider] { edit->setText(QString::number(slider->value())); });
    }
    auto* calculate = new QPushButton(Str(kTextCalculate));
    SetControlIds(calculate, AnalysisView::kCalculate);
    auto* reset = new QPushButton(Str(kTextReset));
    SetControlIds(reset, AnalysisView::kReset);
    column->addWidget(calculate);
    column->addWidget(reset);
    column->addStretch(1);
    connect(calculate, &QPushButton::clicked, this, [view] { view->OnCalculate(); });
    connect(reset, &QPushButton::clicked, this, [view] { view->OnReset(); });
}

void AnalysisFrame::ShowControls() {
    QWidget* bar = ControlBar();
    const AnalysisMode mode = m_view->Mode();
    using enum AnalysisMode;
    for (int id : {kModeSpectrum, kModeMaxLyap, kModeCorrDim})
        SetCheckedQuietly(bar, id, id - kModeSpectrum == static_cast<int>(mode));
    for (int id : {AnalysisView::kTau, AnalysisView::kPoints, AnalysisView::kDimension,
                   AnalysisView::kMaxDimension, AnalysisView::kCount, AnalysisView::kRadiusMin,
                   AnalysisView::kRadiusMax, AnalysisView::kRadii, AnalysisView::kIterations})
        if (auto* edit = Find<QLineEdit>(bar, id)) {
            const QString value = m_view->Value(id);
            if (edit->text() != value) {
                const QSignalBlocker quiet(edit);
                edit->setText(value);
            }
        }
    const std::pair<int, int> sliders[] = {{AnalysisView::kTauSlider, AnalysisView::kTau},
                                           {AnalysisView::kPointsSlider, AnalysisView::kPoints},
                                           {AnalysisView::kDimensionSlider, AnalysisView::kDimension},
                                           {AnalysisView::kCountSlider, AnalysisView::kCount},
                                           {AnalysisView::kRadiiSlider, AnalysisView::kRadii},
                                           {AnalysisView::kIterationsSlider, AnalysisView::kIterations}};
    for (const auto& [sliderId, editId] : sliders)
        if (auto* slider = Find<QSlider>(bar, sliderId)) {
            const QSignalBlocker quiet(slider);
            if (sliderId == AnalysisView::kDimensionSlider)
                slider->setRange(2, m_view->DimensionSliderMaximum());
            if (sliderId == AnalysisView::kRadiiSlider) slider->setRange(1, ByMode(mode, 500, 100, 1000));
            slider->setValue(m_view->Value(editId).toInt());
        }
    const auto setText = [bar](int id, int text) {
        if (auto* label = Find<QLabel>(bar, id)) label->setText(Str(text));
    };
    setText(kDimensionLabel, mode == CorrelationDimension ? kTextMaxEmbedding : kTextEmbedding);
    setText(kCountLabel, ByMode(mode, kTextIterations, kTextReference, kTextPairs));
    setText(kRadiiLabel, mode == Spectrum ? kTextNeighbours : kTextRadii);
    const auto show = [bar](const QString& name, bool visible) {
        if (auto* w = bar->findChild<QWidget*>(name)) w->setVisible(visible);
    };
    show(QString::number(AnalysisView::kDimension), mode != CorrelationDimension);
    show(QString::number(AnalysisView::kDimensionSlider), mode != CorrelationDimension);
    show(QString::number(AnalysisView::kRadiusMax), mode != Spectrum);
    show(QStringLiteral("radiusMaxLabel"), mode != Spectrum);
    show(QStringLiteral("iterationsLabel"), mode == LargestExponent);
    show(QString::number(AnalysisView::kIterations), mode == LargestExponent);
    show(QString::number(AnalysisView::kIterationsSlider), mode == LargestExponent);
}
