// Pictures of a paint routine in every format, and no file left behind by a failure.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "platform/PictureWriter.h"
#include "platform/StringTable.h"

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
        const bool ok = WritePicture(path, QSize(64, 32), QStringLiteral("Wave picture"),
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
            EXPECT_TRUE(bytes.contains("<title>KALVO sound analysis</title>"));
            EXPECT_TRUE(bytes.contains("<desc>Wave picture</desc>"));
        }
    }
    // A raster picture starts black, as the views' screen surface does.
    const QImage png(dir.filePath(QStringLiteral("a.png")));
    EXPECT_EQ(png.size(), QSize(64, 32));
    EXPECT_EQ(png.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(png.pixel(40, 20), qRgb(0, 0, 0));
}

TEST(PictureWriter, TitleAndNameInsideThePictureAreInTheInterfaceLanguage) {
    struct Case {
        Language language;
        const char* application;
        const char* fft;
        const char* score;
    };
    const Case cases[] = {{Language::English, "KALVO sound analysis", "FFT picture", "Score"},
                          {Language::German, "KALVO Soundanalyse", "FFT Abbild", "Notenbild"}};
    const auto paint = [](QPainter& painter, const QRect& rect) { painter.fillRect(rect, Qt::blue); };
    for (const Case& c : cases) {
        SetCurrentLanguage(c.language);
        SCOPED_TRACE(c.application);
        EXPECT_EQ(PictureApplication(), QString::fromUtf8(c.application));
        EXPECT_EQ(PictureNameOf(PictureKind::Fft), QString::fromUtf8(c.fft));
        EXPECT_EQ(PictureNameOf(PictureKind::Score), QString::fromUtf8(c.score));
        const std::optional<QByteArray> svg =
            RenderPicture(PictureFormat::Svg, QSize(20, 10), PictureNameOf(PictureKind::Fft), paint);
        ASSERT_TRUE(svg);
        EXPECT_TRUE(svg->contains("<title>" + QByteArray(c.application) + "</title>"));
        EXPECT_TRUE(svg->contains("<desc>" + QByteArray(c.fft) + "</desc>"));
        const std::optional<QByteArray> png =
            RenderPicture(PictureFormat::Png, QSize(20, 10), PictureNameOf(PictureKind::Fft), paint);
        ASSERT_TRUE(png);
        const QImage image = QImage::fromData(*png, "PNG");
        EXPECT_EQ(image.text(QStringLiteral("Title")), QString::fromUtf8(c.fft));
        EXPECT_EQ(image.text(QStringLiteral("Software")), QString::fromUtf8(c.application));
        // Every picture has a name of its own in either language.
        QStringList names;
        for (int k = 0; k <= static_cast<int>(PictureKind::Wavelet); ++k)
            names << PictureNameOf(static_cast<PictureKind>(k));
        EXPECT_EQ(names.size(), 11);
        EXPECT_EQ(names.removeDuplicates(), 0);
        EXPECT_FALSE(names.contains(QString()));
        if (c.language == Language::English) {
            for (const QString& name : names)
                EXPECT_FALSE(name.contains(QStringLiteral("Abbild"))) << name.toStdString();
        }
    }
    SetCurrentLanguage(Language::English);
}

TEST(PictureWriter, FailsWithoutLeavingAFile) {
    QTemporaryDir dir;
    const auto paint = [](QPainter& painter, const QRect& rect) { painter.fillRect(rect, Qt::red); };
    EXPECT_FALSE(WritePicture(dir.filePath(QStringLiteral("a.wmf")), QSize(10, 10), QString(), paint));
    EXPECT_FALSE(
        WritePicture(dir.filePath(QStringLiteral("missing/a.png")), QSize(10, 10), QString(), paint));
    EXPECT_FALSE(WritePicture(dir.filePath(QStringLiteral("a.png")), QSize(0, 10), QString(), paint));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

}  // namespace
