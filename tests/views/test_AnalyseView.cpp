// The analysis window: the limits of its controls, the iteration questions, calculating and
// cancelling on the worker thread, the slope read-out and the fit boundaries; and the tables
// of the command line.

#include <QLineEdit>
#include <QTest>
#include <cmath>

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

TEST_F(AnalyseWindow, HelpPagesOfBothNonlinearWindowsExistInBothLanguages) {
    CZeitreiheView series(doc, app.Settings());
    for (const QString& topic : {View().HelpTopic(), series.HelpTopic()})
        for (const char* language : {"en", "de"})
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic))
                << language << " " << topic.toStdString();
}
