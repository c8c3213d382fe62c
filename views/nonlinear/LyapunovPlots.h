#pragma once
// The diagrams of the nonlinear analysis, drawn from the engine's results: the stretching
// factor S(dn) of the largest exponent, the running Lyapunov spectrum, and the local slopes of
// the correlation sum with the fitted plateaus. The analysis view draws them on screen and into
// pictures; the command line draws them the same way.

#include <QRect>
#include <QString>
#include <vector>

#include "analysis/LyapunovKantz.h"

class QPainter;

class LyapunovPlots {
public:
    // Largest exponent, over the radii finished so far; iterations without neighbours are gaps.
    static void DrawMaxLyapunovPlot(QPainter& painter, const QRect& rect, const MaxLyapResult& result);
    // Pixels per iteration and per unit of S of that diagram (for reading a slope off it).
    static double MaxLyapXScale(const QRect& rect, const MaxLyapResult& result);
    static double MaxLyapYScale(const QRect& rect, const MaxLyapResult& result);

    // Spectrum over the first rowsDone rows; the text (Kaplan-Yorke) is written at the top.
    static void DrawSpectrumPlot(QPainter& painter, const QRect& rect, const LyapSpectrumResult& result,
                                 std::size_t rowsDone, const QString& text);
    // The Kaplan-Yorke text of a finished spectrum; the mean radius is given in the series' own
    // units, unitsPerSample of them to one step of the samples the calculation saw.
    static QString KaplanYorkeText(const LyapSpectrumResult& result, double unitsPerSample = 1.0);

    // Correlation dimension; with fitFrom < fitTo (pixel x) the plateau of every dimension is
    // fitted between them and marked. Returns the fitted plateaus (NaN where no point lay between).
    static std::vector<double> DrawCorrDimPlot(QPainter& painter, const QRect& rect,
                                               const CorrDimResult& result, int fitFrom, int fitTo);
    // The y of the radius axis under the slope curves: the slopes take the whole height until a
    // fit range (fitFrom < fitTo) makes room for the plateaus below them.
    static int CorrDimSlopeBottom(const QRect& rect, int fitFrom, int fitTo);
    // The pixel x of a radius on the logarithmic axis, and back.
    static double CorrDimX(const QRect& rect, double radius);
    // The plateaus between two pixel abscissae, as the diagram fits them.
    static std::vector<double> Plateaus(const QRect& rect, const CorrDimResult& result, int fitFrom,
                                        int fitTo);

    // value with `digits` significant digits, cut to `width` characters: "1.2589", "0.4200", "-1.62".
    static QString CutNumber(double value, int digits, int width);
};
