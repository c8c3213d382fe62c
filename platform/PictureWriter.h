#pragma once
// Runs a view's paint routine into a picture: the same drawing as on screen, at screen
// pixel coordinates, as a vector drawing (SVG, PDF) or a raster image (PNG, BMP).

#include <QByteArray>
#include <QColor>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

class QPainter;

using PaintRoutine = std::function<void(QPainter&, const QRect&)>;

enum class PictureFormat { Svg, Pdf, Png, Bmp };

// The pictures the program saves; each carries its name in the interface language.
enum class PictureKind {
    Wave,
    Overview,
    Envelope,
    Fft,
    Fft3D,
    Sonogram,
    Score,
    TimeSeries,
    Analysis,
    Reconstruction,
    Wavelet
};

// Every picture carries this as its title (SVG), creator (PDF) or software (PNG), and its own
// name beside it, both in the interface language ("KALVO sound analysis", "FFT picture").
QString PictureApplication();
QString PictureNameOf(PictureKind kind);

// The format a file name asks for by its extension (case-insensitive); nothing for any other.
std::optional<PictureFormat> PictureFormatOf(const QString& path);

// The picture as bytes of the format. The area is first filled with background (a view's
// fresh off-screen surface is black), then paint runs with the rectangle (0, 0, size).
// pictureName: the picture's description (PictureNameOf).
std::optional<QByteArray> RenderPicture(PictureFormat format, const QSize& size, const QString& pictureName,
                                        const PaintRoutine& paint, QColor background = Qt::black);

// Renders and writes the picture in the format of the path's extension. False when the
// extension is unknown, the size is empty or the file cannot be written; no file is left
// behind then (an existing file keeps its content).
bool WritePicture(const QString& path, const QSize& size, const QString& pictureName,
                  const PaintRoutine& paint, QColor background = Qt::black);
