// The 3D windows without OpenGL: what the landscape and the reconstruction are built from,
// their control bars and their export. Drawing them is tested under a display (Gl3D tests).

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <cstring>
#include <memory>

#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/nonlinear/ReconstructionFrame.h"
#include "views/nonlinear/ReconstructionView.h"
#include "views/spectral/LandscapeFrame.h"
#include "views/spectral/LandscapeView.h"

using namespace test;

namespace {

class Views3D : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        ProfileSettings& s = app.Settings();
        s.Ini3DFFTSchrittweite = 0.03f;
        s.Ini3DFFTBottomCutHz = 20;
        s.Ini3DFFTTopCutkHz = 4;
        s.Ini3DFFTBreite = 1;
        s.Ini3DFFTEpsilon = 0.01f;
        s.Ini3DFFTbIsBunt = 1;
        s.Ini3DFFTbIsFreqLinear = 1;
        s.IniRekoTau = 5;
        s.IniRekoNumRekoPoints = 10000;
        s.IniRekobIsPunkte = 1;
        s.IniRekobIsBunt = 1;
        s.IniRekoSizePts = 2;
        DocumentTestAccess::FftPoints(doc) = 256;
    }
    void Open(std::size_t samples) {
        ASSERT_TRUE(
            doc.LoadWave(Write(QStringLiteral("s.wav"), Mono16(8000, Sine(1000, 8000, samples, 20000)))));
    }
    // Stands for the main window: counts the key presses that come up to it.
    struct KeyCounter : QWidget {
        std::vector<int> keys;
        void keyPressEvent(QKeyEvent* event) override {
            keys.push_back(event->key());
            event->ignore();
        }
    };
    std::unique_ptr<LandscapeView> Landscape() {
        auto view = std::make_unique<LandscapeView>(doc, app.Settings());
        view->setAttribute(Qt::WA_DontShowOnScreen);
        return view;
    }
};

TEST_F(Views3D, TheLandscapeOfASoundFillsItsMeshOrSaysTheSoundIsTooShort) {
    Open(200);
    for (const auto& [kids, message] : {std::pair{0, 61544}, std::pair{1, 61543}}) {
        app.Settings().IniAllgemeinGrundschulprofil = kids;
        const auto view = Landscape();
        EXPECT_FALSE(view->RebuildNow());
        EXPECT_EQ(view->MessageText(), Str(message));
        EXPECT_TRUE(view->Landscape().Empty());
    }
    app.Settings().IniAllgemeinGrundschulprofil = 0;
    Open(40000);
    const auto view = Landscape();
    ASSERT_TRUE(view->RebuildNow());
    const Landscape3D& l = view->Landscape();
    // The 128 bins of 31.25 Hz above 20 Hz up to 4 kHz across a width of 2, at least 0.01 apart:
    // all of them.
    EXPECT_EQ(l.RowLength(), 128);
    EXPECT_EQ(l.Rows(), 40000 / 128);
    EXPECT_EQ(l.FilledRows(), l.Rows());  // 40000 samples are enough for every row
}

TEST_F(Views3D, TheRowsOfSeveralThreadsAreBitForBitThoseOfOneAndTheSpectraOfTheirSamples) {
    // A chirp, so that every row differs; the whole sound, then a selection whose rows overlap
    // and one whose rows lie apart (the workers read copies of either).
    std::vector<int> chirp(200000);
    for (std::size_t i = 0; i < chirp.size(); ++i) {
        const double t = double(i) / 8000;
        chirp[i] = int(std::lround(12000 * std::sin(2 * M_PI * (100 * t + 12 * t * t))));
    }
    ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("chirp.wav"), Mono16(8000, chirp))));
    const auto vertices = [this](int threads) {
        const auto view = Landscape();
        view->SetThreads(threads);
        EXPECT_TRUE(view->RebuildNow());
        EXPECT_EQ(view->Landscape().FilledRows(), view->Landscape().Rows());
        return view->Landscape().Vertices();
    };
    for (const std::uint32_t selected : {0u, 30000u, 190000u}) {
        const bool selection = selected > 0;
        if (selection) {
            ASSERT_TRUE(doc.OnSelectionChanged(1000, 1000 + selected));
        }
        const std::vector<LandscapeVertex> one = vertices(1);
        ASSERT_FALSE(one.empty());
        for (int threads : {2, 3}) {
            const std::vector<LandscapeVertex> more = vertices(threads);
            ASSERT_EQ(more.size(), one.size());
            EXPECT_EQ(std::memcmp(more.data(), one.data(), one.size() * sizeof(LandscapeVertex)), 0)
                << selection << " " << threads;
        }
        if (selection) continue;
        // The front row is the last one built: 128 bins of 31.25 Hz from bin 1, at 311 steps of
        // (200000 - 256) / 311 samples. Its heights against a direct DFT of those samples.
        const std::size_t start = 311 * ((200000 - 256) / 311);
        for (int j : {0, 20, 63, 127}) {
            const int k = j + 1;
            long double re = 0, im = 0;
            for (std::size_t i = 0; i < 256; ++i) {
                const long double phase =
                    2.0L * M_PIl * static_cast<long double>((std::size_t(k) * i) % 256) / 256;
                re += chirp[start + i] * std::cos(phase);
                im -= chirp[start + i] * std::sin(phase);
            }
            const double magnitude = double(std::sqrt(re * re + im * im) / 256);
            EXPECT_NEAR(one[std::size_t(j)].z, Landscape3D::Height(magnitude, 16, false), 1e-5) << j;
        }
    }
}

TEST_F(Views3D, EscapeStopsBuildingTheLandscapeAndLeavesNoHalfOfIt) {
    // Ten vertices a row make 4000 rows: built in many slices.
    app.Settings().Ini3DFFTEpsilon = 0.2f;
    Open(200000);
    LandscapeView view(doc, app.Settings());
    ASSERT_TRUE(view.StartRebuild());
    ASSERT_TRUE(view.IsRebuilding());
    QTest::keyClick(&view, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.IsRebuilding(); }, 30000));
    EXPECT_EQ(view.MessageText(), Str(StringId::BuildingLandscapeWasCancelled));
    EXPECT_TRUE(view.Landscape().Empty());
    EXPECT_FALSE(doc.IsBusy());
}

TEST_F(Views3D, ALiveSpectrumAddsOneRowAndMeshOrFacesLeaveTheMeshAlone) {
    const auto view = Landscape();
    DocumentTestAccess::SampleRate(doc) = 8000;
    DocumentTestAccess::BitsPerSample(doc) = 16;
    DocumentTestAccess::Spectrum(doc).assign(129, 0.0);
    DocumentTestAccess::Spectrum(doc)[32] = 5000.0;  // 1 kHz
    DocumentTestAccess::Activity(doc).SetListening(true);
    view->OnUpdate(kHintSpectrum);
    view->OnUpdate(kHintSpectrum);
    EXPECT_EQ(view->Landscape().FilledRows(), 2);
    // A spectrum of another size (the FFT size changed under way) is no row of this landscape.
    DocumentTestAccess::Spectrum(doc).assign(65, 0.0);
    view->OnUpdate(kHintSpectrum);
    EXPECT_EQ(view->Landscape().FilledRows(), 2);

    const std::vector<LandscapeVertex> before = view->Landscape().Vertices();
    view->OnWire(true);
    EXPECT_TRUE(view->Settings().wire);
    const std::vector<LandscapeVertex> after = view->Landscape().Vertices();
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(std::memcmp(before.data(), after.data(), before.size() * sizeof(LandscapeVertex)), 0);
    DocumentTestAccess::Activity(doc).SetListening(false);
}

TEST_F(Views3D, ReconstructionPointsNeedMoreThanTwoTauAndTheBarCouplesTheirNumber) {
    ReconstructionFrame frame(app.Settings(), doc);
    ReconstructionView* view = frame.ShownView();
    view->OnTau(10);
    for (const auto& [samples, drawn] : {std::pair{21u, false}, std::pair{22u, true}}) {
        Open(200);
        ASSERT_TRUE(doc.OnSelectionChanged(0, samples));
        view->OnUpdate(kHintSelection);
        EXPECT_EQ(!view->Points().empty(), drawn) << samples;
    }
    view->OnTau(5);
    auto* numPoints = qobject_cast<QLineEdit*>(frame.Control(ReconstructionFrame::kNumPoints));
    ASSERT_TRUE(numPoints);
    numPoints->setText(QStringLiteral("10"));
    emit numPoints->editingFinished();
    EXPECT_EQ(view->Settings().numPoints, 15);
    EXPECT_EQ(numPoints->text(), QStringLiteral("15"));
    // The point size spin only counts in point mode.
    auto* pointSize = qobject_cast<QSpinBox*>(frame.Control(ReconstructionFrame::kPointSize));
    view->OnPointMode(false);
    EXPECT_FALSE(pointSize->isEnabled());
}

TEST_F(Views3D, ExportDataCopiesTheReconstructionOfTheRawSelection) {
    Open(1000);
    ASSERT_TRUE(doc.OnSelectionChanged(0, 100));
    ReconstructionView view(doc, app.Settings());
    view.OnViewCommand(ViewCommand::ExportData);
    EXPECT_TRUE(SaidNumber(ui, 61485));
    const QStringList lines =
        QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2 + 100 - 2 * 5);
    EXPECT_EQ(lines[1], QStringLiteral("Time[ms]\ty(t)[%]\ty(t+Tau)[%]\ty(t+2*Tau)[%]"));
    // The third sample of an 8 kHz sound lies at 0,25 ms; its partners 5 and 10 samples later.
    const QStringList third = lines[4].split(u'\t');
    ASSERT_EQ(third.size(), 4);
    EXPECT_EQ(third[0], QStringLiteral("0,25"));
    const double full = std::trunc(doc.FullScale());
    EXPECT_NEAR(QString(third[2]).replace(u',', u'.').toDouble(), doc.SelectedSamples()[7] / full * 100.0,
                1e-6);
}

TEST_F(Views3D, BothWindowsOpenHelpPagesThatExistInBothLanguages) {
    const LandscapeView landscape(doc, app.Settings());
    const ReconstructionView reko(doc, app.Settings());
    for (const QString& topic : {landscape.HelpTopic(), reko.HelpTopic()})
        for (const char* language : {"en", "de"})
            EXPECT_TRUE(
                QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic))
                << language << " " << topic.toStdString();
}

}  // namespace

TEST_F(Views3D, KeysTheViewLeavesUnusedGoUpOnceAndNeverBackToIt) {
    Open(20000);
    for (int which : {0, 1}) {
        SCOPED_TRACE(which == 0 ? "3D FFT" : "reconstruction");
        KeyCounter main;
        main.resize(600, 400);
        ModuleFrame* frame = which == 0
                                 ? static_cast<ModuleFrame*>(new LandscapeFrame(app.Settings(), doc))
                                 : static_cast<ModuleFrame*>(new ReconstructionFrame(app.Settings(), doc));
        frame->setParent(&main);  // owned by the stand-in main window
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        auto* view = static_cast<GlSceneView*>(frame->View());
        view->setFocus();
        // A lone Ctrl (as a real keyboard sends it before Ctrl+S), an unused letter and a key with
        // Ctrl that the view does not know: each goes up to the main window once.
        // (QTest presses the Ctrl of Ctrl+S first, as a keyboard does.)
        QTest::keyPress(view, Qt::Key_Control);
        QTest::keyRelease(view, Qt::Key_Control);
        QTest::keyClick(view, Qt::Key_J);
        QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(main.keys, (std::vector<int>{Qt::Key_Control, Qt::Key_J, Qt::Key_Control, Qt::Key_S}));

        // From a control of the bar: the view's own keys reach the view, the others go up once.
        main.keys.clear();
        QPushButton* button = frame->ControlBar()->findChild<QPushButton*>();
        ASSERT_NE(button, nullptr);
        button->setFocus();
        const auto before = view->Navigation().objectRotation;
        QTest::keyClick(button, Qt::Key_O);
        EXPECT_NE(view->Navigation().objectRotation, before);
        QTest::keyClick(button, Qt::Key_J);
        QTest::keyPress(button, Qt::Key_Shift);
        EXPECT_EQ(main.keys, (std::vector<int>{Qt::Key_J, Qt::Key_Shift}));
    }
}
