#include "views/time/SoundWindow.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <algorithm>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "views/time/OverviewView.h"
#include "views/time/WaveformView.h"

namespace {

constexpr int kBarWidth = 170;

// The string numbers of a control's text and tool tip, kept on the control so that the bar
// can speak another language without being built again.
constexpr const char* kTextId = "kalvoTextId";
constexpr const char* kTipId = "kalvoTipId";

void SetTextIds(QWidget* control, int text, int tip) {
    if (text) control->setProperty(kTextId, text);
    if (tip) control->setProperty(kTipId, tip);
}

QLabel* NewLabel(int text) {
    auto* label = new QLabel;  // parented by the bar's layout
    SetTextIds(label, text, 0);
    return label;
}

QSlider* NewSlider(Qt::Orientation orientation, int id, int position, int tip) {
    auto* slider = new QSlider(orientation);  // parented by the bar's layout
    slider->setObjectName(QString::number(id));
    slider->setRange(0, 20);
    slider->setValue(position);
    slider->setPageStep(2);
    if (orientation == Qt::Horizontal) {
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(5);
    }
    slider->setMinimumHeight(orientation == Qt::Vertical ? 40 : 0);
    // Vertical sliders start at the bottom: moving up magnifies.
    if (orientation == Qt::Vertical) slider->setInvertedAppearance(true);
    SetTextIds(slider, 0, tip);
    return slider;
}

}  // namespace

SoundWindow::SoundWindow(ProfileSettings& settings, SoundDocument& doc)
    : ModuleFrame(settings, kSlotOverview, new QSplitter(Qt::Vertical), new QWidget, true),
      m_doc(doc),
      m_splitter(static_cast<QSplitter*>(View())) {
    setWindowTitle(Str(kTitle));
    m_overView = new OverviewView(doc, settings, m_splitter);
    m_waveView = new WaveformView(doc, settings, m_splitter);
    m_splitter->addWidget(m_overView);
    m_splitter->addWidget(m_waveView);
    // Like a static splitter: the overview keeps its height, the waveform takes what is left.
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->installEventFilter(this);
    m_overView->SetWaveView(m_waveView);
    m_overView->SetFrame(this);
    m_waveView->SetFrame(this);
    BuildControlBar();
    UpdateTexts();

    doc.AddView(m_overView);
    doc.AddView(m_waveView);
    m_overView->OnInitialUpdate();
    m_waveView->OnInitialUpdate();
    // The panes take the values the bar shows.
    const auto slider = [this](int id) { return static_cast<QSlider*>(Control(id))->value(); };
    m_overView->SetZoom(2 * slider(kCtrlZoom) + 1);
    m_waveView->SetHorizontalFactor(2 * slider(kCtrlZoom) + 1);
    m_overView->SetVerticalFactor(81 - 4 * slider(kCtrlOverviewFactor));
    m_waveView->SetAmplitudeFactor(21 - slider(kCtrlWaveFactor));
    m_waveView->SetPrecision(static_cast<QSpinBox*>(Control(kCtrlPrecision))->value());
    m_waveView->setFocus();
}

SoundWindow::~SoundWindow() {
    m_doc.RemoveView(m_overView);
    m_doc.RemoveView(m_waveView);
}

QWidget* SoundWindow::BuildControlBar() {
    // Two columns, so that the bar fits the low window of the usual profiles: the amplitude
    // sliders at the left, the overview's above the waveform's, the other controls beside them.
    QWidget* bar = ControlBar();
    bar->setFixedWidth(kBarWidth);
    auto* grid = new QGridLayout(bar);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(2);

    QSlider* overFactor = NewSlider(Qt::Vertical, kCtrlOverviewFactor, 20, 63007);
    grid->addWidget(NewLabel(StringId::Zoom_63001), 0, 0);
    grid->addWidget(overFactor, 1, 0, 3, 1, Qt::AlignHCenter);
    connect(overFactor, &QSlider::valueChanged, this,
            [this](int position) { m_overView->SetVerticalFactor(81 - 4 * position); });

    QSlider* waveFactor = NewSlider(Qt::Vertical, kCtrlWaveFactor, 20, 63008);
    grid->addWidget(NewLabel(StringId::Zoom_63001), 4, 0);
    grid->addWidget(waveFactor, 5, 0, 3, 1, Qt::AlignHCenter);
    connect(waveFactor, &QSlider::valueChanged, this,
            [this](int position) { m_waveView->SetAmplitudeFactor(21 - position); });

    QSlider* zoom = NewSlider(Qt::Horizontal, kCtrlZoom, 0, 63006);
    grid->addWidget(NewLabel(StringId::Zoom_63001), 0, 1);
    grid->addWidget(zoom, 1, 1);
    connect(zoom, &QSlider::valueChanged, this, [this](int position) {
        m_overView->SetZoom(2 * position + 1);
        m_waveView->SetHorizontalFactor(2 * position + 1);
    });

    auto* precision = new QSpinBox;
    precision->setObjectName(QString::number(kCtrlPrecision));
    precision->setRange(1, 40);
    precision->setValue(kStartPrecision);
    SetTextIds(precision, 0, 63009);
    grid->addWidget(NewLabel(StringId::Precision_63002), 2, 1);
    grid->addWidget(precision, 3, 1);
    connect(precision, &QSpinBox::valueChanged, this, [this](int value) { m_waveView->SetPrecision(value); });

    auto* samples = new QLineEdit;
    samples->setObjectName(QString::number(kCtrlSamples));
    samples->setReadOnly(true);
    samples->setEnabled(false);
    SetTextIds(samples, 0, 63010);
    grid->addWidget(NewLabel(StringId::Samples_63003), 4, 1);
    grid->addWidget(samples, 5, 1);

    // Both radios are children of the bar, so Qt keeps exactly one of them checked.
    auto* modeSamples = new QRadioButton;
    modeSamples->setObjectName(QString::number(kCtrlModeSamples));
    modeSamples->setChecked(true);
    SetTextIds(modeSamples, 63004, 63011);
    grid->addWidget(modeSamples, 6, 1);
    auto* modeEnvelope = new QRadioButton;
    modeEnvelope->setObjectName(QString::number(kCtrlModeEnvelope));
    SetTextIds(modeEnvelope, 63800, 63801);
    grid->addWidget(modeEnvelope, 7, 1);
    connect(modeSamples, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_waveView->SetDisplayMode(WaveformView::kModeSamples);
    });
    connect(modeEnvelope, &QRadioButton::toggled, this, [this](bool on) {
        if (on) m_waveView->SetDisplayMode(WaveformView::kModeEnvelope);
    });

    auto* edit = new QPushButton;
    edit->setObjectName(QString::number(kCtrlEditEnvelope));
    SetTextIds(edit, 63802, 63803);
    grid->addWidget(edit, 8, 1);
    connect(edit, &QPushButton::clicked, this, [this] { m_waveView->OnEditEnvelope(); });
    grid->setRowStretch(9, 1);
    grid->setColumnStretch(1, 1);
    return bar;
}

void SoundWindow::UpdateTexts() {
    setWindowTitle(Str(kTitle));
    for (QWidget* control : ControlBar()->findChildren<QWidget*>()) {
        if (const int text = control->property(kTextId).toInt()) {
            if (auto* label = qobject_cast<QLabel*>(control))
                label->setText(Str(text));
            else if (auto* button = qobject_cast<QAbstractButton*>(control))
                button->setText(Str(text));
        }
        if (const int tip = control->property(kTipId).toInt()) control->setToolTip(Str(tip));
    }
}

QWidget* SoundWindow::ActivePane() const {
    const QWidget* focus = focusWidget();
    return focus && (focus == m_overView || m_overView->isAncestorOf(focus))
               ? static_cast<QWidget*>(m_overView)
               : m_waveView;
}

IViewCommands* SoundWindow::Commands() const {
    return const_cast<SoundWindow*>(this);
}

bool SoundWindow::HasCommand(ViewCommand command) const {
    if (command == ViewCommand::ClearAllData) return true;
    const auto* pane = dynamic_cast<const IViewCommands*>(ActivePane());
    return pane && pane->HasCommand(command);
}

void SoundWindow::OnViewCommand(ViewCommand command) {
    if (command == ViewCommand::ClearAllData) {
        // The analysis data goes; the sound stays.
        m_doc.DeleteContents();
        m_doc.UpdateAllViews(kHintRebuild);
        return;
    }
    if (auto* pane = dynamic_cast<IViewCommands*>(ActivePane()); pane && pane->HasCommand(command))
        pane->OnViewCommand(command);
}

QString SoundWindow::HelpTopic() const {
    return QStringLiteral("html/Hauptfenster.html");
}

void SoundWindow::SetRowHeights(bool kids) {
    // Kids mode gives the waveform only what the overview leaves; less than a readable strip of
    // it is folded away.
    m_rows = kids ? RowHeights{200, 100, 40} : RowHeights{50, 50, 50};
    m_sixth = false;
    m_rowsPending = true;
    ApplyRowHeights();
}

void SoundWindow::ApplyRowHeights() {
    const int available = m_splitter->height() - m_splitter->handleWidth();
    if (!m_rowsPending || m_splitter->height() <= 0 || !m_splitter->isVisible()) return;
    m_rowsPending = false;
    if (m_sixth) {
        const int overview = (available + m_splitter->handleWidth()) / 6;
        m_splitter->setSizes({overview, std::max(0, available - overview)});
        return;
    }
    // A pane that would be smaller than its minimum is folded away, as in a static splitter.
    int overview = std::min(m_rows.overviewIdeal, available);
    if (overview < m_rows.overviewMin) overview = 0;
    int wave = available - overview;
    if (wave < m_rows.waveMin) {
        wave = 0;
        overview = available;
    }
    // A folded pane needs a collapsible splitter, or the splitter gives it its minimum height back.
    m_splitter->setChildrenCollapsible(m_rows.waveMin == 0 || m_rows.overviewMin == 0 || overview == 0 ||
                                       wave == 0);
    m_splitter->setSizes({overview, wave});
}

bool SoundWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_splitter && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        ApplyRowHeights();
    return ModuleFrame::eventFilter(watched, event);
}

void SoundWindow::closeEvent(QCloseEvent* event) {
    // The main sound window belongs to the document: it goes only with it.
    event->ignore();
}
