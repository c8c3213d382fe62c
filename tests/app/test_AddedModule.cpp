// A module the program does not know, registered from the test the way a module's folder
// registers itself: it must reach the menus and bars, the profile (its setting and its
// window's placement), --set and --export, with nothing else of the program changed.

#include <gtest/gtest.h>
#include <unistd.h>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <cstdio>
#include <memory>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "settings/IniFile.h"
#include "settings/ProfileSettings.h"
#include "tests/support/DocFixture.h"
#include "tests/support/WaveBytes.h"
#include "views/Modules.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"

using namespace test;

namespace {

constexpr int kToggle = 39001;  // a command number no other command has
constexpr const char* kNumberKey = "IniTestmodulZahl";
constexpr const char* kOpenKey = "IniFensterTestmodul";

// Registered for the length of a test, and gone again afterwards.
struct AddedModule {
    AddedModule() {
        ModuleWindows::Registration r{};
        r.module = module;
        r.toggleCommand = kToggle;
        r.titleString = 130;
        r.slot = slot;
        r.create = [slot = slot](const ModuleContext& context) {
            return std::make_unique<ModuleFrame>(context.settings, slot, new QWidget, nullptr, true);
        };
        r.menuOrder = 45;  // between the score and the sonogram
        r.toolBarOrder = 45;
        r.icon = QStringLiteral("fft");
        r.openOrder = 9;
        r.openFlag = kOpenKey;
        r.settings = {{kPlaceWindowFlags + 9, {{"Fenster", kOpenKey, StoredSetting{StoredType::Int}}}},
                      {kPlaceModuleSettings + 9,
                       {{"Testmodul", kNumberKey, StoredSetting{StoredType::Int}, 1, 99, "7"}}}};
        ModuleWindows::Register(std::move(r));
        CommandLineModule entry;
        entry.name = QStringLiteral("testmodul");
        entry.exportText = [](const ModuleContext& context, const ScriptRequest&) -> std::optional<QString> {
            return QStringLiteral("Zahl=%1\n")
                .arg(context.settings.IntValue(*ProfileSettings::FindKey(kNumberKey)));
        };
        CommandLineModules::Register(std::move(entry));
    }
    ~AddedModule() {
        ModuleWindows::Unregister(module);
        CommandLineModules::Unregister(QStringLiteral("testmodul"));
    }
    AddedModule(const AddedModule&) = delete;
    AddedModule& operator=(const AddedModule&) = delete;

    const Module module = ModuleWindows::FreeModule();
    const int slot = ProfileSettings::AddPlacementSlot(QStringLiteral("TestmodulWindow"));
};

std::vector<int> Commands(const QList<QAction*>& actions) {
    std::vector<int> commands;
    for (const QAction* a : actions)
        if (!a->isSeparator()) commands.push_back(a->data().toInt());
    return commands;
}

// Where kToggle stands: after and before which command.
std::pair<int, int> Neighbours(const std::vector<int>& commands) {
    const auto it = std::find(commands.begin(), commands.end(), kToggle);
    if (it == commands.end() || it == commands.begin() || it + 1 == commands.end()) return {0, 0};
    return {*(it - 1), *(it + 1)};
}

// What the program printed to standard output while run ran.
template <class F>
QString StandardOutput(F run) {
    std::fflush(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "w");
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(::fileno(file), STDOUT_FILENO);
    run();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    std::fclose(file);
    QFile read(path);
    return read.open(QIODevice::ReadOnly) ? QString::fromUtf8(read.readAll()) : QString();
}

class AddedModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The program's own modules are there first, as in the program: a key row found after
        // adding the test's module then stays valid when the program registers them again.
        RegisterModules();
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        ASSERT_TRUE(SeedProfiles(dir.path()));
    }
    void TearDown() override { RestoreProgramFolder(); }
    QString Profile(const QString& file) const { return dir.filePath(QStringLiteral("Profile/") + file); }
    // A user profile from the Komplett one, in English, with the module's keys as given.
    void MakeProfile(const QString& name, const QString& number, const QString& open) {
        const QString path = Profile(QStringLiteral("KalvoUserProfil-%1.ini").arg(name));
        ASSERT_TRUE(QFile::copy(Profile(QStringLiteral("KalvoKomplettProfil.ini")), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        IniFile ini(path);
        ini.WriteInt(QStringLiteral("IniAllgemeinLanguage"), 1033, QStringLiteral("Allgemein"));
        if (!number.isEmpty())
            ini.WriteString(QLatin1String(kNumberKey), number, QStringLiteral("Testmodul"));
        if (!open.isEmpty()) ini.WriteString(QLatin1String(kOpenKey), open, QStringLiteral("Fenster"));
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(AddedModuleTest, JoinsMenuBarAndProfileAndLeavesNoTraceWhenGone) {
    const std::size_t keys = ProfileSettings::KeyTable().size();
    {
        AddedModule added;
        MakeProfile(QStringLiteral("Anna"), QStringLiteral("42"), QStringLiteral("1"));
        ScriptedUserInterface ui;
        Application app(ui);
        ASSERT_TRUE(app.InitInstance(QStringLiteral("Anna")));
        MainWindow* frame = app.MainFrame();

        // In its place in the View menu and on the standard bar, with its icon and its check mark.
        const auto view = Commands(frame->menuBar()->actions().value(2)->menu()->actions());
        EXPECT_EQ(Neighbours(view), std::make_pair(32823, 32804));
        EXPECT_EQ(Neighbours(Commands(frame->StandardToolBar()->actions())), std::make_pair(32823, 32804));
        EXPECT_EQ(std::count(view.begin(), view.end(), kToggle), 1);
        QAction* toggle = frame->Action(kToggle);
        ASSERT_TRUE(toggle);
        EXPECT_FALSE(toggle->icon().isNull());

        // Its setting came from the profile, and the profile opened its window.
        const ProfileSettings::SettingKey* number = ProfileSettings::FindKey(QLatin1String(kNumberKey));
        ASSERT_TRUE(number);
        EXPECT_EQ(app.Settings().IntValue(*number), 42);
        ASSERT_TRUE(app.Modules()->IsOpen(added.module));
        frame->UpdateCommandStates();
        EXPECT_TRUE(toggle->isChecked());

        // Closed by its menu command; the profile keeps the setting, the closed window and its place.
        toggle->trigger();
        EXPECT_FALSE(app.Modules()->IsOpen(added.module));
        app.Settings().SetValue(*number, 43);
        ASSERT_TRUE(app.SaveProfile());
        IniFile saved(Profile(QStringLiteral("KalvoUserProfil-Anna.ini")));
        EXPECT_EQ(saved.GetString(QLatin1String(kNumberKey), {}, QStringLiteral("Testmodul")),
                  QStringLiteral("43"));
        EXPECT_EQ(saved.GetString(QLatin1String(kOpenKey), {}, QStringLiteral("Fenster")),
                  QStringLiteral("0"));
        EXPECT_FALSE(saved
                         .GetString(QStringLiteral("wp->rcNormalPosition.right"), {},
                                    QStringLiteral("TestmodulWindow"))
                         .isEmpty());
        // The program's own windows keep their slots.
        EXPECT_EQ(ProfileSettings::PlacementSection(kSlotTimeSeries), QStringLiteral("ZeitreiheWindow"));
        EXPECT_GE(added.slot, int(kSlotCount));
        app.ExitInstance();
    }
    // Gone: no key, no slot, no command, and the key table as before.
    EXPECT_EQ(ProfileSettings::FindKey(QLatin1String(kNumberKey)), nullptr);
    EXPECT_EQ(ProfileSettings::KeyTable().size(), keys);
    EXPECT_EQ(ProfileSettings::PlacementSlotCount(), int(kSlotCount));
    EXPECT_EQ(ModuleWindows::FindByCommand(kToggle), nullptr);
    EXPECT_EQ(CommandLineModules::Find(QStringLiteral("testmodul")), nullptr);
}

TEST_F(AddedModuleTest, ASettingWithoutAFieldTakesItsDefaultSetAndExport) {
    AddedModule added;
    const ProfileSettings::SettingKey* number = ProfileSettings::FindKey(QLatin1String(kNumberKey));
    ASSERT_TRUE(number);
    // A profile without the key gives the default; the window stays closed.
    MakeProfile(QStringLiteral("Ben"), {}, {});
    {
        ScriptedUserInterface ui;
        Application app(ui);
        ASSERT_TRUE(app.InitInstance(QStringLiteral("Ben")));
        EXPECT_EQ(app.Settings().IntValue(*number), 7);
        EXPECT_FALSE(app.Modules()->IsOpen(added.module));
        app.ExitInstance();
    }
    // The program registered its modules again meanwhile: the row found before is still the one.
    EXPECT_EQ(ProfileSettings::FindKey(QLatin1String(kNumberKey)), number);
    // The range is the descriptor's; --set takes what the other keys' --set takes (a number
    // within the range), and refuses what they refuse.
    EXPECT_TRUE(number->InRange(1));
    EXPECT_TRUE(number->InRange(99));
    EXPECT_FALSE(number->InRange(0));
    EXPECT_FALSE(number->InRange(100));
    QString error;
    EXPECT_FALSE(
        CommandLine::Parse({QStringLiteral("--set"), QStringLiteral("IniTestmodulZahl=inf")}, &error));
    EXPECT_TRUE(error.contains(QLatin1String(kNumberKey))) << error.toStdString();

    EXPECT_FALSE(
        CommandLine::Parse({QStringLiteral("--set"), QStringLiteral("IniTestmodulZahl=500")}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("from 1 to 99"))) << error.toStdString();

    QTemporaryDir files;
    const QString wave = files.filePath(QStringLiteral("a.wav"));
    ASSERT_TRUE(WriteFile(wave, Mono16(8000, Sine(440, 8000, 800, 8000))));
    for (const char* value : {"1", "12", "99"}) {
        SCOPED_TRACE(value);
        const auto cmd = CommandLine::Parse(
            {QStringLiteral("--export"), QStringLiteral("testmodul"), QStringLiteral("--open"), wave,
             QStringLiteral("--profile"), QStringLiteral("Ben"), QStringLiteral("--set"),
             QLatin1String(kNumberKey) + u'=' + QLatin1String(value)},
            &error);
        ASSERT_TRUE(cmd) << error.toStdString();
        int code = -1;
        const QString out = StandardOutput([&] { code = RunExport(*cmd); });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(out, QStringLiteral("Zahl=%1\n").arg(QLatin1String(value)));
    }
}
