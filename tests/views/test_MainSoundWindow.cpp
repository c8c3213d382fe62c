// The main sound window: marking in the overview, the selection drag and the markers of the
// waveform, what both draw, and the frame that holds them.

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QtTest>
#include <array>
#include <map>
#include <memory>

#include "document/IModuleFrame.h"
#include "document/PlaybackSound.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/time/OverviewView.h"
#include "views/time/SoundWindow.h"
#include "views/time/WaveformView.h"

namespace {

struct ControlRecorder : IModuleFrame {
    std::map<int, int> values;
    void SetControlInt(int id, int value) override { values[id] = value; }
    void SetSliderRange(int, int, int, int) override {}
};

template <typename View>
QImage Render(View& view, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    view.OnDraw(painter, QRect(QPoint(0, 0), size));
    return image;
}

bool IsRed(const QImage& image, int x, int y) {
    return image.pixel(x, y) == qRgb(255, 0, 0);
}

int CountRed(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += IsRed(image, x, y);
    return n;
}

// The overview's plot is 1000 pixels wide, the waveform's 500.
constexpr QSize kOverviewSize(1020, 120);
constexpr QSize kWaveSize(520, 220);

class MainSoundWindow : public test::DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        overview = std::make_unique<OverviewView>(doc, app.Settings());
        wave = std::make_unique<WaveformView>(doc, app.Settings());
        overview->SetWaveView(wave.get());
        overview->SetFrame(&bar);
        wave->SetFrame(&bar);
        overview->resize(kOverviewSize);
        wave->resize(kWaveSize);
        overview->show();
        wave->show();
        overview->OnInitialUpdate();
        wave->OnInitialUpdate();
        doc.AddView(overview.get());
        doc.AddView(wave.get());
    }
    void TearDown() override {
        doc.RemoveView(overview.get());
        doc.RemoveView(wave.get());
        DocFixture::TearDown();
    }

    void Open(const QByteArray& waveFile) {
        ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("s.wav"), waveFile)));
    }
    void Open16(std::size_t count) { Open(test::Mono16(44100, test::Sine(441, 44100, count, 20000))); }
    void Open8(const QByteArray& bytes) { Open(test::Wave(1, 8000, 8, bytes)); }

    static void Drag(QWidget* widget, int fromX, int toX) {
        QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(fromX, 60));
        QTest::mouseMove(widget, QPoint((fromX + toX) / 2, 60));
        QTest::mouseMove(widget, QPoint(toX, 60));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(toX, 60));
    }

    ControlRecorder bar;
    std::unique_ptr<OverviewView> overview;
    std::unique_ptr<WaveformView> wave;
};

TEST_F(MainSoundWindow, MarkingInTheOverviewSetsTheWaveformWindowAndTheLoopBounds) {
    Open16(10000);  // 10 samples per overview pixel
    struct Case {
        int fromX, toX;
        int left, right;  // the waveform's window, in overview plot pixels
        std::uint32_t first, last;
    };
    const Case cases[] = {
        {110, 310, 100, 300, 1000, 3000},
        {310, 110, 100, 300, 1000, 3000},  // marked right to left
        {5, 1015, 0, 1000, 0, 10000},      // beyond both ends: held at the plot
        {110, 113, 100, 103, 1000, 1030},  // 30 samples are enough
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fromX << " -> " << c.toX);
        Drag(overview->viewport(), c.fromX, c.toX);
        const WaveformView::ZoomWindow window = wave->GetZoomWindow();
        EXPECT_EQ(window.left, c.left);
        EXPECT_EQ(window.right, c.right);
        EXPECT_EQ(window.plotWidth, 1000);
        EXPECT_EQ(wave->VisibleSamples().first, c.first);
        EXPECT_EQ(wave->VisibleSamples().last, c.last);
        EXPECT_EQ(doc.SelectionStart(), c.first);
        EXPECT_EQ(doc.SelectionEnd(), c.last);
        EXPECT_EQ(bar.values[WaveformView::kCtrlSamples], 0);
    }
    // Outside kids mode the overview computes no spectrum.
    EXPECT_EQ(doc.SelectedSamples().size(), 1u);
}

TEST_F(MainSoundWindow, AMarkOfTwentySamplesOrLessClearsTheLoopBoundsButStillZoomsTheWaveform) {
    Open16(10000);
    for (int toX : {111, 112}) {  // 10 and 20 samples
        doc.SetSelection(7, 9);
        Drag(overview->viewport(), 110, toX);
        EXPECT_EQ(doc.SelectionStart(), 0u);
        EXPECT_EQ(doc.SelectionEnd(), 0u);
        EXPECT_EQ(wave->GetZoomWindow().left, 100);
        EXPECT_EQ(wave->GetZoomWindow().right, toX - 10);
        EXPECT_EQ(wave->VisibleSamples().last - wave->VisibleSamples().first, (toX - 110) * 10);
    }
}

TEST_F(MainSoundWindow, InKidsModeTheMarkBecomesTheSelection) {
    app.Settings().IniAllgemeinGrundschulprofil = 1;
    Open16(10000);
    Drag(overview->viewport(), 110, 310);
    ASSERT_EQ(doc.SelectedSamples().size(), 2000u);
    EXPECT_EQ(doc.SelectedSamples()[0], doc.Sample(1000));
}

TEST_F(MainSoundWindow, RemovingTheWaveClearsTheMark) {
    Open16(10000);
    Drag(overview->viewport(), 110, 310);
    doc.RemoveWave();
    EXPECT_EQ(overview->MarkEnd(), QPoint());
    EXPECT_EQ(wave->GetZoomWindow(), WaveformView::ZoomWindow{});
    EXPECT_EQ(doc.SelectionEnd(), 0u);
}

TEST_F(MainSoundWindow, TheCaretFollowsPlaybackThroughBackToStartAndFftSettings) {
    QString error;
    const std::unique_ptr<AudioOutputDevice> output =
        AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &error);
    ASSERT_TRUE(output) << error.toStdString();
    doc.SetSoundFactory(
        [&](const QString& path, QString*) { return PlaybackSound::Create(*output, path, nullptr); });
    Open16(10 * 44100);  // 100 pixels a second
    // Waits for the caret with a generous deadline; the sound plays on in real time meanwhile.
    const auto caretReaches = [&](auto condition) {
        QElapsedTimer timer;
        timer.start();
        while (!condition(overview->CaretX()) && timer.elapsed() < 8000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return condition(overview->CaretX());
    };
    doc.OnPlay();
    ASSERT_TRUE(caretReaches([](int x) { return x > 60; }));
    doc.OnBackToStart();
    ASSERT_TRUE(caretReaches([](int x) { return x < 40; }));
    EXPECT_TRUE(caretReaches([](int x) { return x > 60; }));  // and on it goes
    ui.fftSizes.push_back(0);
    doc.OnFftSettings();
    const int caret = overview->CaretX();
    EXPECT_TRUE(caretReaches([caret](int x) { return x > caret + 30; }));
    EXPECT_TRUE(doc.IsPlaying());
    doc.OnStopPlaying();
}

TEST_F(MainSoundWindow, TheWaveformDragReachesTheDocumentInOrderAndEvenFor16Bit) {
    struct Case {
        int bits;
        std::uint32_t first;
    };
    for (const Case c : {Case{16, 100}, Case{8, 101}}) {
        SCOPED_TRACE(c.bits);
        if (c.bits == 16)
            Open16(1000);
        else
            Open8(test::Pcm16(test::Sine(441, 44100, 500, 9000)));  // 1000 bytes of varied 8-bit samples
        overview->MarkSamples(0, 500);                              // one waveform pixel per sample
        const std::uint32_t loopEnd = doc.SelectionEnd();
        for (const auto& [fromX, toX] : {std::pair{311, 111}, std::pair{111, 311}}) {
            Drag(wave.get(), fromX, toX);  // samples 301 and 101
            ASSERT_EQ(doc.SelectedSamples().size(), 200u);
            EXPECT_EQ(doc.SelectedSamples()[0], doc.Sample(c.first));
            EXPECT_EQ(bar.values[WaveformView::kCtrlSamples], 200);
            EXPECT_EQ(wave->DragBand(), QRect(111, 10, 200, kWaveSize.height() - 20));
        }
        EXPECT_EQ(doc.SelectionEnd(), loopEnd);  // the waveform leaves the loop bounds alone
    }
}

TEST_F(MainSoundWindow, DoubleClicksSetMoveAndRemoveTheMarkers) {
    Open16(1000);
    overview->MarkSamples(0, 500);
    struct Step {
        int x;
        std::array<int, 2> markers;
    };
    const Step steps[] = {
        {300, {300, 0}},   {100, {100, 300}},  // the second marker left of the first: they swap
        {180, {180, 300}},                     // between the two: the nearer one moves
        {240, {180, 240}},                     // equally near: the second moves
        {243, {180, 0}},                       // within 4 pixels: removed
        {184, {0, 0}},     {184, {184, 0}},
    };
    for (const Step& s : steps) {
        QTest::mouseDClick(wave.get(), Qt::LeftButton, {}, QPoint(s.x, 100));
        EXPECT_EQ(wave->MarkerX(), s.markers) << "double-click at " << s.x;
    }
}

TEST_F(MainSoundWindow, SilentEightBitSoundIsAStraightLineThroughTheMiddle) {
    Open8(QByteArray(1000, '\x80'));
    const QImage overImage = Render(*overview, kOverviewSize);
    const int overMiddle = (kOverviewSize.height() - 21) / 2 + 20;
    int red = 0;
    for (int x = 11; x < kOverviewSize.width() - 10; ++x) red += IsRed(overImage, x, overMiddle);
    EXPECT_EQ(red, kOverviewSize.width() - 21);
    EXPECT_EQ(CountRed(overImage), kOverviewSize.width() - 21);

    overview->MarkSamples(0, 1000);
    const QImage waveImage = Render(*wave, kWaveSize);
    const int middle = (kWaveSize.height() - 20) / 2 + 10;
    for (int x = 11; x < kWaveSize.width() - 10; ++x) ASSERT_TRUE(IsRed(waveImage, x, middle)) << x;
    EXPECT_EQ(CountRed(waveImage), kWaveSize.width() - 21);
}

TEST_F(MainSoundWindow, WithNothingMarkedTheWaveformShowsTheWholeSound) {
    // No sound: nothing to trace, but a hint how to get one instead of a blank black pane.
    const QImage empty = Render(*wave, kWaveSize);
    EXPECT_EQ(CountRed(empty), 0);
    int lit = 0;
    for (int y = 10; y < kWaveSize.height() - 10; ++y)
        for (int x = 11; x < kWaveSize.width() - 10; ++x) lit += empty.pixel(x, y) != qRgb(0, 0, 0);
    EXPECT_GT(lit, 100);
    Open8(QByteArray(1000, '\x80'));
    ASSERT_EQ(wave->GetZoomWindow(), WaveformView::ZoomWindow{});
    EXPECT_EQ(wave->VisibleSamples().first, 0.0);
    EXPECT_EQ(wave->VisibleSamples().last, 1000.0);
    const QImage image = Render(*wave, kWaveSize);
    const int middle = (kWaveSize.height() - 20) / 2 + 10;
    EXPECT_TRUE(IsRed(image, 11, middle));
    EXPECT_TRUE(IsRed(image, kWaveSize.width() - 11, middle));
    // A drag in it selects samples of the whole sound.
    Drag(wave.get(), 110, 310);  // pixels 100 and 300 of 500: samples 200 to 600
    EXPECT_EQ(doc.SelectedSamples().size(), 400u);
    doc.RemoveWave();
    EXPECT_EQ(CountRed(Render(*wave, kWaveSize)), 0);
    DocumentTestAccess::Activity(doc).SetListening(
        true);  // the overview shows the input; the waveform pane stays dark
    const QImage listening = Render(*wave, kWaveSize);
    DocumentTestAccess::Activity(doc).SetListening(false);
    for (int y = 10; y < kWaveSize.height() - 10; ++y)
        for (int x = 11; x < kWaveSize.width() - 10; ++x)
            ASSERT_EQ(listening.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
}

TEST_F(MainSoundWindow, AFileOfFiftyBytesOrLessShowsOnlyFrameAndRuler) {
    QByteArray noise;
    for (int i = 0; i < 52; ++i) noise.append(static_cast<char>(i * 97 % 256));
    Open8(noise.left(50));
    const QImage image = Render(*overview, kOverviewSize);
    EXPECT_EQ(CountRed(image), 0);
    const QRgb frame = overview->palette().color(QPalette::Window).rgb();
    int ruler = 0;
    for (int y = 0; y < OverviewView::kRuler; ++y)
        for (int x = 0; x < 200; ++x) ruler += image.pixel(x, y) != frame;
    EXPECT_GT(ruler, 0);

    Open8(noise);  // 52 bytes are traced
    EXPECT_GT(CountRed(Render(*overview, kOverviewSize)), 0);
}

TEST_F(MainSoundWindow, TheLiveTraceAdvancesOnePixelPerThousandSamples) {
    DocumentTestAccess::Activity(doc).SetListening(true);
    DocumentTestAccess::FullScale(doc) = 32767.0;
    DocumentTestAccess::BitsPerSample(doc) = 16;
    DocumentTestAccess::SelectedSamples(doc).assign(4410,
                                                    32767.0);  // full scale lies on the ruler's lower edge
    overview->OnUpdate(kHintSpectrum);
    overview->OnUpdate(kHintSpectrum);
    const QImage image = Render(*overview, kOverviewSize);
    for (int x = 11; x <= 18; ++x) EXPECT_TRUE(IsRed(image, x, OverviewView::kRuler)) << x;
    EXPECT_FALSE(IsRed(image, 19, OverviewView::kRuler));
}

TEST(WaveformDrawStep, AtMostPrecisionPointsPerPixelColumn) {
    struct Case {
        double first, last;
        int width, precision;
        std::int64_t step;
    };
    const Case cases[] = {
        {0, 1000000, 520, 100, 20},
        {0, 1000000, 520, 30, 67},
        {0, 1000, 520, 30, 1},
        {500, 500, 520, 30, 1},  // nothing visible
    };
    for (const Case& c : cases)
        EXPECT_EQ(WaveformView::DrawStep(c.first, c.last, c.width, c.precision), c.step)
            << c.last << " " << c.precision;
}

class SplitterFrameTest : public test::DocFixture {
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

TEST_F(SplitterFrameTest, TheControlBarSetsTheFactorsOfBothPanes) {
    OverviewView& over = *frame->OverView();
    WaveformView& wave = *frame->WaveView();
    EXPECT_EQ(over.Zoom(), 1);
    EXPECT_EQ(over.VerticalFactor(), 1);
    EXPECT_EQ(wave.AmplitudeFactor(), 1);
    EXPECT_EQ(wave.Precision(), 30);

    Control<QSlider>(SoundWindow::kCtrlZoom)->setValue(2);
    Control<QSlider>(SoundWindow::kCtrlOverviewFactor)->setValue(0);
    Control<QSlider>(SoundWindow::kCtrlWaveFactor)->setValue(5);
    Control<QSpinBox>(SoundWindow::kCtrlPrecision)->setValue(7);
    EXPECT_EQ(over.Zoom(), 5);
    EXPECT_EQ(over.CanvasWidth(), 5 * over.viewport()->width());
    EXPECT_EQ(over.VerticalFactor(), 81);
    EXPECT_EQ(wave.AmplitudeFactor(), 16);
    EXPECT_EQ(wave.Precision(), 7);
    EXPECT_EQ(Control<QSpinBox>(SoundWindow::kCtrlPrecision)->maximum(), 40);
}

TEST_F(SplitterFrameTest, ZoomingKeepsTheMarkedStretch) {
    ASSERT_TRUE(doc.OpenSoundFile(
        Write(QStringLiteral("s.wav"), test::Mono16(44100, test::Sine(441, 44100, 20000, 9000)))));
    frame->OverView()->MarkSamples(4000, 8000);
    const WaveformView::Stretch before = frame->WaveView()->VisibleSamples();
    const int markX = frame->OverView()->MarkStart().x();
    Control<QSlider>(SoundWindow::kCtrlZoom)->setValue(1);
    EXPECT_EQ(frame->WaveView()->VisibleSamples().first, before.first);
    EXPECT_EQ(frame->WaveView()->VisibleSamples().last, before.last);
    EXPECT_NEAR(frame->OverView()->MarkStart().x(),
                markX * (3.0 * frame->OverView()->viewport()->width() - 20) /
                    (frame->OverView()->viewport()->width() - 20),
                1.0);
}

TEST_F(SplitterFrameTest, ShowsTheDraggedLengthAndCannotBeClosed) {
    frame->SetControlInt(SoundWindow::kCtrlSamples, 1234);
    auto* samples = Control<QLineEdit>(SoundWindow::kCtrlSamples);
    EXPECT_EQ(samples->text(), QStringLiteral("1234"));
    EXPECT_FALSE(samples->isEnabled());
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(SplitterFrameTest, TheDraggedLengthGoesWithTheSoundItWasMeasuredIn) {
    ASSERT_TRUE(doc.OpenSoundFile(
        Write(QStringLiteral("a.wav"), test::Mono16(44100, test::Sine(441, 44100, 20000, 9000)))));
    frame->SetControlInt(SoundWindow::kCtrlSamples, 1234);  // as a drag in the waveform leaves it
    auto* samples = Control<QLineEdit>(SoundWindow::kCtrlSamples);
    ASSERT_EQ(samples->text(), QStringLiteral("1234"));
    ASSERT_TRUE(doc.OpenSoundFile(
        Write(QStringLiteral("b.wav"), test::Mono16(8000, test::Sine(200, 8000, 3000, 9000)))));
    EXPECT_EQ(samples->text(), QString());
}

TEST_F(SplitterFrameTest, RowHeightsFollowTheProfile) {
    EXPECT_NEAR(frame->Splitter()->sizes()[0], frame->Splitter()->height() / 6, 2);
    frame->SetRowHeights(false);
    EXPECT_EQ(frame->Splitter()->sizes()[0], 50);
    frame->SetRowHeights(true);
    EXPECT_EQ(frame->Splitter()->sizes()[0], 200);
    // Kids mode, in a window too low for both: the overview takes the height rather than leave
    // the waveform a strip too thin to show anything.
    frame->SetControlBarVisible(false);  // its controls would keep the window higher
    frame->resize(900, 230);
    QApplication::processEvents();
    frame->SetRowHeights(true);
    const int splitter = frame->Splitter()->height() - frame->Splitter()->handleWidth();
    ASSERT_LT(splitter, 240);
    EXPECT_EQ(frame->Splitter()->sizes(), (QList<int>{splitter, 0}));
}

TEST_F(SplitterFrameTest, TheViewsFollowTheDocumentUntilTheFrameGoes) {
    ASSERT_TRUE(doc.OpenSoundFile(
        Write(QStringLiteral("s.wav"), test::Mono16(44100, test::Sine(441, 44100, 20000, 9000)))));
    frame->OverView()->MarkSamples(4000, 8000);
    doc.RemoveWave();  // hint 11 reaches the overview
    EXPECT_EQ(frame->WaveView()->GetZoomWindow(), WaveformView::ZoomWindow{});
    frame.reset();
    doc.UpdateAllViews(kHintRebuild);  // no view of the frame is left behind
}

}  // namespace
