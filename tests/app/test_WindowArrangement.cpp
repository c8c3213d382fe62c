// Tiling and the place of a newly opened window: every window inside the client area, nothing
// pushed out, a new window not laid exactly over an open one.

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegion>
#include <QTemporaryDir>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/WindowArrangement.h"
#include "settings/IniFile.h"
#include "tests/support/DocFixture.h"
#include "tests/support/EnglishProfiles.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"

using namespace test;

namespace {

long long AreaOf(const QRect& r) {
    return static_cast<long long>(r.width()) * r.height();
}

long long AreaOf(const QRegion& region) {
    long long sum = 0;
    for (const QRect& r : region) sum += AreaOf(r);
    return sum;
}

// Inside the area, no two overlapping, together covering it.
void ExpectTiled(const QRect& area, const std::vector<QRect>& rects) {
    long long covered = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_TRUE(area.contains(rects[i])) << i;
        EXPECT_FALSE(rects[i].isEmpty()) << i;
        covered += AreaOf(rects[i]);
        for (std::size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(rects[i].intersects(rects[j])) << i << " " << j;
    }
    EXPECT_EQ(covered, AreaOf(area));
}

}  // namespace

TEST(WindowArrangement, TilingFillsTheAreaWithEveryWindowInside) {
    for (const QRect area : {QRect(0, 0, 1366, 640), QRect(0, 0, 1600, 870), QRect(0, 0, 301, 199)}) {
        for (int count = 1; count <= 11; ++count) {
            SCOPED_TRACE(testing::Message()
                         << count << " windows in " << area.width() << "x" << area.height());
            const std::vector<QRect> rects =
                WindowArrangement::Tile(area, std::vector<QSize>(std::size_t(count)));
            ASSERT_EQ(static_cast<int>(rects.size()), count);
            ExpectTiled(area, rects);
        }
    }
}

TEST(WindowArrangement, TilingGivesAWideWindowWhatItNeedsWhereTheAreaHasRoom) {
    const QRect area(0, 0, 1366, 640);
    // The minimum sizes of the complete profile's windows; the score needs 578 pixels.
    const std::vector<QSize> needs = {{246, 235}, {312, 118}, {382, 118}, {310, 118}, {310, 118},
                                      {312, 118}, {462, 178}, {578, 268}, {332, 118}};
    const std::vector<QRect> rects = WindowArrangement::Tile(area, needs);
    ExpectTiled(area, rects);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_GE(rects[i].width(), needs[i].width()) << i;
        EXPECT_GE(rects[i].height(), needs[i].height()) << i;
    }
    // More than the area holds: equal shares, still all inside.
    const std::vector<QRect> squeezed = WindowArrangement::Tile(QRect(0, 0, 900, 400), needs);
    ExpectTiled(QRect(0, 0, 900, 400), squeezed);
    EXPECT_EQ(squeezed[0].width(), 300);
}

TEST(WindowArrangement, ANewWindowGoesWhereItCoversLeast) {
    const QRect area(0, 0, 1000, 600);
    const QRect overview(0, 0, 1000, 240), fft(0, 240, 550, 360), sono(550, 240, 450, 360);
    // Free room: the window stays where it wanted to be.
    EXPECT_EQ(WindowArrangement::LeastCoveringPlace(area, fft, {overview, sono}), fft);
    // Room beside the open windows is found, whatever the wanted place.
    EXPECT_EQ(WindowArrangement::LeastCoveringPlace(area, QRect(0, 0, 400, 300), {QRect(0, 0, 600, 600)}),
              QRect(600, 0, 400, 300));
    // Too big for the area: made to fit.
    EXPECT_EQ(WindowArrangement::LeastCoveringPlace(area, QRect(-50, 20, 1200, 300), {}),
              QRect(0, 20, 1000, 300));

    // The area is full: the window hides the same amount anywhere, so it takes the place where
    // each window keeps the largest share visible, never where it hides the whole of one.
    const QRect placed = WindowArrangement::LeastCoveringPlace(area, fft, {overview, fft, sono});
    EXPECT_EQ(placed.size(), fft.size());
    EXPECT_TRUE(area.contains(placed));
    double worst = 0;
    for (const QRect& r : {overview, fft, sono})
        worst = std::max(worst, double(AreaOf(placed.intersected(r))) / double(AreaOf(r)));
    // At best each of the three loses the same share: its size over the area, 198000 / 600000 =
    // 0.33 (with the window's corner at 247.5, 96); the search steps by a few pixels.
    EXPECT_LT(worst, 0.36);
    // It cannot avoid the title bar of both lower windows, but leaves the buttons of all but one.
    int buttonsHidden = 0;
    for (const QRect& r : {overview, fft, sono})
        buttonsHidden += placed.intersects(QRect(r.right() - 79, r.top(), 80, 24));
    EXPECT_LE(buttonsHidden, 1);
}

namespace {

class WindowPlaces : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        ASSERT_TRUE(SeedEnglishProfiles(dir.path()));
    }
    void TearDown() override {
        app.ExitInstance();
        RestoreProgramFolder();
    }
    // The program with a shipped profile in a main window of a common screen's size.
    MainWindow* Start(ProfileKind kind, QSize screen) {
        if (!app.InitInstance(QString(), {}, std::make_pair(kind, QString()))) return nullptr;
        MainWindow* main = app.MainFrame();
        main->showNormal();
        main->setGeometry(QRect(QPoint(0, 0), screen));
        QApplication::processEvents();
        return main;
    }
    std::vector<QMdiSubWindow*> Shown() const {
        std::vector<QMdiSubWindow*> shown;
        for (QMdiSubWindow* sub : app.MainFrame()->MdiArea()->subWindowList(QMdiArea::StackingOrder))
            if (sub->isVisibleTo(app.MainFrame()->MdiArea())) shown.push_back(sub);
        return shown;
    }
    // The part of a window that the windows above it leave visible.
    double VisiblePart(QMdiSubWindow* window) const {
        const std::vector<QMdiSubWindow*> shown = Shown();
        QRegion visible(window->geometry());
        for (auto it = std::find(shown.begin(), shown.end(), window) + 1; it < shown.end(); ++it)
            visible -= (*it)->geometry();
        return double(AreaOf(visible)) / double(AreaOf(window->geometry()));
    }

    QTemporaryDir dir;
    ScriptedUserInterface ui;
    Application app{ui};
};

}  // namespace

TEST_F(WindowPlaces, TileKeepsEveryWindowOfTheCompleteProfileInsideTheArea) {
    for (const QSize screen : {QSize(1366, 768), QSize(1600, 1000)}) {
        SCOPED_TRACE(testing::Message() << screen.width() << "x" << screen.height());
        MainWindow* main = app.MainFrame() ? app.MainFrame() : Start(ProfileKind::Complete, screen);
        ASSERT_NE(main, nullptr);
        main->setGeometry(QRect(QPoint(0, 0), screen));
        QApplication::processEvents();
        const QRect area = main->MdiArea()->viewport()->rect();
        ASSERT_TRUE(main->OnCommand(57651));  // Window › Tile
        QApplication::processEvents();
        // The main window keeps its size (a maximised one could not grow anyway).
        EXPECT_EQ(main->size(), screen);
        EXPECT_EQ(main->MdiArea()->viewport()->rect(), area);
        const std::vector<QMdiSubWindow*> shown = Shown();
        ASSERT_GE(shown.size(), 7u);
        std::vector<QRect> rects;
        for (QMdiSubWindow* sub : shown) rects.push_back(sub->geometry());
        ExpectTiled(area, rects);
    }
}

TEST_F(WindowPlaces, WindowsOpenedFromTheViewMenuLeaveTheOpenOnesVisible) {
    MainWindow* main = Start(ProfileKind::Standard, QSize(1366, 768));
    ASSERT_NE(main, nullptr);
    const QRect area = main->MdiArea()->viewport()->rect();
    // Time series and wavelet keep their place over the FFT's in this profile.
    for (const auto& [command, module] :
         {std::pair{32776, Module::TimeSeries}, std::pair{32826, Module::Wavelet}}) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(main->OnCommand(command));
        ModuleFrame* opened = app.Modules()->Frame(module);
        ASSERT_NE(opened, nullptr);
        EXPECT_TRUE(area.contains(opened->geometry()));
        for (QMdiSubWindow* sub : Shown()) {
            if (sub != opened) {
                EXPECT_GT(VisiblePart(sub), 0.3) << sub->windowTitle().toStdString();
            }
        }
    }
}
