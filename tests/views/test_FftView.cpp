// The spectrum window: what it keeps from repaint to repaint, its controls, and its commands.

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <map>

#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/spectral/FftFrame.h"
#include "views/spectral/FftPlot.h"
#include "views/spectral/FftView.h"
#include "views/spectral/SonogramFrame.h"

using namespace test;

namespace {

// A client of 1020 x 445: the plot is 1000 pixels wide and 400 high. At 20 kHz with 1001
// values a bin is 10 Hz wide, so on a linear axis to 10 kHz bin i lies near x = 20 + i.
const QRect kClient(0, 0, 1020, 445);
constexpr int kRate = 20000;
constexpr std::size_t kValues = 1001;

FftViewSettings Plain() {
    FftViewSettings s;
    s.bottomCutHz = 1;
    s.topCutkHz = 10;
    s.freqLinear = true;
    s.ampLinear = false;
    s.topDb = 0;
    s.bottomDb = -90;
    s.hold = false;
    s.delayOn = false;
    s.markers = true;
    s.minDistMaxima = 5;
    s.minDistNeighbour = 1;
    s.spline = false;
    s.splineType = 0;
    return s;
}

std::vector<double> Spectrum(const std::map<std::size_t, double>& values, double floor = 0.0) {
    std::vector<double> s(kValues, floor);
    for (const auto& [bin, value] : values) s[bin] = value;
    return s;
}

FftPlot Plot(const FftViewSettings& settings) {
    FftPlot plot;
    plot.settings = settings;
    plot.SetGeometry(kClient, kRate, 16);
    return plot;
}

// The x where the peak of bin i is marked.
int PeakX(const FftPlot& plot, std::size_t bin) {
    return plot.XOf(std::trunc(plot.BinFrequency(bin))) + 1;
}

std::vector<int> PeakXs(const FftPlot& plot) {
    std::vector<int> xs;
    for (const QPoint& p : plot.Peaks()) xs.push_back(p.x());
    return xs;
}

}  // namespace

TEST(FFTPlot, OfTwoPeaksTooCloseTheHigherStaysAndOfTwoEqualOnesTheRight) {
    FftPlot plot = Plot(Plain());
    plot.Build(Spectrum({{100, 10000}, {103, 5000}, {500, 3000}}));
    ASSERT_EQ(PeakX(plot, 103) - PeakX(plot, 100), 3);
    // The anchors at both ends, and of the close pair only the higher.
    EXPECT_EQ(PeakXs(plot), (std::vector<int>{20, PeakX(plot, 100), PeakX(plot, 500), 1020}));

    plot.Build(Spectrum({{100, 10000}, {103, 10000}}));
    EXPECT_EQ(PeakXs(plot), (std::vector<int>{20, PeakX(plot, 103), 1020}));

    // Farther apart than the minimum distance, both stay.
    plot.settings.minDistMaxima = 2;
    plot.Build(Spectrum({{100, 10000}, {103, 5000}}));
    EXPECT_EQ(PeakXs(plot), (std::vector<int>{20, PeakX(plot, 100), PeakX(plot, 103), 1020}));
}

TEST(FFTPlot, PeaksBelowTheFloorOrBeyondTheAxisAreNotMarked) {
    FftPlot plot = Plot(Plain());
    // 0.0001 F is 6.5536 for 16-bit sound.
    plot.Build(Spectrum({{100, 6.5}, {200, 7.0}}));
    EXPECT_EQ(PeakXs(plot), (std::vector<int>{20, PeakX(plot, 200), 1020}));
    plot.settings.topCutkHz = 5;  // bin 600 lies at 6 kHz
    plot.SetGeometry(kClient, kRate, 16);
    plot.Build(Spectrum({{200, 7.0}, {600, 1000}}));
    EXPECT_EQ(PeakXs(plot), (std::vector<int>{20, PeakX(plot, 200), 1020}));
}

TEST(FFTPlot, ABinPerPixelColumnAtMostAndTheColumnShowsItsHighestValue) {
    FftViewSettings s = Plain();
    s.topCutkHz = 1;  // 1000 Hz over 1000 pixels: ten pixels per bin
    FftPlot plot = Plot(s);
    plot.SetGeometry(QRect(0, 0, 120, 445), kRate, 16);  // now a hundred pixels: one per bin
    std::vector<double> spectrum(kValues, 100.0);
    plot.Build(spectrum);
    const std::vector<QPoint>& curve = plot.Curve();
    ASSERT_GT(curve.size(), 50u);
    for (std::size_t i = 1; i < curve.size(); ++i) EXPECT_GT(curve[i].x(), curve[i - 1].x());

    // Ten bins into 100 pixels when the axis reaches 10 kHz: the loud bin is not lost.
    s.topCutkHz = 10;
    plot = Plot(s);
    plot.SetGeometry(QRect(0, 0, 120, 445), kRate, 16);
    spectrum[455] = 30000;
    plot.Build(spectrum);
    int top = plot.Base();
    for (const QPoint& p : plot.Curve()) top = std::min(top, p.y());
    EXPECT_EQ(top, plot.YOfValue(30000));
}

TEST(FFTPlot, PeakHoldKeepsTheCurveAfterADrop) {
    FftViewSettings s = Plain();
    s.hold = true;
    FftPlot plot = Plot(s);
    const std::vector<double> loud = Spectrum({}, 3000), quiet = Spectrum({}, 30);
    plot.Build(loud);
    const std::vector<QPoint> before = plot.Curve();
    plot.Remember();
    plot.Build(quiet);
    EXPECT_EQ(plot.Curve(), before);
    plot.Remember();
    // Released, the live curve comes back.
    plot.settings.hold = false;
    plot.ClearHeld();
    plot.Build(quiet);
    ASSERT_FALSE(plot.Curve().empty());
    EXPECT_EQ(plot.Curve()[10].y(), plot.YOfValue(30));
}

TEST(FFTPlot, WithDelayFiveADropOfAHundredPixelsTakesTwentyRepaints) {
    FftViewSettings s = Plain();
    s.delayOn = true;
    s.delay = 5;
    s.markers = false;
    FftPlot plot = Plot(s);
    const double high = plot.AmplitudeAt(200), low = plot.AmplitudeAt(300);
    plot.Build(Spectrum({}, high));
    const int start = plot.Curve()[10].y();
    plot.Remember();
    const int target = [&] {
        FftPlot other = Plot(Plain());
        other.Build(Spectrum({}, low));
        return other.Curve()[10].y();
    }();
    ASSERT_NEAR(target - start, 100, 1);
    int repaints = 0;
    for (; repaints < 100; ++repaints) {
        plot.Build(Spectrum({}, low));
        plot.Remember();
        EXPECT_LE(plot.Curve()[10].y() - start, 5 * (repaints + 1));
        if (plot.Curve()[10].y() >= target) break;
    }
    EXPECT_EQ(repaints + 1, (target - start + 4) / 5);
}

TEST(FFTPlot, DelayNeverDrawsTheCurveBelowTheSpectrum) {
    FftViewSettings s = Plain();
    s.delayOn = true;
    s.delay = 5;
    s.markers = false;
    FftPlot plot = Plot(s);
    // Drops of 2, 3 and 12 pixels: the curve falls to the spectrum, or by 5 towards it.
    const int start = 200;
    plot.Build(Spectrum({}, plot.AmplitudeAt(start)));
    plot.Remember();
    int held = plot.Curve()[10].y();
    for (int drop : {2, 3, 12}) {
        const std::vector<double> spectrum = Spectrum({}, plot.AmplitudeAt(held + drop));
        plot.Build(spectrum);
        const int actual = plot.YOfValue(spectrum[10]);
        ASSERT_GT(actual, held);
        EXPECT_EQ(plot.Curve()[10].y(), std::min(actual, held + 5)) << drop;
        for (std::size_t i = 0; i + 1 < plot.Curve().size(); ++i) EXPECT_LE(plot.Curve()[i].y(), actual) << i;
        plot.Remember();
        held = plot.Curve()[10].y();
    }
}

TEST(FFTPlot, TheLevelAxisIsDecibelsFullScaleAlikeForEightAndSixteenBits) {
    // |X|/N of a full-scale sine is 2^(bits - 2). On the axis 0 .. -90 dB, 400 pixels high, it
    // reaches the top (y = 25), -45 dB lies half way, and the read-out says what is drawn.
    for (int bits : {8, 16}) {
        for (bool linear : {false, true}) {
            FftViewSettings s = Plain();
            s.ampLinear = linear;
            FftPlot plot = Plot(s);
            plot.SetGeometry(kClient, kRate, bits);
            const double fullSine = std::ldexp(1.0, bits - 2);
            SCOPED_TRACE(testing::Message() << bits << (linear ? " linear" : " log"));
            EXPECT_EQ(plot.YOfValue(fullSine), 25);
            EXPECT_NEAR(plot.LevelAt(25), 0.0, 1e-9);
            EXPECT_NEAR(plot.LevelAt(plot.Base()), -90.0, 1e-9);
            if (!linear) {
                EXPECT_NEAR(plot.YOfValue(fullSine * std::pow(10.0, -45.0 / 20)), 225, 1);
                for (double db : {-3.0, -20.0, -61.5}) {
                    const int y = plot.YOfValue(fullSine * std::pow(10.0, db / 20));
                    EXPECT_NEAR(plot.LevelAt(y), db, 90.0 / 400) << db;
                }
            }
            // Silence lies on the base line; below the foot of the axis the read-out says the
            // floor, never -inf.
            EXPECT_EQ(plot.YOfValue(0.0), plot.Base());
            EXPECT_NEAR(plot.LevelAt(plot.Base() + 50), linear ? -150.0 : -90.0 - 50 * 90.0 / 400, 1e-9);
        }
    }
}

TEST(FFTPlot, FewerThanThreeValuesGiveNoCurveAndANewCountStartsAfresh) {
    FftPlot plot = Plot(Plain());
    plot.Build(Spectrum({{100, 10000}}));
    ASSERT_TRUE(plot.Correct(QPoint(400, 200)));
    plot.Build(std::vector<double>{1000.0, 1000.0});
    EXPECT_EQ(plot.Curve(), (std::vector<QPoint>{QPoint(0, 0)}));
    EXPECT_TRUE(plot.Peaks().empty());
    EXPECT_TRUE(plot.Edits().empty());
    // A lowest frequency above every bin leaves the curve empty.
    plot.settings.bottomCutHz = 999;
    plot.settings.topCutkHz = 1;
    plot.SetGeometry(kClient, 1000, 16);
    plot.Build(Spectrum({{100, 10000}}));
    EXPECT_TRUE(plot.Curve().empty());
}

TEST(FFTPlot, RightClicksRemoveANearPeakAndAddOthersInOrderWithEverySplineType) {
    for (int type = 0; type <= 3; ++type) {
        FftViewSettings s = Plain();
        s.spline = type != 0;
        s.splineType = type;
        FftPlot plot = Plot(s);
        const std::vector<double> spectrum = Spectrum({{100, 10000}, {300, 8000}, {600, 5000}});
        plot.Build(spectrum);
        const std::vector<QPoint> peaks = plot.Peaks();
        ASSERT_EQ(peaks.size(), 5u) << type;
        // Within 5 pixels of the second peak: it goes.
        ASSERT_TRUE(plot.Correct(peaks[2] + QPoint(3, 4)));
        // Elsewhere: a point is added there, between the first and third peak.
        ASSERT_TRUE(plot.Correct(QPoint(250, 150)));
        for (int repaint = 0; repaint < 3; ++repaint) {
            plot.Build(spectrum);
            plot.Remember();
            EXPECT_EQ(plot.Peaks(),
                      (std::vector<QPoint>{peaks[0], peaks[1], QPoint(250, 150), peaks[3], peaks[4]}))
                << "type " << type;
        }
        if (type == FftViewSettings::kCubic) {
            EXPECT_FALSE(plot.SplinePoints().empty());
        }
        // A new minimum distance forgets the corrections.
        plot.ClearEdits();
        plot.Build(spectrum);
        EXPECT_EQ(plot.Peaks(), peaks);
    }
    // Without markers and spline nothing is recorded.
    FftViewSettings off = Plain();
    off.markers = false;
    FftPlot plot = Plot(off);
    EXPECT_FALSE(plot.Correct(QPoint(100, 100)));
}

TEST(FFTPlot, MappingsAndTheirInversesAgree) {
    for (bool linear : {true, false}) {
        FftViewSettings s = Plain();
        s.freqLinear = linear;
        s.ampLinear = linear;
        s.bottomCutHz = 20;
        if (linear) s.topDb = -15;
        FftPlot plot = Plot(s);
        EXPECT_EQ(plot.XOf(20.0), 20);
        EXPECT_EQ(plot.XOf(10000.0), 1020);
        EXPECT_NEAR(plot.FrequencyAt(plot.XOf(440.0)), 440.0, linear ? 10.0 : 3.0);
        EXPECT_EQ(plot.YOfAmplitude(plot.TopAmplitude()), 25);
        EXPECT_EQ(plot.YOfAmplitude(plot.BottomAmplitude()), plot.Base());
        EXPECT_NEAR(plot.LevelAt(225), plot.LevelAt(225), 1e-9);
        EXPECT_NEAR(plot.YOfValue(plot.AmplitudeAt(200)), 200, 1);
        // Nothing is drawn below the base line; a silent bin lies on it.
        EXPECT_EQ(plot.YOfValue(0.0), plot.Base());
    }
}

TEST(FFTView, ReadOutNumbersHaveFiveDigitsAndAtMostOneDecimal) {
    const std::pair<double, const char*> cases[] = {{440.1234, "440.1"},  {-23.456, "-23.4"},
                                                    {12345.6, "12346"},   {1.23456, "1.2"},
                                                    {100000.4, "100000"}, {-6.0, "-6"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FftView::ReadOutNumber(value), QLatin1String(text)) << value;
}

// ---------------------------------------------------------------------------------------
// The window with its control bar.

class FFTWindow : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        app.Settings().IniFFTBottomCutHz = 1;
        app.Settings().IniFFTTopCutkHz = 10;
        app.Settings().IniFFTBottomCutAmp = 0;
        app.Settings().IniFFTTopCutAmp = -90;
        app.Settings().IniFFTbIsCrossVisible = 1;
        app.Settings().IniFFTMinAbstandMaxima = 5;
        app.Settings().IniFFTMinAbstandNachbarMin = 1;
        app.Settings().IniFFTbIsFreqLinear = 1;
        app.Settings().IniFFTbDarstellung = 1;
        frame = std::make_unique<FftFrame>(app.Settings(), doc);
        doc.SetModuleFrame(Module::Fft, frame.get());
        frame->ShownView()->OnInitialUpdate();
        frame->resize(1020 + frame->ControlBar()->width() + 20, 500);
        frame->show();
        frame->ShownView()->resize(kClient.size());
        DocumentTestAccess::SampleRate(doc) = kRate;
        DocumentTestAccess::BitsPerSample(doc) = 16;
        DocumentTestAccess::FullScale(doc) = 32767.0;
    }
    void TearDown() override {
        doc.SetModuleFrame(Module::Fft, nullptr);
        frame.reset();
        DocFixture::TearDown();
    }
    FftView& View() { return *frame->ShownView(); }
    QImage Repaint() { return View().grab().toImage(); }
    QSpinBox* Spin(int id) { return qobject_cast<QSpinBox*>(frame->Control(id)); }
    std::unique_ptr<FftFrame> frame;
};

TEST_F(FFTWindow, AmplitudeEndsStayFiveDecibelsApartAndLinearStartsAtMinusThree) {
    Spin(FftFrame::kLowerAmp)->setValue(-30);
    Spin(FftFrame::kUpperAmp)->setValue(-40);
    EXPECT_EQ(View().Settings().topDb, -40);
    EXPECT_EQ(View().Settings().bottomDb, -45);
    EXPECT_EQ(Spin(FftFrame::kLowerAmp)->value(), -45);
    // The lower end set above the upper one raises the upper one by 5 dB.
    Spin(FftFrame::kLowerAmp)->setValue(-20);
    EXPECT_EQ(View().Settings().topDb, -15);
    EXPECT_EQ(Spin(FftFrame::kUpperAmp)->value(), -15);

    Spin(FftFrame::kUpperAmp)->setValue(-10);
    qobject_cast<QAbstractButton*>(frame->Control(FftFrame::kAmpLin))->click();
    EXPECT_TRUE(View().Settings().ampLinear);
    EXPECT_EQ(Spin(FftFrame::kUpperAmp)->value(), -3);
    qobject_cast<QAbstractButton*>(frame->Control(FftFrame::kAmpLog))->click();
    EXPECT_EQ(Spin(FftFrame::kUpperAmp)->value(), 0);

    // The ends are read on the same full-scale axis the picture draws, and say so.
    QStringList units;
    for (const QLabel* label : frame->ControlBar()->findChildren<QLabel*>()) {
        if (label->text().startsWith(QStringLiteral("dB"))) units << label->text();
    }
    EXPECT_EQ(units, QStringList({QStringLiteral("dBFS"), QStringLiteral("dBFS")}));
}

TEST_F(FFTWindow, ExclusiveControlsAndTheDocumentsFields) {
    auto button = [&](int id) { return qobject_cast<QAbstractButton*>(frame->Control(id)); };
    button(FftFrame::kDelay)->click();
    EXPECT_TRUE(View().Settings().delayOn);
    EXPECT_FALSE(button(FftFrame::kMarkers)->isChecked());
    EXPECT_TRUE(Spin(FftFrame::kDelayPixels)->isEnabled());
    button(FftFrame::kMarkers)->click();
    EXPECT_FALSE(button(FftFrame::kDelay)->isChecked());
    EXPECT_FALSE(Spin(FftFrame::kDelayPixels)->isEnabled());

    button(FftFrame::kCubic)->click();
    button(FftFrame::kBeta)->click();
    EXPECT_EQ(View().Settings().splineType, FftViewSettings::kBeta);
    EXPECT_FALSE(button(FftFrame::kCubic)->isChecked());
    button(FftFrame::kBeta)->click();
    EXPECT_FALSE(View().Settings().spline);
    EXPECT_EQ(View().Settings().splineType, FftViewSettings::kNoSpline);

    // The document sets the lower amplitude end by its arrows' number and the highest
    // frequency by its field's, and the FFT size shows in the read-only field.
    frame->SetControlInt(1089, -96);
    frame->SetControlInt(1069, 22);
    EXPECT_EQ(View().Settings().bottomDb, -96);
    EXPECT_EQ(View().Settings().topCutkHz, 22);
    DocumentTestAccess::FftPoints(doc) = 16384;
    doc.UpdateAllViews(kHintRebuild);
    auto* points = qobject_cast<QLineEdit*>(frame->Control(FftView::kCtrlFftPoints));
    EXPECT_EQ(points->text(), QStringLiteral("16384"));
    EXPECT_FALSE(points->isEnabled());
    DocumentTestAccess::SpectrumPoints(doc) = 2048;
    doc.UpdateAllViews(kHintSelectionSpectrum);
    EXPECT_EQ(points->text(), QStringLiteral("2048"));
}

TEST_F(FFTWindow, SettingsComeFromTheProfileAndGoBackWhenTheWindowCloses) {
    EXPECT_EQ(Spin(FftFrame::kBottomCutHz)->value(), 1);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(frame->Control(FftFrame::kLines))->isChecked());
    Spin(FftFrame::kTopCutkHz)->setValue(5);
    qobject_cast<QAbstractButton*>(frame->Control(FftFrame::kColumns))->click();
    doc.SetModuleFrame(Module::Fft, nullptr);
    frame.reset();
    EXPECT_EQ(app.Settings().IniFFTTopCutkHz, 5);
    EXPECT_EQ(app.Settings().IniFFTbDarstellung, 2);
}

TEST_F(FFTWindow, ALiveBlockIsDrawnAndItsPeakFound) {
    DocumentTestAccess::SampleRate(doc) = 8000;
    DocumentTestAccess::FftPoints(doc) = 1024;
    std::vector<double> block(1024);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = 16000.0 * std::sin(2 * M_PI * 1000.0 * i / 8000.0);
    doc.OnCaptureBlock(block, QString());
    const QImage picture = Repaint();
    const FftPlot& plot = View().Plot();
    ASSERT_EQ(plot.PeakInfos().size(), 3u);
    EXPECT_NEAR(plot.PeakInfos()[1].frequency, 1000.0, 8.0);
    // The red curve reaches up near the peak's marker.
    const QPoint peak = plot.Peaks()[1];
    bool red = false;
    for (int dx = -3; dx <= 3; ++dx)
        for (int dy = 0; dy <= 4; ++dy)
            red = red || picture.pixelColor(peak + QPoint(dx, dy)) == QColor(255, 0, 0);
    EXPECT_TRUE(red);
}

TEST_F(FFTWindow, TwoValuesDrawOnlyTheAxesAndThePiano) {
    DocumentTestAccess::Spectrum(doc) = {30000.0, 30000.0};
    const QImage picture = Repaint();
    int red = 0;
    for (int y = 30; y < picture.height() - 20; ++y)
        for (int x = 21; x < picture.width(); ++x) red += picture.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_EQ(red, 0);
    // White keys at the top, the white base line at the bottom.
    EXPECT_EQ(picture.pixelColor(View().Plot().XOf(440.0 * std::exp2(2.0 / 12)), 22), QColor(Qt::white));
    EXPECT_EQ(picture.pixelColor(500, View().Plot().Base()), QColor(Qt::white));
}

TEST_F(FFTWindow, ALeftClickReadsFrequencyLevelAndNote) {
    DocumentTestAccess::Spectrum(doc) = Spectrum({{44, 10000}});
    Repaint();
    const int x = View().Plot().XOf(440.0);
    QTest::mousePress(&View(), Qt::LeftButton, {}, QPoint(x, 200));
    ASSERT_TRUE(View().CurrentReadOut().has_value());
    EXPECT_NEAR(View().CurrentReadOut()->frequency, 440.0, 10.0);
    EXPECT_NEAR(View().CurrentReadOut()->level, View().Plot().LevelAt(200), 1e-9);
    const QImage shown = Repaint();
    EXPECT_EQ(shown.pixelColor(x + 4, 204), QColor(Qt::white));  // the cross under the cursor
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, QPoint(x, 200));
    EXPECT_FALSE(View().CurrentReadOut().has_value());
}

TEST_F(FFTWindow, ExportDataCopiesTheTableAndSaysSoButNotWithoutASpectrum) {
    View().OnViewCommand(ViewCommand::ExportData);
    EXPECT_TRUE(SaidNumber(ui, 63701));
    EXPECT_FALSE(SaidNumber(ui, 61472));
    DocumentTestAccess::Spectrum(doc) = {32768.0, 1638.4, 0.5};
    View().OnViewCommand(ViewCommand::ExportData);
    EXPECT_TRUE(SaidNumber(ui, 61472));
    const QString text = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("frequency[Hz]\tamplitude[dBFS]\r\n0\t0\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\t-20\r\n")));
}

TEST_F(FFTWindow, SaveViewWritesThePictureAndCopyAddsTheCaptions) {
    DocumentTestAccess::Spectrum(doc) = Spectrum({{100, 10000}});
    Repaint();
    ui.saveFiles.push_back(std::nullopt);  // cancelled: nothing happens
    View().OnViewCommand(ViewCommand::SaveView);
    EXPECT_TRUE(ui.messages.empty());
    const QString svg = Path(QStringLiteral("spectrum.svg")), png = Path(QStringLiteral("spectrum.png"));
    ui.saveFiles.push_back(svg);
    View().OnViewCommand(ViewCommand::SaveView);
    ui.saveFiles.push_back(png);
    View().OnViewCommand(ViewCommand::SaveView);
    EXPECT_EQ(ui.fileDialogs.back().title, Str(StringId::SavesFFTView));
    const QByteArray text = ReadFile(svg);
    EXPECT_TRUE(text.contains("<title>KALVO sound analysis</title>"));
    EXPECT_TRUE(text.contains("<desc>FFT picture</desc>"));
    const QImage picture(png);
    ASSERT_EQ(picture.size(), kClient.size());
    const QPoint peak = View().Plot().Peaks()[1];
    EXPECT_EQ(picture.pixelColor(peak + QPoint(2, 0)), QColor(0, 255, 0));  // the marker

    // A folder that does not exist: told, and no file.
    const QString nowhere = Path(QStringLiteral("missing/spectrum.svg"));
    ui.saveFiles.push_back(nowhere);
    View().OnViewCommand(ViewCommand::SaveView);
    EXPECT_TRUE(SaidNumber(ui, 63022));
    EXPECT_FALSE(QFile::exists(nowhere));

    View().OnViewCommand(ViewCommand::Copy);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied && copied->hasFormat(QStringLiteral("image/svg+xml")));
    EXPECT_TRUE(copied->data(QStringLiteral("image/svg+xml")).contains(">frequency<"));
    EXPECT_TRUE(copied->data(QStringLiteral("image/svg+xml")).contains(">amplitude<"));
    EXPECT_TRUE(copied->hasImage());
}

TEST_F(FFTWindow, ClearAllDataEmptiesTheListsAndTheDocumentsSpectrum) {
    DocumentTestAccess::Spectrum(doc) = Spectrum({{100, 10000}});
    Repaint();
    ASSERT_FALSE(View().Plot().Peaks().empty());
    recorder.hints.clear();
    View().OnViewCommand(ViewCommand::ClearAllData);
    EXPECT_TRUE(View().Plot().Peaks().empty());
    EXPECT_EQ(View().Plot().Curve(), (std::vector<QPoint>{QPoint(0, 0)}));
    EXPECT_LE(doc.Spectrum().size(), 1u);
    EXPECT_EQ(recorder.hints, (std::vector<int>{kHintRebuild}));
}

TEST_F(FFTWindow, F1OpensAPageThatExistsInBothLanguages) {
    const QString topic = View().HelpTopic();
    ASSERT_FALSE(topic.isEmpty());
    for (const char* language : {"en", "de"})
        EXPECT_TRUE(
            QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic))
            << language;
}

namespace {

int RedPixels(const QImage& picture) {
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 21; x < picture.width(); ++x) red += picture.pixelColor(x, y) == QColor(255, 0, 0);
    return red;
}

}  // namespace

TEST_F(FFTWindow, ANewFftSizeShowsTheSpectrumAgainInsteadOfABlankWindow) {
    // 1250 Hz at 20 kHz lies on a bin of every size: bin 256 of 4096 points, bin 64 of 1024.
    // A sine of amplitude A on a bin reads A / 2 there.
    constexpr double kAmplitude = 16000.0;
    ASSERT_TRUE(
        doc.LoadWave(Write(QStringLiteral("tone.wav"), Mono16(kRate, Sine(1250, kRate, 20000, kAmplitude)))));
    auto* points = qobject_cast<QLineEdit*>(frame->Control(FftView::kCtrlFftPoints));

    // A selection of 4096 samples: its spectrum is shown again, at its own size; the sonogram
    // and the other windows hear of the selection anew and take the new size.
    ASSERT_TRUE(doc.OnSelectionChanged(2000, 6096));
    ASSERT_EQ(doc.Spectrum().size(), 2049u);
    ui.fftSizes.push_back(0);  // 256 points
    recorder.hints.clear();
    doc.OnFftSettings();
    EXPECT_EQ(doc.FftPoints(), 256);
    EXPECT_EQ(doc.SelectedSamples().size(), 4096u);
    ASSERT_EQ(doc.Spectrum().size(), 2049u);
    EXPECT_NEAR(doc.Spectrum()[256], kAmplitude / 2, kAmplitude * 0.005);
    EXPECT_EQ(recorder.hints.back(), kHintSelectionSpectrum);
    EXPECT_EQ(points->text(), QStringLiteral("4096"));
    EXPECT_GT(RedPixels(Repaint()), 100);

    // The spectrum at the play position, where playback stopped: computed again at the new size.
    DocumentTestAccess::SpectrumPoints(doc) = 0;  // as playback leaves it
    doc.PlaybackUpdate(2000 * 2);
    ASSERT_EQ(doc.Spectrum().size(), 129u);
    ui.fftSizes.push_back(2);  // 1024 points
    doc.OnFftSettings();
    EXPECT_EQ(std::count(recorder.hints.begin(), recorder.hints.end(), kHintSelectionSpectrum),
              1);  // the first change only
    ASSERT_EQ(doc.Spectrum().size(), 513u);
    EXPECT_NEAR(doc.Spectrum()[64], kAmplitude / 2, kAmplitude * 0.005);
    EXPECT_EQ(recorder.hints.back(), kHintSpectrum);
    EXPECT_GT(RedPixels(Repaint()), 100);
}

TEST_F(FFTWindow, ANewSoundSetsTheLowerAmplitudeToItsRangeAndATimeSeriesTheFrequencies) {
    SonogramFrame sono(app.Settings(), doc);
    const auto sonoTop = [&sono] {
        return qobject_cast<QSpinBox*>(sono.Control(SonogramFrame::kTopCutkHz))->value();
    };
    frame->SetControlInt(FftFrame::kLowerAmpSpin, -20);
    frame->SetControlInt(FftFrame::kTopCutkHz, 5);
    sono.SetControlInt(SonogramFrame::kTopCutkHz, 5);

    // A wave file: 6 dB for each of its 8 bits; the frequencies stay as they were.
    ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("eight.wav"), Wave(1, 8000, 8, QByteArray(4000, '\x80')))));
    EXPECT_EQ(Spin(FftFrame::kLowerAmpSpin)->value(), -48);
    EXPECT_EQ(Spin(FftFrame::kTopCutkHz)->value(), 5);
    EXPECT_EQ(sonoTop(), 5);

    // A time series becomes 16-bit samples at 44.1 kHz: up to 22 kHz in both windows.
    ASSERT_TRUE(
        doc.OpenTimeSeriesFile(Write(QStringLiteral("series.txt"), QByteArray("1 3 2 5 4 6 5 8 7 9\n"))));
    EXPECT_EQ(Spin(FftFrame::kLowerAmpSpin)->value(), -96);
    EXPECT_EQ(Spin(FftFrame::kTopCutkHz)->value(), 22);
    EXPECT_EQ(sonoTop(), 22);
}
