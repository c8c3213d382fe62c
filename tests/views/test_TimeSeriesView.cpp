// The time series window: zoom and simplification, the iterated autocorrelation of the
// document, the mutual information with its first minimum, and the exported text.

#include <QImage>
#include <QPainter>
#include <QSlider>
#include <QTemporaryDir>
#include <cmath>

#include "analysis/MutualInformation.h"
#include "tests/support/ChaoticSeries.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "tests/support/KalvoProcess.h"
#include "views/nonlinear/TimeSeriesFrame.h"
#include "views/nonlinear/TimeSeriesView.h"

using namespace test;

namespace {

struct TimeSeriesWindow : DocFixture {
    void SetUp() override {
        DocFixture::SetUp();
        DocumentTestAccess::SampleRate(doc) = 1000;
        DocumentTestAccess::BitsPerSample(doc) = 16;
        DocumentTestAccess::FullScale(doc) = 32767.0;
        app.Settings().IniZeitreiheWhatIs = 0;
        app.Settings().IniZeitreiheKorrCount = 3;
        app.Settings().IniZeitreihePartitions = 16;
        app.Settings().IniZeitreiheCorrlength = 20;
        frame = std::make_unique<TimeSeriesFrame>(app.Settings(), doc);
        doc.SetModuleFrame(Module::TimeSeries, frame.get());
        View().OnInitialUpdate();
        frame->resize(800, 400);
    }
    void TearDown() override {
        doc.SetModuleFrame(Module::TimeSeries, nullptr);
        frame.reset();
        DocFixture::TearDown();
    }
    TimeSeriesView& View() { return *frame->ShownView(); }
    // A new selection of these values, as the document announces it.
    void Select(std::vector<double> values) {
        DocumentTestAccess::SelectedSamples(doc) = std::move(values);
        View().OnUpdate(kHintSelectionSpectrum);
    }
    std::unique_ptr<TimeSeriesFrame> frame;
};

std::vector<double> Sine(std::size_t n, double period, double amplitude = 10000.0) {
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = amplitude * std::sin(2.0 * M_PI * static_cast<double>(i) / period);
    return v;
}

}  // namespace

TEST_F(TimeSeriesWindow, ZoomSliderAndSimplificationOfLongSelections) {
    Select(Sine(1000, 50));
    View().OnZoomSlider(-4);
    EXPECT_DOUBLE_EQ(View().Zoom(), 0.25);
    EXPECT_EQ(View().PlotWidth(), 250);  // every 4th sample, one pixel each
    View().OnZoomSlider(0);
    EXPECT_DOUBLE_EQ(View().Zoom(), 1.0);

    // 30000 samples at one pixel per sample: asked; No keeps the zoom and asks again next time.
    ui.yesNoAnswers = {false, true};
    Select(Sine(30000, 50));
    EXPECT_TRUE(SaidNumber(ui, 61446));
    EXPECT_DOUBLE_EQ(View().Zoom(), 1.0);
    ui.messages.clear();
    Select(Sine(30000, 50));
    EXPECT_TRUE(SaidNumber(ui, 61446));
    EXPECT_DOUBLE_EQ(View().Zoom(), 5000.0 / 30000.0);
    EXPECT_EQ(qobject_cast<QSlider*>(frame->Control(TimeSeriesFrame::kZoom))->value(), -6);
    // Once simplified it is not asked again.
    ui.messages.clear();
    Select(Sine(40000, 50));
    EXPECT_FALSE(SaidNumber(ui, 61446));
}

TEST_F(TimeSeriesWindow, AutocorrelationOfASineAndItsFirstMinimum) {
    DocumentTestAccess::FftPoints(doc) = 1024;
    app.Settings().IniZeitreiheWhatIs = 1;
    View().OnInitialUpdate();
    Select(Sine(1024, 64));
    // Functions 1 .. K + 1, each over the FFT size; the first falls to zero after a quarter period.
    for (int k = 0; k <= 3; ++k)
        EXPECT_EQ(doc.AutoCorrelations()[static_cast<std::size_t>(k)].size(), 1024u) << k;
    EXPECT_TRUE(doc.AutoCorrelations()[4].empty());
    EXPECT_EQ(doc.AutoCorrelationSpectrum().size(), 513u);
    EXPECT_NEAR(doc.FirstAutoCorrelationMinimum(), 15, 1);
    EXPECT_GT(doc.AutoCorrelations()[0][0], 0.0);
    // A count of 5 computes 6 functions.
    View().OnCorrelationCount(5);
    EXPECT_EQ(doc.AutoCorrelations()[5].size(), 1024u);
    EXPECT_EQ(app.Settings().IniZeitreiheKorrCount, 5);
}

TEST(MutualInformation, FirstMinimumAndShortSeries) {
    struct Case {
        std::vector<double> curve;
        std::optional<int> minimum;
    };
    const Case cases[] = {
        {{3.0, 2.0, 1.0, 1.5, 0.5}, 2},
        {{3.0, 2.0, 1.0, 0.5}, std::nullopt},  // still falling at T
        {{3.0, 3.5, 1.0}, std::nullopt},       // rising at once
        {{3.0, 2.0, 2.0}, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(FirstMinimum(c.curve), c.minimum);

    // Entropy of a uniform spread over 4 boxes is ln 4; T beyond the series is cut.
    std::vector<double> ramp;
    for (int i = 0; i < 400; ++i) ramp.push_back(i % 4);
    int tau = 1000;
    const std::vector<double> info = MutualInformation(ramp, 4, tau);
    EXPECT_EQ(tau, 399);
    EXPECT_NEAR(info[0], std::log(4.0), 1e-12);
    EXPECT_NEAR(info[1], std::log(4.0), 1e-4);  // the next value is known from this one
    tau = 5;
    EXPECT_TRUE(MutualInformation(std::vector<double>(200, 3.0), 4, tau).empty());
}

TEST_F(TimeSeriesWindow, MutualInformationNeedsMoreThanAHundredSamples) {
    app.Settings().IniZeitreiheWhatIs = 2;
    View().OnInitialUpdate();
    const auto henon = HenonSeries(200);
    Select(std::vector<double>(henon.begin(), henon.begin() + 100));
    EXPECT_TRUE(View().Information().empty());
    Select(std::vector<double>(henon.begin(), henon.begin() + 101));
    EXPECT_EQ(View().Information().size(), 21u);
    // A constant selection is reported and gives no curve.
    Select(std::vector<double>(300, 5.0));
    EXPECT_TRUE(SaidNumber(ui, 61476));
    EXPECT_TRUE(View().Information().empty());
}

TEST_F(TimeSeriesWindow, ExportedTextOfEachMode) {
    Select({16383.5, -32767.0, 0.0});
    QString text = View().ExportText();
    EXPECT_EQ(text, QStringLiteral("Time[ms]\tAmplitude[%]\r\n0\t50\r\n1\t-100\r\n2\t0\r\n"));

    app.Settings().IniZeitreiheWhatIs = 2;
    View().OnInitialUpdate();
    Select(HenonSeries(500));
    text = View().ExportText();
    const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_EQ(lines[0], QStringLiteral("Number of boxes for each partition:\t16"));
    EXPECT_EQ(lines[1], QStringLiteral("Delay-Parameter Tau\tMutual Information"));
    ASSERT_EQ(lines.size(), 2 + 21);
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("0\t2,")));  // ln 16 = 2,77 at most
}

TEST_F(TimeSeriesWindow, ThreeAutocorrelationStripsEachWithItsCentreLine) {
    DocumentTestAccess::FftPoints(doc) = 1024;
    app.Settings().IniZeitreiheWhatIs = 1;
    View().OnInitialUpdate();
    Select(Sine(1024, 64));
    QImage image(600, 300, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const int width = View().OnDraw(painter, 300);
    painter.end();
    EXPECT_EQ(width, 1024);  // one pixel per value of the FFT size
    // Strips of 100 pixels; each has its white centre line, and its curve stays inside it.
    for (int y : {50, 150, 250}) EXPECT_EQ(image.pixelColor(500, y), QColor(Qt::white)) << y;
    for (int strip = 0; strip < 3; ++strip) {
        int top = 300, bottom = -1;
        for (int y = strip * 100; y < strip * 100 + 100; ++y)
            for (int x = 0; x < 600; ++x)
                if (image.pixelColor(x, y) == QColor(0, 255, 0)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        EXPECT_LE(top, strip * 100 + 2) << "each strip is scaled to its own largest value";
        EXPECT_GE(bottom, strip * 100 + 40) << strip;
    }
}

TEST_F(TimeSeriesWindow, ASelectionTooShortForTheModeClearsItsCurveAndSaysWhy) {
    DocumentTestAccess::FftPoints(doc) = 1024;
    app.Settings().IniZeitreiheWhatIs = 1;
    View().OnInitialUpdate();
    Select(Sine(1024, 64));
    ASSERT_EQ(doc.AutoCorrelations()[0].size(), 1024u);
    EXPECT_TRUE(View().MissingCurveText().isEmpty());
    const auto textPixels = [this] {
        QImage image(800, 300, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        View().DrawTexts(painter, image.rect());
        painter.end();
        int white = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 800; ++x) white += image.pixelColor(x, y) == QColor(Qt::white);
        return white;
    };
    // 10 samples, and the single zero that stands for no selection after a click.
    for (const std::size_t n : {std::size_t{10}, std::size_t{1}}) {
        Select(Sine(n, 64));
        for (const auto& acf : doc.AutoCorrelations()) EXPECT_TRUE(acf.empty()) << n;
        EXPECT_EQ(View().PlotWidth(), 0) << n;
        EXPECT_EQ(View().MissingCurveText(),
                  Str(StringId::AutocorrelationNeedsSelectionLeast, QStringLiteral("11")))
            << n;
        EXPECT_GT(textPixels(), 50) << n;
        ui.messages.clear();
        View().OnViewCommand(ViewCommand::ExportData);  // no table of an earlier selection
        EXPECT_TRUE(SaidNumber(ui, 64262)) << n;
        EXPECT_FALSE(SaidNumber(ui, 61512)) << n;
    }
    View().OnCorrelationCount(4);
    EXPECT_TRUE(doc.AutoCorrelations()[0].empty());
    Select(Sine(11, 64));
    EXPECT_EQ(doc.AutoCorrelations()[0].size(), 1024u);
    EXPECT_TRUE(View().MissingCurveText().isEmpty());

    // The mutual information of 500 values goes with a selection of 100, and the window says why.
    View().OnMode(TimeSeriesView::kMutualInformation);
    const auto henon = HenonSeries(500);
    Select(henon);
    ASSERT_FALSE(View().Information().empty());
    Select(std::vector<double>(henon.begin(), henon.begin() + 100));
    EXPECT_TRUE(View().Information().empty());
    EXPECT_EQ(View().MissingCurveText(),
              Str(StringId::MutualInformationNeedsSelection, QStringLiteral("101")));
    EXPECT_GT(textPixels(), 50);
}

TEST_F(TimeSeriesWindow, AConstantSelectionIsReportedOncePerSelection) {
    app.Settings().IniZeitreiheWhatIs = 2;
    View().OnInitialUpdate();
    const auto told = [this] {
        int count = 0;
        for (const auto& m : ui.messages) count += m.text == Str(StringId::ErrorFunctionRescaleData);
        return count;
    };
    Select(std::vector<double>(300, 5.0));
    View().OnUpdate(kHintRebuild);  // further updates of the same selection
    (void)View().ExportText();
    EXPECT_EQ(told(), 1);
    EXPECT_EQ(View().MissingCurveText(), Str(StringId::SelectionConstantSoHas));
    // Another constant selection is told again, also after one with a curve.
    Select(std::vector<double>(400, 5.0));
    EXPECT_EQ(told(), 2);
    Select(HenonSeries(300));
    EXPECT_TRUE(View().MissingCurveText().isEmpty());
    Select(std::vector<double>(400, 5.0));
    EXPECT_EQ(told(), 3);
}

TEST(TimeSeriesCommandLine, NoTableWithoutACurveAndAConstantSeriesToldOnce) {
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const std::vector<double>& values) {
        const QString file = dir.filePath(QString::fromLatin1(name));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly)) return QString();
        for (double v : values) out.write(QByteArray::number(v, 'g', 15) + '\n');
        return file;
    };
    const QString flat = write("flat.txt", std::vector<double>(500, 3.0));
    KalvoRun run =
        RunKalvo({QStringLiteral("--export"), QStringLiteral("timeseries"), QStringLiteral("--open"), flat,
                  QStringLiteral("--set"), QStringLiteral("IniZeitreiheWhatIs=2")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.err.count(Str(StringId::ErrorFunctionRescaleData)), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(Str(StringId::SelectionConstantSoHas))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    const QString henon = write("henon.txt", HenonSeries(500));
    const QStringList autocorrelation = {
        QStringLiteral("--export"), QStringLiteral("timeseries"),           QStringLiteral("--open"),  henon,
        QStringLiteral("--set"),    QStringLiteral("IniZeitreiheWhatIs=1"), QStringLiteral("--select")};
    run = RunKalvo(autocorrelation + QStringList{QStringLiteral("0:10")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(Str(StringId::AutocorrelationNeedsSelectionLeast, QStringLiteral("11"))))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    run = RunKalvo(autocorrelation + QStringList{QStringLiteral("0:11")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_GT(run.out.count(QStringLiteral("\r\n")), 11);
}
