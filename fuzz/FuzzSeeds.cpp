#include "fuzz/FuzzSeeds.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "settings/ProfileSettings.h"
#include "tests/support/WaveBytes.h"
#include "views/Modules.h"

namespace {

using namespace test;

QByteArray Float32(const std::vector<float>& values) {
    QByteArray b(static_cast<qsizetype>(values.size() * 4), '\0');
    std::memcpy(b.data(), values.data(), static_cast<std::size_t>(b.size()));
    return b;
}

QByteArray Float64(const std::vector<double>& values) {
    QByteArray b(static_cast<qsizetype>(values.size() * 8), '\0');
    std::memcpy(b.data(), values.data(), static_cast<std::size_t>(b.size()));
    return b;
}

std::vector<FuzzSeed> WaveSeeds() {
    const QByteArray tone = Pcm16(Sine(440.0, 8000, 64, 12000.0));
    const QByteArray fmt16 = Chunk("fmt ", FmtBody(1, 1, 8000, 16));
    const QByteArray bytes24 = QByteArray::fromHex("000080ffff7f010000fe7fff");
    return {
        {QStringLiteral("mono16.wav"), Wave(1, 8000, 16, tone)},
        {QStringLiteral("mono8.wav"), Wave(1, 11025, 8, QByteArray("\x80\x90\xa0\x7f\x00\xff", 6))},
        {QStringLiteral("stereo16.wav"), Wave(2, 22050, 16, Pcm16({100, -7, 200, -8, 300, -9}))},
        {QStringLiteral("stereo8.wav"), Wave(2, 8000, 8, QByteArray("\x10\xf0\x11\xf1", 4))},
        {QStringLiteral("mono24.wav"), Wave(1, 48000, 24, bytes24)},
        {QStringLiteral("stereo32.wav"),
         Wave(2, 44100, 32, QByteArray::fromHex("00000080ffffff7f0100000000000000"))},
        {QStringLiteral("fast96k.wav"), Wave(1, 96000, 16, tone)},
        {QStringLiteral("float32.wav"),
         Riff(Chunk("fmt ", FmtBody(3, 1, 8000, 32, 0)) + Chunk("data", Float32({0.5f, -1.0f, 2.0f, 0.0f})))},
        {QStringLiteral("float64.wav"),
         Riff(Chunk("fmt ", FmtBody(3, 2, 8000, 64, 0)) + Chunk("data", Float64({0.25, -0.25, 1.5, -1.5})))},
        {QStringLiteral("extensible-pcm.wav"),
         Riff(Chunk("fmt ", ExtensibleFmtBody(2, 8000, 16, 1)) + Chunk("data", Pcm16({1, 2, 3, 4})))},
        {QStringLiteral("extensible-float.wav"),
         Riff(Chunk("fmt ", ExtensibleFmtBody(1, 8000, 32, 3)) + Chunk("data", Float32({0.1f, -0.1f})))},
        {QStringLiteral("extra-chunks.wav"),
         Riff(Chunk("LIST", QByteArray("INFOISFT\x03\0\0\0abc", 15)) + fmt16 +
              Chunk("fact", QByteArray(4, '\x02')) + Chunk("data", Pcm16({5, -5})))},
        {QStringLiteral("streamed-sizes.wav"), Riff(fmt16 + Chunk("data", tone, 0xFFFFFFFF), 0xFFFFFFFF)},
        {QStringLiteral("data-longer-than-file.wav"), Riff(fmt16 + Chunk("data", Pcm16({1, 2, 3}), 1000))},
        {QStringLiteral("torn-frame.wav"), Wave(2, 8000, 16, Pcm16({1, 2, 3}))},
        {QStringLiteral("odd-fmt.wav"), Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8) + QByteArray(1, '\0')) +
                                             Chunk("data", QByteArray("\x01\x02\x03", 3)))},
        {QStringLiteral("no-data.wav"), Riff(fmt16)},
        {QStringLiteral("empty-data.wav"), Riff(fmt16 + Chunk("data", QByteArray()))},
        {QStringLiteral("adpcm.wav"), Riff(Chunk("fmt ", FmtBody(2, 1, 8000, 4, 2) + QByteArray(2, '\0')) +
                                           Chunk("data", QByteArray(8, '\x11')))},
        {QStringLiteral("truncated.wav"), Wave(1, 8000, 16, tone).left(30)},
    };
}

std::vector<FuzzSeed> TimeSeriesSeeds() {
    return {
        {QStringLiteral("column.txt"), QByteArray("1\n2\n3\n2\n1\n0\n-1\n-2\n")},
        {QStringLiteral("crlf.dat"), QByteArray("0.5\r\n-0.25\r\n1e-3\r\n")},
        {QStringLiteral("positive.prn"), QByteArray("10 20\t30\n40\n")},
        {QStringLiteral("comments.txt"), QByteArray("# measured values\n1.5\n#2\n2.5 # end\n")},
        {QStringLiteral("special.txt"), QByteArray("nan\ninf\n-inf\n1e308\n-1e999\n1e-999\n+7\n")},
        {QStringLiteral("words.txt"), QByteArray("1,5\nabc\n0x10\n.5\n5.\n-\n+\n")},
        {QStringLiteral("zeros.txt"), QByteArray("0\n0.0\n-0\n")},
        {QStringLiteral("empty.txt"), QByteArray()},
        {QStringLiteral("blanks.txt"), QByteArray(" \t\r\n\f\v\n")},
    };
}

std::vector<FuzzSeed> IniSeeds() {
    std::vector<FuzzSeed> seeds = {
        {QStringLiteral("small.ini"), QByteArray("[Allgemein]\nIniAllgemeinLanguage=1033\n\n[Dokument]\n"
                                                 "IniDokumentPlayFile=\"/tmp/a b.wav\"\n")},
        {QStringLiteral("crlf.ini"), QByteArray("[allgemein]\r\n iniallgemeinlanguage = 1031 \r\n;x=1\r\n")},
        {QStringLiteral("twice.ini"), QByteArray("[Dokument]\nx=1\n[Dokument]\nx=2\nx=3\n")},
        {QStringLiteral("before-section.ini"), QByteArray("x=0\n[ZEITREIHE]\n=5\nx\n[broken\nx=4")},
        {QStringLiteral("numbers.ini"),
         QByteArray("[x]\nx=-2147483649\nIniAllgemeinLanguage=1e999\ny=0x1F\n")},
        {QStringLiteral("long.ini"), QByteArray("[Allgemein]\nx=") + QByteArray(400, 'v') + "\n"},
        {QStringLiteral("empty.ini"), QByteArray()},
    };
    // The profiles the program ships.
    QDirIterator it(QStringLiteral(":/resources/Profile"));
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly)) seeds.push_back({QFileInfo(file).fileName(), file.readAll()});
    }
    return seeds;
}

// Every number key of every module with one value, as a profile.
QByteArray ProfileWithEveryNumber(const QByteArray& value) {
    RegisterModules();
    QByteArray text;
    QByteArray section;
    for (const ProfileSettings::SettingKey& key : ProfileSettings::KeyTable()) {
        if (std::holds_alternative<QString ProfileSettings::*>(key.member)) continue;
        if (section != key.section) {
            section = key.section;
            text += "[" + section + "]\n";
        }
        text += QByteArray(key.key) + "=" + value + "\n";
    }
    return text;
}

std::vector<FuzzSeed> SettingsSeeds() {
    std::vector<FuzzSeed> seeds;
    for (const char* value : {"1e30", "-1e30", "2147483648", "-2147483649", "nan", "inf", "-1", "0", "3.5"})
        seeds.push_back(
            {QStringLiteral("every-number-%1.ini").arg(QLatin1String(value)), ProfileWithEveryNumber(value)});
    seeds.push_back({QStringLiteral("empty.ini"), QByteArray()});
    QDirIterator it(QStringLiteral(":/resources/Profile"));
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly)) seeds.push_back({QFileInfo(file).fileName(), file.readAll()});
    }
    return seeds;
}

// A short series of the Henon map, one value a line.
QByteArray HenonText(int count, double outlier = 0.0) {
    QByteArray text;
    double x = 0.1, y = 0.0;
    for (int i = 0; i < count + 50; ++i) {
        const double next = 1.0 - 1.4 * x * x + y;
        y = 0.3 * x;
        x = next;
        if (i >= 50)
            text += QByteArray::number(i == count / 2 && outlier != 0.0 ? outlier : x, 'g', 10) + "\n";
    }
    return text;
}

std::vector<FuzzSeed> AnalysisSeeds() {
    const QByteArray henon = HenonText(400);
    const QByteArray quick =
        "IniAnalyseNumberOfLyaMax=20\nIniAnalyseIterLyaMax=5\nIniAnalyseNumberOfKorr=200\n"
        "IniAnalyseNumberOfLya=100\nIniAnalyseIterLya=5\n";
    std::vector<FuzzSeed> seeds;
    for (const char* module : {"maxlyap", "lyapspec", "corrdim", "wavelet", "timeseries", "reko"}) {
        const QByteArray m(module);
        seeds.push_back(
            {QStringLiteral("%1-henon.txt").arg(QLatin1String(module)), m + "\n" + quick + "---\n" + henon});
        seeds.push_back({QStringLiteral("%1-outlier.txt").arg(QLatin1String(module)),
                         m + "\n" + quick + "---\n" + HenonText(400, 1e9)});
        seeds.push_back({QStringLiteral("%1-three.txt").arg(QLatin1String(module)), m + "\n---\n1\n2\n3\n"});
        seeds.push_back({QStringLiteral("%1-constant.txt").arg(QLatin1String(module)),
                         m + "\n" + quick + "---\n" + QByteArray(600, '\n').replace("\n", "5\n")});
    }
    // The overrides that once asked for gigabytes, minutes or a black picture.
    for (const char* set :
         {"IniAnalyseNumberOfKorr=10000000", "IniAnalyseNumberOfLyaMax=100000",
          "IniAnalyseNumberOfLyaMax=2147483648", "Ini3DFFTSchrittweite=1e30", "IniAnalyseDimKorr=nan",
          "IniAnalyseRadiusMaxKorr=inf", "IniAnalyseTauLyaMax=-5", "IniWaveletFreqmax=1e300",
          "IniWaveletZeitn=2147483647", "IniZeitreiheKorrCount=0"})
        seeds.push_back({QStringLiteral("hostile-%1.txt").arg(QString::fromLatin1(set).section(u'=', 0, 0)),
                         "maxlyap\n" + QByteArray(set) + "\n---\n" + henon});
    return seeds;
}

}  // namespace

std::vector<QString> FuzzTargetNames() {
    return {QStringLiteral("wave"), QStringLiteral("timeseries"), QStringLiteral("ini"),
            QStringLiteral("settings"), QStringLiteral("analysis")};
}

std::vector<FuzzSeed> FuzzSeeds(const QString& target) {
    if (target == QLatin1String("wave")) return WaveSeeds();
    if (target == QLatin1String("timeseries")) return TimeSeriesSeeds();
    if (target == QLatin1String("ini")) return IniSeeds();
    if (target == QLatin1String("settings")) return SettingsSeeds();
    if (target == QLatin1String("analysis")) return AnalysisSeeds();
    return {};
}
