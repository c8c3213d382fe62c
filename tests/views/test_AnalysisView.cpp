// The analysis window: the limits of its controls, the iteration questions, calculating and
// cancelling on the worker thread, the slope read-out and the fit boundaries; and the tables
// of the command line.

#include <QAction>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QPaintEngine>
#include <QPainter>
#include <QScopeGuard>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>

#include "analysis/LyapunovKantz.h"
#include "tests/support/ChaoticSeries.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "tests/support/KalvoProcess.h"
#include "views/common/ViewFont.h"
#include "views/nonlinear/AnalysisFrame.h"
#include "views/nonlinear/AnalysisView.h"
#include "views/nonlinear/LyapunovPlots.h"
#include "views/nonlinear/TimeSeriesView.h"

using namespace test;

namespace {

struct AnalysisWindow : DocFixture {
    void SetUp() override {
        DocFixture::SetUp();
        AnalysisSettings{}.StoreInto(app.Settings());  // the standard profile's values
        frame = std::make_unique<AnalysisFrame>(app.Settings(), doc);
        doc.SetModuleFrame(Module::Analysis, frame.get());
        View().OnInitialUpdate();
        frame->resize(900, 600);
    }
    void TearDown() override {
        doc.SetModuleFrame(Module::Analysis, nullptr);
        frame.reset();
        DocFixture::TearDown();
    }
    AnalysisView& View() { return *frame->ShownView(); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(frame->Control(id)); }
    int QuestionsAsked(int id) {
        int count = 0;
        const QString start = Str(id).left(30);
        for (const auto& m : ui.messages) count += m.text.startsWith(start);
        return count;
    }
    void Calculate() {
        View().OnCalculate();
        View().WaitForCalculation();
    }
    std::unique_ptr<AnalysisFrame> frame;
};

}  // namespace

TEST_F(AnalysisWindow, ControlLimitsAndCouplings) {
    View().OnMode(AnalysisMode::Spectrum);
    Edit(AnalysisView::kMaxDimension)->setText(QStringLiteral("6"));
    Edit(AnalysisView::kDimension)->setText(QStringLiteral("1"));
    EXPECT_EQ(View().Parameters().dimLya, 2);
    EXPECT_EQ(Edit(AnalysisView::kDimension)->text(), QStringLiteral("2"));
    Edit(AnalysisView::kDimension)->setText(QStringLiteral("9"));
    EXPECT_EQ(View().Parameters().dimLya, 6);
    Edit(AnalysisView::kMaxDimension)->setText(QStringLiteral("4"));  // lowers the dimension
    EXPECT_EQ(View().Parameters().dimLya, 4);
    Edit(AnalysisView::kMaxDimension)->setText(QStringLiteral("1"));
    EXPECT_EQ(View().Parameters().maxDimLya, 2);

    // The counts stay within the points; fewer points lower them.
    Edit(AnalysisView::kPoints)->setText(QStringLiteral("500"));
    Edit(AnalysisView::kCount)->setText(QStringLiteral("800"));
    EXPECT_EQ(View().Parameters().iterLya, 500);
    Edit(AnalysisView::kPoints)->setText(QStringLiteral("300"));
    EXPECT_EQ(View().Parameters().iterLya, 300);
    EXPECT_EQ(Edit(AnalysisView::kCount)->text(), QStringLiteral("300"));

    // The same controls serve the other modes' own parameters.
    View().OnMode(AnalysisMode::LargestExponent);
    Edit(AnalysisView::kRadiusMin)->setText(QStringLiteral("0.002"));
    EXPECT_DOUBLE_EQ(View().Parameters().radiusMinLyaMax, 0.002);
    EXPECT_DOUBLE_EQ(View().Parameters().radiusMinLya, app.Settings().IniAnalyseRadiusMinLya);
    // A new selection sets the points and the count of the mode.
    DocumentTestAccess::SelectedSamples(doc) = HenonSeries(700);
    frame->SetControlInt(AnalysisView::kPoints, 700);
    frame->SetControlInt(AnalysisView::kCount, 700);
    EXPECT_EQ(View().Parameters().numPointsLyaMax, 700);
    EXPECT_EQ(View().Parameters().referenzLyaMax, 700);
}

TEST_F(AnalysisWindow, ANewSelectionBringsItsLengthIntoTheBarAndAClearedOneLeavesIt) {
    std::vector<int> ramp(3000);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int>(i % 1000);
    ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("ramp.wav"), Mono16(8000, ramp))));
    View().OnMode(AnalysisMode::LargestExponent);
    ASSERT_TRUE(doc.OnSelectionChanged(0, 2500));
    for (int id : {AnalysisView::kPoints, AnalysisView::kCount})
        EXPECT_EQ(Edit(id)->text(), QStringLiteral("2500"));
    for (int id : {AnalysisView::kPointsSlider, AnalysisView::kCountSlider}) {
        auto* slider = qobject_cast<QSlider*>(frame->Control(id));
        ASSERT_TRUE(slider);
        EXPECT_EQ(slider->maximum(), 2500);
        EXPECT_EQ(slider->value(), 2500);
    }
    EXPECT_EQ(View().Parameters().numPointsLyaMax, 2500);
    EXPECT_EQ(View().Parameters().referenzLyaMax, 2500);
    // A click that clears the selection leaves the counts as they are.
    ASSERT_TRUE(doc.OnSelectionChanged(1000, 1000));
    EXPECT_EQ(Edit(AnalysisView::kPoints)->text(), QStringLiteral("2500"));
    EXPECT_EQ(View().Parameters().numPointsLyaMax, 2500);
}

TEST_F(AnalysisWindow, IterationQuestions) {
    DocumentTestAccess::SelectedSamples(doc) = HenonSeries(400);
    // Largest exponent: asked at every Calculate with more than 50 iterations, also after No.
    View().OnMode(AnalysisMode::LargestExponent);
    Edit(AnalysisView::kIterations)->setText(QStringLiteral("60"));
    ui.yesNoAnswers = {false, false};
    Calculate();
    Calculate();
    EXPECT_EQ(QuestionsAsked(61447), 2);
    EXPECT_EQ(View().Parameters().iterLyaMax, 60);
    ui.yesNoAnswers = {true};
    Calculate();
    EXPECT_EQ(View().Parameters().iterLyaMax, 50);

    // Spectrum: asked once; after No never again in this window.
    View().OnMode(AnalysisMode::Spectrum);
    View().OnEdit(AnalysisView::kCount, QStringLiteral("2000"));
    ui.yesNoAnswers = {false};
    Calculate();
    Calculate();
    EXPECT_EQ(QuestionsAsked(61448), 1);
    EXPECT_EQ(View().Parameters().iterLya, 2000);  // No keeps the large count
}

TEST_F(AnalysisWindow, TooShortSelectionAndAFinishedCalculation) {
    View().OnMode(AnalysisMode::CorrelationDimension);
    DocumentTestAccess::SelectedSamples(doc) = HenonSeries(49);
    Calculate();
    EXPECT_FALSE(View().HasResult(AnalysisMode::CorrelationDimension));
    EXPECT_FALSE(View().IsCalculating());

    DocumentTestAccess::SelectedSamples(doc) = HenonSeries(3000);
    View().OnEdit(AnalysisView::kTau, QStringLiteral("1"));
    View().OnEdit(AnalysisView::kPoints, QStringLiteral("3000"));
    Calculate();
    ASSERT_TRUE(View().HasResult(AnalysisMode::CorrelationDimension));
    EXPECT_EQ(View().CorrDim()->m, unsigned(View().Parameters().maxDimKorr));
    EXPECT_FALSE(doc.IsBusy());
}

TEST_F(AnalysisWindow, EscapeCancelsAndLeavesNoResult) {
    DocumentTestAccess::SelectedSamples(doc) = LorenzSeries(20000);
    View().OnMode(AnalysisMode::Spectrum);
    View().OnEdit(AnalysisView::kPoints, QStringLiteral("20000"));
    View().OnEdit(AnalysisView::kCount, QStringLiteral("1000"));
    View().OnEdit(AnalysisView::kMaxDimension, QStringLiteral("10"));
    View().OnEdit(AnalysisView::kDimension, QStringLiteral("10"));
    View().OnCalculate();
    ASSERT_TRUE(View().IsCalculating());
    EXPECT_TRUE(doc.IsBusy());
    QTest::keyClick(Edit(AnalysisView::kTau), Qt::Key_Escape);  // anywhere in the program
    View().WaitForCalculation();
    EXPECT_FALSE(View().HasResult(AnalysisMode::Spectrum));
    EXPECT_FALSE(doc.IsBusy());
    // Closing the window while it calculates stops the calculation first.
    View().OnCalculate();
    ASSERT_TRUE(View().IsCalculating());
    doc.SetModuleFrame(Module::Analysis, nullptr);
    frame.reset();
    EXPECT_FALSE(doc.IsBusy());
}

TEST_F(AnalysisWindow, FitBoundariesAndSlopeReadOut) {
    View().OnFitClick(QPoint(300, 10));
    View().OnFitClick(QPoint(100, 10));
    EXPECT_EQ(View().FitFrom(), 100);  // swapped into order
    EXPECT_EQ(View().FitTo(), 300);
    View().OnFitClick(QPoint(250, 10));  // a third click moves the nearer one
    EXPECT_EQ(View().FitFrom(), 100);
    EXPECT_EQ(View().FitTo(), 250);
    View().OnFitClick(QPoint(102, 10));  // a click on a boundary removes it
    EXPECT_EQ(View().FitFrom(), 0);
    EXPECT_EQ(View().FitTo(), 250);

    // A line drawn along the S(dn) curve of the Hénon map reads about 0.42.
    DocumentTestAccess::SelectedSamples(doc) = HenonSeries(5000);
    View().resize(840, 530);
    View().OnMode(AnalysisMode::LargestExponent);
    View().OnEdit(AnalysisView::kTau, QStringLiteral("1"));
    View().OnEdit(AnalysisView::kPoints, QStringLiteral("5000"));
    View().OnEdit(AnalysisView::kCount, QStringLiteral("5000"));
    View().OnEdit(AnalysisView::kMaxDimension, QStringLiteral("2"));
    View().OnEdit(AnalysisView::kDimension, QStringLiteral("2"));
    Calculate();
    ASSERT_TRUE(View().MaxLyap());
    const MaxLyapResult& r = *View().MaxLyap();
    const QRect rect = View().rect();
    const double xs = (rect.width() - 40) / (r.maxiter + 1.0);  // fractions of a pixel per iteration
    double deepest = 0;
    for (unsigned e = 0; e < r.epsDone; ++e)
        for (unsigned i = 0; i <= r.maxiter; ++i) deepest = std::min(deepest, r.Value(e, 0, i));
    const double ys = (rect.height() - 30) / -deepest;
    const auto at = [&](unsigned i) {
        return QPoint(static_cast<int>(i * xs + 40), static_cast<int>(std::fabs(r.Value(0, 0, i)) * ys));
    };
    View().OnSlopeLine(at(2), at(9));
    ASSERT_TRUE(View().SlopeText().startsWith(Str(StringId::Slope)));
    EXPECT_NEAR(View().SlopeText().mid(Str(StringId::Slope).size()).toDouble(), 0.42, 0.05);
}

TEST(AnalysisCommandLine, TablesReproduceTheHenonValues) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("henon.txt"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (double v : HenonSeries(10000)) out.write(QByteArray::number(v, 'g', 15) + '\n');
    }
    KalvoRun run = RunKalvo({QStringLiteral("--export"), QStringLiteral("lyapspec"), QStringLiteral("--open"),
                             file, QStringLiteral("--set"), QStringLiteral("IniAnalyseDimLya=2"),
                             QStringLiteral("--set"), QStringLiteral("IniAnalyseTauLya=1"),
                             QStringLiteral("--set"), QStringLiteral("IniAnalyseIterLya=10000")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Iteration\tLambda1\tLambda2"));
    const QStringList last = lines[lines.size() - 2].split(u'\t');
    EXPECT_NEAR(QString(last[1]).replace(u',', u'.').toDouble(), 0.42, 0.03);
    EXPECT_NEAR(QString(last[2]).replace(u',', u'.').toDouble(), -1.6, 0.15);
    const QStringList ky = lines.last().split(u'\t');
    EXPECT_NEAR(QString(ky[1]).replace(u',', u'.').toDouble(), 1.26, 0.04);

    run = RunKalvo({QStringLiteral("--export"), QStringLiteral("corrdim"), QStringLiteral("--open"), file,
                    QStringLiteral("--set"), QStringLiteral("IniAnalyseTauKorr=1"), QStringLiteral("--set"),
                    QStringLiteral("IniAnalyseFitFromKorr=0.005"), QStringLiteral("--set"),
                    QStringLiteral("IniAnalyseFitToKorr=0.05")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    lines = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const qsizetype plateau = lines.indexOf(QStringLiteral("Dimension\tPlateau"));
    ASSERT_GT(plateau, 0);
    const QStringList third = lines[plateau + 3].split(u'\t');
    EXPECT_EQ(third[0], QStringLiteral("3"));
    EXPECT_NEAR(QString(third[1]).replace(u',', u'.').toDouble(), 1.2, 0.1);

    // A constant series is refused with the engine's message.
    const QString flat = dir.filePath(QStringLiteral("flat.txt"));
    {
        QFile out(flat);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (int i = 0; i < 500; ++i) out.write("3\n");
    }
    run = RunKalvo({QStringLiteral("--export"), QStringLiteral("maxlyap"), QStringLiteral("--open"), flat});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("rescale_data")));
}

TEST_F(AnalysisWindow, KaplanYorkeRadiusIsInTheUnitsOfTheSeries) {
    // A text series in units of its own (the Hénon map times 1000, about -1300 .. 1300), which
    // the import maps onto 16-bit samples.
    std::vector<double> series = HenonSeries(3000);
    for (double& v : series) v *= 1000.0;
    const QString path = dir.filePath(QStringLiteral("henon.txt"));
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (double v : series) out.write(QByteArray::number(v, 'g', 15) + '\n');
    }
    ASSERT_TRUE(doc.OpenTimeSeriesFile(path));
    ASSERT_TRUE(doc.OnSelectionChanged(0, doc.SampleCount()));
    View().OnMode(AnalysisMode::Spectrum);
    View().OnEdit(AnalysisView::kTau, QStringLiteral("1"));
    View().OnEdit(AnalysisView::kPoints, QStringLiteral("3000"));
    View().OnEdit(AnalysisView::kCount, QStringLiteral("3000"));
    View().OnEdit(AnalysisView::kMaxDimension, QStringLiteral("2"));
    View().OnEdit(AnalysisView::kDimension, QStringLiteral("2"));
    Calculate();
    ASSERT_TRUE(View().Spectrum());
    // The same fits on the numbers as written give the radius in their units.
    LyapunovKantz engine;
    engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, LyapunovKantz::kSpectrum, 0);
    const auto direct = engine.CalcLyapSpectrum(series.data(), 3000, series.size());
    ASSERT_TRUE(direct);
    const QString text = View().KaplanYorkeText();
    ASSERT_TRUE(text.contains(Str(StringId::MeanNeighbourhoodRadius).section(u'%', 0, 0)))
        << text.toStdString();
    EXPECT_NEAR(text.section(u'~', -1).toDouble(), direct->meanRadius, 0.02 * direct->meanRadius)
        << text.toStdString();
}

namespace {

QList<QStringList> Rows(const QString& table) {
    QList<QStringList> rows;
    for (const QString& line : table.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows << line.split(u'\t');
    return rows;
}

QString WriteSeries(const QTemporaryDir& dir, const char* name, const std::vector<double>& values) {
    const QString file = dir.filePath(QString::fromLatin1(name));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return {};
    for (double v : values) out.write(QByteArray::number(v, 'g', 15) + '\n');
    return file;
}

}  // namespace

// Where nothing was counted there is no number: an empty cell, or a message and no table.
TEST(AnalysisCommandLine, NothingCountedIsNoNumber) {
    QTemporaryDir dir;
    std::vector<double> noise;
    std::uint32_t x = 12345;
    for (int i = 0; i < 3000; ++i) {
        x = 1664525u * x + 1013904223u;
        noise.push_back(x / 4294967296.0);
    }
    const QString noiseFile = WriteSeries(dir, "noise.txt", noise);
    const QStringList corrdim = {QStringLiteral("--open"), noiseFile, QStringLiteral("--set"),
                                 QStringLiteral("IniAnalyseTauKorr=1")};
    KalvoRun run = RunKalvo(QStringList{QStringLiteral("--export"), QStringLiteral("corrdim")} + corrdim);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QList<QStringList> rows = Rows(run.out);
    ASSERT_GT(rows.size(), 100);
    EXPECT_EQ(rows[0].size(), 4);
    int withoutSlope = 0;
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QStringList& row = rows[i];
        ASSERT_EQ(row.size(), 4) << row.join(u' ').toStdString();
        // White noise in high dimensions: no pair at the small radii, so no slope there.
        if (row[3] == QStringLiteral("0")) {
            EXPECT_TRUE(row[2].isEmpty()) << row.join(u' ').toStdString();
        }
        withoutSlope += row[2].isEmpty();
    }
    EXPECT_FALSE(run.out.contains(QStringLiteral("nan")) || run.out.contains(QStringLiteral("inf")));
    EXPECT_GT(withoutSlope, 0);
    // The analysis entry exports the calculation the profile chooses.
    const KalvoRun chosen =
        RunKalvo(QStringList{QStringLiteral("--export"), QStringLiteral("analysis"), QStringLiteral("--set"),
                             QStringLiteral("IniAnalyseWhatIs=2")} +
                 corrdim);
    EXPECT_EQ(chosen.exitCode, 0);
    EXPECT_EQ(chosen.out, run.out);

    // The largest exponent names how many reference points each value averages; none: no value.
    const QString henon = WriteSeries(dir, "henon.txt", HenonSeries(3000));
    run = RunKalvo({QStringLiteral("--export"), QStringLiteral("maxlyap"), QStringLiteral("--open"), henon,
                    QStringLiteral("--set"), QStringLiteral("IniAnalyseTauLyaMax=1")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    rows = Rows(run.out);
    ASSERT_GT(rows.size(), 100);
    EXPECT_EQ(rows[0].size(), 5);
    for (qsizetype i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5);
        bool ok = false;
        const int count = rows[i][4].toInt(&ok);
        ASSERT_TRUE(ok && count >= 0 && count <= 500) << rows[i].join(u' ').toStdString();
        EXPECT_EQ(rows[i][3].isEmpty(), count == 0) << rows[i].join(u' ').toStdString();
    }

    // 400 values are shorter than the Theiler window of 500: no pair can be counted.
    run = RunKalvo({QStringLiteral("--export"), QStringLiteral("corrdim"), QStringLiteral("--open"),
                    WriteSeries(dir, "short.txt", HenonSeries(400))});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("Theiler"))) << run.err.toStdString();
}

TEST_F(AnalysisWindow, HelpPagesOfBothNonlinearWindowsExistInBothLanguages) {
    TimeSeriesView series(doc, app.Settings());
    for (const QString& topic : {View().HelpTopic(), series.HelpTopic()})
        for (const char* language : {"en", "de"})
            EXPECT_TRUE(
                QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic))
                << language << " " << topic.toStdString();
}

// ---------------------------------------------------------------------------------------------
// Keys, counts and what the window says instead of a diagram

TEST_F(AnalysisWindow, EscapeReachesTheMainWindowUnlessACalculationRuns) {
    // The main window's Escape (stop listening or playing) is a window-wide shortcut.
    QMainWindow main;
    auto* area = new QMdiArea;  // owned by the main window
    main.setCentralWidget(area);
    int stops = 0;
    QAction stop(QStringLiteral("Stop"));
    stop.setShortcut(QKeySequence(Qt::Key_Escape));
    QObject::connect(&stop, &QAction::triggered, [&stops] { ++stops; });
    main.addAction(&stop);
    area->addSubWindow(frame.get());
    const auto release =
        qScopeGuard([&] { area->removeSubWindow(frame.get()); });  // the fixture owns the frame
    main.resize(1200, 800);
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    area->setActiveSubWindow(frame.get());
    View().setFocus();
    ASSERT_TRUE(View().hasFocus());

    QTest::keyClick(&View(), Qt::Key_Escape);
    EXPECT_EQ(stops, 1) << "Escape with nothing to cancel goes to the main window";

    // While it calculates, Escape is the window's own and stops the calculation.
    DocumentTestAccess::SelectedSamples(doc) = LorenzSeries(20000);
    View().OnMode(AnalysisMode::Spectrum);
    View().OnEdit(AnalysisView::kPoints, QStringLiteral("20000"));
    View().OnEdit(AnalysisView::kCount, QStringLiteral("1000"));
    View().OnEdit(AnalysisView::kMaxDimension, QStringLiteral("10"));
    View().OnEdit(AnalysisView::kDimension, QStringLiteral("10"));
    View().OnCalculate();
    ASSERT_TRUE(View().IsCalculating());
    QTest::keyClick(&View(), Qt::Key_Escape);
    View().WaitForCalculation();
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(View().HasResult(AnalysisMode::Spectrum));
    QTest::keyClick(&View(), Qt::Key_Escape);
    EXPECT_EQ(stops, 2);
}

TEST_F(AnalysisWindow, AClearedSelectionKeepsTheCountsAndCountsOfNothingAreRefused) {
    const QString path = dir.filePath(QStringLiteral("henon.txt"));
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (double v : HenonSeries(3000)) out.write(QByteArray::number(v, 'g', 15) + '\n');
    }
    ASSERT_TRUE(doc.OpenTimeSeriesFile(path));
    View().OnMode(AnalysisMode::CorrelationDimension);
    ASSERT_TRUE(doc.OnSelectionChanged(0, 3000));
    Edit(AnalysisView::kRadii)->setText(QStringLiteral("100"));
    EXPECT_EQ(Edit(AnalysisView::kPoints)->text(), QStringLiteral("3000"));
    EXPECT_EQ(Edit(AnalysisView::kCount)->text(), QStringLiteral("3000"));

    // One click in the waveform clears the selection: the counts stay.
    ASSERT_TRUE(doc.OnSelectionChanged(1200, 1200));
    for (const auto& [id, value] :
         {std::pair{AnalysisView::kPoints, "3000"}, std::pair{AnalysisView::kCount, "3000"},
          std::pair{AnalysisView::kRadii, "100"}})
        EXPECT_EQ(Edit(id)->text(), QString::fromLatin1(value)) << id;
    EXPECT_EQ(View().Parameters().numberOfKorr, 100);
    // A shorter selection brings its length; the radii stay while they fit.
    ASSERT_TRUE(doc.OnSelectionChanged(0, 2000));
    EXPECT_EQ(View().Parameters().numPointsKorr, 2000);
    EXPECT_EQ(View().Parameters().iterKorr, 2000);
    EXPECT_EQ(View().Parameters().numberOfKorr, 100);
    View().OnEdit(AnalysisView::kTau, QStringLiteral("1"));
    Calculate();
    ASSERT_TRUE(View().HasResult(AnalysisMode::CorrelationDimension));

    // Counts that leave nothing to calculate are refused with a message naming the control;
    // the last result stays.
    struct Case {
        AnalysisMode mode;
        int control;
        const char* value;
        int label;
    };
    using enum AnalysisMode;
    const Case cases[] = {
        {CorrelationDimension, AnalysisView::kRadii, "0", 61540},
        {CorrelationDimension, AnalysisView::kRadii, "2", 61540},
        {CorrelationDimension, AnalysisView::kCount, "0", 61541},
        {LargestExponent, AnalysisView::kRadii, "0", 61540},
        {LargestExponent, AnalysisView::kIterations, "0", 64205},
        {Spectrum, AnalysisView::kPoints, "0", 64202},
        {LargestExponent, AnalysisView::kPoints, "20", 64202},
    };
    for (const Case& c : cases) {
        const AnalysisSettings kept = View().Parameters();
        View().OnMode(c.mode);
        View().OnEdit(c.control, QString::fromLatin1(c.value));
        ui.messages.clear();
        View().OnCalculate();
        EXPECT_FALSE(View().IsCalculating()) << static_cast<int>(c.mode) << " " << c.control;
        ASSERT_EQ(ui.messages.size(), 1u) << static_cast<int>(c.mode) << " " << c.control;
        EXPECT_TRUE(SaidNumber(ui, 64260));
        EXPECT_TRUE(ui.messages[0].text.contains(u'"' + Str(c.label) + u'"'))
            << ui.messages[0].text.toStdString();
        View().WaitForCalculation();
        EXPECT_EQ(View().HasResult(AnalysisMode::CorrelationDimension), true);  // the last result stays
        // Back to counts that work, for the next case.
        View().OnMode(AnalysisMode::Spectrum);
        View().OnEdit(AnalysisView::kPoints, QString::number(kept.numPointsLya));
        View().OnMode(AnalysisMode::LargestExponent);
        for (int id : {AnalysisView::kPoints, AnalysisView::kRadii, AnalysisView::kIterations})
            View().OnEdit(id, QString::number(id == AnalysisView::kPoints  ? kept.numPointsLyaMax
                                              : id == AnalysisView::kRadii ? kept.numberOfLyaMax
                                                                           : kept.iterLyaMax));
        View().OnMode(AnalysisMode::CorrelationDimension);
        View().OnEdit(AnalysisView::kRadii, QString::number(kept.numberOfKorr));
        View().OnEdit(AnalysisView::kCount, QString::number(kept.iterKorr));
    }
    // Points of 0 leave the other counts as they were.
    View().OnEdit(AnalysisView::kPoints, QStringLiteral("0"));
    EXPECT_EQ(View().Parameters().numberOfKorr, 100);
    EXPECT_EQ(View().Parameters().iterKorr, 2000);
}

namespace {

// A paint device that keeps the box of every text drawn on it, as it lands on the device
// (turned texts turned), so that a test can see whether two texts overlap.
class TextBoxes : public QPaintDevice {
public:
    struct Box {
        QString text;
        QRectF rect;
    };
    TextBoxes(int width, int height) : m_width(width), m_height(height) {}
    QPaintEngine* paintEngine() const override { return &m_engine; }
    const std::vector<Box>& Boxes() const { return m_engine.boxes; }
    // The first two texts that overlap by more than a pixel both ways, or nothing.
    std::optional<std::pair<Box, Box>> Overlap() const {
        const auto& b = Boxes();
        for (std::size_t i = 0; i < b.size(); ++i)
            for (std::size_t j = i + 1; j < b.size(); ++j) {
                const QRectF common = b[i].rect.intersected(b[j].rect);
                if (common.width() > 1.0 && common.height() > 1.0) return std::pair{b[i], b[j]};
            }
        return std::nullopt;
    }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return m_width;
            case PdmHeight:
                return m_height;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDepth:
                return 32;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
            default:
                return 0;
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        Type type() const override { return QPaintEngine::User; }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
        void drawLines(const QLineF*, int) override {}
        void drawLines(const QLine*, int) override {}
        void drawRects(const QRectF*, int) override {}
        void drawRects(const QRect*, int) override {}
        void drawEllipse(const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPoints(const QPointF*, int) override {}
        void drawTextItem(const QPointF& at, const QTextItem& item) override {
            const QRectF box(at.x(), at.y() - item.ascent(), item.width(), item.ascent() + item.descent());
            boxes.push_back({item.text(), painter()->transform().mapRect(box)});
        }
        std::vector<Box> boxes;
    };
    mutable Engine m_engine;
    int m_width, m_height;
};

MaxLyapResult StraightStretching(unsigned maxiter, unsigned radii, double slope) {
    MaxLyapResult r;
    r.mindim = 2;
    r.maxdim = 3;
    r.maxiter = maxiter;
    r.epscount = r.epsDone = radii;
    const std::size_t size = static_cast<std::size_t>(radii + 1) * (maxiter + 1);
    r.S.assign(2, std::vector<double>(size));
    r.counts.assign(2, std::vector<unsigned>(size, 1u));
    for (unsigned e = 0; e < radii; ++e) {
        r.radii.push_back(0.001 * (e + 1));
        for (unsigned d = 0; d < 2; ++d)
            for (unsigned i = 0; i <= maxiter; ++i)
                r.S[d][e * (maxiter + 1) + i] = -5.0 + slope * i - 0.1 * d;
    }
    return r;
}

LyapSpectrumResult FlatSpectrum(unsigned iterations, std::vector<double> exponents) {
    LyapSpectrumResult r;
    r.dimension = static_cast<unsigned>(exponents.size());
    r.iterations = iterations;
    for (unsigned row = 0; row < iterations; ++row)
        r.rows.insert(r.rows.end(), exponents.begin(), exponents.end());
    r.kaplanYorke = 1.26;
    r.meanNeighbours = 30;
    return r;
}

CorrDimResult SlopeOf(double slope, unsigned m, unsigned radii) {
    CorrDimResult r;
    r.m = m;
    r.radii = radii;
    r.curves.assign(m, {});
    for (unsigned d = 0; d < m; ++d)
        for (unsigned k = 1; k < radii; ++k) {
            CorrDimPoint p;
            p.radius = std::pow(10.0, -4.0 * k / radii);
            p.slope = slope * (d + 1) / m;
            p.hasSlope = p.hasSum = true;
            p.sum = 0.5;
            r.curves[d].push_back(p);
        }
    return r;
}

}  // namespace

// Labels are spaced by their width: at 400 and 1000 iterations the largest-exponent labels
// once ran into each other, some ran into their axis caption, and the last one out of the
// diagram.
TEST(LyapunovPlots, NoTwoTextsOverlap) {
    struct Case {
        const char* what;
        QSize size;
        std::function<void(QPainter&, const QRect&)> draw;
    };
    const MaxLyapResult iter50 = StraightStretching(50, 2, 0.05), iter400 = StraightStretching(400, 2, 0.01),
                        iter1000 = StraightStretching(1000, 1, 0.004), deep = StraightStretching(50, 1, -0.4);
    const LyapSpectrumResult spectrum = FlatSpectrum(1000, {0.42, -1.62}),
                             longSpectrum = FlatSpectrum(100000, {0.42, -1.62}),
                             nearZero = FlatSpectrum(1000, {0.02, -1.62});
    const CorrDimResult corr = SlopeOf(2.0, 10, 100);
    const auto maxLyap = [](const MaxLyapResult& r) {
        return [&r](QPainter& p, const QRect& rect) { LyapunovPlots::DrawMaxLyapunovPlot(p, rect, r); };
    };
    const auto spectral = [](const LyapSpectrumResult& r) {
        return [&r](QPainter& p, const QRect& rect) {
            LyapunovPlots::DrawSpectrumPlot(p, rect, r, r.RowCount(), LyapunovPlots::KaplanYorkeText(r));
        };
    };
    const auto correlation = [&corr](bool fit) {
        return [&corr, fit](QPainter& p, const QRect& rect) {
            LyapunovPlots::DrawCorrDimPlot(p, rect, corr, fit ? rect.width() / 3 : 0,
                                           fit ? rect.width() * 2 / 3 : 0);
        };
    };
    const Case cases[] = {
        {"max 50", {900, 600}, maxLyap(iter50)},
        {"max 400", {900, 600}, maxLyap(iter400)},
        {"max 400 narrow", {500, 300}, maxLyap(iter400)},
        {"max 1000", {900, 600}, maxLyap(iter1000)},
        {"max deep", {900, 200}, maxLyap(deep)},
        {"spectrum", {900, 600}, spectral(spectrum)},
        {"spectrum long", {500, 400}, spectral(longSpectrum)},
        {"spectrum near 0", {900, 600}, spectral(nearZero)},
        {"corrdim", {900, 600}, correlation(false)},
        {"corrdim fit", {900, 600}, correlation(true)},
        {"corrdim small", {300, 200}, correlation(false)},
    };
    for (const Case& c : cases) {
        TextBoxes device(c.size.width(), c.size.height());
        QPainter painter(&device);
        c.draw(painter, QRect(QPoint(0, 0), c.size));
        painter.end();
        EXPECT_GT(device.Boxes().size(), 5u) << c.what;
        for (const auto& box : device.Boxes())
            EXPECT_TRUE(box.rect.left() >= -1.0 && box.rect.right() <= c.size.width() + 1.0)
                << c.what << ": \"" << box.text.toStdString() << "\" runs out of the diagram";
        if (const auto overlap = device.Overlap())
            ADD_FAILURE() << c.what << ": \"" << overlap->first.text.toStdString() << "\" and \""
                          << overlap->second.text.toStdString() << "\" overlap";
    }
    // Many iterations still spread over the whole width.
    EXPECT_NEAR(LyapunovPlots::MaxLyapXScale(QRect(0, 0, 900, 600), iter1000), 860.0 / 1001.0, 1e-12);
}

namespace {

// The rows of the picture in which some pixel is drawn in black.
std::vector<int> BlackRowsAt(const QImage& image, int x) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) == QColor(Qt::black)) rows.push_back(y);
    return rows;
}

}  // namespace

TEST(LyapunovPlots, TheCorrelationDiagramHasTheWholeHeightUntilAFitRangeIsSet) {
    const CorrDimResult corr = SlopeOf(3.5, 3, 100);
    const QSize size(900, 600);
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    LyapunovPlots::DrawCorrDimPlot(painter, image.rect(), corr, 0, 0);
    painter.end();
    // The radius axis is the only black across the middle column, near the bottom.
    const int bottom = LyapunovPlots::CorrDimSlopeBottom(image.rect(), 0, 0);
    EXPECT_GT(bottom, size.height() * 4 / 5);
    EXPECT_EQ(BlackRowsAt(image, 450), std::vector<int>{bottom});
    // The highest slope reaches high up: slope 3.5 of 7 is halfway up the slope range.
    int top = size.height();
    for (int y = 0; y < size.height(); ++y)
        if (image.pixelColor(600, y) == QColor(0, 160, 0)) top = std::min(top, y);
    EXPECT_NEAR(top, (bottom + 20) / 2, 3);

    // Slopes above the axis stay below the title's line.
    const CorrDimResult steep = SlopeOf(7.1, 3, 100);  // the top curve a little above 7
    image.fill(Qt::white);
    painter.begin(&image);
    LyapunovPlots::DrawCorrDimPlot(painter, image.rect(), steep, 0, 0);
    painter.end();
    int curveAbove = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 41; x < size.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            curveAbove += c.red() != c.green() || c.green() != c.blue();
        }
    EXPECT_EQ(curveAbove, 0);

    // With a fit range the plateaus take the lower half.
    image.fill(Qt::white);
    painter.begin(&image);
    LyapunovPlots::DrawCorrDimPlot(painter, image.rect(), corr, 300, 600);
    painter.end();
    EXPECT_EQ(LyapunovPlots::CorrDimSlopeBottom(image.rect(), 300, 600), size.height() / 2);
    const std::vector<int> rows = BlackRowsAt(image, 450);
    EXPECT_TRUE(std::find(rows.begin(), rows.end(), size.height() / 2) != rows.end());
    EXPECT_TRUE(std::find(rows.begin(), rows.end(), size.height() - 30) != rows.end());
}

TEST_F(AnalysisWindow, TheProgressLineHasARowOfItsOwnAndACancelledCalculationSaysSo) {
    DocumentTestAccess::SelectedSamples(doc) = LorenzSeries(20000);
    View().resize(700, 500);
    View().OnMode(AnalysisMode::Spectrum);
    View().OnEdit(AnalysisView::kPoints, QStringLiteral("20000"));
    View().OnEdit(AnalysisView::kCount, QStringLiteral("1000"));
    View().OnEdit(AnalysisView::kMaxDimension, QStringLiteral("6"));
    View().OnEdit(AnalysisView::kDimension, QStringLiteral("6"));
    View().OnCalculate();
    ASSERT_TRUE(View().IsCalculating());
    // Wait for the first part of the diagram (its black axes).
    const QFontMetrics metrics(ViewFont(16));
    const int strip = metrics.height() + 4;
    QImage picture;
    const auto diagramShown = [&] {
        picture = View().grab().toImage();
        for (int y = strip; y < picture.height(); ++y)
            if (picture.pixelColor(40, y) == QColor(Qt::black)) return true;
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor(diagramShown, 60000));
    // Above the diagram only the message: no axis, title or curve runs into it.
    int messagePixels = 0;
    for (int y = 0; y < strip; ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c == QColor(Qt::white)) continue;
            ASSERT_EQ(c.red(), c.green()) << x << "," << y;  // greys only: the message
            ASSERT_EQ(c.green(), c.blue()) << x << "," << y;
            ASSERT_GT(c.red(), 40) << x << "," << y << " is darker than the message";
            ++messagePixels;
        }
    EXPECT_GT(messagePixels, 50);

    // Cancelled: the picture says so, and in the other mode nothing is said about it.
    View().Cancel();
    View().WaitForCalculation();
    EXPECT_FALSE(View().HasResult(AnalysisMode::Spectrum));
    EXPECT_EQ(View().CancelledMode(), AnalysisMode::Spectrum);
    const auto texts = [this] {
        TextBoxes device(700, 500);
        QPainter painter(&device);
        View().OnDraw(painter, QRect(0, 0, 700, 500));
        painter.end();
        QString all;
        for (const auto& box : device.Boxes()) all += box.text + u' ';
        return all;
    };
    const QString said = Str(StringId::CalculationWasCancelledSo).section(u'\n', 0, 0);
    EXPECT_TRUE(texts().contains(said.left(20))) << texts().toStdString();
    View().OnMode(AnalysisMode::LargestExponent);
    EXPECT_FALSE(texts().contains(said.left(20)));
    View().OnMode(AnalysisMode::Spectrum);
    View().OnReset();
    EXPECT_FALSE(texts().contains(said.left(20)));
}
