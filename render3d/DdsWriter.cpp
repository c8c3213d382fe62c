#include "render3d/DdsWriter.h"

#include <QSaveFile>
#include <QtEndian>
#include <array>

namespace {

constexpr quint32 kHeaderSize = 124;
constexpr quint32 kFlagsCaps = 0x1, kFlagsHeight = 0x2, kFlagsWidth = 0x4, kFlagsPitch = 0x8,
                  kFlagsPixelFormat = 0x1000;
constexpr quint32 kPixelAlpha = 0x1, kPixelRgb = 0x40;
constexpr quint32 kCapsTexture = 0x1000;

void Put(QByteArray& out, quint32 value) {
    std::array<char, 4> bytes{};
    qToLittleEndian(value, bytes.data());
    out.append(bytes.data(), 4);
}

}  // namespace

QByteArray DdsBytes(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const auto width = quint32(image.width()), height = quint32(image.height());
    QByteArray out;
    out.reserve(int(4 + kHeaderSize + width * height * 4));
    out.append("DDS ", 4);
    Put(out, kHeaderSize);
    Put(out, kFlagsCaps | kFlagsHeight | kFlagsWidth | kFlagsPitch | kFlagsPixelFormat);
    Put(out, height);
    Put(out, width);
    Put(out, width * 4);  // pitch
    Put(out, 0);          // depth
    Put(out, 0);          // mipmaps
    for (int i = 0; i < 11; ++i) Put(out, 0);
    // Pixel format: 32 bytes.
    Put(out, 32);
    Put(out, kPixelRgb | kPixelAlpha);
    Put(out, 0);  // no FourCC
    Put(out, 32);
    Put(out, 0x00FF0000u);
    Put(out, 0x0000FF00u);
    Put(out, 0x000000FFu);
    Put(out, 0xFF000000u);
    Put(out, kCapsTexture);
    for (int i = 0; i < 4; ++i) Put(out, 0);  // caps 2-4, reserved
    // Rows top to bottom, each pixel B, G, R, A in memory: the ARGB word in little endian.
    for (quint32 y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(int(y)));
        for (quint32 x = 0; x < width; ++x) Put(out, line[x]);
    }
    return out;
}

bool WriteDds(const QString& path, const QImage& image) {
    if (image.isNull()) return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = DdsBytes(image);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool Is3DPictureName(const QString& path) {
    const QString suffix = path.section(u'.', -1).toLower();
    return path.indexOf(u'.') >= 0 && (suffix == u"png" || suffix == u"bmp" || suffix == u"dds");
}

bool WritePicture3D(const QString& path, const QImage& image) {
    if (!Is3DPictureName(path) || image.isNull()) return false;
    const QString suffix = path.section(u'.', -1).toLower();
    if (suffix == u"dds") return WriteDds(path, image);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!image.save(&file, suffix == u"png" ? "PNG" : "BMP")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
