#include <gtest/gtest.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "settings/IniFile.h"
#include "tests/support/WaveBytes.h"

TEST(IniFile, ReadsAndWritesWithPrivateProfileSemantics) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    ASSERT_TRUE(test::WriteFile(path, "[Alpha]\r\nName = first\r\nCount=12\r\n\r\n[beta]\r\nx=1\r\n"));
    IniFile ini(path, QStringLiteral("Alpha"));
    EXPECT_EQ(ini.GetString(QStringLiteral("name")), QStringLiteral("first"));  // names ignore case
    EXPECT_EQ(ini.GetInt(QStringLiteral("COUNT"), 0, QStringLiteral("ALPHA")), 12);
    EXPECT_EQ(ini.GetInt(QStringLiteral("missing"), 7), 7);
    EXPECT_EQ(ini.GetString(QStringLiteral("x"), QStringLiteral("d"), QStringLiteral("Nowhere")),
              QStringLiteral("d"));

    // Replace in place, append to an existing section, create a new section.
    ini.WriteInt(QStringLiteral("count"), 13, QStringLiteral("Alpha"));
    ini.WriteString(QStringLiteral("added"), QStringLiteral("yes"), QStringLiteral("Alpha"));
    ini.WriteString(QStringLiteral("y"), QStringLiteral("2"), QStringLiteral("Gamma"));
    const QString text = QString::fromUtf8(test::ReadFile(path));
    EXPECT_EQ(text,
              QStringLiteral("[Alpha]\nName = first\ncount=13\nadded=yes\n\n[beta]\nx=1\n[Gamma]\ny=2\n"));

    // Values are cut to 255 characters and the file is created when missing.
    IniFile fresh(dir.filePath(QStringLiteral("new.ini")), QStringLiteral("S"));
    fresh.WriteString(QStringLiteral("long"), QString(300, u'v'));
    EXPECT_EQ(fresh.GetString(QStringLiteral("long")).size(), 255);
}

TEST(IniFile, NumbersUseTheClassicEncodings) {
    struct Real {
        double value;
        const char* text;
    };
    for (const Real& r : {Real{0.000123456, "0.000123456"}, Real{1234567.0, "1.23457e+06"}, Real{0.5, "0.5"},
                          Real{1e-5, "1e-05"}, Real{100.0, "100"}, Real{-2.25, "-2.25"}}) {
        EXPECT_EQ(IniFile::FormatReal(r.value), QLatin1String(r.text));
    }
    EXPECT_DOUBLE_EQ(IniFile::ParseReal(QStringLiteral("1.23457e+06")), 1234570.0);
    struct Int {
        const char* text;
        int value;
    };
    for (const Int& i : {Int{"42", 42}, Int{"  -7xyz", -7}, Int{"abc", 0}, Int{"", 0}, Int{"+3", 3},
                         Int{"99999999999999", 2147483647}, Int{"-99999999999999", -2147483647 - 1}}) {
        EXPECT_EQ(IniFile::ParseInt(QLatin1String(i.text)), i.value) << i.text;
    }
    struct Parsed {
        const char* text;
        double value;
    };
    constexpr double kInf = std::numeric_limits<double>::infinity();
    for (const Parsed& r : {Parsed{" 2.5abc", 2.5}, Parsed{"x1", 0.0}, Parsed{"+4e2", 400.0},
                            // Beyond the doubles like atof: too small is 0, too large is infinite.
                            Parsed{"1e-400", 0.0}, Parsed{"-2.5e-999", 0.0}, Parsed{"123456e-330", 0.0},
                            Parsed{"0.000001e-320", 0.0}, Parsed{"1e400", kInf}, Parsed{"-1e400", -kInf},
                            Parsed{"0.001e312", kInf}, Parsed{"123456789e301", kInf}}) {
        EXPECT_EQ(IniFile::ParseReal(QLatin1String(r.text)), r.value) << r.text;
    }
}

TEST(IniFile, NumbersBeyondTheRangeOfDoublesGiveInfinityWhenLargeAndZeroWhenTiny) {
    struct Case {
        const char* text;
        double value;
    };
    const double inf = std::numeric_limits<double>::infinity();
    for (const Case& c :
         {Case{"1e999", inf}, Case{"-1e999", -inf}, Case{"123456e305", inf}, Case{"0.001e312", inf},
          Case{"1e-999", 0.0}, Case{"-1e-400", -0.0}, Case{"0.0001e-321", 0.0}, Case{"12345e-330", 0.0},
          Case{"1e-99999999999999999999", 0.0}}) {
        const double v = IniFile::ParseReal(QLatin1String(c.text));
        EXPECT_EQ(v, c.value) << c.text;
        EXPECT_EQ(std::signbit(v), std::signbit(c.value)) << c.text;
    }
}

TEST(IniFile, RelativePathsAreCompletedAndTheSectionDefaultsToTheProgramName) {
    IniFile ini(QStringLiteral("some.ini"));
    EXPECT_TRUE(ini.Path().endsWith(QStringLiteral("/some.ini")));
    EXPECT_TRUE(QFileInfo(ini.Path()).isAbsolute());
    EXPECT_FALSE(ini.Section().isEmpty());
}

TEST(IniFile, DeferredWritesReachTheFileTogetherAndAnUnreadableFileIsNeverOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    ASSERT_TRUE(test::WriteFile(path, "[A]\nx=1\n"));
    {
        IniFile ini(path, QStringLiteral("A"));
        ini.Defer();
        EXPECT_TRUE(ini.WriteInt(QStringLiteral("x"), 2));
        EXPECT_TRUE(ini.WriteString(QStringLiteral("y"), QStringLiteral("new"), QStringLiteral("B")));
        EXPECT_EQ(ini.GetInt(QStringLiteral("x"), 0, QStringLiteral("A")),
                  2);                                               // reads see the writes at once
        EXPECT_EQ(test::ReadFile(path), QByteArray("[A]\nx=1\n"));  // the file not yet
        EXPECT_TRUE(ini.Commit());
        EXPECT_EQ(test::ReadFile(path), QByteArray("[A]\nx=2\n[B]\ny=new\n"));
        EXPECT_TRUE(ini.WriteInt(QStringLiteral("z"), 3, QStringLiteral("B")));
    }  // the rest when the object goes
    EXPECT_EQ(test::ReadFile(path), QByteArray("[A]\nx=2\n[B]\ny=new\nz=3\n"));

    // Another writer in between is seen, not written over.
    IniFile first(path, QStringLiteral("A"));
    EXPECT_EQ(first.GetInt(QStringLiteral("x")), 2);
    IniFile(path, QStringLiteral("A")).WriteInt(QStringLiteral("x"), 5);
    EXPECT_EQ(first.GetInt(QStringLiteral("x")), 5);
    EXPECT_TRUE(first.WriteInt(QStringLiteral("w"), 7));
    EXPECT_EQ(test::ReadFile(path), QByteArray("[A]\nx=5\nw=7\n[B]\ny=new\nz=3\n"));

    if (::geteuid() != 0) {  // the superuser reads every file
        ASSERT_TRUE(QFile::setPermissions(path, QFile::WriteOwner));
        EXPECT_FALSE(IniFile(path, QStringLiteral("A")).WriteInt(QStringLiteral("x"), 9));
        ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        EXPECT_EQ(test::ReadFile(path), QByteArray("[A]\nx=5\nw=7\n[B]\ny=new\nz=3\n"));
    }
}
