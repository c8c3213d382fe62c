#include "views/spectral/ScoreView.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "analysis/MusicalNote.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "views/common/LabelFormat.h"
#include "views/common/ViewFont.h"
#include "views/common/ViewPicture.h"
#include "views/spectral/FftExport.h"
#include "views/spectral/ScoreModule.h"

namespace {

constexpr int kWarningKids = 61535;
constexpr int kWarning = 61536;
constexpr int kTitleSave = 64142;
constexpr int kHeaderExport = 64139;
constexpr int kFirstNoteX = 70;  // right of the clefs
constexpr int kOvertoneSpacing = 30;
// The ladder's bars were laid out for levels against 2^bits, 20 log10(4) dB below full scale.
constexpr double kBarReferenceDb = 12.041199826559248;

// The treble (G) clef, drawn around the line of G4 at y.
void DrawTrebleClef(QPainter& painter, double x, double y) {
    QPainterPath path;
    path.moveTo(x + 1, y + 28);  // the foot, curled to the left
    path.cubicTo(x - 6, y + 30, x - 6, y + 20, x + 1, y + 21);
    path.lineTo(x + 3, y - 38);                                  // the stem up to the top
    path.cubicTo(x + 12, y - 30, x + 10, y - 20, x - 6, y - 6);  // the loop at the top, down
    path.cubicTo(x - 14, y + 3, x - 8, y + 14, x + 3, y + 14);   // the big belly around G
    path.cubicTo(x + 14, y + 14, x + 14, y - 2, x + 2, y - 3);
    path.cubicTo(x - 6, y - 3, x - 6, y + 6, x + 1, y + 7);  // curling in to the centre
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(x - 2, y + 24), 2.5, 2.5);
    painter.restore();
}

// The bass (F) clef, its head on the line of F3 at y, the two dots around that line.
void DrawBassClef(QPainter& painter, double x, double y) {
    QPainterPath path;
    path.moveTo(x - 6, y);
    path.cubicTo(x - 6, y - 12, x + 14, y - 12, x + 14, y + 2);
    path.cubicTo(x + 14, y + 14, x + 2, y + 24, x - 8, y + 28);
    painter.save();
    painter.setPen(QPen(Qt::black, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.setBrush(Qt::black);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(x - 4, y + 1), 3.5, 3.5);
    painter.drawEllipse(QPointF(x + 20, y - 5), 2, 2);
    painter.drawEllipse(QPointF(x + 20, y + 5), 2, 2);
    painter.restore();
}

void DrawTextAt(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(QRect(x, y, 2000, 400), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

// A label over the ladder's line, on white as the background of the text.
void DrawLabel(QPainter& painter, int x, int y, const QString& text) {
    const QFontMetrics metrics = painter.fontMetrics();
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text) + 2, metrics.height()), Qt::white);
    DrawTextAt(painter, x, y, text);
}

}  // namespace

ScoreView::ScoreView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_settings(settings) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(300, 240);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    m_doc.AddView(this);
}

ScoreView::~ScoreView() {
    m_doc.RemoveView(this);
    CollectWindowState(m_settings);
}

void ScoreView::CollectWindowState(ProfileSettings& s) {
    s.IniNotenbildWhatIs = m_mode;
    s.IniNotenbildIsLinear = m_linear ? 1 : 0;
    s.IniNotenbildObertonanzahl = m_overtones;
}

void ScoreView::OnInitialUpdate() {
    m_mode = FindDescriptor(ScoreKeys(), "IniNotenbildWhatIs").Clamped(m_settings.IniNotenbildWhatIs);
    m_linear = m_settings.IniNotenbildIsLinear != 0;
    m_overtones = FindDescriptor(ScoreKeys(), "IniNotenbildObertonanzahl")
                      .Clamped(m_settings.IniNotenbildObertonanzahl);
    m_recorder.Clear();
    if (m_settings.IniAllgemeinGrundschulprofil) m_doc.SetFftPoints(kKidsFftPoints);
    UpdateScrollRange();
    if (m_listener) m_listener();
    viewport()->update();
}

int ScoreView::BitsPerSample() const {
    return m_doc.BitsPerSample() > 0 ? m_doc.BitsPerSample() : 16;
}

const std::vector<Partial>& ScoreView::AnalysisSpectrum() {
    // A live block is shorter than the transform and padded with zeros; its lobes are wider.
    // The empty document holds one sample, which stands for no spectrum at all.
    const std::size_t samples = m_doc.SelectedSamples().size();
    FindPartials(m_doc.Spectrum(), m_doc.SampleRate(), BitsPerSample(), m_settings.IniFFTMinAbstandNachbarMin,
                 samples > 1 ? samples : 0, m_partials);
    return m_partials;
}

void ScoreView::Detect(bool selection) {
    AnalysisSpectrum();
    if (m_partials.empty()) {
        m_recorder.Silence();
        return;
    }
    if (m_recorder.Detect(m_partials.front(), selection)) {
        UpdateScrollRange();
        horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());  // the newest note in sight
    }
}

void ScoreView::OnUpdate(int hint) {
    if (hint == kHintRemoveWave) {
        m_partials.clear();
        m_recorder.Clear();
        UpdateScrollRange();
    }
    if (m_mode == kMelody) {
        // The melody follows the spectra of the running sound, and a chosen stretch at once.
        if (hint == kHintSpectrum && m_doc.Activity().Live())
            Detect(false);
        else if (hint == kHintSelectionSpectrum)
            Detect(true);
    }
    viewport()->update();
}

int ScoreView::ScrollWidth() const {
    const int notes = static_cast<int>(m_recorder.Notes().size());
    const int needed = m_mode == kMelody ? kFirstNoteX + kNoteSpacing * notes + 90 : 0;
    return std::max(needed, viewport()->width());
}

void ScoreView::UpdateScrollRange() {
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, std::max(0, ScrollWidth() - viewport()->width()));
    bar->setPageStep(viewport()->width());
    bar->setSingleStep(kNoteSpacing);
}

void ScoreView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void ScoreView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    OnDraw(painter, viewport()->rect(), horizontalScrollBar()->value());
}

// ---------------------------------------------------------------------------------------
// Drawing

void ScoreView::OnDraw(QPainter& painter, const QRect& rect, int offset) {
    AnalysisSpectrum();
    painter.fillRect(rect, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_mode == kLadder) {
        DrawLadder(painter, rect);
        return;
    }
    painter.save();
    painter.translate(-offset, 0);
    const QRect content(0, 0, std::max(rect.width() + offset, ScrollWidth()), rect.height());
    DrawStaff(painter, content);
    const int bottom = rect.height();
    if (m_mode == kOvertoneNotes) {
        const std::size_t count = std::min(m_partials.size(), static_cast<std::size_t>(m_overtones) + 1);
        for (std::size_t j = 0; j < count; ++j)
            DrawNote(painter, kFirstNoteX + kOvertoneSpacing * static_cast<int>(j), bottom,
                     NoteNumber(m_partials[j].frequency));
    } else {
        const std::vector<Partial>& notes = m_recorder.Notes();
        for (std::size_t i = 0; i < notes.size(); ++i)
            DrawNote(painter, kFirstNoteX + kNoteSpacing * static_cast<int>(i), bottom,
                     NoteNumber(notes[i].frequency));
    }
    painter.restore();
    if (m_mode == kMelody) DrawWarning(painter, rect);
}

void ScoreView::DrawLadder(QPainter& painter, const QRect& rect) const {
    const int right = rect.width();
    const int bottom = rect.height();
    const int n = m_overtones;
    painter.setFont(ViewFont(14));
    painter.setPen(QPen(Qt::black, 1));
    const int s = (bottom - 20) / n;
    const double logSpan = (bottom - 20) / std::log2(static_cast<double>(n));
    const auto label = [](int k) {
        const int id = IntervalStringOf(k);
        return QString::number(k) + (id ? Str(id) : QString());
    };
    if (m_linear) {
        for (int k = 0; k <= n; ++k) {
            const int y = bottom - k * s - 10;
            painter.drawLine(10, y, right - 40, y);
            DrawLabel(painter, 2, y - 6, label(k));
        }
    } else {
        for (int k = 1; k <= n + 1; ++k) {
            const int y = static_cast<int>((bottom - 10) - std::log2(static_cast<double>(k)) * logSpan);
            painter.drawLine(10, y, right - 40, y);
            DrawLabel(painter, 2, y - 6, label(k - 1));
        }
    }
    if (m_partials.empty()) return;
    const double f0 = m_partials.front().frequency;
    const double centre = (right - 50) / 2.0 + 10;
    const double ln81 = std::log(81.0);
    const std::size_t count = std::min(m_partials.size(), static_cast<std::size_t>(n) + 1);
    for (std::size_t j = 0; j < count; ++j) {
        const Partial& p = m_partials[j];
        const double y = m_linear ? (bottom - 10) - (p.frequency - f0) * s / f0
                                  : (bottom - 10) - std::log2(p.frequency / f0) * logSpan;
        // 0 at -80 dB, the whole width at 0 dB, in dB against 2^bits (12 dB below full scale):
        // a full-scale sine, the loudest, stays within the window.
        const double level = std::min(p.level - kBarReferenceDb, 0.0);
        const double length = std::max(0.0, 1.5 * (right - 50) / ln81 * (ln81 - std::log(1.0 - level)));
        painter.setPen(QPen(QColor(255, 0, 0), 3));
        painter.drawLine(QPointF(centre - length / 2, y), QPointF(centre + length / 2, y));
        painter.setPen(QPen(Qt::black, 1));
        DrawLabel(painter, static_cast<int>(centre + length / 2) + 6, static_cast<int>(y) - 7,
                  LocalNumber(p.frequency, 5) + QStringLiteral(" Hz"));
    }
}

void ScoreView::DrawStaff(QPainter& painter, const QRect& content) const {
    const int right = content.width();
    const int bottom = content.height();
    painter.setPen(QPen(Qt::black, 1));
    for (int i = 0; i < 5; ++i) {
        const int bass = bottom - 80 - 10 * i;
        const int treble = bottom - 140 - 10 * i;
        painter.drawLine(10, bass, right - 40, bass);
        painter.drawLine(10, treble, right - 40, treble);
    }
    painter.drawLine(10, bottom - 80, 10, bottom - 180);
    painter.setRenderHint(QPainter::Antialiasing, true);
    DrawTrebleClef(painter, 28, bottom - 150);  // around G4
    DrawBassClef(painter, 26, bottom - 110);    // on F3
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void ScoreView::DrawNote(QPainter& painter, int x, int bottom, int note) const {
    const StaffPosition p = StaffPositionOf(note);
    const int y = bottom - 10 - p.height;
    painter.setPen(QPen(Qt::black, 1));
    // Ledger lines: below the bass staff, middle C between the staves, above the treble staff.
    for (int i = 1; i <= p.ledgerBelow; ++i)
        painter.drawLine(x - 8, bottom - 80 + 10 * i, x + 8, bottom - 80 + 10 * i);
    if (p.ledgerMiddle) painter.drawLine(x - 8, bottom - 130, x + 8, bottom - 130);
    for (int i = 1; i <= p.ledgerAbove; ++i)
        painter.drawLine(x - 8, bottom - 180 - 10 * i, x + 8, bottom - 180 - 10 * i);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(x, y), 5.5, 4.2);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (p.sharp) {
        // Two upright and two slanting strokes in front of the head.
        const int sx = x - 14;
        painter.drawLine(sx - 2, y - 7, sx - 2, y + 7);
        painter.drawLine(sx + 2, y - 8, sx + 2, y + 6);
        painter.drawLine(sx - 5, y - 1, sx + 5, y - 4);
        painter.drawLine(sx - 5, y + 4, sx + 5, y + 1);
    }
}

void ScoreView::DrawWarning(QPainter& painter, const QRect& rect) const {
    painter.setFont(ViewFont(14));
    painter.setPen(Qt::black);
    const QString text = Str(m_settings.IniAllgemeinGrundschulprofil ? kWarningKids : kWarning);
    painter.drawText(rect.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop, text);
}

// ---------------------------------------------------------------------------------------
// Control bar

void ScoreView::OnMode(int mode) {
    m_mode = FindDescriptor(ScoreKeys(), "IniNotenbildWhatIs").Clamped(mode);
    m_recorder.Clear();  // a melody starts afresh with the mode
    horizontalScrollBar()->setValue(0);
    UpdateScrollRange();
    viewport()->update();
}

void ScoreView::OnLinear(bool linear) {
    m_linear = linear;
    viewport()->update();
}

void ScoreView::OnOvertones(int count) {
    m_overtones = FindDescriptor(ScoreKeys(), "IniNotenbildObertonanzahl").Clamped(count);
    viewport()->update();
}

void ScoreView::OnDeleteRecording() {
    m_partials.clear();
    m_recorder.Clear();
    horizontalScrollBar()->setValue(0);
    UpdateScrollRange();
    viewport()->update();
}

bool ScoreView::OnPlayOvertones() {
    AnalysisSpectrum();
    if (m_partials.size() < 3 || m_overtones < 1) return false;
    const std::size_t count = std::min(m_partials.size(), static_cast<std::size_t>(m_overtones));
    for (std::size_t j = 0; j < count; ++j) {
        const double f = m_partials[j].frequency;
        // One after another: each tone starts when the one before has ended.
        QTimer::singleShot(static_cast<int>(j) * kToneMs, this, [this, f] { m_doc.Beep(f, kToneMs); });
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Commands

bool ScoreView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy;
}

void ScoreView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = m_doc.Ui();
    // The whole score, also the part scrolled out of sight.
    const QSize size(ScrollWidth(), viewport()->height());
    const auto paint = [this](QPainter& painter, const QRect& rect) { OnDraw(painter, rect, 0); };
    if (command == ViewCommand::SaveView) {
        BusyCursor busy(ui);
        SaveViewPicture(ui, Str(kTitleSave), PictureName(), size, paint);
    } else if (command == ViewCommand::Copy) {
        CopyViewPicture(ui, PictureName(), size, paint);
    }
}

std::optional<QString> ScoreView::ExportTable() {
    AnalysisSpectrum();
    if (m_partials.empty()) return std::nullopt;
    QString text = Str(kHeaderExport);
    const double f0 = m_partials.front().frequency;
    for (const Partial& p : m_partials) {
        const MusicalNote note = NearestNote(p.frequency);
        // The interval to the keynote; empty where the partial is no harmonic of it.
        const int interval = KeynoteIntervalStringOf(p.frequency, f0);
        const QString name = interval ? Str(interval) : QString();
        text += SpreadsheetNumber(p.frequency) + u'\t' + SpreadsheetNumber(p.level) + u'\t' +
                QString::number(note.number) + u'\t' + QString::fromStdString(note.name) + u'\t' + name +
                QLatin1String("\r\n");
    }
    return text;
}
