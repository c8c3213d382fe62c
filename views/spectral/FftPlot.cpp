#include "views/spectral/FftPlot.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "analysis/CubicSpline.h"
#include "analysis/SpectrumScale.h"

namespace {

constexpr int kLeft = 20;      // the amplitude axis strip
constexpr int kTop = 25;       // top of the plot
constexpr int kHitRadius = 5;  // a right click this near a peak removes it
// A peak quieter than this (relative to a full-scale sine, -68 dB) is never marked.
constexpr double kPeakFloor = 4e-4;

// A double far outside the picture still becomes a valid pixel coordinate.
int ToPixel(double v) {
    return static_cast<int>(std::clamp(v, -1.0e6, 1.0e6));
}

}  // namespace

void FftPlot::SetGeometry(const QRect& client, int sampleRate, int bits) {
    m_right = client.width();
    m_bottom = client.height();
    m_height = m_bottom - 45;
    m_rate = sampleRate;
    m_unit = SpectrumScale::Magnitude(0.0, bits > 0 ? bits : 16);
    m_max = settings.topCutkHz * 1000.0;
    m_min = settings.bottomCutHz;
    if (settings.freqLinear)
        m_0 = m_min / m_max;
    else
        m_0 = static_cast<double>(std::log(static_cast<float>(m_min)) / std::log(static_cast<float>(m_max)));
    m_topAmplitude = std::pow(10.0, settings.topDb / 20.0);
    m_bottomAmplitude = std::pow(10.0, settings.bottomDb / 20.0);
}

double FftPlot::Ratio(double f) const {
    double u = 0.0;
    if (settings.freqLinear)
        u = f / m_max;
    else
        u = f > 0 ? static_cast<double>(std::log(static_cast<float>(f)) / std::log(static_cast<float>(m_max)))
                  : -1e9;
    return (u - m_0) / (1.0 - m_0);
}

int FftPlot::XOfRatio(double r) const {
    return ToPixel(kLeft + (m_right - kLeft) * r);
}

int FftPlot::YOfAmplitude(double a) const {
    const int base = Base();
    double y = 0.0;
    if (settings.ampLinear) {
        y = base - m_height * (a - m_bottomAmplitude) / (m_topAmplitude - m_bottomAmplitude);
    } else {
        if (!(a > 0.0)) return base;
        y = base - m_height * (std::log(a) - std::log(m_bottomAmplitude)) /
                       (std::log(m_topAmplitude) - std::log(m_bottomAmplitude));
    }
    return std::min(ToPixel(y), base);
}

double FftPlot::FrequencyAt(int x) const {
    const double u = m_0 + double(x - kLeft) / double(std::max(m_right - kLeft, 1)) * (1.0 - m_0);
    return settings.freqLinear ? u * m_max : std::exp(std::log(m_max) * u);
}

int FftPlot::YOfLevel(double db) const {
    return YOfAmplitude(std::pow(10.0, db / 20.0));
}

double FftPlot::RelativeAmplitudeAt(int y) const {
    const double t = double(Base() - y) / double(std::max(m_height, 1));
    if (settings.ampLinear)
        return std::max(m_bottomAmplitude + t * (m_topAmplitude - m_bottomAmplitude), 0.0);
    return std::exp(std::log(m_bottomAmplitude) +
                    (std::log(m_topAmplitude) - std::log(m_bottomAmplitude)) * t);
}

double FftPlot::AmplitudeAt(int y) const {
    return RelativeAmplitudeAt(y) * m_unit;
}

double FftPlot::LevelAt(int y) const {
    // Below the foot of a linear axis lies nothing: the floor, never -inf.
    const double a = RelativeAmplitudeAt(y);
    return a > 0.0 ? std::max(20.0 * std::log10(a), SpectrumScale::kLevelFloorDb)
                   : SpectrumScale::kLevelFloorDb;
}

double FftPlot::BinFrequency(std::size_t i) const {
    return SpectrumScale::BinFrequency(static_cast<double>(i), m_rate, m_points);
}

void FftPlot::Clear() {
    m_curve.assign(1, QPoint(0, 0));
    m_held.assign(1, QPoint(0, 0));
    m_peaks.clear();
    m_peakInfo.clear();
    m_edits.clear();
    m_spline.clear();
}

void FftPlot::Build(const std::vector<double>& spectrum) {
    const std::size_t n = spectrum.size();
    if (n != m_lastCount || n == 1) {
        m_curve.clear();
        m_held.clear();
        if (settings.DetectsPeaks()) {
            m_peaks.clear();
            m_peakInfo.clear();
            m_edits.clear();
            m_spline.clear();
        }
        m_curve.emplace_back(0, 0);
        m_lastCount = n;
    }
    // The values are bins 0 .. N/2 of an N-point transform.
    m_points = n >= 2 ? static_cast<int>(2 * (n - 1)) : 0;
    if (n < 3) return;
    BuildCurve(spectrum);
    if (settings.delayOn) ApplySlowFall();
    if (settings.DetectsPeaks()) DetectPeaks(spectrum);
}

void FftPlot::BuildCurve(const std::vector<double>& spectrum) {
    const std::size_t n = spectrum.size();
    m_curve.clear();
    m_skipped = 0;
    int previousX = kLeft;
    int columnTop = INT_MAX;  // the highest point (smallest y) of bins that fell on the previous x
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double f = std::trunc(BinFrequency(i));
        if (f <= m_min) {
            ++m_skipped;
            continue;
        }
        const double r = Ratio(f);
        if (r > 1.0) continue;
        const int x = XOfRatio(r);
        int y = YOfValue(spectrum[i]);
        if (x == previousX) {
            // Many bins to one pixel column: the column shows the highest of them.
            columnTop = std::min(columnTop, y);
            continue;
        }
        y = std::min(y, columnTop);
        columnTop = INT_MAX;
        previousX = x;
        const std::size_t index = m_curve.size();
        if (settings.hold && index < m_held.size() && m_held[index].y() <= y)
            m_curve.push_back(m_held[index]);
        else
            m_curve.emplace_back(x, y);
    }
}

void FftPlot::ApplySlowFall() {
    // Every point sinks by at most the fall per repaint below where it was last time, and
    // never below the spectrum it stands for. The curve holds no skipped bins, so the whole
    // curve takes part.
    const std::size_t last = std::min(m_curve.size(), m_held.size());
    for (std::size_t i = 0; i + 1 < m_curve.size() && i < last; ++i) {
        const int y = m_curve[i].y();
        if (y > m_held[i].y()) m_curve[i].setY(std::min(y, m_held[i].y() + settings.delay));
    }
}

void FftPlot::DetectPeaks(const std::vector<double>& spectrum) {
    m_peaks.clear();
    m_peakInfo.clear();
    m_peaks.emplace_back(kLeft, Base());
    m_peakInfo.push_back({});
    FindSpectrumPeaks(spectrum, static_cast<std::size_t>(m_skipped), settings.minDistNeighbour,
                      kPeakFloor * m_unit, m_found);
    for (const SpectrumPeak& peak : m_found) {
        const double f = std::trunc(BinFrequency(peak.index));
        const double r = Ratio(f);
        // A peak beyond the end of the axis would pull the curve out of the picture.
        if (r > 1.0) continue;
        m_peaks.emplace_back(XOfRatio(r) + 1, YOfValue(peak.value));
        m_peakInfo.push_back({PeakInfo::kDetected, BinFrequency(peak.index), peak.value});
    }
    MergePeaks();
    ReplayEdits();
    m_peaks.emplace_back(m_right, Base());
    m_peakInfo.push_back({});
    m_spline.clear();
    if (settings.spline && settings.splineType == FftViewSettings::kCubic) {
        std::vector<SplinePoint> points;
        points.reserve(m_peaks.size());
        for (const QPoint& p : m_peaks) points.push_back({p.x(), p.y()});
        std::vector<SplinePoint> curve;
        CubicSpline(points).Evaluate(curve);
        m_spline.reserve(curve.size());
        for (const SplinePoint& p : curve) m_spline.emplace_back(p.x, p.y);
    }
}

void FftPlot::MergePeaks() {
    // Of two peaks closer than the minimum distance the lower goes; of two equal ones the left.
    std::size_t j = 0;
    while (j + 1 < m_peaks.size()) {
        if (m_peaks[j].x() >= m_peaks[j + 1].x() - settings.minDistMaxima) {
            const std::size_t gone = m_peaks[j].y() < m_peaks[j + 1].y() ? j + 1 : j;
            m_peaks.erase(m_peaks.begin() + static_cast<std::ptrdiff_t>(gone));
            m_peakInfo.erase(m_peakInfo.begin() + static_cast<std::ptrdiff_t>(gone));
        } else {
            ++j;
        }
    }
}

void FftPlot::ReplayEdits() {
    for (const PeakEdit& edit : m_edits) {
        if (edit.remove) {
            // The start anchor stays; the end anchor is not in the list yet.
            if (edit.index > 0 && static_cast<std::size_t>(edit.index) < m_peaks.size()) {
                m_peaks.erase(m_peaks.begin() + edit.index);
                m_peakInfo.erase(m_peakInfo.begin() + edit.index);
            }
            continue;
        }
        const auto at = std::find_if(m_peaks.begin(), m_peaks.end(),
                                     [&](const QPoint& p) { return p.x() >= edit.point.x(); });
        const auto offset = at - m_peaks.begin();
        m_peaks.insert(at, edit.point);
        m_peakInfo.insert(m_peakInfo.begin() + offset,
                          {PeakInfo::kAdded, FrequencyAt(edit.point.x()), AmplitudeAt(edit.point.y())});
    }
}

bool FftPlot::Correct(QPoint p) {
    if (!settings.DetectsPeaks()) return false;
    for (std::size_t k = 0; k < m_peaks.size(); ++k) {
        const QPoint d = m_peaks[k] - p;
        if (d.x() * d.x() + d.y() * d.y() <= kHitRadius * kHitRadius) {
            m_edits.push_back({true, static_cast<int>(k), {}});
            return true;
        }
    }
    m_edits.push_back({false, 0, p});
    return true;
}
