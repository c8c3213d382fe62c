// Pictures of a paint routine in every format, and no file left behind by a failure.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/PictureWriter.h"

namespace {

TEST(PictureWriter, WritesEachFormatWithThePaintRoutineAtTheGivenSize) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray magic;
    };
    const Case cases[] = {{"a.svg", "<?xml"}, {"a.pdf", "%PDF"}, {"a.png", "\x89PNG"}, {"a.BMP", "BM"}};
    for (const Case& c : cases) {
        QRect painted;
        const QString path = dir.filePath(QLatin1String(c.name));
        const bool ok = WritePicture(path, QSize(64, 32), QStringLiteral("Wave Abbild"),
                                     [&](QPainter& painter, const QRect& rect) {
                                         painted = rect;
                                         painter.fillRect(QRect(0, 0, 8, 8), Qt::red);
                                     });
        ASSERT_TRUE(ok) << c.name;
        EXPECT_EQ(painted, QRect(0, 0, 64, 32));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith(c.magic)) << c.name;
        if (QByteArray(c.name).endsWith("svg")) {
            EXPECT_TRUE(bytes.contains("<title>KALVO Soundanalyse</title>"));
            EXPECT_TRUE(bytes.contains("<desc>Wave Abbild</desc>"));
        }
    }
    // A raster picture starts black, as the views' screen surface does.
    const QImage png(dir.filePath(QStringLiteral("a.png")));
    EXPECT_EQ(png.size(), QSize(64, 32));
    EXPECT_EQ(png.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(png.pixel(40, 20), qRgb(0, 0, 0));
}

TEST(PictureWriter, FailsWithoutLeavingAFile) {
    QTemporaryDir dir;
    const auto paint = [](QPainter& painter, const QRect& rect) { painter.fillRect(rect, Qt::red); };
    EXPECT_FALSE(WritePicture(dir.filePath(QStringLiteral("a.wmf")), QSize(10, 10), QString(), paint));
    EXPECT_FALSE(WritePicture(dir.filePath(QStringLiteral("missing/a.png")), QSize(10, 10), QString(), paint));
    EXPECT_FALSE(WritePicture(dir.filePath(QStringLiteral("a.png")), QSize(0, 10), QString(), paint));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

}  // namespace
