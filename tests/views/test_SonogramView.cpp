// The sonogram window: drawing the whole sound, adding live columns, and its messages.

#include <QFile>
#include <QMdiArea>
#include <QTest>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

#include "document/IModuleFrame.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/common/LabelFormat.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"
#include "views/common/ViewFont.h"
#include "views/spectral/ScoreModule.h"
#include "views/spectral/ScoreView.h"
#include "views/spectral/SonogramModule.h"
#include "views/spectral/SonogramView.h"

using namespace test;

namespace {

class SonoView : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        ProfileSettings& s = app.Settings();
        s.IniSonoBottomCutHz = 20;
        s.IniSonoTopCutkHz = 4;
        s.IniSonobIsAmpLinear = 0;
        s.IniSonobIsFreqLinear = 1;
        s.IniSonobIsFarbig1 = 1;
        s.IniSonoLiniendicke = 2;
        s.IniSonobIsSmooth = 1;
        DocumentTestAccess::FftPoints(doc) = 256;
    }
    std::unique_ptr<SonogramView> Make(const QSize& picture) {
        auto view = std::make_unique<SonogramView>(doc, app.Settings());
        view->SetPictureSize(picture);
        view->resize(400, 200);
        return view;
    }
    void Open(std::size_t samples) {
        ASSERT_TRUE(
            doc.LoadWave(Write(QStringLiteral("s.wav"), Mono16(8000, Sine(1000, 8000, samples, 20000)))));
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

TEST_F(SonoView, ItsFftFieldFollowsANewFftSize) {
    struct Bar : IModuleFrame {
        std::map<int, int> values;
        void SetControlInt(int id, int value) override { values[id] = value; }
        void SetSliderRange(int, int, int, int) override {}
    } bar;
    Open(20000);
    const auto view = Make(QSize(200, 100));
    view->SetFrame(&bar);
    view->OnInitialUpdate();
    EXPECT_EQ(bar.values[SonogramView::kCtrlFftPoints], 256);
    ui.fftSizes.push_back(2);  // 1024 points: the picture is drawn again at that size, and says so
    doc.OnFftSettings();
    EXPECT_EQ(bar.values[SonogramView::kCtrlFftPoints], 1024);
    view->SetFrame(nullptr);
}

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

TEST_F(SonoView, ThePictureAndTheTableOfSeveralThreadsAreThoseOfOne) {
    std::vector<int> chirp(60000);
    for (std::size_t i = 0; i < chirp.size(); ++i) {
        const double t = double(i) / 8000;
        chirp[i] = int(std::lround(15000 * std::sin(2 * M_PI * (50 * t + 250 * t * t))));
    }
    ASSERT_TRUE(doc.LoadWave(Write(QStringLiteral("chirp.wav"), Mono16(8000, chirp))));
    const auto draw = [this](int threads) {
        const auto view = Make(QSize(425, 90));
        view->SetThreads(threads);
        EXPECT_TRUE(view->RebuildNow());
        return std::make_tuple(view->Picture(), view->WritePosition(), view->ExportTable());
    };
    const auto [picture, end, table] = draw(1);
    EXPECT_EQ(end, 4 + 2 * 201);  // 201 columns of 2 pixels from x = 4, 298 samples apart
    EXPECT_EQ(table.count(QStringLiteral("\r\n")), 1 + 201);
    for (int threads : {2, 5}) {
        const auto [morePicture, moreEnd, moreTable] = draw(threads);
        EXPECT_TRUE(morePicture == picture) << threads;
        EXPECT_EQ(moreEnd, end);
        EXPECT_EQ(moreTable, table);
    }
}

TEST_F(SonoView, LiveColumnsWrapToTheLeftWhenThePictureIsFull) {
    const auto view = Make(QSize(60, 40));
    DocumentTestAccess::SampleRate(doc) = 8000;
    DocumentTestAccess::Spectrum(doc).assign(129, 20000.0);
    DocumentTestAccess::Activity(doc).SetListening(true);
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
    EXPECT_TRUE(svg.contains("Sonogram picture"));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 400 200\""));

    view->OnViewCommand(ViewCommand::ClearAllData);  // its own rebuild hint leaves it empty
    EXPECT_FALSE(view->IsRebuilding());
    view->grab();  // a repaint
    EXPECT_EQ(DrawnColumns(view->Picture()), 0);
}

TEST_F(SonoView, ARebuildRunsWithTheWindowAnsweringAndShowsItsProgress) {
    // 1600 transforms of 65536 points: more than one slice of work on any machine.
    Open(200000);
    DocumentTestAccess::FftPoints(doc) = 65536;
    const auto view = Make(QSize(1625, 100));
    ASSERT_TRUE(view->StartRebuild());
    EXPECT_TRUE(doc.IsBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!view->IsRebuilding(), 60000);
    EXPECT_FALSE(ui.progressTexts.isEmpty());
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_FALSE(doc.IsBusy());
    EXPECT_GT(DrawnColumns(view->Picture()), 1500);
}

TEST_F(SonoView, EscapeOrANewSoundStopsARebuildAndLeavesNoHalfPicture) {
    Open(200000);
    const auto view = Make(QSize(1625, 100));
    ASSERT_TRUE(view->StartRebuild());
    QTest::keyClick(view.get(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!view->IsRebuilding(), 60000);
    EXPECT_EQ(view->MessageText(), Str(StringId::DrawingSonogramWasCancelled));
    EXPECT_EQ(DrawnColumns(view->Picture()), 0);
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_FALSE(doc.IsBusy());

    // The sound going away stops it at once: no slice reads the samples after that.
    ASSERT_TRUE(view->StartRebuild());
    doc.UpdateAllViews(kHintRemoveWave);
    EXPECT_FALSE(view->IsRebuilding());
    EXPECT_TRUE(view->MessageText().isEmpty());
    EXPECT_FALSE(doc.IsBusy());
}

// The level of bin k of the first N samples by a direct DFT, in dB relative to a full-scale
// sine of that many bits.
double DirectLevelDb(const std::vector<double>& x, std::size_t n, int k, int bits) {
    long double re = 0, im = 0;
    for (std::size_t i = 0; i < n; ++i) {
        re += x[i] * std::cos(2.0L * M_PIl * k * i / n);
        im -= x[i] * std::sin(2.0L * M_PIl * k * i / n);
    }
    return static_cast<double>(
        20.0L * std::log10(2.0L * std::sqrt(re * re + im * im) / n / std::ldexp(1.0L, bits - 1)));
}

// The cells of the exported row nearest a frequency, one per column.
std::vector<QString> CellsAt(const QString& table, double frequency) {
    const QStringList lines = table.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const QStringList header = lines[0].split(u'\t');
    int row = 1;  // the first row whose highest frequency reaches the frequency
    while (row + 1 < header.size() && QString(header[row]).replace(u',', u'.').toDouble() < frequency) ++row;
    std::vector<QString> cells;
    for (int i = 1; i < lines.size(); ++i) cells.push_back(lines[i].split(u'\t').value(row));
    return cells;
}

double Number(const QString& cell) {
    return QString(cell).replace(u',', u'.').toDouble();
}

TEST_F(SonoView, TheTableHoldsMeasuredLevelsInDecibelsFullScaleAlikeForEightAndSixteenBits) {
    // 1000 Hz at half full scale and 2000 Hz 20 dB lower, on bins 32 and 64 of 256 points at
    // 8 kHz. The starting gain puts the top colour at -18 dB: both are louder, yet each row
    // reads its own level, the one a direct DFT gives.
    for (int bits : {16, 8}) {
        const double full = std::ldexp(1.0, bits - 1);
        std::vector<double> x(256 * 30);
        QByteArray bytes;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double t = static_cast<double>(i) / 8000.0;
            x[i] = std::round(full *
                              (0.5 * std::sin(2 * M_PI * 1000 * t) + 0.05 * std::sin(2 * M_PI * 2000 * t)));
            if (bits == 16)
                PutU16(bytes, static_cast<std::uint16_t>(static_cast<std::int16_t>(x[i])));
            else
                bytes.append(static_cast<char>(static_cast<int>(x[i]) + 128));
        }
        ASSERT_TRUE(doc.LoadWave(
            Write(QStringLiteral("two.wav"), Wave(1, 8000, static_cast<std::uint16_t>(bits), bytes))));
        const auto view = Make(QSize(225, 100));
        const QString table = view->ExportTable();
        ASSERT_FALSE(table.isEmpty());
        EXPECT_TRUE(table.startsWith(Str(StringId::TimeLevelDBFSPer) + u'\t'));
        for (const auto& [frequency, bin, nominal] :
             {std::tuple{1000.0, 32, -6.02}, std::tuple{2000.0, 64, -26.02}}) {
            const double expected = DirectLevelDb(x, 256, bin, bits);
            ASSERT_NEAR(expected, nominal, 0.2);
            for (const QString& cell : CellsAt(table, frequency))
                ASSERT_NEAR(Number(cell), expected, 0.01) << bits << " bits, " << frequency << " Hz";
        }
    }
}

TEST_F(SonoView, SilenceReadsTheFloorInEveryCell) {
    ASSERT_TRUE(
        doc.LoadWave(Write(QStringLiteral("silence.wav"), Mono16(8000, std::vector<int>(256 * 20, 0)))));
    for (int linear : {0, 1}) {
        app.Settings().IniSonobIsAmpLinear = linear;
        const auto view = Make(QSize(225, 100));
        const QStringList lines = view->ExportTable().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_GT(lines.size(), 10);
        for (int i = 1; i < lines.size(); ++i) {
            const QStringList cells = lines[i].split(u'\t');
            // Rows above the highest bin stay empty; every other one is the floor.
            for (int c = 1; c < cells.size(); ++c)
                ASSERT_TRUE(cells[c] == QStringLiteral("-150") ||
                            (cells[c].isEmpty() && c > cells.size() - 3))
                    << "line " << i << " cell " << c << ": " << cells[c].toStdString();
        }
    }
}

}  // namespace

using SpectralHelp = DocFixture;

TEST_F(SpectralHelp, SonogramAndScoreOpenHelpPagesThatExistInBothLanguages) {
    const SonogramView sono(doc, app.Settings());
    const ScoreView score(doc, app.Settings());
    for (const QString& topic : {sono.HelpTopic(), score.HelpTopic()})
        for (const char* language : {"en", "de"})
            EXPECT_TRUE(
                QFile::exists(QStringLiteral(":/resources/help/%1/").arg(QLatin1String(language)) + topic))
                << language << " " << topic.toStdString();
}

TEST_F(SonoView, TheWindowsOpenThroughTheRegistryAndTheKidsModeKeepsOneOfThem) {
    RegisterSonoModule();
    RegisterScoreModule();
    QMdiArea area;
    area.resize(1000, 700);
    area.show();
    app.Settings().IniAllgemeinGrundschulprofil = 1;
    {
        ModuleWindows modules({app.Settings(), doc, ui});
        modules.SetArea(&area);
        modules.Toggle(Module::Sonogram);
        ASSERT_TRUE(doc.IsModuleOpen(Module::Sonogram));
        EXPECT_EQ(doc.FftPoints(), 8192);  // the kids' sonogram size
        EXPECT_EQ(modules.Frame(Module::Sonogram)->windowTitle(), Str(StringId::Sonogram_134));
        // The document reaches the bar by the controls' numbers.
        doc.OpenModuleFrame(Module::Sonogram)->SetControlInt(1069, 5);
        EXPECT_EQ(qobject_cast<SonogramView*>(modules.Frame(Module::Sonogram)->View())->Settings().topCutkHz,
                  5);

        modules.Toggle(Module::Score);
        EXPECT_TRUE(modules.IsOpen(Module::Score));
        EXPECT_FALSE(modules.IsOpen(Module::Sonogram));
        EXPECT_EQ(doc.FftPoints(), 32768);  // the kids' score size
    }
    ModuleWindows::Unregister(Module::Sonogram);
    ModuleWindows::Unregister(Module::Score);
}

TEST(SonogramScale, TheScaleIsWideEnoughForItsWidestLabelInBothLanguages) {
    // "1000 Hz" was cut to "1000 H" in a strip of a fixed 45 pixels; German writes "1,5 kHz".
    const QFontMetrics metrics(ViewFont(15));
    for (Language language : {Language::English, Language::German}) {
        SetCurrentLanguage(language);
        const int width = SonogramView::ScaleWidth();
        for (double f : {1000.0, 880.0, 1500.0, 9900.0, 14080.0, 100000.0, 450560.0}) {
            const QString label = FrequencyScaleLabel(f);
            // The label starts 6 pixels right of the tick line at the strip's left edge.
            EXPECT_LE(6 + metrics.horizontalAdvance(label), width) << label.toStdString();
        }
    }
    SetCurrentLanguage(Language::English);
}
