#include "views/time/CSplitterFrame.h"

#include <QCloseEvent>
#include <algorithm>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>

#include "document/CKalvoDoc.h"
#include "platform/StringTable.h"
#include "views/time/CKalvoOverView.h"
#include "views/time/CKalvoView.h"

namespace {

constexpr int kBarWidth = 170;

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
    slider->setToolTip(Str(tip));
    return slider;
}

}  // namespace

CSplitterFrame::CSplitterFrame(CKalvoSettings& settings, CKalvoDoc& doc)
    : CModuleFrame(settings, kSlotUebersicht, new QSplitter(Qt::Vertical), new QWidget, true),
      m_doc(doc),
      m_pSplitter(static_cast<QSplitter*>(View())) {
    setWindowTitle(Str(63000));
    m_pOverView = new CKalvoOverView(doc, settings, m_pSplitter);
    m_pWaveView = new CKalvoView(doc, settings, m_pSplitter);
    m_pSplitter->addWidget(m_pOverView);
    m_pSplitter->addWidget(m_pWaveView);
    // Like a static splitter: the overview keeps its height, the waveform takes what is left.
    m_pSplitter->setStretchFactor(0, 0);
    m_pSplitter->setStretchFactor(1, 1);
    m_pSplitter->installEventFilter(this);
    m_pOverView->SetWaveView(m_pWaveView);
    m_pOverView->SetFrame(this);
    m_pWaveView->SetFrame(this);
    BuildControlBar();

    doc.AddView(m_pOverView);
    doc.AddView(m_pWaveView);
    m_pOverView->OnInitialUpdate();
    m_pWaveView->OnInitialUpdate();
    // The panes take the values the bar shows.
    const auto slider = [this](int id) { return static_cast<QSlider*>(Control(id))->value(); };
    m_pOverView->SetZoom(2 * slider(kCtrlZoom) + 1);
    m_pWaveView->SetHorizontalFactor(2 * slider(kCtrlZoom) + 1);
    m_pOverView->SetVerticalFactor(81 - 4 * slider(kCtrlOverviewFactor));
    m_pWaveView->SetAmplitudeFactor(21 - slider(kCtrlWaveFactor));
    m_pWaveView->SetPrecision(static_cast<QSpinBox*>(Control(kCtrlPrecision))->value());
    m_pWaveView->setFocus();
}

CSplitterFrame::~CSplitterFrame() {
    m_doc.RemoveView(m_pOverView);
    m_doc.RemoveView(m_pWaveView);
}

QWidget* CSplitterFrame::BuildControlBar() {
    // Two columns, so that the bar fits the low window of the usual profiles: the amplitude
    // sliders at the left, the overview's above the waveform's, the other controls beside them.
    QWidget* bar = ControlBar();
    bar->setFixedWidth(kBarWidth);
    auto* grid = new QGridLayout(bar);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(2);

    QSlider* overFactor = NewSlider(Qt::Vertical, kCtrlOverviewFactor, 20, 63007);
    grid->addWidget(new QLabel(Str(63001)), 0, 0);
    grid->addWidget(overFactor, 1, 0, 3, 1, Qt::AlignHCenter);
    connect(overFactor, &QSlider::valueChanged, this,
            [this](int position) { m_pOverView->SetVerticalFactor(81 - 4 * position); });

    QSlider* waveFactor = NewSlider(Qt::Vertical, kCtrlWaveFactor, 20, 63008);
    grid->addWidget(new QLabel(Str(63001)), 4, 0);
    grid->addWidget(waveFactor, 5, 0, 3, 1, Qt::AlignHCenter);
    connect(waveFactor, &QSlider::valueChanged, this,
            [this](int position) { m_pWaveView->SetAmplitudeFactor(21 - position); });

    QSlider* zoom = NewSlider(Qt::Horizontal, kCtrlZoom, 0, 63006);
    grid->addWidget(new QLabel(Str(63001)), 0, 1);
    grid->addWidget(zoom, 1, 1);
    connect(zoom, &QSlider::valueChanged, this, [this](int position) {
        m_pOverView->SetZoom(2 * position + 1);
        m_pWaveView->SetHorizontalFactor(2 * position + 1);
    });

    auto* precision = new QSpinBox;
    precision->setObjectName(QString::number(kCtrlPrecision));
    precision->setRange(1, 40);
    precision->setValue(kStartPrecision);
    precision->setToolTip(Str(63009));
    grid->addWidget(new QLabel(Str(63002)), 2, 1);
    grid->addWidget(precision, 3, 1);
    connect(precision, &QSpinBox::valueChanged, this, [this](int value) { m_pWaveView->SetPrecision(value); });

    auto* samples = new QLineEdit;
    samples->setObjectName(QString::number(kCtrlSamples));
    samples->setReadOnly(true);
    samples->setEnabled(false);
    samples->setToolTip(Str(63010));
    grid->addWidget(new QLabel(Str(63003)), 4, 1);
    grid->addWidget(samples, 5, 1);

    auto* modeSamples = new QRadioButton(Str(63004));
    modeSamples->setObjectName(QString::number(kCtrlModeSamples));
    modeSamples->setChecked(true);
    modeSamples->setToolTip(Str(63011));
    grid->addWidget(modeSamples, 6, 1);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);
    return bar;
}

QWidget* CSplitterFrame::ActivePane() const {
    const QWidget* focus = focusWidget();
    return focus && (focus == m_pOverView || m_pOverView->isAncestorOf(focus)) ? static_cast<QWidget*>(m_pOverView)
                                                                               : m_pWaveView;
}

IViewCommands* CSplitterFrame::Commands() const { return const_cast<CSplitterFrame*>(this); }

bool CSplitterFrame::HasCommand(ViewCommand command) const {
    if (command == ViewCommand::ClearAllData) return true;
    const auto* pane = dynamic_cast<const IViewCommands*>(ActivePane());
    return pane && pane->HasCommand(command);
}

void CSplitterFrame::OnViewCommand(ViewCommand command) {
    if (command == ViewCommand::ClearAllData) {
        // The analysis data goes; the sound stays.
        m_doc.DeleteContents();
        m_doc.UpdateAllViews(kHintRebuild);
        return;
    }
    if (auto* pane = dynamic_cast<IViewCommands*>(ActivePane()); pane && pane->HasCommand(command))
        pane->OnViewCommand(command);
}

QString CSplitterFrame::HelpTopic() const { return QStringLiteral("html/Hauptfenster.html"); }

void CSplitterFrame::SetRowHeights(bool kids) {
    m_rows = kids ? RowHeights{200, 100, 0} : RowHeights{50, 50, 50};
    m_bSixth = false;
    m_bRowsPending = true;
    ApplyRowHeights();
}

void CSplitterFrame::ApplyRowHeights() {
    const int available = m_pSplitter->height() - m_pSplitter->handleWidth();
    if (!m_bRowsPending || m_pSplitter->height() <= 0 || !m_pSplitter->isVisible()) return;
    m_bRowsPending = false;
    if (m_bSixth) {
        const int overview = (available + m_pSplitter->handleWidth()) / 6;
        m_pSplitter->setSizes({overview, std::max(0, available - overview)});
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
    m_pSplitter->setChildrenCollapsible(m_rows.waveMin == 0 || m_rows.overviewMin == 0);
    m_pSplitter->setSizes({overview, wave});
}

bool CSplitterFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pSplitter && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        ApplyRowHeights();
    return CModuleFrame::eventFilter(watched, event);
}

void CSplitterFrame::closeEvent(QCloseEvent* event) {
    // The main sound window belongs to the document: it goes only with it.
    event->ignore();
}
