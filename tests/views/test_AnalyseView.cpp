// The analysis window: the limits of its controls, the iteration questions, calculating and
// cancelling on the worker thread, the slope read-out and the fit boundaries; and the tables
// of the command line.

#include <QLineEdit>
#include <QTest>
#include <cmath>
#include <cstdint>

#include "analysis/CLyapunovKantz.h"
#include "tests/support/ChaoticSeries.h"
#include "tests/support/DocFixture.h"
#include "tests/support/KalvoProcess.h"
#include "views/nonlinear/CAnalyseFrame.h"
#include "views/nonlinear/CAnalyseView.h"
#include "views/nonlinear/CZeitreiheView.h"

using namespace test;

namespace {

struct AnalyseWindow : DocFixture {
    void SetUp() override {
        DocFixture::SetUp();
        AnalyseSettings{}.StoreInto(app.Settings());  // the standard profile's values
        frame = std::make_unique<CAnalyseFrame>(app.Settings(), doc);
        doc.SetModuleFrame(Module::Analyse, frame.get());
        View().OnInitialUpdate();
        frame->resize(900, 600);
    }
    void TearDown() override {
        doc.SetModuleFrame(Module::Analyse, nullptr);
        frame.reset();
        DocFixture::TearDown();
    }
    CAnalyseView& View() { return *frame->AnalyseView(); }
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
    std::unique_ptr<CAnalyseFrame> frame;
};

}  // namespace

TEST_F(AnalyseWindow, ControlLimitsAndCouplings) {
    View().OnMode(0);
    Edit(CAnalyseView::kMaxDimension)->setText(QStringLiteral("6"));
    Edit(CAnalyseView::kDimension)->setText(QStringLiteral("1"));
    EXPECT_EQ(View().Parameters().dimLya, 2);
    EXPECT_EQ(Edit(CAnalyseView::kDimension)->text(), QStringLiteral("2"));
    Edit(CAnalyseView::kDimension)->setText(QStringLiteral("9"));
    EXPECT_EQ(View().Parameters().dimLya, 6);
    Edit(CAnalyseView::kMaxDimension)->setText(QStringLiteral("4"));  // lowers the dimension
    EXPECT_EQ(View().Parameters().dimLya, 4);
    Edit(CAnalyseView::kMaxDimension)->setText(QStringLiteral("1"));
    EXPECT_EQ(View().Parameters().maxDimLya, 2);

    // The counts stay within the points; fewer points lower them.
    Edit(CAnalyseView::kPoints)->setText(QStringLiteral("500"));
    Edit(CAnalyseView::kCount)->setText(QStringLiteral("800"));
    EXPECT_EQ(View().Parameters().iterLya, 500);
    Edit(CAnalyseView::kPoints)->setText(QStringLiteral("300"));
    EXPECT_EQ(View().Parameters().iterLya, 300);
    EXPECT_EQ(Edit(CAnalyseView::kCount)->text(), QStringLiteral("300"));

    // The same controls serve the other modes' own parameters.
    View().OnMode(1);
    Edit(CAnalyseView::kRadiusMin)->setText(QStringLiteral("0.002"));
    EXPECT_DOUBLE_EQ(View().Parameters().radiusMinLyaMax, 0.002);
    EXPECT_DOUBLE_EQ(View().Parameters().radiusMinLya, app.Settings().IniAnalyseRadiusMinLya);
    // A new selection sets the points and the count of the mode.
    doc.m_aSelSamples = HenonSeries(700);
    frame->SetControlInt(CAnalyseView::kPoints, 700);
    frame->SetControlInt(CAnalyseView::kCount, 700);
    EXPECT_EQ(View().Parameters().numPointsLyaMax, 700);
    EXPECT_EQ(View().Parameters().referenzLyaMax, 700);
}

TEST_F(AnalyseWindow, IterationQuestions) {
    doc.m_aSelSamples = HenonSeries(400);
    // Largest exponent: asked at every Calculate with more than 50 iterations, also after No.
    View().OnMode(1);
    Edit(CAnalyseView::kIterations)->setText(QStringLiteral("60"));
    ui.yesNoAnswers = {false, false};
    Calculate();
    Calculate();
    EXPECT_EQ(QuestionsAsked(61447), 2);
    EXPECT_EQ(View().Parameters().iterLyaMax, 60);
    ui.yesNoAnswers = {true};
    Calculate();
    EXPECT_EQ(View().Parameters().iterLyaMax, 50);

    // Spectrum: asked once; after No never again in this window.
    View().OnMode(0);
    View().OnEdit(CAnalyseView::kCount, QStringLiteral("2000"));
    ui.yesNoAnswers = {false};
    Calculate();
    Calculate();
    EXPECT_EQ(QuestionsAsked(61448), 1);
    EXPECT_EQ(View().Parameters().iterLya, 2000);  // No keeps the large count
}

TEST_F(AnalyseWindow, TooShortSelectionAndAFinishedCalculation) {
    View().OnMode(2);
    doc.m_aSelSamples = HenonSeries(49);
    Calculate();
    EXPECT_FALSE(View().HasResult(2));
    EXPECT_FALSE(View().IsCalculating());

    doc.m_aSelSamples = HenonSeries(3000);
    View().OnEdit(CAnalyseView::kTau, QStringLiteral("1"));
    View().OnEdit(CAnalyseView::kPoints, QStringLiteral("3000"));
    Calculate();
    ASSERT_TRUE(View().HasResult(2));
    EXPECT_EQ(View().CorrDim()->m, unsigned(View().Parameters().maxDimKorr));
    EXPECT_FALSE(g_bBusyComputing);
}

TEST_F(AnalyseWindow, EscapeCancelsAndLeavesNoResult) {
    doc.m_aSelSamples = LorenzSeries(20000);
    View().OnMode(0);
    View().OnEdit(CAnalyseView::kPoints, QStringLiteral("20000"));
    View().OnEdit(CAnalyseView::kCount, QStringLiteral("1000"));
    View().OnEdit(CAnalyseView::kMaxDimension, QStringLiteral("10"));
    View().OnEdit(CAnalyseView::kDimension, QStringLiteral("10"));
    View().OnCalculate();
    ASSERT_TRUE(View().IsCalculating());
    EXPECT_TRUE(g_bBusyComputing);
    QTest::keyClick(Edit(CAnalyseView::kTau), Qt::Key_Escape);  // anywhere in the program
    View().WaitForCalculation();
    EXPECT_FALSE(View().HasResult(0));
    EXPECT_FALSE(g_bCancel);
    EXPECT_FALSE(g_bBusyComputing);
    // Closing the window while it calculates stops the calculation first.
    View().OnCalculate();
    ASSERT_TRUE(View().IsCalculating());
    doc.SetModuleFrame(Module::Analyse, nullptr);
    frame.reset();
    EXPECT_FALSE(g_bBusyComputing);
}

TEST_F(AnalyseWindow, FitBoundariesAndSlopeReadOut) {
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
    doc.m_aSelSamples = HenonSeries(5000);
    View().resize(840, 530);
    View().OnMode(1);
    View().OnEdit(CAnalyseView::kTau, QStringLiteral("1"));
    View().OnEdit(CAnalyseView::kPoints, QStringLiteral("5000"));
    View().OnEdit(CAnalyseView::kCount, QStringLiteral("5000"));
    View().OnEdit(CAnalyseView::kMaxDimension, QStringLiteral("2"));
    View().OnEdit(CAnalyseView::kDimension, QStringLiteral("2"));
    Calculate();
    ASSERT_TRUE(View().MaxLyap());
    const MaxLyapResult& r = *View().MaxLyap();
    const QRect rect = View().rect();
    const double xs = (rect.width() - 40) / static_cast<int>(r.maxiter + 1);
    double deepest = 0;
    for (unsigned e = 0; e < r.epsDone; ++e)
        for (unsigned i = 0; i <= r.maxiter; ++i) deepest = std::min(deepest, r.Value(e, 0, i));
    const double ys = (rect.height() - 30) / -deepest;
    const auto at = [&](unsigned i) {
        return QPoint(static_cast<int>(i * xs + 40), static_cast<int>(std::fabs(r.Value(0, 0, i)) * ys));
    };
    View().OnSlopeLine(at(2), at(9));
    ASSERT_TRUE(View().SlopeText().startsWith(Str(61530)));
    EXPECT_NEAR(View().SlopeText().mid(Str(61530).size()).toDouble(), 0.42, 0.05);
}

TEST(AnalyseCommandLine, TablesReproduceTheHenonValues) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("henon.txt"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        for (double v : HenonSeries(10000)) out.write(QByteArray::number(v, 'g', 15) + '\n');
    }
    KalvoRun run = RunKalvo({QStringLiteral("--export"), QStringLiteral("lyapspec"), QStringLiteral("--open"), file,
                             QStringLiteral("--set"), QStringLiteral("IniAnalyseDimLya=2"), QStringLiteral("--set"),
                             QStringLiteral("IniAnalyseTauLya=1"), QStringLiteral("--set"),
                             QStringLiteral("IniAnalyseIterLya=10000")});
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

TEST_F(AnalyseWindow, KaplanYorkeRadiusIsInTheUnitsOfTheSeries) {
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
    View().OnMode(0);
    View().OnEdit(CAnalyseView::kTau, QStringLiteral("1"));
    View().OnEdit(CAnalyseView::kPoints, QStringLiteral("3000"));
    View().OnEdit(CAnalyseView::kCount, QStringLiteral("3000"));
    View().OnEdit(CAnalyseView::kMaxDimension, QStringLiteral("2"));
    View().OnEdit(CAnalyseView::kDimension, QStringLiteral("2"));
    Calculate();
    ASSERT_TRUE(View().Spectrum());
    // The same fits on the numbers as written give the radius in their units.
    CLyapunovKantz engine;
    engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, CLyapunovKantz::kSpectrum, 0);
    const auto direct = engine.CalcLyapSpectrum(series.data(), 3000, series.size());
    ASSERT_TRUE(direct);
    const QString text = View().KaplanYorkeText();
    ASSERT_TRUE(text.contains(Str(64200).section(u'%', 0, 0))) << text.toStdString();
    EXPECT_NEAR(text.section(u'~', -1).toDouble(), direct->meanRadius, 0.02 * direct->meanRadius)
        << text.toStdString();
}

namespace {

QList<QStringList> Rows(const QString& table) {
    QList<QStringList> rows;
    for (const QString& line : table.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) rows << line.split(u'\t');
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
TEST(AnalyseCommandLine, NothingCountedIsNoNumber) {
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
        if (row[3] == QStringLiteral("0")) EXPECT_TRUE(row[2].isEmpty()) << row.join(u' ').toStdString();
        withoutSlope += row[2].isEmpty();
    }
    EXPECT_FALSE(run.out.contains(QStringLiteral("nan")) || run.out.contains(QStringLiteral("inf")));
    EXPECT_GT(withoutSlope, 0);
    // The analysis entry exports the calculation the profile chooses.
    const KalvoRun chosen = RunKalvo(QStringList{QStringLiteral("--export"), QStringLiteral("analysis"),
                                                 QStringLiteral("--set"), QStringLiteral("IniAnalyseWhatIs=2")} +
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

TEST_F(AnalyseWindow, HelpPagesOfBothNonlinearWindowsExistInBothLanguages) {
    CZeitreiheView series(doc, app.Settings());
    for (const QString& topic : {View().HelpTopic(), series.HelpTopic()})
        for (const char* language : {"en", "de"})
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic))
                << language << " " << topic.toStdString();
}
