#pragma once
// What the spectrum view draws, as numbers: the mappings of frequency to x and amplitude to y
// for a client area, and the point lists the view keeps from one repaint to the next (the
// curve, the held curve behind "memorize maxima" and "delay", the peaks with the user's
// corrections and the points of the cubic spline through them). No drawing happens here, so
// the lists can be checked without a window.

#include <QPoint>
#include <QRect>
#include <vector>

#include "analysis/SpectrumPeaks.h"
#include "views/spectral/FftViewSettings.h"

class FftPlot {
public:
    // A correction of the peak list made with the right mouse button.
    struct PeakEdit {
        bool remove = false;
        int index = 0;  // removal: the point's place in the peak list
        QPoint point;   // addition: where the user clicked
    };
    // What a point of the peak list stands for, for the read-out and the peak table.
    struct PeakInfo {
        enum Kind { kAnchor, kDetected, kAdded } kind = kAnchor;
        double frequency = 0.0;  // Hz
        double amplitude = 0.0;  // a spectrum value |X_k|/N, in sample units
    };

    FftViewSettings settings;

    // Lays out the plot for a client area and a sound's rate and sample width. The amplitude
    // axis is in dB full scale (SpectrumScale): its ends are the settings' dB values.
    void SetGeometry(const QRect& client, int sampleRate, int bits);
    // The whole plot anew from the spectrum (spectrum.size() values, bin i at i * rate / N with
    // N = 2 (size - 1)): curve, slow fall, peaks. A change of the number of values resets the lists.
    // With slow fall, a point falls by at most the fall per repaint but never below the
    // spectrum itself.
    void Build(const std::vector<double>& spectrum);
    // After drawing: the held curve becomes this repaint's curve.
    void Remember() { m_held = m_curve; }
    // Empties every list; curve and held curve restart with (0, 0).
    void Clear();
    void ClearHeld() { m_held.clear(); }
    void ClearEdits() { m_edits.clear(); }

    // Right button at p: removes the peak within 5 pixels of p, or adds p as a peak. False
    // when peaks are not detected (nothing recorded).
    bool Correct(QPoint p);

    // ---- mappings of the current geometry ----
    int Right() const { return m_right; }
    int Bottom() const { return m_bottom; }
    int Base() const { return m_bottom - 20; }  // the base line of the plot
    // Amplitudes of the axis are relative to full scale: 1 is 0 dB, the level of a full-scale
    // sine; a spectrum value is its amplitude times UnitValue().
    double UnitValue() const { return m_unit; }
    double TopAmplitude() const { return m_topAmplitude; }
    double BottomAmplitude() const { return m_bottomAmplitude; }
    double MaxFrequency() const { return m_max; }
    double U0() const { return m_0; }
    // Position along the frequency axis, 0 at the lowest frequency shown, 1 at the highest.
    double Ratio(double frequency) const;
    int XOfRatio(double r) const;
    int XOf(double frequency) const { return XOfRatio(Ratio(frequency)); }
    // y of an amplitude relative to full scale, of a spectrum value, of a level in dB full
    // scale; nothing lies below the base line (silence is drawn on it).
    int YOfAmplitude(double amplitude) const;
    int YOfValue(double value) const { return YOfAmplitude(value / m_unit); }
    int YOfLevel(double db) const;
    // The frequency, the spectrum value and the level in dB full scale under a point of the plot.
    double FrequencyAt(int x) const;
    double AmplitudeAt(int y) const;
    double LevelAt(int y) const;
    // Frequency of bin i as the plot places it.
    double BinFrequency(std::size_t i) const;

    const std::vector<QPoint>& Curve() const { return m_curve; }
    const std::vector<QPoint>& Held() const { return m_held; }
    const std::vector<QPoint>& Peaks() const { return m_peaks; }
    const std::vector<PeakInfo>& PeakInfos() const { return m_peakInfo; }
    const std::vector<PeakEdit>& Edits() const { return m_edits; }
    const std::vector<QPoint>& SplinePoints() const { return m_spline; }
    int SkippedBins() const { return m_skipped; }
    std::size_t ValueCount() const { return m_lastCount; }

private:
    void BuildCurve(const std::vector<double>& spectrum);
    void ApplySlowFall();
    void DetectPeaks(const std::vector<double>& spectrum);
    void MergePeaks();
    void ReplayEdits();
    double RelativeAmplitudeAt(int y) const;

    int m_right = 0, m_bottom = 0, m_height = 0;
    int m_rate = 0;
    double m_unit = 16384.0;  // the spectrum value of 0 dB full scale
    double m_max = 10000.0, m_min = 20.0, m_0 = 0.0;
    double m_topAmplitude = 1.0, m_bottomAmplitude = 0.0;
    int m_points = 0;  // the transform size behind the spectrum

    std::size_t m_lastCount = static_cast<std::size_t>(-1);
    int m_skipped = 0;
    std::vector<QPoint> m_curve{QPoint(0, 0)};
    std::vector<QPoint> m_held{QPoint(0, 0)};
    std::vector<QPoint> m_peaks;
    std::vector<PeakInfo> m_peakInfo;
    std::vector<PeakEdit> m_edits;
    std::vector<QPoint> m_spline;
    std::vector<SpectrumPeak> m_found;  // kept to spare an allocation per repaint
};
