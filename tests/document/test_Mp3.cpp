#include <sndfile.h>

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <random>

#include "app/MainWindow.h"
#include "document/Mp3Converter.h"
#include "document/RiffWave.h"
#include "tests/support/DocFixture.h"

using namespace test;

namespace {

struct FftStandIn : IModuleFrame {
    void SetControlInt(int, int) override {}
    void SetSliderRange(int, int, int, int) override {}
};

class Mp3 : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        InstallSoundFileConversion(doc);
        doc.SetModuleFrame(Module::Fft, &fft);  // so that selections get their spectrum
    }
    void TearDown() override {
        doc.SetModuleFrame(Module::Fft, nullptr);
        DocFixture::TearDown();
    }

    QString ToneWave(const QString& name, std::uint32_t rate = 44100) {
        return Write(name, Mono16(rate, Sine(440.0, rate, rate, 12000.0)));
    }
    // The frequency of the strongest spectrum line of the whole loaded sound.
    double PeakFrequency() {
        doc.OnSelectionChanged(0, doc.SampleCount());
        const auto peak = std::max_element(doc.Spectrum().begin() + 1, doc.Spectrum().end());
        return SoundDocument::BinFrequency(static_cast<std::size_t>(peak - doc.Spectrum().begin()),
                                           doc.SpectrumPoints(), doc.SampleRate());
    }
    // Names of the half-made files a conversion might have left in the folder.
    QStringList LeftOvers() const {
        return QDir(dir.path()).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden);
    }
    WaveFormat FormatOf(const QString& path, std::uint32_t* bytes = nullptr) {
        RiffWave wave;
        WaveFormat format;
        EXPECT_EQ(wave.Open(path, &format, RiffWave::Mode::Read), RiffWave::Status::Success)
            << path.toStdString();
        if (bytes) *bytes = wave.GetSize();
        return format;
    }
    QByteArray DataOf(const QString& path) {
        RiffWave wave;
        if (wave.Open(path, nullptr, RiffWave::Mode::Read) != RiffWave::Status::Success) return {};
        QByteArray data(static_cast<qsizetype>(wave.GetSize()), '\0');
        std::uint32_t read = 0;
        wave.Read(data.data(), wave.GetSize(), &read);
        return data;
    }
    // A compressed file written directly through libsndfile.
    bool WriteCompressed(const QString& path, int format, int rate, int channels = 1) {
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = format;
        SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
        if (!file) return false;
        const std::vector<int> tone =
            Sine(440.0, static_cast<std::uint32_t>(rate), static_cast<std::size_t>(rate), 12000.0);
        std::vector<short> samples;
        for (int s : tone)
            samples.insert(samples.end(), static_cast<std::size_t>(channels), static_cast<short>(s));
        const bool ok = sf_writef_short(file, samples.data(), rate) == rate;
        return sf_close(file) == 0 && ok;
    }

    FftStandIn fft;
};

}  // namespace

TEST_F(Mp3, ToneSurvivesTheRoundTripAndOpensAsTheMp3File) {
    const QString mp3 = Path(QStringLiteral("tone.mp3"));
    ASSERT_TRUE(Mp3Converter(ui).ConvertWAVtoMP3(mp3, ToneWave(QStringLiteral("tone.wav"))));
    ASSERT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();

    ASSERT_TRUE(doc.OpenSoundFile(mp3));
    EXPECT_TRUE(ui.messages.empty());
    const QString converted = Path(QStringLiteral("converted.wav"));
    EXPECT_TRUE(QFileInfo(converted).isFile());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("tone.mp3"));
    EXPECT_EQ(doc.FileName(), mp3);
    EXPECT_EQ(doc.WavePath(), converted);
    EXPECT_TRUE(doc.IsWaveLoaded());
    EXPECT_EQ(doc.SampleRate(), 44100);
    EXPECT_EQ(doc.BitsPerSample(), 16);
    EXPECT_NEAR(doc.SampleCount(), 44100.0, 1152.0);  // at most one MPEG frame of padding
    EXPECT_NEAR(PeakFrequency(), 440.0, 2.0);

    // The progress box heard the conversion from its start to its end, then the loading.
    ASSERT_GE(ui.progressTexts.size(), 4);
    EXPECT_EQ(ui.progressTexts[0], Str(StringId::Progress));
    EXPECT_TRUE(ui.progressTexts[1].startsWith(QStringLiteral("Completed 0.00%, elapsed ")))
        << ui.progressTexts[1].toStdString();
    const QString last = ui.progressTexts[ui.progressTexts.size() - 2];
    EXPECT_TRUE(last.startsWith(QStringLiteral("Completed 100.00%, elapsed ")) &&
                last.endsWith(QStringLiteral(", estimated remaining 0 sec.")))
        << last.toStdString();
    EXPECT_EQ(ui.progressTexts.back(), Str(StringId::PleaseWaitUntilWave));
    EXPECT_EQ(doc.ProgressText(), Str(StringId::PleaseWaitUntilWave));
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_TRUE(LeftOvers().isEmpty());
}

TEST_F(Mp3, FlacOggAndOpusFilesAreConvertedLikeMp3) {
    struct Case {
        const char* name;
        int format;
    };
    for (const Case c : {Case{"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                         Case{"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
                         Case{"tone.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS}}) {
        SCOPED_TRACE(c.name);
        const QString path = Path(QString::fromLatin1(c.name));
        ASSERT_TRUE(WriteCompressed(path, c.format, 48000));
        ASSERT_TRUE(doc.OpenSoundFile(path));
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(doc.GetTitle(), QString::fromLatin1(c.name));
        EXPECT_EQ(doc.SampleRate(), 48000);
        EXPECT_NEAR(PeakFrequency(), 440.0, 2.0);
    }
    // The open dialog offers them.
    ui.openFiles.push_back(std::nullopt);
    doc.OnFileOpen();
    ASSERT_FALSE(ui.fileDialogs.empty());
    const QString filter = ui.fileDialogs.back().filter;
    EXPECT_TRUE(filter.startsWith(QStringLiteral("All readable music files (")));
    for (const char* pattern : {"*.wav;*.mp3;*.flac;*.ogg;*.oga;*.opus|", "|MP3 - MPEG Layer 3 Files|*.mp3|",
                                "|*.flac|", "|*.opus|"})
        EXPECT_TRUE(filter.contains(QLatin1String(pattern))) << pattern;
}

TEST_F(Mp3, AFailedConversionSaysWhyOnceAndKeepsTheSoundLoadedBefore) {
    // A good sound first, which the failure must leave alone.
    const QString before = ToneWave(QStringLiteral("before.wav"));
    ASSERT_TRUE(doc.LoadWave(before));
    std::mt19937 random(42);
    QByteArray noise(20000, '\0');
    for (char& b : noise) b = static_cast<char>(random());
    struct Case {
        QString path;
        int cause;
    };
    for (const Case& c : {Case{Write(QStringLiteral("noise.mp3"), noise), 61484},
                          Case{Write(QStringLiteral("empty.mp3"), QByteArray()), 61484}}) {
        SCOPED_TRACE(c.path.toStdString());
        ui.messages.clear();
        EXPECT_FALSE(doc.OpenSoundFile(c.path));
        ASSERT_EQ(ui.messages.size(), 2u);  // the cause, then that the file could not be read
        EXPECT_EQ(ui.messages[0].text, Str(c.cause));
        EXPECT_EQ(ui.messages[1].text, Str(StringId::CouldNotReadFile));
        EXPECT_TRUE(doc.IsWaveLoaded());
        EXPECT_EQ(doc.SampleCount(), 44100u);
        EXPECT_EQ(doc.FileName(), before);
        EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("converted.wav"))));
        EXPECT_FALSE(ui.progressOpen);
        EXPECT_TRUE(LeftOvers().isEmpty());
    }
    // A missing file is said to be missing, before any conversion is tried.
    ui.messages.clear();
    EXPECT_FALSE(doc.OpenSoundFile(Path(QStringLiteral("missing.mp3"))));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Str(StringId::ThereNoFile, Path(QStringLiteral("missing.mp3"))));
    EXPECT_TRUE(doc.IsWaveLoaded());
    EXPECT_EQ(doc.FileName(), before);
}

TEST_F(Mp3, EncodingKeepsTheFormatMp3CanCarryAndRefusesTheRest) {
    struct Case {
        std::uint32_t rate;
        std::uint16_t bits, channels;
        int mp3Rate;  // 0: refused with message 63308
    };
    for (const Case c : {Case{8000, 8, 1, 8000}, Case{22050, 16, 2, 22050}, Case{96000, 16, 1, 48000},
                         Case{37800, 16, 1, 0}, Case{44100, 16, 3, 0}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz " << c.bits << " bit " << c.channels << " ch");
        ui.messages.clear();
        QByteArray data;
        const std::vector<int> tone = Sine(440.0, c.rate, c.rate / 2, c.bits == 8 ? 100.0 : 12000.0);
        for (int s : tone)
            for (int ch = 0; ch < c.channels; ++ch) {
                if (c.bits == 8)
                    data.append(static_cast<char>(128 + s));
                else
                    PutU16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(s)));
            }
        const QString wave = Write(QStringLiteral("in.wav"), Wave(c.channels, c.rate, c.bits, data));
        const QString mp3 = Path(QStringLiteral("out.mp3"));
        QFile::remove(mp3);
        const bool ok = Mp3Converter(ui).ConvertWAVtoMP3(mp3, wave);
        EXPECT_EQ(ok, c.mp3Rate != 0);
        EXPECT_TRUE(LeftOvers().isEmpty());
        if (!ok) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, Str(StringId::MP3FilesCannotHold, static_cast<int>(c.rate),
                                               static_cast<int>(c.channels)));
            EXPECT_FALSE(QFileInfo::exists(mp3));
            continue;
        }
        const QString back = Path(QStringLiteral("back.wav"));
        ASSERT_TRUE(Mp3Converter(ui).ConvertMP3toWAV(mp3, back));
        std::uint32_t bytes = 0;
        const WaveFormat format = FormatOf(back, &bytes);
        EXPECT_EQ(format.samplesPerSec, static_cast<std::uint32_t>(c.mp3Rate));
        EXPECT_EQ(format.channels, c.channels);
        EXPECT_EQ(format.bitsPerSample, 16);
        EXPECT_EQ(format.blockAlign, 2 * c.channels);
        EXPECT_NEAR(bytes / format.blockAlign, c.mp3Rate / 2.0, 1152.0);  // half a second
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(Mp3, EncodingFailuresLeaveNoFile) {
    const QString wave = ToneWave(QStringLiteral("tone.wav"));
    struct Case {
        QString destination, source;
        QString message;
    };
    for (const Case& c :
         {Case{Path(QStringLiteral("no/such/folder/x.mp3")), wave,
               Str(StringId::ErrorProcedureConvertMP3toWAVConvertWAVtoMP3)},
          Case{Path(QStringLiteral("x.mp3")), Path(QStringLiteral("gone.wav")),
               Str(StringId::CouldNotOpenSource_61500, Path(QStringLiteral("gone.wav")))},
          Case{Path(QStringLiteral("x.mp3")), Write(QStringLiteral("silent.wav"), Mono16(44100, {})),
               Str(StringId::GivenWaveFileEmpty)}}) {
        SCOPED_TRACE(c.message.toStdString());
        ui.messages.clear();
        EXPECT_FALSE(Mp3Converter(ui).ConvertWAVtoMP3(c.destination, c.source));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, c.message);
        EXPECT_FALSE(QFileInfo::exists(c.destination));
        EXPECT_TRUE(LeftOvers().isEmpty());
    }
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(Mp3, SaveRecordingWritesWaveOrMp3ByTheChosenExtension) {
    const QString source = ToneWave(QStringLiteral("Aufnahme.wav"), 22050);
    ASSERT_TRUE(doc.LoadWave(source));

    ui.saveFiles.push_back(Path(QStringLiteral("copy.WAV")));
    doc.OnSaveRecording();
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    const FileDialogOptions& options = ui.fileDialogs[0];
    EXPECT_EQ(options.title, Str(StringId::ChooseRenameWaveFile));
    EXPECT_EQ(options.filter,
              QStringLiteral("WAV - Windows Waves|*.wav|MP3 - MPEG Layer 3 Audio Files|*.mp3|"));
    EXPECT_EQ(options.filterIndex, 1);
    EXPECT_EQ(options.defaultExtension, QStringLiteral("wav"));
    EXPECT_EQ(DataOf(Path(QStringLiteral("copy.WAV"))), DataOf(source));

    ui.saveFiles.push_back(Path(QStringLiteral("copy.mp3")));
    doc.OnSaveRecording();
    ASSERT_TRUE(
        Mp3Converter(ui).ConvertMP3toWAV(Path(QStringLiteral("copy.mp3")), Path(QStringLiteral("back.wav"))));
    EXPECT_EQ(FormatOf(Path(QStringLiteral("back.wav"))).samplesPerSec, 22050u);
    EXPECT_TRUE(ui.messages.empty());

    // Neither WAV nor MP3: nothing is written, and the user hears why.
    ui.saveFiles.push_back(Path(QStringLiteral("copy.flac")));
    doc.OnSaveRecording();
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("copy.flac"))));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Str(StringId::RecordingsAreSavedWAV));

    // Cancel does nothing at all.
    ui.messages.clear();
    ui.saveFiles.push_back(std::nullopt);
    doc.OnSaveRecording();
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Mp3, TheChosenFileIsWhatTheUserSeesAndSavingNeverWritesOverIt) {
    const QString mp3 = Path(QStringLiteral("tone.mp3"));
    ASSERT_TRUE(Mp3Converter(ui).ConvertWAVtoMP3(mp3, ToneWave(QStringLiteral("source.wav"))));
    const QByteArray mp3Bytes = ReadFile(mp3);
    ASSERT_TRUE(doc.OpenSoundFile(mp3));
    const QString converted = Path(QStringLiteral("converted.wav"));
    const QByteArray loaded = DataOf(converted);
    ASSERT_FALSE(loaded.isEmpty());

    // The status bar and the setting that reopens it at the next start name the MP3 file.
    EXPECT_EQ(MainWindow::StatusPaneText(kMsgStatusFile, 0, doc), QStringLiteral("File: tone.mp3"));
    ProfileSettings settings;
    doc.CollectWindowState(settings);
    EXPECT_EQ(settings.IniDokumentPlayFile, mp3);

    // A stereo Ogg file whose channel dialog is cancelled: the dialog names it, and the sound
    // before, its decoded copy included, stays as it was.
    const QString ogg = Path(QStringLiteral("duet.ogg"));
    ASSERT_TRUE(WriteCompressed(ogg, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2));
    ui.channels.push_back(std::nullopt);
    EXPECT_FALSE(doc.OpenSoundFile(ogg));
    ASSERT_EQ(ui.channelDialogs.size(), 1u);
    EXPECT_EQ(ui.channelDialogs[0].path, ogg);
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("tone.mp3"));
    EXPECT_EQ(DataOf(converted), loaded);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("~*")}, QDir::Files | QDir::Hidden), QStringList{});

    // Save offers a wave beside the MP3 and asks again when the MP3 itself is chosen.
    ui.saveFiles = {mp3, Path(QStringLiteral("copy.wav"))};
    doc.OnSaveRecording();
    ASSERT_EQ(ui.fileDialogs.size(), 2u);
    EXPECT_EQ(ui.fileDialogs[0].proposedFile, Path(QStringLiteral("tone.wav")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Str(StringId::FileSoundWasOpened, mp3));
    EXPECT_EQ(ReadFile(mp3), mp3Bytes);
    EXPECT_EQ(DataOf(Path(QStringLiteral("copy.wav"))), loaded);

    // Chosen and loaded, the Ogg file is what the user sees.
    ui.channels.push_back(0);
    ASSERT_TRUE(doc.OpenSoundFile(ogg));
    EXPECT_EQ(doc.FileName(), ogg);
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("duet.ogg"));
    EXPECT_EQ(MainWindow::StatusPaneText(kMsgStatusFile, 0, doc), QStringLiteral("File: duet.ogg"));
    EXPECT_EQ(FormatOf(converted).channels, 2);
}

TEST(Mp3Texts, DurationsAndProgressReadNaturally) {
    SetCurrentLanguage(Language::English);
    struct Duration {
        std::int64_t ms;
        const char* text;
    };
    for (const Duration d :
         {Duration{0, "0 sec"}, Duration{-5, "0 sec"}, Duration{1, "1 msec"}, Duration{999, "999 msec"},
          Duration{1000, "1 sec"}, Duration{59999, "59 sec"}, Duration{60000, "1 min 0 sec"},
          Duration{3723000, "1 h 2 min 3 sec"}, Duration{86400000, "1 days 0 h 0 min 0 sec"},
          Duration{2 * 86400000LL + 3723000, "2 days 1 h 2 min 3 sec"}})
        EXPECT_EQ(Mp3Converter::FormatDuration(d.ms), QString::fromLatin1(d.text)) << d.ms;

    struct Progress {
        std::int64_t done, total, elapsed;
        QString text;
    };
    for (const Progress& p :
         {Progress{0, 1000, 0, QStringLiteral("Completed 0.00%, elapsed 0 sec.")},
          Progress{42, 100, 3000,
                   QStringLiteral("Completed 42.00%, elapsed 3 sec, estimated remaining 4 sec.")},
          Progress{1, 3, 500,
                   QStringLiteral("Completed 33.33%, elapsed 500 msec, estimated remaining 1 sec.")},
          Progress{120, 100, 2000,
                   QStringLiteral("Completed 100.00%, elapsed 2 sec, estimated remaining 0 sec.")},
          Progress{5, -1, 65000,
                   QStringLiteral("Please be patient, the file is being converted into the WAV format.\nTime "
                                  "taken: 1 min 5 sec.")}})
        EXPECT_EQ(Mp3Converter::ProgressText(p.done, p.total, p.elapsed), p.text) << p.done;

    SetCurrentLanguage(Language::German);
    EXPECT_EQ(
        Mp3Converter::ProgressText(42, 100, 3723000),
        QStringLiteral("42,00 % erledigt, vergangen: 1 h 2 min 3 s, geschätzte Restzeit: 1 h 25 min 41 s."));
    EXPECT_EQ(Mp3Converter::ProgressText(5, -1, 250),
              QStringLiteral("Bitte haben Sie ein wenig Geduld, die Datei wird ins WAV-Format "
                             "konvertiert.\nBenötigt: 250 ms."));
    SetCurrentLanguage(Language::English);
}
