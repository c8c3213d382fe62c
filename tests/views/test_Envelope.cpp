// The envelope: "edit envelope" in the waveform, the envelope dialog with its picture and
// interpolation points, and the display modes of the waveform's control bar.

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <cmath>
#include <memory>
#include <numbers>

#include "tests/support/DocFixture.h"
#include "views/time/EnvelopeDialog.h"
#include "views/time/EnvelopePicture.h"
#include "views/time/SoundWindow.h"
#include "views/time/WaveformView.h"

namespace {

constexpr QSize kWaveSize(520, 220);  // a plot of 500 x 200 pixels

// A tone of 441 Hz at 44100 Hz (100 samples a period), decaying by the factor decay per second.
std::vector<int> Tone(std::size_t count, double amplitude, double decay) {
    std::vector<int> s(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        s[i] = static_cast<int>(
            std::lround(amplitude * std::pow(decay, t) * std::sin(2 * std::numbers::pi * 441.0 * t)));
    }
    return s;
}

QByteArray EightBit(const std::vector<int>& samples16) {
    QByteArray bytes;
    for (int v : samples16) bytes.append(static_cast<char>(128 + v / 256));
    return bytes;
}

QImage Render(WaveformView& view) {
    QImage image(view.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    view.OnDraw(painter, view.rect());
    return image;
}

class EnvelopeTest : public test::DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        wave = std::make_unique<WaveformView>(doc, app.Settings());
        wave->resize(kWaveSize);
        wave->show();
        wave->OnInitialUpdate();
        doc.AddView(wave.get());
    }
    void TearDown() override {
        doc.RemoveView(wave.get());
        wave.reset();
        DocFixture::TearDown();
    }

    void Open(const QByteArray& file) {
        ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("s.wav"), file)));
    }
    // 20000 samples over 500 pixels: 40 samples per pixel.
    void OpenTone(double decay, int bits = 16) {
        const std::vector<int> tone = Tone(20000, 20000, decay);
        Open(bits == 16 ? test::Mono16(44100, tone) : test::Wave(1, 44100, 8, EightBit(tone)));
    }
    void Marker(int x) { QTest::mouseDClick(wave.get(), Qt::LeftButton, {}, QPoint(x, 60)); }
    void Edit(int from, int to) {
        Marker(from);
        Marker(to);
        wave->OnEditEnvelope();
    }
    EnvelopeDialog& Dialog() { return *wave->EnvelopeWindow(); }

    std::unique_ptr<WaveformView> wave;
};

TEST_F(EnvelopeTest, EditNeedsTwoMarkers) {
    wave->OnEditEnvelope();  // no sound: nothing to measure, nothing to say
    EXPECT_TRUE(ui.messages.empty());

    OpenTone(1.0);
    for (int x : {100, 400}) {
        ui.messages.clear();
        wave->OnEditEnvelope();
        EXPECT_TRUE(test::SaidNumber(ui, WaveformView::kMsgSetMarkers)) << x;
        EXPECT_FALSE(wave->IsEnvelopeShown());
        EXPECT_EQ(wave->EnvelopeWindow(), nullptr);
        Marker(x);
    }
    ui.messages.clear();
    wave->OnEditEnvelope();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(wave->IsEnvelopeShown());
    EXPECT_EQ(ui.busyDepth, 0);
    ASSERT_NE(wave->EnvelopeWindow(), nullptr);
    EXPECT_TRUE(Dialog().isVisible());
    EXPECT_FALSE(Dialog().isModal());
    EXPECT_EQ(Dialog().windowTitle(), QStringLiteral("Envelope"));
}

TEST_F(EnvelopeTest, AConstantToneGivesLevelPointsOnePerSevenPeriods) {
    for (int bits : {16, 8}) {
        SCOPED_TRACE(bits);
        OpenTone(1.0, bits);
        Edit(60, 460);  // samples 2000 to 18000
        const std::vector<SplinePoint>& upper = wave->UpperEnvelope();
        const std::vector<SplinePoint>& lower = wave->LowerEnvelope();
        ASSERT_GE(upper.size(), 22u);
        ASSERT_LE(upper.size(), 24u);
        const int middle = 110;
        for (std::size_t g = 1; g + 1 < upper.size(); ++g) {
            EXPECT_EQ(upper[g].y, upper[1].y) << g;
            EXPECT_EQ(lower[g].y, lower[1].y) << g;
            // 700 samples a group, 40 samples a pixel (the first group starts on a zero and so
            // holds a period less).
            if (g >= 2) {
                EXPECT_NEAR(upper[g].x - upper[g - 1].x, 17.5, 1.0) << g;
            }
        }
        EXPECT_NEAR(middle - upper[1].y, 61, 1);  // 20000 / 32768 of the half plot height of 100
        EXPECT_NEAR(lower[1].y - middle, middle - upper[1].y, 1);
        EXPECT_GE(upper.front().x, 60);
        EXPECT_LE(upper.back().x, 460);
        Marker(60);  // both markers off again for the next round
        Marker(460);
    }
}

TEST_F(EnvelopeTest, ADecayingToneHasFallingUpperAndRisingLowerPoints) {
    for (int bits : {16, 8}) {
        SCOPED_TRACE(bits);
        OpenTone(0.02, bits);  // down to 2 % in a second, about 17 % at the end
        Edit(15, 505);
        const std::vector<SplinePoint>& upper = wave->UpperEnvelope();
        const std::vector<SplinePoint>& lower = wave->LowerEnvelope();
        ASSERT_GE(upper.size(), 20u);
        for (std::size_t g = 1; g < upper.size(); ++g) {
            EXPECT_GE(upper[g].y, upper[g - 1].y) << g;
            EXPECT_LE(lower[g].y, lower[g - 1].y) << g;
        }
        EXPECT_GT(upper.back().y - upper.front().y, 30);
        EXPECT_GT(lower.front().y - lower.back().y, 30);
        Marker(15);
        Marker(505);
    }
}

TEST_F(EnvelopeTest, CurvesMergeOverEditsAndResetWithTheStretch) {
    OpenTone(0.02);
    Edit(60, 460);
    const EnvelopeCurves first = wave->Curves();
    EXPECT_EQ(first.pictureSize, kWaveSize);
    ASSERT_FALSE(first.upper.empty());
    EXPECT_LT(first.upper.front().x, 40);  // the first group's middle, a little right of the first marker
    EXPECT_EQ(first.upper.back().x, kWaveSize.width());  // the last point reaches the picture's right edge
    EXPECT_EQ(first.upper.size(), wave->UpperEnvelope().size());

    wave->OnEditEnvelope();  // the same stretch again: equal x, equal heights
    EXPECT_EQ(wave->Curves().upper, first.upper);
    EXPECT_EQ(wave->Curves().lower, first.lower);

    // Another stretch merges in x order.
    Marker(460);
    Marker(300);
    wave->OnEditEnvelope();
    const std::vector<SplinePoint>& merged = wave->Curves().upper;
    EXPECT_GT(merged.size(), first.upper.size());
    for (std::size_t i = 1; i < merged.size(); ++i) EXPECT_LT(merged[i - 1].x, merged[i].x);

    // A new amplitude moves the waveform's pixels: the points over it go, the dialog keeps its curves.
    wave->SetAmplitudeFactor(2);
    wave->grab();  // paints
    EXPECT_FALSE(wave->IsEnvelopeShown());
    EXPECT_TRUE(wave->UpperEnvelope().empty());
    EXPECT_FALSE(wave->Curves().upper.empty());
    // A new stretch from the overview starts the curves afresh.
    wave->SetZoomWindow({100, 0, 300, 0, 1000});
    wave->grab();
    EXPECT_TRUE(wave->Curves().IsEmpty());
}

TEST_F(EnvelopeTest, InterpolationPointsFollowTheMouseAtAnySizeOfTheDialog) {
    OpenTone(1.0);
    Edit(60, 460);
    EnvelopePicture& picture = *Dialog().Picture();
    picture.setMinimumSize(0, 0);
    picture.resize(780, 330);  // one and a half times the picture
    std::vector<SplinePoint>& points = wave->Curves().interpolation;

    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(300, 150));
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0], (SplinePoint{200, 100}));
    EXPECT_EQ(picture.ToWidget(points[0]), QPoint(300, 150));
    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(304, 153));  // on the point: nothing new
    EXPECT_EQ(points.size(), 1u);
    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(150, 60));
    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(600, 200));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].x, 100);  // kept in x order
    EXPECT_EQ(points[2].x, 400);

    QTest::mouseClick(&picture, Qt::RightButton, {}, QPoint(400, 150));  // far from any point
    EXPECT_EQ(points.size(), 3u);
    QTest::mouseClick(&picture, Qt::RightButton, {}, QPoint(297, 147));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1].x, 400);

    // "draw envelope" starts the points over; "optimize points" then thins the upper envelope,
    // which for a steady tone is a straight line: its two ends.
    Dialog().Button(EnvelopeDialog::kCtrlDraw)->click();
    EXPECT_TRUE(points.empty());
    Dialog().Button(EnvelopeDialog::kCtrlOptimize)->click();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points.front(), wave->Curves().upper.front());
    EXPECT_EQ(points.back(), wave->Curves().upper.back());

    // "delete points and close window" forgets everything.
    Dialog().Button(EnvelopeDialog::kCtrlDelete)->click();
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_TRUE(wave->Curves().IsEmpty());
    EXPECT_FALSE(wave->IsEnvelopeShown());
}

TEST_F(EnvelopeTest, PicturesShowTheCurvesAndTheInterpolationPoints) {
    OpenTone(0.02);
    Edit(60, 460);
    // The waveform marks the envelope points in yellow over the red trace.
    const QImage waveImage = Render(*wave);
    const SplinePoint p = wave->UpperEnvelope()[3];
    EXPECT_EQ(waveImage.pixel(p.x, p.y), qRgb(255, 255, 0));

    EnvelopeCurves& curves = wave->Curves();
    curves.interpolation = {{100, 40}, {400, 60}};
    QImage image(curves.pictureSize, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        EnvelopePicture::Draw(painter, image.rect(), curves);
    }
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
    // The square of an interpolation point, and the measured curve through its points.
    EXPECT_EQ(qRed(image.pixel(100 + 3, 40)), 220);
    const SplinePoint q = curves.upper[5];
    const QRgb on = image.pixel(q.x, q.y);
    EXPECT_LT(qRed(on), 120);
    EXPECT_GT(qBlue(on), 150);

    // Saved, the picture carries its names; a PNG has the size the dialog shows it at.
    ui.saveFiles.push_back(Path(QStringLiteral("envelope.svg")));
    ASSERT_TRUE(Dialog().OnSaveView());
    EXPECT_EQ(ui.fileDialogs.back().title, Str(StringId::SavesEnvelopeView));
    const QByteArray svg = test::ReadFile(Path(QStringLiteral("envelope.svg")));
    EXPECT_TRUE(svg.contains("Envelope picture"));
    EXPECT_TRUE(svg.contains("KALVO sound analysis"));
    ui.saveFiles.push_back(Path(QStringLiteral("envelope.png")));
    ASSERT_TRUE(Dialog().OnSaveView());
    EXPECT_EQ(QImage(Path(QStringLiteral("envelope.png"))).size(), Dialog().Picture()->size());
    ui.saveFiles.push_back(std::nullopt);
    EXPECT_FALSE(Dialog().OnSaveView());

    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(Dialog().OnCopy());
    EXPECT_TRUE(QGuiApplication::clipboard()
                    ->mimeData()
                    ->data(QStringLiteral("image/svg+xml"))
                    .contains("KALVO sound analysis"));
}

TEST_F(EnvelopeTest, TheDialogSpeaksTheCurrentLanguage) {
    OpenTone(1.0);
    Edit(60, 460);
    SetCurrentLanguage(Language::German);
    wave->OnEditEnvelope();
    EXPECT_EQ(Dialog().windowTitle(), QStringLiteral("Hüllkurve"));
    EXPECT_EQ(Dialog().Button(EnvelopeDialog::kCtrlOptimize)->text(), QStringLiteral("Punkte optimieren"));
    SetCurrentLanguage(Language::English);
}

class EnvelopeFrame : public test::DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        frame = std::make_unique<SoundWindow>(app.Settings(), doc);
        frame->resize(900, 700);
        frame->show();
    }
    template <typename T>
    T* Control(int id) {
        return qobject_cast<T*>(frame->Control(id));
    }
    std::unique_ptr<SoundWindow> frame;
};

TEST_F(EnvelopeFrame, TheControlBarSwitchesTheModeAndEditsTheEnvelope) {
    WaveformView& wave = *frame->WaveView();
    auto* samples = Control<QRadioButton>(SoundWindow::kCtrlModeSamples);
    auto* envelope = Control<QRadioButton>(SoundWindow::kCtrlModeEnvelope);
    auto* edit = Control<QPushButton>(SoundWindow::kCtrlEditEnvelope);
    ASSERT_TRUE(samples && envelope && edit);
    EXPECT_TRUE(samples->isChecked());
    EXPECT_FALSE(envelope->isChecked());
    EXPECT_EQ(envelope->text(), QStringLiteral("envelope"));
    EXPECT_EQ(edit->text(), QStringLiteral("edit\nenvelope"));
    EXPECT_FALSE(edit->toolTip().isEmpty());

    ASSERT_TRUE(
        doc.OpenSoundFile(Write(QStringLiteral("s.wav"), test::Mono16(44100, Tone(20000, 20000, 0.02)))));
    const auto darkRed = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == qRgb(110, 0, 0);
        return n;
    };
    EXPECT_EQ(darkRed(Render(wave)), 0);
    envelope->click();
    EXPECT_EQ(wave.DisplayMode(), WaveformView::kModeEnvelope);
    EXPECT_FALSE(samples->isChecked());
    EXPECT_GT(darkRed(Render(wave)), 1000);  // the area between the envelope's curves
    samples->click();
    EXPECT_EQ(wave.DisplayMode(), WaveformView::kModeSamples);

    edit->click();
    EXPECT_TRUE(test::SaidNumber(ui, WaveformView::kMsgSetMarkers));
    QTest::mouseDClick(&wave, Qt::LeftButton, {}, QPoint(100, 60));
    QTest::mouseDClick(&wave, Qt::LeftButton, {}, QPoint(300, 60));
    edit->click();
    EXPECT_TRUE(wave.IsEnvelopeShown());
    ASSERT_NE(wave.EnvelopeWindow(), nullptr);
    EXPECT_TRUE(wave.EnvelopeWindow()->isVisible());
    // Either mode shows the envelope between the markers.
    envelope->click();
    wave.grab();
    EXPECT_TRUE(wave.IsEnvelopeShown());
    const SplinePoint p = wave.UpperEnvelope()[2];
    EXPECT_EQ(Render(wave).pixel(p.x, p.y), qRgb(255, 255, 0));
}

}  // namespace
