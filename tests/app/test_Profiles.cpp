#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/CIni.h"
#include "app/CKalvoApp.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaveBytes.h"

namespace {

class Profiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        ASSERT_TRUE(SeedProfiles(dir.path()));
    }
    void TearDown() override { test::RestoreProgramFolder(); }
    QString ProfilePath(const QString& file) const { return dir.filePath(QStringLiteral("Profile/") + file); }

    QTemporaryDir dir;
    ScriptedUserInterface ui;
    CKalvoApp app{ui};
};

const QStringList kShipped = {
    QStringLiteral("KalvoStandardProfil.ini"),   QStringLiteral("KalvoMusikerProfil.ini"),
    QStringLiteral("KalvoAnalytikerProfil.ini"), QStringLiteral("KalvoKomplettProfil.ini"),
    QStringLiteral("KalvoforKidsProfil.ini"),    QStringLiteral("KalvoOberschuleProfil.ini"),
    QStringLiteral("KalvoUserVorlage.ini"),      QStringLiteral("KalvoZuletztVerwendetProfil.ini")};

}  // namespace

TEST_F(Profiles, EveryShippedProfileHoldsEveryKeyAndLoads) {
    for (const QString& file : kShipped) {
        SCOPED_TRACE(file.toStdString());
        CIni ini(ProfilePath(file));
        for (const CKalvoApp::SettingKey& key : CKalvoApp::KeyTable()) {
            EXPECT_NE(ini.GetString(QLatin1String(key.key), QStringLiteral("<missing>"), QLatin1String(key.section)),
                      QStringLiteral("<missing>"))
                << key.key;
        }
        for (int slot = 0; slot < kSlotCount; ++slot)
            EXPECT_NE(ini.GetString(QStringLiteral("wp->rcNormalPosition.right"), QStringLiteral("<missing>"),
                                    CKalvoApp::PlacementSection(slot)),
                      QStringLiteral("<missing>"));
    }
    for (ProfileKind kind : {ProfileKind::Standard, ProfileKind::Musiker, ProfileKind::Analytiker, ProfileKind::Komplett,
                             ProfileKind::ForKids, ProfileKind::Oberschule, ProfileKind::LastUsed}) {
        app.m_profileKind = kind;
        ASSERT_TRUE(app.LoadProfile());
        EXPECT_EQ(app.IniDokumentNumFFTPoints, CKalvoApp::CheckedFftPoints(app.IniDokumentNumFFTPoints));
        EXPECT_EQ(app.IniAllgemeinGrundschulprofil, kind == ProfileKind::ForKids ? 1 : 0);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Profiles, EveryKindOfValueSurvivesASaveAndLoad) {
    app.m_profileKind = ProfileKind::Standard;
    ASSERT_TRUE(app.LoadProfile());
    app.IniAllgemeinLanguage = 1031;
    app.IniDokumentPlayFile = QStringLiteral("/home/teacher/Töne/a b.wav");
    app.IniDokumentNumFFTPoints = 65536;
    app.Ini3DFFTSchrittweite = 0.000123456f;
    app.IniAnalyseRadiusMaxKorr = 1234567.0;
    app.IniWaveletWavelet = QStringLiteral("morlet,2");
    WindowPlacement wp;
    wp.showCmd = 1;
    wp.left = 12;
    wp.top = -40;
    wp.right = 5000;
    wp.bottom = 9999;
    app.SetWindowSlot(wp, kSlotSonogramm);
    app.m_strUserProfileFile = QStringLiteral("KalvoUserProfil-Class 4b.ini");
    app.m_profileKind = ProfileKind::User;
    ASSERT_TRUE(app.SaveProfile());

    ScriptedUserInterface ui2;
    CKalvoApp loaded(ui2);
    loaded.m_profileKind = ProfileKind::User;
    loaded.m_strUserProfileFile = app.m_strUserProfileFile;
    ASSERT_TRUE(loaded.LoadProfile());
    for (const CKalvoApp::SettingKey& key : CKalvoApp::KeyTable())
        EXPECT_EQ(loaded.SettingText(key), app.SettingText(key)) << key.key;
    EXPECT_EQ(loaded.IniDokumentPlayFile, app.IniDokumentPlayFile);
    EXPECT_FLOAT_EQ(loaded.Ini3DFFTSchrittweite, 0.000123456f);
    EXPECT_DOUBLE_EQ(loaded.IniAnalyseRadiusMaxKorr, 1234570.0);  // six significant digits
    WindowPlacement expected = wp;
    expected.length = WindowPlacement::kRecordSize;
    EXPECT_EQ(loaded.GetWindowSlot(kSlotSonogramm), expected);
    const QString text = QString::fromUtf8(test::ReadFile(ProfilePath(app.m_strUserProfileFile)));
    EXPECT_TRUE(text.contains(QStringLiteral("Ini3DFFTSchrittweite=0.000123456")));
    EXPECT_TRUE(text.contains(QStringLiteral("IniAnalyseRadiusMaxKorr=1.23457e+06")));
}

TEST_F(Profiles, FftPointsMustBeAPowerOfTwo) {
    struct Case {
        const char* text;
        int points;
    };
    for (const Case& c : {Case{"1000", 8192}, Case{"1", 1}, Case{"65536", 65536}, Case{"0", 8192}, Case{"-4", 8192},
                          Case{"garbage", 8192}, Case{"3000", 8192}}) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(test::WriteFile(ProfilePath(QStringLiteral("KalvoStandardProfil.ini")),
                                    QByteArray("[Dokument]\nIniDokumentNumFFTPoints=") + c.text + "\n"));
        app.m_profileKind = ProfileKind::Standard;
        ASSERT_TRUE(app.LoadProfile());
        EXPECT_EQ(app.IniDokumentNumFFTPoints, c.points);
    }
    // A file without the key at all.
    ASSERT_TRUE(test::WriteFile(ProfilePath(QStringLiteral("KalvoStandardProfil.ini")), "[Allgemein]\n"));
    ASSERT_TRUE(app.LoadProfile());
    EXPECT_EQ(app.IniDokumentNumFFTPoints, 8192);
}

TEST_F(Profiles, BrokenProfilesReadAsZerosAndDefaultsAndAMissingOneIsReported) {
    const QByteArray broken = "garbage line without equals\n[Allgemein]\nIniAllgemeinStatusbar=yes\n"
                              "IniAllgemeinLanguage=" + QByteArray(300, '9') + "\n[Wavelet]\nIniWaveletWavelet=" +
                              QByteArray(300, 'w') + "\nIniWaveletFreqmin=abc\n[MainWindow]\nwp->showCmd=\n";
    ASSERT_TRUE(test::WriteFile(ProfilePath(QStringLiteral("KalvoStandardProfil.ini")), broken));
    app.m_profileKind = ProfileKind::Standard;
    ASSERT_TRUE(app.LoadProfile());
    EXPECT_EQ(app.IniAllgemeinStatusbar, 0);
    EXPECT_EQ(app.IniAllgemeinLanguage, 2147483647);
    EXPECT_EQ(app.IniWaveletWavelet.size(), 255);
    EXPECT_EQ(app.IniWaveletFreqmin, 0.0f);
    EXPECT_EQ(app.IniFFTTopCutkHz, 0);  // missing
    EXPECT_EQ(app.GetWindowSlot(kSlotFFT).showCmd, 5);  // missing section: default placement

    QFile::remove(ProfilePath(QStringLiteral("KalvoMusikerProfil.ini")));
    app.m_profileKind = ProfileKind::Musiker;
    EXPECT_FALSE(app.LoadProfile());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(ProfilePath(QStringLiteral("KalvoMusikerProfil.ini"))));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
}

TEST_F(Profiles, SavingAUserProfileOverAnExistingOneAsksFirst) {
    app.m_profileKind = ProfileKind::Standard;
    ASSERT_TRUE(app.LoadProfile());
    const QString file = ProfilePath(QStringLiteral("KalvoUserProfil-Mine.ini"));
    ASSERT_TRUE(test::WriteFile(file, "[Allgemein]\nIniAllgemeinMenu=1\n"));
    ui.profileNames.push_back(ProfileNameAnswer{QStringLiteral("Mine"), QStringLiteral("KalvoUserProfil-Mine.ini")});
    ui.okCancelAnswers.push_back(false);
    EXPECT_FALSE(app.OnSaveProfile());
    EXPECT_TRUE(ui.Said(Str(61491)));
    EXPECT_EQ(test::ReadFile(file), QByteArray("[Allgemein]\nIniAllgemeinMenu=1\n"));

    ui.profileNames.push_back(ProfileNameAnswer{QStringLiteral("Mine"), QStringLiteral("KalvoUserProfil-Mine.ini")});
    ui.okCancelAnswers.push_back(true);
    EXPECT_TRUE(app.OnSaveProfile());
    EXPECT_TRUE(QString::fromUtf8(test::ReadFile(file)).contains(QStringLiteral("IniAnalyseWhatIs=")));
    EXPECT_EQ(app.m_profileKind, ProfileKind::User);
}

TEST_F(Profiles, TheMainWindowIsKeptOnTheWorkArea) {
    const QRect work(0, 0, 1920, 1040);
    const WindowPlacement def = WindowPlacement::Default();
    struct Case {
        const char* name;
        int left, top, right, bottom;
        int eLeft, eTop, eRight, eBottom;
    };
    const std::vector<Case> cases = {
        {"inside", 100, 100, 900, 700, 100, 100, 900, 700},
        {"wholly outside", 3000, 100, 3800, 700, def.left, def.top, def.right, def.bottom},
        {"over the right edge", 1500, 100, 2100, 700, 1320, 100, 1920, 700},
        {"over the top left", -50, -20, 750, 580, 0, 0, 800, 600},
        {"inverted", 900, 700, 100, 100, 100, 100, 900, 700},
        {"larger than the screen", -100, -100, 3000, 2000, 0, 0, 1920, 1040},
        {"huge numbers", -2000000000, 5, 2000000000, 900, 0, 5, 1920, 900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowPlacement wp;
        wp.left = c.left;
        wp.top = c.top;
        wp.right = c.right;
        wp.bottom = c.bottom;
        app.SetWindowSlot(wp, kSlotMain);
        app.FitMainPlacement(def, work);
        const WindowPlacement got = app.GetWindowSlot(kSlotMain);
        EXPECT_EQ(got.left, c.eLeft);
        EXPECT_EQ(got.top, c.eTop);
        EXPECT_EQ(got.right, c.eRight);
        EXPECT_EQ(got.bottom, c.eBottom);
    }
}

TEST_F(Profiles, ModulePlacementsGoToRelativeUnitsAndBack) {
    app.IniAllgemeinStatusbar = 1;
    app.IniAllgemeinToolbarNormal = 1;
    app.IniAllgemeinToolbarSchule = 0;
    const FrameMetrics frame{1277, 803, 22, 60, 31};
    for (const auto& [l, t, r, b] : {std::array{0, 0, 640, 375}, std::array{13, 7, 1277, 750}, std::array{333, 101, 801, 555}}) {
        WindowPlacement wp;
        wp.left = l;
        wp.top = t;
        wp.right = r;
        wp.bottom = b;
        WindowPlacement rel = wp;
        app.ConvertPlacement(true, rel, frame);
        EXPECT_LE(rel.right, 10000 + 1);
        WindowPlacement back = rel;
        app.ConvertPlacement(false, back, frame);
        for (const auto& [orig, got] : {std::pair{l, back.left}, std::pair{t, back.top}, std::pair{r, back.right},
                                        std::pair{b, back.bottom}}) {
            EXPECT_EQ(got % 2, 0);
            EXPECT_LE(std::abs(got - orig), 2) << orig << " -> " << got;
        }
    }
    // Half of the height left by the bars: 803 - 22 - 31 = 750.
    WindowPlacement half;
    half.top = 375;
    app.ConvertPlacement(true, half, frame);
    EXPECT_EQ(half.top, 5000);
}

TEST_F(Profiles, SlotsOutsideTheTableFallBackOrAreIgnored) {
    WindowPlacement main;
    main.left = 77;
    app.SetWindowSlot(main, kSlotMain);
    EXPECT_EQ(app.GetWindowSlot(42).left, 77);
    EXPECT_EQ(app.GetWindowSlot(0).length, WindowPlacement::kRecordSize);
    WindowPlacement other;
    other.left = 99;
    app.SetWindowSlot(other, 10);
    for (int slot = 0; slot < kSlotCount; ++slot) EXPECT_NE(app.GetWindowSlot(slot).left, 99);
}
