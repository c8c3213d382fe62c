#include "views/spectral/SonogramView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <optional>

#include "document/IModuleFrame.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "views/common/LabelFormat.h"
#include "views/common/ViewFont.h"
#include "views/common/ViewPicture.h"
#include "views/spectral/FftExport.h"

namespace {

constexpr int kMsgNoMemory = 62102;
constexpr int kMsgSelectMore = 61543;
constexpr int kMsgTooLittle = 61544;
constexpr int kTextDrawing = 64100;
constexpr int kTextProgress = 64101;
constexpr int kMsgCancelled = 64102;
constexpr int kTextTime = 64103;
constexpr int kTitleSave = 64141;
constexpr int kClickToneMs = 400;
constexpr int kDragToneMs = 50;
constexpr int kKidsFftPoints = 8192;

constexpr std::uint32_t kCursorColour = 0xCC3772;  // RGB(204, 55, 114)

// The frequency scale: labels in a 15-pixel font, 6 pixels right of the tick line and 4
// pixels of room beyond; ticks at the A notes 1.71875 * 2^k Hz (logarithmic) or every
// kHz up to 100 kHz (linear; labels above have as many digits).
constexpr int kScaleFont = 15;
constexpr int kLabelLeft = 6;
constexpr int kLabelRight = 4;
constexpr int kLastNoteTick = 18;
constexpr int kLastKHzTick = 100;
double NoteTick(int k) {
    return 1.71875 * std::ldexp(1.0, k);
}

}  // namespace

SonogramView::SonogramView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_settings(settings), m_threads(ParallelColumns::DefaultThreads()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // the "Freq:" field follows the cursor
    setMinimumSize(120, 90);
    m_s = SonogramViewSettings::From(settings);
    m_doc.AddView(this);
}

SonogramView::~SonogramView() {
    CancelRebuild(false);
    m_doc.RemoveView(this);
    m_s.StoreInto(m_settings);
}

void SonogramView::OnInitialUpdate() {
    if (m_settings.IniAllgemeinGrundschulprofil) m_doc.SetFftPoints(kKidsFftPoints);
    m_s = SonogramViewSettings::From(m_settings);
    EnsurePicture();
    ApplyScale();
    ShowFftPoints(m_doc.FftPoints());
    if (m_listener) m_listener(m_s);
    m_clear = true;
    // A sound that is already loaded is drawn at once.
    if (m_doc.IsWaveLoaded() && !m_doc.Activity().Live() && !testAttribute(Qt::WA_DontShowOnScreen))
        StartRebuild();
    update();
}

void SonogramView::CollectWindowState(ProfileSettings& settings) {
    m_s.StoreInto(settings);
}

int SonogramView::BitsPerSample() const {
    return m_doc.BitsPerSample() > 0 ? m_doc.BitsPerSample() : 16;
}

std::uint32_t SonogramView::Background() const {
    return m_s.colour1 ? 0x000000u : 0xFFFFFFu;
}

QColor SonogramView::TextColour() const {
    return m_s.colour1 ? QColor(255, 255, 255) : QColor(0, 0, 0);
}

void SonogramView::ShowFftPoints(int points) {
    if (m_moduleFrame) m_moduleFrame->SetControlInt(kCtrlFftPoints, points);
}

void SonogramView::EnsurePicture() {
    if (!m_picture.isNull()) return;
    QSize size = m_pictureSize;
    if (size.isEmpty()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        size = screen ? screen->size() * screen->devicePixelRatio() : QSize(1920, 1080);
    }
    m_picture = QImage(size.expandedTo(QSize(kKeyboardWidth + 20, 16)), QImage::Format_RGB32);
    if (m_picture.isNull()) {
        // Too big for the memory left: a smaller picture, scaled up, rather than none.
        constexpr qint64 kMiB = 1024 * 1024;
        m_doc.Ui().Message(kMsgNoMemory, MessageIcon::Exclamation,
                           QString::number((qint64(size.width()) * size.height() * 4 + kMiB - 1) / kMiB));
        m_picture = QImage(QSize(1024, 512), QImage::Format_RGB32);
    }
    m_picture.fill(Background());
}

void SonogramView::ApplyScale() {
    SonogramScale scale;
    scale.bottomCutHz = m_s.bottomCutHz;
    scale.topCutkHz = m_s.topCutkHz;
    scale.freqLinear = m_s.freqLinear;
    scale.ampLinear = m_s.ampLinear;
    scale.gain = m_gain;
    scale.bits = BitsPerSample();
    scale.smooth = m_s.smooth;
    const int height = m_picture.isNull() ? 1 : m_picture.height();
    // The rows of the bins are worked out again only when something changed.
    if (!(scale == m_sono.Scale()) || height != m_sono.Height()) m_sono.SetScale(scale, height);
}

void SonogramView::ClearPicture() {
    m_picture.fill(Background());
    m_x = m_s.lineWidth + 1;
    m_clear = false;
}

void SonogramView::FillColumns(int x, int width, std::uint32_t colour) {
    const int x0 = std::max(x, 0), x1 = std::min(x + width, m_picture.width());
    if (x0 >= x1) return;
    for (int y = 0; y < m_picture.height(); ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(m_picture.scanLine(y));
        std::fill(line + x0, line + x1, 0xFF000000u | colour);
    }
}

void SonogramView::AddColumn(const std::vector<double>& spectrum) {
    EnsurePicture();
    if (spectrum.size() <= 2) {
        PutColumn(nullptr);
        return;
    }
    ApplyScale();
    m_sono.Column(spectrum.data(), spectrum.size(), m_doc.SampleRate());
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(m_picture.height()));
    m_sono.Colour(Sonogram::Colours(m_s.colour1), Background(), colours.data());
    PutColumn(colours.data());
}

void SonogramView::PutColumn(const std::uint32_t* colours) {
    EnsurePicture();
    if (m_clear) ClearPicture();
    const int w = m_s.lineWidth;
    const int width = m_picture.width();
    if (m_x > width - w || m_x == w + 1) {
        m_x = w + 2;
        // The whole picture: columns of the previous round must not stay beside the new ones.
        FillColumns(0, width, Background());
    }
    FillColumns(m_x + 2 * w, w, kCursorColour);  // runs ahead of the newest column
    if (colours) {
        FillColumns(m_x + w, w, Background());
        const int x0 = std::max(m_x, 0), x1 = std::min(m_x + w, width);
        for (int y = 0; y < m_picture.height() && x0 < x1; ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(m_picture.scanLine(y));
            std::fill(line + x0, line + x1, 0xFF000000u | colours[static_cast<std::size_t>(y)]);
        }
    }
    m_x += w;
}

// ---------------------------------------------------------------------------------------
// Document hints

void SonogramView::OnUpdate(int hint) {
    const bool live = m_doc.Activity().Live();
    if (hint == kHintRemoveWave) {
        // The samples go: a rebuild must not read them any more.
        CancelRebuild(false);
        m_message.clear();
        m_clear = true;
    }
    if (hint == kHintRebuild) {
        // A new sound or a new FFT size: the whole sound is drawn again, at the size shown.
        ShowFftPoints(m_doc.FftPoints());
        if (m_doc.IsWaveLoaded() && !live && !m_keepCleared)
            StartRebuild();
        else
            CancelRebuild(false);
    }
    if (hint == kHintSpectrum && live) {
        ShowFftPoints(m_doc.FftPoints());
        m_message.clear();
        AddColumn(m_doc.Spectrum());
    }
    if (hint == kHintPlayStarted) CancelRebuild(false);
    if (hint == kHintSelectionSpectrum && !live) StartRebuild();
    update();
}

// ---------------------------------------------------------------------------------------
// The whole sound

bool SonogramView::PrepareRebuild() {
    CancelRebuild(false);
    m_build.reset();
    EnsurePicture();
    ApplyScale();
    ClearPicture();
    m_message.clear();
    if (!m_doc.IsWaveLoaded()) return false;
    const std::uint64_t n = m_doc.SampleCount();
    const int points = m_doc.FftPoints();
    if (points < 1 || n < static_cast<std::uint64_t>(points)) {
        m_message = Str(m_settings.IniAllgemeinGrundschulprofil ? kMsgSelectMore : kMsgTooLittle);
        return false;
    }
    const int w = m_s.lineWidth;
    const double across = std::max(m_picture.width() - kKeyboardWidth, 1);
    const std::uint64_t lastStart = n - static_cast<std::uint64_t>(points);
    const auto step = static_cast<std::uint64_t>(static_cast<double>(lastStart) / across * w);
    SonogramBuild::Layout layout;
    layout.step = step < 2 ? 1 : step;
    layout.points = points;
    layout.sampleRate = m_doc.SampleRate();
    // One column per line width from just right of the left edge, as far as the sound and the
    // picture reach.
    m_x = w + 2;
    const int room = m_picture.width() - w - m_x;
    layout.columns = room < 0 ? 0
                              : static_cast<std::size_t>(std::min<std::uint64_t>(
                                    lastStart / layout.step, static_cast<std::uint64_t>(room / w))) +
                                    1;
    // The worker threads read the samples; a new sound or its removal stops them first.
    const SoundDocument& doc = m_doc;
    SonogramBuild::SampleReader reader = [&doc](std::uint64_t first, std::size_t count, double* out) {
        for (std::size_t i = 0; i < count; ++i) out[i] = doc.Sample(static_cast<std::uint32_t>(first + i));
    };
    m_build = std::make_shared<SonogramBuild>(m_sono.Scale(), m_sono.Height(), Sonogram::Colours(m_s.colour1),
                                              Background(), layout, std::move(reader), m_export != nullptr);
    m_placed = 0;
    return true;
}

bool SonogramView::StartRebuild() {
    // A view that is never shown (a picture for the command line) draws at once.
    if (testAttribute(Qt::WA_DontShowOnScreen)) return RebuildNow();
    if (!PrepareRebuild()) {
        update();
        return false;
    }
    JobRunner::WorkerJob job = RebuildJob();
    job.ui = &m_doc.Ui();
    job.progressTitle = Str(kTextDrawing);
    job.progressText = [this] {
        const double done = m_build ? static_cast<double>(m_placed) /
                                          static_cast<double>(std::max<std::size_t>(m_build->Columns(), 1))
                                    : 0.0;
        return Str(kTextProgress, QString::number(static_cast<int>(100.0 * done)));
    };
    job.progress = [this] {
        TakeColumns();
        update();
    };
    m_job = m_doc.Jobs().StartWorker(std::move(job));
    return true;
}

bool SonogramView::RebuildNow() {
    if (!PrepareRebuild()) return false;
    m_rebuildingNow = true;
    JobRunner::RunNow(RebuildJob());
    return m_message.isEmpty();  // a message says the sound was too short or the drawing was cancelled
}

JobRunner::WorkerJob SonogramView::RebuildJob() {
    JobRunner::WorkerJob job;
    job.work = [build = m_build, threads = m_threads](const CancelToken& token) {
        try {
            build->Run(threads, token);
        } catch (const std::bad_alloc&) {
            // The columns not done stay missing; the rebuild ends as if cancelled.
            token.Cancel();
        }
    };
    job.finished = [this](JobRunner::Outcome outcome) { FinishRebuild(outcome); };
    return job;
}

void SonogramView::TakeColumns() {
    if (!m_build) return;
    const std::size_t finished = m_build->Finished();
    const bool drawn = m_build->Points() / 2 + 1 > 2;  // a spectrum of two values draws no column
    const double rate = m_doc.SampleRate() > 0 ? m_doc.SampleRate() : 1;
    for (; m_placed < finished; ++m_placed) {
        PutColumn(drawn ? m_build->Colours(m_placed) : nullptr);
        const double* levels = m_build->LevelsDb(m_placed);
        if (m_export && levels) {
            // Bottom row first, as the header lists the frequencies; the measured levels, not
            // the colours, so that a row louder than the top colour still reads its own level.
            *m_export += SpreadsheetNumber(static_cast<double>(m_build->Start(m_placed)) / rate);
            for (int row = m_build->Height() - 1; row >= 0; --row) {
                *m_export += u'\t';
                if (std::isfinite(levels[row])) *m_export += SpreadsheetNumber(levels[row]);
            }
            *m_export += QLatin1String("\r\n");
        }
    }
}

void SonogramView::FinishRebuild(JobRunner::Outcome outcome) {
    m_job = 0;
    m_rebuildingNow = false;
    if (outcome == JobRunner::Outcome::Finished) {
        TakeColumns();
    } else {
        // Never a part of the sound that looks like all of it.
        ClearPicture();
        if (outcome == JobRunner::Outcome::Cancelled) m_message = Str(kMsgCancelled);
    }
    m_build.reset();
    update();
}

void SonogramView::CancelRebuild(bool tell) {
    if (m_job == 0) return;
    m_doc.Jobs().Stop(m_job);
    if (tell) m_message = Str(kMsgCancelled);
}

QString SonogramView::ExportTable() {
    EnsurePicture();
    ApplyScale();
    QString text = Str(kTextTime);
    for (int row = m_picture.height() - 1; row >= 0; --row) {
        text += u'\t';
        text += SpreadsheetNumber(m_sono.FrequencyAt(row));
    }
    text += QLatin1String("\r\n");
    QString lines;
    m_export = &lines;
    const bool drawn = RebuildNow();
    m_export = nullptr;
    if (!drawn && lines.isEmpty()) return {};
    return text + lines;
}

// ---------------------------------------------------------------------------------------
// Painting

void SonogramView::paintEvent(QPaintEvent*) {
    EnsurePicture();
    if (m_clear) ClearPicture();
    QPainter painter(this);
    OnDraw(painter, rect());
}

void SonogramView::OnDraw(QPainter& painter, const QRect& rect) const {
    const QColor background = QColor::fromRgb(Background());
    painter.fillRect(rect, background);
    const QRect target(kKeyboardWidth, 0, std::max(0, rect.width() - kKeyboardWidth - ScaleWidth()),
                       rect.height());
    if (!m_picture.isNull() && !target.isEmpty()) {
        // The full-screen picture shrinks into the window: averaged, so that no column is lost.
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, m_picture);
        painter.restore();
    }
    DrawKeyboard(painter, rect);
    DrawScale(painter, rect);
    if (!m_message.isEmpty()) {
        painter.setPen(TextColour());
        painter.setFont(ViewFont(16));
        QRect box = painter.fontMetrics().boundingRect(rect, Qt::AlignHCenter | Qt::AlignTop, m_message);
        box.adjust(-6, 4, 6, 8);
        painter.fillRect(box, background);
        painter.drawText(box, Qt::AlignCenter, m_message);
    }
}

double SonogramView::FrequencyAt(int y) const {
    const int bottom = std::max(height(), 1);
    return m_sono.FrequencyAt(static_cast<double>(y) * m_sono.Height() / bottom);
}

void SonogramView::DrawKeyboard(QPainter& painter, const QRect& rect) const {
    const int bottom = rect.height();
    painter.fillRect(QRect(0, 0, kKeyboardWidth, bottom), QColor::fromRgb(Background()));
    const auto yOf = [&](double f) {
        return static_cast<int>(std::trunc(bottom * (1.0 - m_sono.Fraction(f))));
    };
    constexpr int kKeys = 88;
    std::array<int, kKeys + 1> y{};
    for (int k = 0; k <= kKeys; ++k) y[static_cast<std::size_t>(k)] = yOf(27.5 * std::exp2(k / 12.0));
    painter.save();
    painter.setClipRect(QRect(0, 0, kKeyboardWidth, bottom));
    // The white keys: one strip from the lowest to the highest key.
    const int halfFirst = std::max(1, (y[0] - y[1]) / 2),
              halfLast = std::max(1, (y[kKeys - 2] - y[kKeys - 1]) / 2);
    painter.fillRect(QRect(QPoint(0, y[kKeys - 1] - halfLast), QPoint(kKeyboardWidth - 1, y[0] + halfFirst)),
                     Qt::white);
    painter.setPen(QPen(Qt::black, 1));
    for (int k = 0; k < kKeys; ++k) {
        const int key = k % 12;  // 0 is A
        const int yk = y[static_cast<std::size_t>(k)];
        const int spacing = std::max(1, yk - y[static_cast<std::size_t>(k) + 1]);
        if (key == 1 || key == 4 || key == 6 || key == 9 || key == 11) {
            painter.fillRect(QRect(0, yk - spacing / 2, 15, spacing), Qt::black);
            painter.drawLine(15, yk, kKeyboardWidth, yk);
        } else if (key == 2 || key == 7) {
            // B-C and E-F meet without a black key between them.
            const int ys = (yk + y[static_cast<std::size_t>(k) + 1]) / 2;
            painter.drawLine(0, ys, kKeyboardWidth, ys);
        }
    }
    painter.drawLine(kKeyboardWidth - 1, 0, kKeyboardWidth - 1, bottom);
    painter.restore();
}

int SonogramView::ScaleWidth() {
    const QFontMetrics metrics(ViewFont(kScaleFont));
    int widest = 0;
    // Every label the scale can show: the A notes of the logarithmic scale, whole kHz of the linear one.
    for (int k = 0; k <= kLastNoteTick; ++k)
        widest = std::max(widest, metrics.horizontalAdvance(FrequencyScaleLabel(NoteTick(k))));
    for (int k = 0; k <= kLastKHzTick; ++k)
        widest = std::max(widest, metrics.horizontalAdvance(FrequencyScaleLabel(k * 1000.0)));
    return kLabelLeft + widest + kLabelRight;
}

void SonogramView::DrawScale(QPainter& painter, const QRect& rect) const {
    const int right = rect.width();
    const int bottom = rect.height();
    const int scaleWidth = ScaleWidth();
    const int left = right - scaleWidth;
    painter.fillRect(QRect(left, 0, scaleWidth, bottom), QColor::fromRgb(Background()));
    painter.setFont(ViewFont(kScaleFont));
    const auto yOf = [&](double f) {
        return static_cast<int>(std::clamp(std::trunc(bottom * (1.0 - m_sono.Fraction(f))), -1.0e6, 1.0e6));
    };
    std::vector<double> ticks;
    if (m_s.freqLinear) {
        const double fmax = m_s.topCutkHz * 1000.0;
        const double u0 = m_s.bottomCutHz / fmax;
        const int step =
            std::max(1, static_cast<int>(std::floor((fmax - m_s.bottomCutHz) / 11000.0 + (1.0 - u0))));
        const int last = std::max(m_doc.SampleRate() / 2000, m_s.topCutkHz);
        for (int k = 0; k <= last; k += step) ticks.push_back(k * 1000.0);
    } else {
        for (int k = 0; k <= kLastNoteTick; ++k) ticks.push_back(NoteTick(k));
    }
    const QPen red(QColor(255, 0, 0), 1);
    std::optional<int> previous;
    for (double f : ticks) {
        const int y = yOf(f);
        painter.setPen(red);
        if (previous) {
            for (int j = 1; j < 12; ++j) {
                const int my = *previous + (y - *previous) * j / 12;
                if (my >= 0 && my <= bottom) painter.drawLine(left, my, left + 3, my);
            }
        }
        previous = y;
        if (y < 0 || y > bottom) continue;
        painter.drawLine(left, y, left + 7, y);
        if (y - 7 >= 0 && y - 7 <= bottom) {
            painter.setPen(TextColour());
            painter.drawText(QRect(QPoint(left + kLabelLeft, y - 7), QPoint(right, y + 7)),
                             Qt::AlignLeft | Qt::AlignVCenter, FrequencyScaleLabel(f));
        }
    }
}

// ---------------------------------------------------------------------------------------
// Mouse

void SonogramView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && p.x() < kKeyboardWidth + 1)
        m_doc.Beep(FrequencyAt(p.y()), kClickToneMs);
}

void SonogramView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const double f = FrequencyAt(p.y());
    if (m_frequencyListener) m_frequencyListener(f);
    if ((event->buttons() & Qt::LeftButton) && p.x() < kKeyboardWidth + 1) m_doc.Beep(f, kDragToneMs);
}

// ---------------------------------------------------------------------------------------
// Control bar

void SonogramView::Changed(bool redraw) {
    if (m_listener) m_listener(m_s);
    ApplyScale();
    if (redraw) {
        m_clear = true;
        // A loaded sound is drawn again with the new scale; a live picture starts anew.
        if (m_doc.IsWaveLoaded() && !m_doc.Activity().Live())
            StartRebuild();
        else
            CancelRebuild(false);
    }
    update();
}

void SonogramView::OnBottomCutHz(int hz) {
    m_s.bottomCutHz = SonogramViewSettings::Key("IniSonoBottomCutHz").Clamped(hz);
    Changed(true);
}

void SonogramView::OnTopCutkHz(int khz) {
    m_s.topCutkHz = SonogramViewSettings::Key("IniSonoTopCutkHz").Clamped(khz);
    Changed(true);
}

void SonogramView::OnAmplitudeLinear(bool linear) {
    m_s.ampLinear = linear;
    Changed(!m_doc.Activity().Live());  // a live picture takes it from the next column on
}

void SonogramView::OnFrequencyLinear(bool linear) {
    m_s.freqLinear = linear;
    Changed(true);
}

void SonogramView::OnPalette(bool colour1) {
    m_s.colour1 = colour1;
    Changed(!m_doc.Activity().Live());
}

void SonogramView::OnLineWidth(int width) {
    m_s.lineWidth = std::clamp(width, 1, 9);
    Changed(true);
}

void SonogramView::OnSmooth(bool on) {
    m_s.smooth = on;
    if (m_listener) m_listener(m_s);
    ApplyScale();
}

void SonogramView::OnZoom(int position) {
    m_gain = 4.0 * std::clamp(position, 0, 10) + 1.0;
    Changed(true);
}

// ---------------------------------------------------------------------------------------
// Commands

bool SonogramView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy ||
           command == ViewCommand::ClearAllData;
}

void SonogramView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = m_doc.Ui();
    const auto paint = [this](QPainter& painter, const QRect& rect) { OnDraw(painter, rect); };
    switch (command) {
        case ViewCommand::SaveView:
            SaveViewPicture(ui, Str(kTitleSave), PictureName(), size(), paint);
            break;
        case ViewCommand::Copy:
            CopyViewPicture(ui, PictureName(), size(), paint);
            break;
        case ViewCommand::ClearAllData:
            CancelRebuild(false);
            m_message.clear();
            m_clear = true;
            m_doc.DeleteContents();
            update();
            m_keepCleared = true;  // the picture stays empty until the next selection or sound
            m_doc.UpdateAllViews(kHintRebuild);
            m_keepCleared = false;
            break;
        case ViewCommand::ExportData:
            break;
    }
}
