#include "platform/PictureWriter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QStringList>
#include <QSvgGenerator>

#include "platform/StringTable.h"

namespace {

// Screen pixels per inch assumed for the vector formats, so that one view pixel is one
// picture pixel (SVG) or 1/96 inch (PDF).
constexpr int kScreenDpi = 96;

constexpr int kTextApplication = 62112;
// One text with every picture name, a line each in the order of PictureKind.
constexpr int kTextPictureNames = 62113;

bool PaintInto(QPaintDevice& device, const QSize& size, const PaintRoutine& paint, QColor background,
               bool scaleToDevice) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    if (scaleToDevice) {
        // The device counts in its own resolution; the view draws in screen pixels.
        painter.setWindow(0, 0, size.width(), size.height());
        painter.setViewport(0, 0, device.width(), device.height());
    }
    const QRect rect(QPoint(0, 0), size);
    painter.fillRect(rect, background);
    paint(painter, rect);
    return painter.end();
}

}  // namespace

QString PictureApplication() {
    return Str(kTextApplication);
}

QString PictureNameOf(PictureKind kind) {
    const QStringList names = Str(kTextPictureNames).split(u'\n');
    const auto index = static_cast<qsizetype>(kind);
    return index < names.size() ? names[index] : QString();
}

std::optional<PictureFormat> PictureFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("svg")) return PictureFormat::Svg;
    if (suffix == QStringLiteral("pdf")) return PictureFormat::Pdf;
    if (suffix == QStringLiteral("png")) return PictureFormat::Png;
    if (suffix == QStringLiteral("bmp")) return PictureFormat::Bmp;
    return std::nullopt;
}

std::optional<QByteArray> RenderPicture(PictureFormat format, const QSize& size, const QString& pictureName,
                                        const PaintRoutine& paint, QColor background) {
    if (size.isEmpty() || !paint) return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return std::nullopt;
    switch (format) {
        case PictureFormat::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setResolution(kScreenDpi);
            svg.setTitle(PictureApplication());
            svg.setDescription(pictureName);
            if (!PaintInto(svg, size, paint, background, false)) return std::nullopt;
            break;
        }
        case PictureFormat::Pdf: {
            QPdfWriter pdf(&buffer);
            pdf.setResolution(kScreenDpi);
            pdf.setCreator(PictureApplication());
            pdf.setTitle(pictureName);
            const QSizeF points(size.width() * 72.0 / kScreenDpi, size.height() * 72.0 / kScreenDpi);
            pdf.setPageLayout(
                QPageLayout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch),
                            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
            if (!PaintInto(pdf, size, paint, background, true)) return std::nullopt;
            break;
        }
        case PictureFormat::Png:
        case PictureFormat::Bmp: {
            QImage image(size, QImage::Format_RGB32);
            if (image.isNull()) return std::nullopt;  // too large to allocate
            if (!PaintInto(image, size, paint, background, false)) return std::nullopt;
            if (format == PictureFormat::Png) image.setText(QStringLiteral("Title"), pictureName);
            if (format == PictureFormat::Png) image.setText(QStringLiteral("Software"), PictureApplication());
            if (!image.save(&buffer, format == PictureFormat::Png ? "PNG" : "BMP")) return std::nullopt;
            break;
        }
    }
    buffer.close();
    if (bytes.isEmpty()) return std::nullopt;
    return bytes;
}

bool WritePicture(const QString& path, const QSize& size, const QString& pictureName,
                  const PaintRoutine& paint, QColor background) {
    const std::optional<PictureFormat> format = PictureFormatOf(path);
    if (!format) return false;
    const std::optional<QByteArray> bytes = RenderPicture(*format, size, pictureName, paint, background);
    if (!bytes) return false;
    // Written beside the target and renamed at the end: a failure leaves no half file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(*bytes) != bytes->size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
