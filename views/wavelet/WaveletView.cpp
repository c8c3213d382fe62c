#include "views/wavelet/WaveletView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "analysis/CwtParameters.h"
#include "analysis/WaveletFunction.h"
#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "views/common/ViewFont.h"
#include "views/common/ViewPicture.h"
#include "views/wavelet/WaveletExport.h"

namespace {

constexpr int kMsgNoResult = 61580;
constexpr int kTitleSave = 64009;
constexpr int kFirstDescription = 61568;
constexpr int kTextHeight = 15;
const QColor kBackground(0, 0, 0);
const QColor kTextColour(255, 255, 255);

const char* const kPresets[WaveletView::kWaveletCount] = {"", "", "", "", "2", "2,2", "2", "10,10"};

constexpr int kMsgProfileWavelet = 64049;
constexpr int kAxisWidth = 62;  // the frequency scale left of the map
constexpr int kAxisTextHeight = 13;
constexpr int kLabelSpacing = 18;  // least distance of two labels, pixels
const QColor kTickColour(255, 0, 0);

// "440 Hz", "2.5 Hz", "1.25 kHz" ("1,25 kHz" in German).
QString AxisLabel(double hz) {
    const bool kilo = hz >= 1000.0;
    const double value = kilo ? hz / 1000.0 : hz;
    QString text = QString::number(value, 'f', value < 10.0 ? 2 : value < 100.0 ? 1 : 0);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0')) text.chop(1);
        if (text.endsWith(u'.')) text.chop(1);
    }
    if (CurrentLanguage() == Language::German) text.replace(u'.', u',');
    return text + (kilo ? QStringLiteral(" kHz") : QStringLiteral(" Hz"));
}

// Round frequencies between the lowest and highest row, roundest first: 1, 2 and 5 times a
// power of ten, then one, two and three significant digits.
std::vector<std::vector<double>> RoundFrequencies(double lo, double hi) {
    std::vector<std::vector<double>> levels(5);
    if (!(lo > 0.0) || !(hi >= lo)) return levels;
    const int first = static_cast<int>(std::floor(std::log10(lo))) - 1;
    const int last = static_cast<int>(std::ceil(std::log10(hi)));
    for (int k = first; k <= last; ++k) {
        const double unit = std::pow(10.0, k);
        for (int m = 100; m < 1000; ++m) {
            const double f = m * unit / 100.0;
            if (f < lo || f > hi) continue;
            const int level = m == 100                 ? 0
                              : (m == 200 || m == 500) ? 1
                              : m % 100 == 0           ? 2
                              : m % 10 == 0            ? 3
                                                       : 4;
            levels[static_cast<std::size_t>(level)].push_back(f);
        }
    }
    return levels;
}

}  // namespace

WaveletView::WaveletView(SoundDocument& doc, ProfileSettings& settings, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_settings(settings), m_settingsCopy(WaveletViewSettings::From(settings)) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is drawn
    setMinimumSize(120, 90);
    m_doc.AddView(this);
}

WaveletView::~WaveletView() {
    m_doc.RemoveView(this);
    m_settingsCopy.StoreInto(m_settings);
}

void WaveletView::OnInitialUpdate() {
    m_settingsCopy = WaveletViewSettings::From(m_settings);
    // A profile's wavelet text that is refused gives way to the default one, told once: the
    // settings take the default at once, so the next window or profile save has it.
    const WaveletError refused = check_wavelet_spec(m_settingsCopy.spec.toStdString());
    if (refused.code != WaveletError::none) {
        const QString profileSpec = m_settingsCopy.spec;
        m_settingsCopy.spec = QString::fromLatin1(WaveletViewSettings::kDefaultSpec);
        m_settingsCopy.Sanitize();
        m_settings.IniWaveletWavelet = m_settingsCopy.spec;
        m_doc.Ui().Message(kMsgProfileWavelet, MessageIcon::Exclamation, profileSpec,
                           SoundDocument::WaveletRefusalText(refused).trimmed(), m_settingsCopy.spec);
    }
    // A selection made while the window was closed is shown at once.
    Changed();
}

void WaveletView::CollectWindowState(ProfileSettings& settings) {
    m_settingsCopy.StoreInto(settings);
}

void WaveletView::OnUpdate(int hint) {
    // A new selection has a new transform.
    if (hint == kHintChannelChosen || hint == kHintRemoveWave || hint == kHintRebuild ||
        IsSelectionHint(hint))
        update();
}

void WaveletView::Changed() {
    CwtParameters parameters = m_doc.WaveletParameters();
    m_settingsCopy.ApplyTo(parameters);
    m_doc.SetWaveletParameters(parameters);
    {
        BusyCursor busy(m_doc.Ui());
        m_doc.ComputeWaveletTransform();
    }
    if (m_listener) m_listener(m_settingsCopy);
    update();
}

// ---- the controls

QString WaveletView::SpecName(int index) {
    return index >= 0 && index < kWaveletCount ? QString::fromLatin1(kWaveletSpecNames[index]) : QString();
}

QString WaveletView::PresetArguments(int index) {
    return index >= 0 && index < kWaveletCount ? QString::fromLatin1(kPresets[index]) : QString();
}

QString WaveletView::Description(int index) {
    return index >= 0 && index < kWaveletCount ? Str(kFirstDescription + index) : QString();
}

void WaveletView::OnWavelet(int index) {
    if (index < 0 || index >= kWaveletCount) return;
    m_settingsCopy.SetSpec(IsComplex(index) ? SpecName(index) + u',' + PresetArguments(index)
                                            : SpecName(index));
    Changed();
}

void WaveletView::OnArguments(const QString& text) {
    const int index = m_settingsCopy.WaveletIndex();
    if (!IsComplex(index)) return;  // real wavelets take no arguments; their field is hidden
    const QString spec = SpecName(index) + u',' + text;
    if (spec == m_settingsCopy.spec) return;
    // Refused arguments are told now; the wavelet stays as it was.
    if (!m_doc.CheckWaveletSpec(spec)) {
        if (m_listener) m_listener(m_settingsCopy);  // the field shows the arguments in use again
        return;
    }
    m_settingsCopy.SetSpec(spec);
    Changed();
}

void WaveletView::OnMinFrequency(int hz) {
    m_settingsCopy.scaleFirst = m_settingsCopy.ScaleOf(hz);
    Changed();
}

void WaveletView::OnMaxFrequency(int hz) {
    m_settingsCopy.scaleLast = m_settingsCopy.ScaleOf(hz);
    Changed();
}

void WaveletView::OnScales(int count) {
    m_settingsCopy.scaleCount = WaveletViewSettings::Key("IniWaveletFreqn").Clamped(count);
    Changed();
}

void WaveletView::OnTimePoints(int count) {
    m_settingsCopy.timeCount = WaveletViewSettings::Key("IniWaveletZeitn").Clamped(count);
    Changed();
}

void WaveletView::OnDivision(int type) {
    if (type < 0 || type > 2) return;
    m_settingsCopy.division = type;
    Changed();
}

// ---- drawing

QRgb WaveletView::PaletteColor(int index) {
    index = std::clamp(index, 0, kPaletteSize - 1);
    const int i = index % 256;
    switch (index / 256) {
        case 0:
            return qRgb(i, 0, 0);  // black -> red
        case 1:
            return qRgb(255, i, 0);  // red -> yellow
        case 2:
            return qRgb(255 - i, 255, 0);  // yellow -> green
        case 3:
            return qRgb(0, 255, i);  // green -> cyan
        case 4:
            return qRgb(0, 255 - i, 255);  // cyan -> blue
        case 5:
            return qRgb(i, 0, 255);  // blue -> magenta
        default:
            return qRgb(255, i, 255);  // magenta -> white
    }
}

int WaveletView::PaletteIndex(float value) {
    if (!(value > 0.0f)) return 0;
    const float entry = value * float(kPaletteSize) / 255.0f;
    return entry >= float(kPaletteSize - 1) ? kPaletteSize - 1 : static_cast<int>(entry);
}

void WaveletView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    OnDraw(painter, rect());
}

const std::vector<double>& WaveletView::RowFrequencies() const {
    const CwtParameters& p = m_doc.WaveletParameters();
    const auto key = std::make_tuple(p.wavelet, p.scale_first, p.scale_last, p.scale_count, p.division_type);
    if (!m_rowKey || *m_rowKey != key) {
        m_rowFrequencies = WaveletRowFrequencies(p);
        m_rowKey = key;
    }
    return m_rowFrequencies;
}

void WaveletView::OnDraw(QPainter& painter, const QRect& rect) const {
    painter.save();
    painter.fillRect(rect, kBackground);
    const std::vector<float>& result = m_doc.WaveletResult();
    const auto rows = result.size() > 5 ? static_cast<std::size_t>(result[0]) : 0;
    const auto columns = result.size() > 5 ? static_cast<std::size_t>(result[1]) : 0;
    if (rows > 0 && columns > 0 && result.size() >= 2 + rows * columns) {
        // The frequency scale takes the left edge when there is room for it beside the map.
        const std::vector<double>& frequencies = RowFrequencies();
        const bool axis = frequencies.size() == rows && rect.width() >= 3 * kAxisWidth;
        const QRect map = axis ? rect.adjusted(kAxisWidth, 0, 0, 0) : rect;
        const double width = double(map.width()) / double(columns);
        const double height = double(map.height()) / double(rows);
        const int bottom = map.height();
        for (std::size_t r = 0; r < rows; ++r) {
            // Row 0 is the bottom band.
            const int top = map.top() + static_cast<int>(bottom - double(r + 1) * height);
            const int below = map.top() + static_cast<int>(bottom - double(r) * height);
            const float* values = result.data() + 2 + r * columns;
            for (std::size_t k = 0; k < columns; ++k) {
                const int left = map.left() + static_cast<int>(double(k) * width);
                const int right = map.left() + static_cast<int>(double(k + 1) * width);
                if (right <= left || below <= top) continue;
                painter.fillRect(QRect(left, top, right - left, below - top),
                                 QColor(PaletteColor(PaletteIndex(values[k]))));
            }
        }
        if (axis)
            DrawFrequencyAxis(painter, QRect(rect.left(), rect.top(), kAxisWidth, rect.height()),
                              frequencies);
    } else {
        painter.setPen(kTextColour);
        painter.setFont(ViewFont(kTextHeight));
        painter.drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, Str(kMsgNoResult));
    }
    painter.restore();
}

std::optional<double> WaveletView::RowPosition(const std::vector<double>& frequencies, double hz) {
    const std::size_t rows = frequencies.size();
    if (rows == 0) return std::nullopt;
    if (rows == 1) return hz == frequencies[0] ? std::optional<double>(0.5) : std::nullopt;
    for (std::size_t r = 0; r + 1 < rows; ++r) {
        const double a = frequencies[r], b = frequencies[r + 1];
        if (!(a > 0.0) || !(b > 0.0) || a == b) continue;
        if ((hz - a) * (hz - b) > 0.0) continue;
        // Rows lie evenly in the scale's division; between two neighbours the logarithm is
        // close enough.
        return double(r) + 0.5 + std::log(hz / a) / std::log(b / a);
    }
    return std::nullopt;
}

void WaveletView::DrawFrequencyAxis(QPainter& painter, const QRect& strip,
                                    const std::vector<double>& frequencies) {
    const auto [lo, hi] = std::minmax_element(frequencies.begin(), frequencies.end());
    const double rowHeight = double(strip.height()) / double(frequencies.size());
    std::vector<int> placed;
    std::vector<std::pair<int, double>> ticks;
    for (const std::vector<double>& level : RoundFrequencies(*lo, *hi)) {
        for (double f : level) {
            const std::optional<double> row = RowPosition(frequencies, f);
            if (!row) continue;
            const int y =
                strip.top() + static_cast<int>(std::lround(double(strip.height()) - *row * rowHeight));
            if (y < strip.top() + kAxisTextHeight / 2 || y > strip.bottom() - kAxisTextHeight / 2) continue;
            if (std::any_of(placed.begin(), placed.end(),
                            [y](int other) { return std::abs(other - y) < kLabelSpacing; }))
                continue;
            placed.push_back(y);
            ticks.emplace_back(y, f);
        }
    }
    painter.setFont(ViewFont(kAxisTextHeight));
    const int right = strip.right();
    for (const auto& [y, f] : ticks) {
        painter.setPen(kTickColour);
        painter.drawLine(right - 5, y, right, y);
        painter.setPen(kTextColour);
        painter.drawText(
            QRect(strip.left() + 1, y - kAxisTextHeight / 2 - 1, strip.width() - 8, kAxisTextHeight + 2),
            Qt::AlignRight | Qt::AlignVCenter, AxisLabel(f));
    }
}

QString WaveletView::FrequencyLabel(double hz) {
    return AxisLabel(hz);
}

// ---- commands

bool WaveletView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy;
}

void WaveletView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = m_doc.Ui();
    const auto paint = [this](QPainter& painter, const QRect& rect) { OnDraw(painter, rect); };
    if (command == ViewCommand::SaveView)
        SaveViewPicture(ui, Str(kTitleSave), PictureName(), size(), paint);
    else if (command == ViewCommand::Copy)
        CopyViewPicture(ui, PictureName(), size(), paint);
}
