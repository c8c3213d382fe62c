// The 3D windows drawn with OpenGL: these run under a display (xvfb-run in the test run) and
// skip where there is no OpenGL. They read back pixels of the frame, they compare no pictures.

#include <QDir>
#include <QMainWindow>
#include <QMdiArea>
#include <QOpenGLWidget>
#include <QTest>
#include <QWindow>
#include <memory>

#include "app/MainWindow.h"
#include "render3d/DdsWriter.h"
#include "settings/IniFile.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "tests/support/EnglishProfiles.h"
#include "tests/support/KalvoProcess.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"
#include "views/nonlinear/ReconstructionView.h"
#include "views/spectral/LandscapeView.h"

using namespace test;

namespace {

class Gl3D : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        if (!GlSceneView::CheckDevice(nullptr)) GTEST_SKIP() << "no OpenGL here";
        ProfileSettings& s = app.Settings();
        s.Ini3DFFTSchrittweite = 0.03f;
        s.Ini3DFFTclrBackBuffer = int(0xFF000040u);
        s.Ini3DFFTBottomCutHz = 20;
        s.Ini3DFFTTopCutkHz = 4;
        s.Ini3DFFTBreite = 3;
        s.Ini3DFFTEpsilon = 0.03f;
        s.Ini3DFFTbIsBunt = 1;
        s.Ini3DFFTbIsFreqLinear = 1;
        s.IniRekoTau = 2;
        s.IniRekoclrBackBuffer = int(0xFF000000u);
        s.IniRekoNumRekoPoints = 10000;
        s.IniRekobIsPunkte = 1;
        s.IniRekobIsBunt = 0;
        s.IniRekoSizePts = 6;
        DocumentTestAccess::FftPoints(doc) = 256;
        ASSERT_TRUE(
            doc.LoadWave(Write(QStringLiteral("s.wav"), Mono16(8000, Sine(1000, 8000, 40000, 20000)))));
    }
    static int CountNot(const QImage& picture, QRgb background) {
        int count = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                count += (picture.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF);
        return count;
    }
    // Waits until the view drew a frame on its OpenGL surface.
    static bool Drawn(GlSceneView& view) {
        return QTest::qWaitFor([&] { return view.IsReady() && !view.FrameStats().isEmpty(); }, 20000);
    }
};

TEST_F(Gl3D, TheLandscapeIsDrawnOverTheBackgroundAndSavedAsDds) {
    LandscapeView view(doc, app.Settings());
    view.setAttribute(Qt::WA_DontShowOnScreen);
    ASSERT_TRUE(view.RebuildNow());
    QString error;
    const std::optional<QImage> picture = view.RenderOffscreen(QSize(320, 200), &error);
    ASSERT_TRUE(picture) << error.toStdString();
    EXPECT_EQ(picture->size(), QSize(320, 200));
    EXPECT_EQ(picture->pixel(2, 2) & 0xFFFFFF, 0x000040u);       // the corner shows the background
    EXPECT_GT(CountNot(*picture, 0xFF000040u), 320 * 200 / 20);  // the landscape covers a good part

    // The DDS file holds the same pixels, B G R A after a 128-byte header.
    const QByteArray dds = DdsBytes(*picture);
    ASSERT_EQ(dds.size(), 128 + 320 * 200 * 4);
    EXPECT_EQ(dds.left(4), QByteArray("DDS "));
    const QRgb centre = picture->pixel(160, 100);
    const auto* pixel = reinterpret_cast<const unsigned char*>(dds.constData()) + 128 + (100 * 320 + 160) * 4;
    EXPECT_EQ(pixel[0], qBlue(centre));
    EXPECT_EQ(pixel[2], qRed(centre));
    EXPECT_EQ(pixel[3], 255);
}

TEST_F(Gl3D, KeysTurnTheViewOnceAndCtrlHShowsTheHelp) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4000));
    QMainWindow window;
    auto* view = new ReconstructionView(doc, app.Settings());  // the window owns it
    window.setCentralWidget(view);
    window.resize(400, 300);
    window.show();
    view->OnInitialUpdate();
    ASSERT_TRUE(Drawn(*view));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Left);
    const double once = view->Navigation().cameraRotation[0];
    EXPECT_LT(once, 0.0);
    QTest::keyClick(view, Qt::Key_Left);
    // Inertia: the second press turns further than the first.
    EXPECT_LT(view->Navigation().cameraRotation[0] - once, once);

    const std::optional<QImage> plain = view->Picture();
    QTest::keyClick(view, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(view->HelpShown());
    const std::optional<QImage> help = view->Picture();
    ASSERT_TRUE(plain && help);
    EXPECT_GT(CountNot(*help, 0xFF000000u), CountNot(*plain, 0xFF000000u) + 500);
    QTest::keyClick(view, Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(view->HelpShown());
    QTest::keyClick(view, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(view->Navigation().cameraRotation[0], 0.0);
}

TEST_F(Gl3D, TheFrameAndDeviceLinesShowOnlyWithTheHelp) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4000));
    QMainWindow window;
    auto* view = new LandscapeView(doc, app.Settings());  // the window owns it
    window.setCentralWidget(view);
    window.resize(500, 300);
    window.show();
    view->OnInitialUpdate();
    ASSERT_TRUE(Drawn(*view));
    // What the window shows (the saved picture never has the lines): yellow text at the top left.
    auto* surface = view->findChild<QOpenGLWidget*>();
    ASSERT_NE(surface, nullptr);
    const auto yellowAtTop = [&] {
        const QImage frame = surface->grabFramebuffer();
        int count = 0;
        for (int y = 0; y < std::min(frame.height(), 34); ++y)
            for (int x = 0; x < std::min(frame.width(), 300); ++x)
                count += (frame.pixel(x, y) & 0xFFFFFF) == 0xFFFF00u;
        return count;
    };
    EXPECT_EQ(yellowAtTop(), 0);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_H, Qt::ControlModifier);
    ASSERT_TRUE(view->HelpShown());
    EXPECT_GT(yellowAtTop(), 50);
}

TEST_F(Gl3D, ALostContextIsRestoredWithoutLosingTheScene) {
    ASSERT_TRUE(doc.OnSelectionChanged(0, 4000));
    auto first = std::make_unique<QMainWindow>();
    auto* view = new ReconstructionView(doc, app.Settings());
    first->setCentralWidget(view);
    first->resize(400, 300);
    first->show();
    view->OnInitialUpdate();
    ASSERT_TRUE(Drawn(*view));
    const std::optional<QImage> before = view->Picture();
    ASSERT_TRUE(before);
    const int drawn = CountNot(*before, 0xFF000000u);
    EXPECT_GT(drawn, 200);  // the axes and the points of the sine

    // Moving the view into another window gives it a new OpenGL context.
    QMainWindow second;
    second.resize(400, 300);
    second.show();
    view->setParent(&second);
    second.setCentralWidget(view);
    view->show();
    first.reset();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return view->InvalidateCount() >= 1 && view->RestoreCount() >= 2 && view->IsReady(); }, 20000));
    const std::optional<QImage> after = view->Picture();
    ASSERT_TRUE(after);
    EXPECT_NEAR(CountNot(*after, 0xFF000000u), drawn, drawn / 10);
}

}  // namespace

namespace {

TEST(Gl3DCommand, TheCommandLineDrawsBothPicturesWithoutAWindow) {
    if (!GlSceneView::CheckDevice(nullptr)) GTEST_SKIP() << "no OpenGL here";
    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(WriteFile(wave, Mono16(8000, Sine(440, 8000, 16000, 20000))));
    for (const auto& [module, file] : {std::pair{"fft3d", "l.png"}, std::pair{"reko", "r.bmp"}}) {
        const KalvoRun run =
            RunKalvo({QStringLiteral("--render"), QLatin1String(module), QStringLiteral("--open"), wave,
                      QStringLiteral("--size"), QStringLiteral("320x200"), QStringLiteral("--set"),
                      QStringLiteral("IniDokumentNumFFTPoints=256"), QStringLiteral("--out"),
                      dir.filePath(QLatin1String(file))});
        ASSERT_EQ(run.exitCode, 0) << module << run.err.toStdString();
        const QImage picture(dir.filePath(QLatin1String(file)));
        ASSERT_EQ(picture.size(), QSize(320, 200)) << module;
        int drawn = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x)
                drawn += (picture.pixel(x, y) & 0xFFFFFF) != (picture.pixel(0, 0) & 0xFFFFFF);
        EXPECT_GT(drawn, 300) << module;
    }
}

}  // namespace

// The whole program with both 3D windows open, keys pressed as a keyboard sends them.
TEST(Gl3DProgram, KeysNoViewUsesLeaveThe3DWindowsRunningAndTheMainShortcutsWork) {
    if (!GlSceneView::CheckDevice(nullptr)) GTEST_SKIP() << "no OpenGL here";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetProgramFolder(dir.path());
    ASSERT_TRUE(SeedProfiles(dir.path()));
    const QString profile = dir.filePath(QStringLiteral("Profile/KalvoUserProfil-Keys.ini"));
    ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("Profile/KalvoStandardProfil.ini")), profile));
    QFile::setPermissions(profile, QFile::ReadOwner | QFile::WriteOwner);
    for (const char* key : {"IniFensterFFT3D", "IniFensterReko"})
        IniFile(profile).WriteString(QLatin1String(key), QStringLiteral("1"),
                                     QLatin1String(ProfileSettings::FindKey(QLatin1String(key))->section));
    IniFile(profile).WriteInt(QStringLiteral("IniAllgemeinLanguage"), 1033, QStringLiteral("Allgemein"));
    {
        ScriptedUserInterface ui;
        Application app{ui};
        ASSERT_TRUE(app.InitInstance(QStringLiteral("Keys")));
        MainWindow* main = app.MainFrame();
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
        for (Module module : {Module::Landscape, Module::Reconstruction}) {
            SCOPED_TRACE(module == Module::Landscape ? "3D FFT" : "reconstruction");
            ModuleFrame* frame = app.Modules()->Frame(module);
            ASSERT_NE(frame, nullptr);
            main->MdiArea()->setActiveSubWindow(frame);
            auto* view = static_cast<GlSceneView*>(frame->View());
            view->setFocus();
            // A lone Ctrl or Shift, an unused letter, keys with Ctrl the view does not know.
            QTest::keyPress(view, Qt::Key_Control);
            QTest::keyRelease(view, Qt::Key_Control);
            QTest::keyPress(view, Qt::Key_Shift);
            QTest::keyRelease(view, Qt::Key_Shift);
            QTest::keyClick(view, Qt::Key_J);
            QTest::keyClick(view, Qt::Key_Y, Qt::ControlModifier);
            EXPECT_TRUE(app.Modules()->IsOpen(module));
            // The main window's shortcuts still answer from there: Ctrl+O opens the file dialog.
            const std::size_t dialogs = ui.fileDialogs.size();
            ui.openFiles.push_back(std::nullopt);
            QTest::keyClick(view, Qt::Key_O, Qt::ControlModifier);
            EXPECT_EQ(ui.fileDialogs.size(), dialogs + 1);
            ui.saveFiles.push_back(std::nullopt);
            QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
            EXPECT_EQ(ui.fileDialogs.size(), dialogs + 2);
        }
        app.ExitInstance();
    }
    RestoreProgramFolder();
}

namespace {

// The program started with a shipped profile in a private program folder.
class Gl3DMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!GlSceneView::CheckDevice(nullptr)) GTEST_SKIP() << "no OpenGL here";
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        ASSERT_TRUE(SeedEnglishProfiles(dir.path()));
    }
    void TearDown() override {
        if (app) app->ExitInstance();
        app.reset();
        RestoreProgramFolder();
    }
    MainWindow* Start(ProfileKind kind) {
        app = std::make_unique<Application>(ui);
        if (!app->InitInstance(QString(), {}, std::make_pair(kind, QString()))) return nullptr;
        return app->MainFrame();
    }
    // Every 3D window of the profile has drawn on its OpenGL surface.
    bool ThreeDDrawn() const {
        return QTest::qWaitFor(
            [&] {
                for (Module module : {Module::Landscape, Module::Reconstruction})
                    if (ModuleFrame* frame = app->Modules()->Frame(module)) {
                        const auto* view = static_cast<const GlSceneView*>(frame->View());
                        if (!view->IsReady() || view->FrameStats().isEmpty()) return false;
                    }
                return true;
            },
            20000);
    }
    static bool Maximised(const MainWindow* main) {
        return main->isMaximized() && main->windowHandle() &&
               (main->windowHandle()->windowStates() & Qt::WindowMaximized);
    }

    QTemporaryDir dir;
    ScriptedUserInterface ui;
    std::unique_ptr<Application> app;
};

}  // namespace

// A 3D view's OpenGL surface must not make Qt build the main window's native window anew: the
// new one would come up in the normal rectangle, no longer maximised.
TEST_F(Gl3DMainWindow, ProfilesWith3DWindowsStartMaximised) {
    for (const ProfileKind kind : {ProfileKind::Complete, ProfileKind::Analyst}) {
        SCOPED_TRACE(static_cast<int>(kind));
        MainWindow* main = Start(kind);
        ASSERT_NE(main, nullptr);
        const WId native = main->winId();
        ASSERT_TRUE(app->Modules()->IsOpen(Module::Reconstruction));
        ASSERT_TRUE(ThreeDDrawn());
        EXPECT_EQ(main->winId(), native);
        EXPECT_TRUE(Maximised(main));
        app->ExitInstance();
        app.reset();
    }
}

TEST_F(Gl3DMainWindow, OpeningThe3DFftLeavesTheMainWindowAsItIs) {
    MainWindow* main = Start(ProfileKind::Standard);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    ASSERT_TRUE(Maximised(main));
    const WId native = main->winId();
    ASSERT_TRUE(main->OnCommand(32806));  // View › 3D FFT
    ASSERT_TRUE(app->Modules()->IsOpen(Module::Landscape));
    ASSERT_TRUE(ThreeDDrawn());
    EXPECT_EQ(main->winId(), native);
    EXPECT_TRUE(Maximised(main));
}
