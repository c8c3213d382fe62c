// The sonogram window: drawing the whole sound, adding live columns, and its messages.

#include <QFile>
#include <QMdiArea>
#include <QTest>
#include <memory>

#include "tests/support/DocFixture.h"
#include "views/common/CModuleFrame.h"
#include "views/common/CModuleWindows.h"
#include "views/spectral/CNotenbildView.h"
#include "views/spectral/CSonoView.h"
#include "views/spectral/NotenbildModule.h"
#include "views/spectral/SonoModule.h"

using namespace test;

namespace {

class SonoView : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        CKalvoSettings& s = app.Settings();
        s.IniSonoBottomCutHz = 20;
        s.IniSonoTopCutkHz = 4;
        s.IniSonobIsAmpLinear = 0;
        s.IniSonobIsFreqLinear = 1;
        s.IniSonobIsFarbig1 = 1;
        s.IniSonoLiniendicke = 2;
        s.IniSonobIsSmooth = 1;
        doc.m_nFFTPoints = 256;
    }
    std::unique_ptr<CSonoView> Make(const QSize& picture) {
        auto view = std::make_unique<CSonoView>(doc, app.Settings());
        view->SetPictureSize(picture);
        view->resize(400, 200);
        return view;
    }
    void Open(std::size_t samples) {
        ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("s.wav"), Mono16(8000, Sine(1000, 8000, samples, 20000)))));
    }
    // Columns of the picture that hold anything but the black background.
    static int DrawnColumns(const QImage& picture) {
        int drawn = 0;
        for (int x = 0; x < picture.width(); ++x)
            for (int y = 0; y < picture.height(); ++y)
                if ((picture.pixel(x, y) & 0xFFFFFF) != 0) {
                    ++drawn;
                    break;
                }
        return drawn;
    }
};

TEST_F(SonoView, ASoundShorterThanTheFftOnlyShowsTheMessage) {
    Open(200);
    for (const auto& [kids, message] : {std::pair{0, 61544}, std::pair{1, 61543}}) {
        app.Settings().IniAllgemeinGrundschulprofil = kids;
        const auto view = Make(QSize(225, 50));
        EXPECT_FALSE(view->RebuildNow());
        EXPECT_EQ(view->MessageText(), Str(message));
        EXPECT_EQ(DrawnColumns(view->Picture()), 0);
    }
}

TEST_F(SonoView, TheWholeSoundIsSpreadOverThePictureInColumnsOfTheLineWidth) {
    // 200 picture columns right of the keyboard, and 20000 samples to spread over them.
    Open(20000 + 256);
    for (const auto& [width, end] : {std::pair{1, 3 + 201}, std::pair{9, 11 + 23 * 9}}) {
        app.Settings().IniSonoLiniendicke = width;
        const auto view = Make(QSize(225, 50));
        ASSERT_TRUE(view->RebuildNow());
        EXPECT_EQ(view->WritePosition(), end) << width;
        EXPECT_TRUE(view->MessageText().isEmpty());
    }
}

TEST_F(SonoView, LiveColumnsWrapToTheLeftWhenThePictureIsFull) {
    const auto view = Make(QSize(60, 40));
    doc.m_nSampleRate = 8000;
    doc.m_aSpectrum.assign(129, 20000.0);
    g_bListening = true;
    for (int i = 0; i < 28; ++i) view->OnUpdate(kHintSpectrum);
    EXPECT_EQ(view->WritePosition(), 60);  // columns at x = 4, 6, ... 58
    EXPECT_NE(view->Picture().pixel(58, 20) & 0xFFFFFF, 0u);
    view->OnUpdate(kHintSpectrum);
    EXPECT_EQ(view->WritePosition(), 6);  // started again at the left, the rest cleared
    EXPECT_NE(view->Picture().pixel(4, 20) & 0xFFFFFF, 0u);
    for (int x = 10; x < 60; ++x) ASSERT_EQ(view->Picture().pixel(x, 20) & 0xFFFFFF, 0u) << x;
}

TEST_F(SonoView, SaveViewWritesTheNamedPictureAndClearAllDataEmptiesIt) {
    Open(20000);
    const auto view = Make(QSize(225, 50));
    ASSERT_TRUE(view->RebuildNow());
    const QString path = Path(QStringLiteral("sono.svg"));
    ui.saveFiles.push_back(path);
    view->OnViewCommand(ViewCommand::SaveView);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll();
    EXPECT_TRUE(svg.contains("Sonogramm Abbild"));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 400 200\""));

    view->OnViewCommand(ViewCommand::ClearAllData);  // its own rebuild hint leaves it empty
    EXPECT_FALSE(view->IsRebuilding());
    view->grab();  // a repaint
    EXPECT_EQ(DrawnColumns(view->Picture()), 0);
}

TEST_F(SonoView, ARebuildRunsWithTheWindowAnsweringAndShowsItsProgress) {
    // 1600 transforms of 65536 points: more than one slice of work on any machine.
    Open(200000);
    doc.m_nFFTPoints = 65536;
    const auto view = Make(QSize(1625, 100));
    ASSERT_TRUE(view->StartRebuild());
    EXPECT_TRUE(g_bBusyComputing);
    QTRY_VERIFY_WITH_TIMEOUT(!view->IsRebuilding(), 60000);
    EXPECT_FALSE(ui.progressTexts.isEmpty());
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_FALSE(g_bBusyComputing);
    EXPECT_GT(DrawnColumns(view->Picture()), 1500);
}

TEST_F(SonoView, EscapeOrANewSoundStopsARebuildAndLeavesNoHalfPicture) {
    Open(200000);
    const auto view = Make(QSize(1625, 100));
    ASSERT_TRUE(view->StartRebuild());
    QTest::keyClick(view.get(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!view->IsRebuilding(), 60000);
    EXPECT_EQ(view->MessageText(), Str(64102));
    EXPECT_EQ(DrawnColumns(view->Picture()), 0);
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_FALSE(g_bBusyComputing);

    // The sound going away stops it at once: no slice reads the samples after that.
    ASSERT_TRUE(view->StartRebuild());
    doc.UpdateAllViews(kHintRemoveWave);
    EXPECT_FALSE(view->IsRebuilding());
    EXPECT_TRUE(view->MessageText().isEmpty());
    EXPECT_FALSE(g_bBusyComputing);
}

}  // namespace

using SpectralHelp = DocFixture;

TEST_F(SpectralHelp, SonogramAndScoreOpenHelpPagesThatExistInBothLanguages) {
    const CSonoView sono(doc, app.Settings());
    const CNotenbildView score(doc, app.Settings());
    for (const QString& topic : {sono.HelpTopic(), score.HelpTopic()})
        for (const char* language : {"en", "de"})
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic))
                << language << " " << topic.toStdString();
}

TEST_F(SonoView, TheWindowsOpenThroughTheRegistryAndTheKidsModeKeepsOneOfThem) {
    RegisterSonoModule();
    RegisterNotenbildModule();
    QMdiArea area;
    area.resize(1000, 700);
    area.show();
    app.Settings().IniAllgemeinGrundschulprofil = 1;
    {
        CModuleWindows modules({app.Settings(), doc, ui});
        modules.SetArea(&area);
        modules.Toggle(Module::Sono);
        ASSERT_TRUE(doc.IsModuleOpen(Module::Sono));
        EXPECT_EQ(doc.m_nFFTPoints, 8192);  // the kids' sonogram size
        EXPECT_EQ(modules.Frame(Module::Sono)->windowTitle(), Str(134));
        // The document reaches the bar by the controls' numbers.
        doc.ModuleFrame(Module::Sono)->SetControlInt(1069, 5);
        EXPECT_EQ(qobject_cast<CSonoView*>(modules.Frame(Module::Sono)->View())->Settings().topCutkHz, 5);

        modules.Toggle(Module::Notenbild);
        EXPECT_TRUE(modules.IsOpen(Module::Notenbild));
        EXPECT_FALSE(modules.IsOpen(Module::Sono));
        EXPECT_EQ(doc.m_nFFTPoints, 32768);  // the kids' score size
    }
    CModuleWindows::Unregister(Module::Sono);
    CModuleWindows::Unregister(Module::Notenbild);
}
