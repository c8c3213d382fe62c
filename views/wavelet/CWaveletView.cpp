#include "views/wavelet/CWaveletView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "analysis/wavelet_fkt.h"
#include "document/AppFlags.h"
#include "document/CKalvoDoc.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "views/common/ViewFont.h"
#include "views/common/ViewPicture.h"

namespace {

constexpr int kMsgNoResult = 61580;
constexpr int kTitleSave = 64009;
constexpr int kFirstDescription = 61568;
constexpr int kTextHeight = 15;
const QColor kBackground(0, 0, 0);
const QColor kTextColour(255, 255, 255);

const char* const kPresets[CWaveletView::kWaveletCount] = {"", "", "", "", "2", "2,2", "2", "10,10"};

}  // namespace

CWaveletView::CWaveletView(CKalvoDoc& doc, CKalvoSettings& settings, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_settings(settings), m_settingsCopy(WaveletViewSettings::From(settings)) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is drawn
    setMinimumSize(120, 90);
    m_doc.AddView(this);
}

CWaveletView::~CWaveletView() {
    m_doc.RemoveView(this);
    m_settingsCopy.StoreInto(m_settings);
}

void CWaveletView::OnInitialUpdate() {
    m_settingsCopy = WaveletViewSettings::From(m_settings);
    // A selection made while the window was closed is shown at once.
    Changed();
}

void CWaveletView::CollectWindowState(CKalvoSettings& settings) { m_settingsCopy.StoreInto(settings); }

void CWaveletView::OnUpdate(int hint) {
    if (hint == kHintChannelChosen || hint == kHintRemoveWave || hint == kHintRebuild || g_bSelectionSpectrum) update();
}

void CWaveletView::Changed() {
    m_settingsCopy.ApplyTo(m_doc.m_cwtParameters);
    {
        BusyCursor busy(m_doc.Ui());
        m_doc.ComputeWaveletTransform();
    }
    if (m_listener) m_listener(m_settingsCopy);
    update();
}

// ---- the controls

QString CWaveletView::SpecName(int index) {
    return index >= 0 && index < kWaveletCount ? QString::fromLatin1(kWaveletSpecNames[index]) : QString();
}

QString CWaveletView::PresetArguments(int index) {
    return index >= 0 && index < kWaveletCount ? QString::fromLatin1(kPresets[index]) : QString();
}

QString CWaveletView::Description(int index) {
    return index >= 0 && index < kWaveletCount ? Str(kFirstDescription + index) : QString();
}

void CWaveletView::OnWavelet(int index) {
    if (index < 0 || index >= kWaveletCount) return;
    m_settingsCopy.spec = IsComplex(index) ? SpecName(index) + u',' + PresetArguments(index) : SpecName(index);
    Changed();
}

void CWaveletView::OnArguments(const QString& text) {
    const int index = m_settingsCopy.WaveletIndex();
    if (!IsComplex(index)) return;  // real wavelets take no arguments; their field is hidden
    const QString spec = SpecName(index) + u',' + text;
    if (spec == m_settingsCopy.spec) return;
    // Refused arguments are told now; the wavelet stays as it was.
    if (!m_doc.CheckWaveletSpec(spec)) {
        if (m_listener) m_listener(m_settingsCopy);  // the field shows the arguments in use again
        return;
    }
    m_settingsCopy.spec = spec;
    Changed();
}

void CWaveletView::OnMinFrequency(int hz) {
    m_settingsCopy.scaleFirst = 1.0f / static_cast<float>(std::max(hz, 1));
    Changed();
}

void CWaveletView::OnMaxFrequency(int hz) {
    m_settingsCopy.scaleLast = 1.0f / static_cast<float>(std::max(hz, 1));
    Changed();
}

void CWaveletView::OnScales(int count) {
    m_settingsCopy.scaleCount = std::clamp(count, 1, WaveletViewSettings::kMostScales);
    Changed();
}

void CWaveletView::OnTimePoints(int count) {
    m_settingsCopy.timeCount = std::clamp(count, 1, WaveletViewSettings::kMostTimePoints);
    Changed();
}

void CWaveletView::OnDivision(int type) {
    if (type < 0 || type > 2) return;
    m_settingsCopy.division = type;
    Changed();
}

// ---- drawing

QRgb CWaveletView::PaletteColor(int index) {
    index = std::clamp(index, 0, kPaletteSize - 1);
    const int i = index % 256;
    switch (index / 256) {
    case 0: return qRgb(i, 0, 0);          // black -> red
    case 1: return qRgb(255, i, 0);        // red -> yellow
    case 2: return qRgb(255 - i, 255, 0);  // yellow -> green
    case 3: return qRgb(0, 255, i);        // green -> cyan
    case 4: return qRgb(0, 255 - i, 255);  // cyan -> blue
    case 5: return qRgb(i, 0, 255);        // blue -> magenta
    default: return qRgb(255, i, 255);     // magenta -> white
    }
}

int CWaveletView::PaletteIndex(float value) {
    if (!(value > 0.0f)) return 0;
    const float entry = value * float(kPaletteSize) / 255.0f;
    return entry >= float(kPaletteSize - 1) ? kPaletteSize - 1 : static_cast<int>(entry);
}

void CWaveletView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    OnDraw(painter, rect());
}

void CWaveletView::OnDraw(QPainter& painter, const QRect& rect) const {
    painter.save();
    painter.fillRect(rect, kBackground);
    const std::vector<float>& result = m_doc.m_aWaveletResult;
    const auto rows = result.size() > 5 ? static_cast<std::size_t>(result[0]) : 0;
    const auto columns = result.size() > 5 ? static_cast<std::size_t>(result[1]) : 0;
    if (rows > 0 && columns > 0 && result.size() >= 2 + rows * columns) {
        const double width = double(rect.width()) / double(columns);
        const double height = double(rect.height()) / double(rows);
        const int bottom = rect.height();
        for (std::size_t r = 0; r < rows; ++r) {
            // Row 0 is the bottom band.
            const int top = rect.top() + static_cast<int>(bottom - double(r + 1) * height);
            const int below = rect.top() + static_cast<int>(bottom - double(r) * height);
            const float* values = result.data() + 2 + r * columns;
            for (std::size_t k = 0; k < columns; ++k) {
                const int left = rect.left() + static_cast<int>(double(k) * width);
                const int right = rect.left() + static_cast<int>(double(k + 1) * width);
                if (right <= left || below <= top) continue;
                painter.fillRect(QRect(left, top, right - left, below - top), QColor(PaletteColor(PaletteIndex(values[k]))));
            }
        }
    } else {
        painter.setPen(kTextColour);
        painter.setFont(ViewFont(kTextHeight));
        painter.drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, Str(kMsgNoResult));
    }
    painter.restore();
}

// ---- commands

bool CWaveletView::HasCommand(ViewCommand command) const {
    return command == ViewCommand::SaveView || command == ViewCommand::Copy;
}

void CWaveletView::OnViewCommand(ViewCommand command) {
    UserInterface& ui = m_doc.Ui();
    const auto paint = [this](QPainter& painter, const QRect& rect) { OnDraw(painter, rect); };
    if (command == ViewCommand::SaveView) SaveViewPicture(ui, Str(kTitleSave), PictureName(), size(), paint);
    else if (command == ViewCommand::Copy) CopyViewPicture(ui, PictureName(), size(), paint);
}
