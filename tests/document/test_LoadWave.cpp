#include <gtest/gtest.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>

#include "tests/support/DocFixture.h"

using namespace test;

using LoadWave = DocFixture;

namespace {

struct BadFile {
    const char* name;
    QByteArray bytes;
    int message;  // the string number the user is shown
};

}  // namespace

TEST_F(LoadWave, BrokenFilesLeaveTheDocumentEmptyWithAClearMessage) {
    const QByteArray fmt16 = Chunk("fmt ", FmtBody(1, 1, 8000, 16));
    const std::vector<BadFile> cases = {
        {"empty file", QByteArray(), 62006},
        {"text renamed .wav", QByteArray("just some text\r\n"), 62006},
        {"truncated header", Mono16(8000, {1, 2}).left(20), 62006},
        {"no fmt", Riff(Chunk("data", Pcm16({1}))), 62006},
        {"no data", Riff(fmt16), 62006},
        {"zero-length data", Riff(fmt16 + Chunk("data", QByteArray())), 61496},
        // 12 bits cannot lie in words of one byte.
        {"12-bit samples in 8-bit words",
         Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 12)) + Chunk("data", Pcm16({1, 2}))), 62006},
        {"40-bit samples", Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 40)) + Chunk("data", QByteArray(10, '\1'))),
         61497},
        {"ADPCM", Riff(Chunk("fmt ", FmtBody(2, 1, 8000, 4, 0)) + Chunk("data", Pcm16({1, 2}))), 62002},
        {"extensible ADPCM",
         Riff(Chunk("fmt ", ExtensibleFmtBody(1, 8000, 16, 2)) + Chunk("data", Pcm16({1}))), 62002},
        {"sample rate 0", Riff(Chunk("fmt ", FmtBody(1, 1, 0, 16)) + Chunk("data", Pcm16({1, 2}))), 62100},
        {"sample rate 2^31",
         Riff(Chunk("fmt ", FmtBody(1, 1, 0x80000000u, 16)) + Chunk("data", Pcm16({1, 2}))), 62100},
        {"sample rate 2^32-1",
         Riff(Chunk("fmt ", FmtBody(1, 1, 0xFFFFFFFFu, 16)) + Chunk("data", Pcm16({1, 2}))), 62100},
        {"block align not matching",
         Riff(Chunk("fmt ", FmtBody(1, 2, 8000, 16).replace(12, 2, "\x03\x00", 2)) +
              Chunk("data", Pcm16({1, 2}))),
         62006},
    };
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        EXPECT_FALSE(doc.LoadWave(Write(QStringLiteral("bad.wav"), c.bytes)));
        EXPECT_FALSE(doc.IsWaveLoaded());
        EXPECT_EQ(doc.WaveBytes(), 0u);
        EXPECT_EQ(doc.FileName(), Str(StringId::NoFileSelected));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(SaidNumber(ui, c.message)) << ui.messages[0].text.toStdString();
    }
}

TEST_F(LoadWave, MonoSixteenBitLoadsAsItStands) {
    const QString path = Write(QStringLiteral("tone.wav"), Mono16(22050, {0, 1000, -1000, 32767, -32768}));
    ASSERT_TRUE(doc.OpenSoundFile(path));
    EXPECT_TRUE(doc.IsWaveLoaded());
    EXPECT_EQ(Samples(), (std::vector<double>{0, 1000, -1000, 32767, -32768}));
    EXPECT_EQ(doc.SampleRate(), 22050);
    EXPECT_EQ(doc.FullScale(), 32767.0);
    EXPECT_EQ(doc.Channels(), QStringLiteral("Mono"));
    EXPECT_EQ(doc.FormatName(), QStringLiteral("PCM"));
    EXPECT_EQ(doc.FileName(), path);
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("tone.wav"));
    EXPECT_EQ(recorder.hints.back(), kHintRebuild);
    EXPECT_EQ(status.Last(kMsgStatusRate), 22050);
    EXPECT_EQ(status.Last(kMsgStatusBits), 16);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(ui.progressOpen);
}

TEST_F(LoadWave, TwelveBitSamplesInSixteenBitWordsLoadAndShowTheirOwnWidth) {
    // 12-bit 0x123 and -1 at the top of their 16-bit words: 0x1230 (4656) and 0xFFF0 (-16).
    const QByteArray fmt = FmtBody(1, 1, 8000, 12).replace(12, 2, "\x02\x00", 2);
    const QString path = Write(QStringLiteral("twelve.wav"),
                               Riff(Chunk("fmt ", fmt) + Chunk("data", QByteArray("\x30\x12\xf0\xff", 4))));
    ASSERT_TRUE(doc.OpenSoundFile(path));
    EXPECT_EQ(Samples(), (std::vector<double>{4656, -16}));
    EXPECT_EQ(doc.FullScale(), 32767.0);
    EXPECT_EQ(doc.BitsShown(), 12);
    EXPECT_EQ(status.Last(kMsgStatusBits), 12);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LoadWave, AMissingPathOrAFolderIsSaidToBeOneAndNoBrokenWaveFile) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("series.txt")));
    struct Case {
        const char* name;
        int message;
    };
    for (const Case& c :
         {Case{"missing.wav", StringId::ThereNoFile}, Case{"missing.txt", StringId::ThereNoFile},
          Case{"missing.mp3", StringId::ThereNoFile}, Case{"folder.wav", StringId::FolderNotFileKalvo},
          Case{"series.txt", StringId::FolderNotFileKalvo}}) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        const QString path = dir.filePath(QLatin1String(c.name));
        EXPECT_FALSE(doc.OpenFile(path));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, Str(c.message, path));
    }
}

TEST_F(LoadWave, StereoKeepsTheChosenChannel) {
    // Left and right differ in every frame, in both sample widths.
    const QByteArray stereo16 = Pcm16({100, -7, 200, -8, 300, -9});
    const QByteArray stereo8("\x10\xf0\x11\xf1\x12\xf2", 6);
    struct Case {
        int bits;
        QByteArray data;
        int channel;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {{16, stereo16, 1, {100, 200, 300}},
                                     {16, stereo16, 0, {-7, -8, -9}},
                                     {8, stereo8, 1, {0x10, 0x11, 0x12}},
                                     {8, stereo8, 0, {0xf0, 0xf1, 0xf2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << "-bit channel " << c.channel);
        ui.channels.push_back(c.channel);
        const QString path =
            Write(QStringLiteral("stereo.wav"), Wave(2, 8000, static_cast<std::uint16_t>(c.bits), c.data));
        ASSERT_TRUE(doc.OpenSoundFile(path));
        EXPECT_EQ(Samples(), c.expected);
        EXPECT_EQ(doc.WaveBytes(), static_cast<std::uint32_t>(c.data.size() / 2));
        EXPECT_EQ(doc.Channels(), QStringLiteral("Mono"));
        EXPECT_TRUE(ui.channelDialogs.back().stereo);
    }
    EXPECT_NE(std::find(recorder.hints.begin(), recorder.hints.end(), kHintChannelChosen),
              recorder.hints.end());
}

TEST_F(LoadWave, CancelInTheChannelDialogLoadsNothingAndKidsModeTakesLeftWithoutAsking) {
    const QString path = Write(QStringLiteral("stereo.wav"), Wave(2, 8000, 16, Pcm16({1, 2, 3, 4})));
    ui.channels.push_back(std::nullopt);
    EXPECT_FALSE(doc.OpenSoundFile(path));
    EXPECT_FALSE(doc.IsWaveLoaded());
    EXPECT_EQ(doc.WaveBytes(), 0u);

    app.Settings().IniAllgemeinGrundschulprofil = 1;
    ui.channelDialogs.clear();
    ASSERT_TRUE(doc.OpenSoundFile(path));
    EXPECT_TRUE(ui.channelDialogs.empty());
    EXPECT_EQ(Samples(), (std::vector<double>{1, 3}));
    EXPECT_TRUE(ui.progressTexts.isEmpty() || !ui.progressOpen);
}

TEST_F(LoadWave, EightBitSilenceKeepsItsOffsetOf128) {
    app.Settings().IniDokumentNumFFTPoints = 256;
    struct NoControls : IModuleFrame {
        void SetControlInt(int, int) override {}
        void SetSliderRange(int, int, int, int) override {}
    } frame;
    doc.SetModuleFrame(Module::Fft, &frame);
    ASSERT_TRUE(
        doc.LoadWave(Write(QStringLiteral("silence.wav"), Wave(1, 8000, 8, QByteArray(512, '\x80')))));
    doc.OnSelectionChanged(0, 512);
    ASSERT_EQ(doc.SelectedSamples().size(), 512u);
    EXPECT_EQ(doc.SelectedSamples()[0], 128.0);
    ASSERT_EQ(doc.Spectrum().size(), 257u);
    EXPECT_DOUBLE_EQ(doc.Spectrum()[0], 128.0);
    for (std::size_t k = 1; k < doc.Spectrum().size(); ++k) ASSERT_NEAR(doc.Spectrum()[k], 0.0, 1e-9) << k;
    doc.SetModuleFrame(Module::Fft, nullptr);
}

TEST_F(LoadWave, HighRatesKeepEverySampleForAnalysisAndPlayAFlooredMeanCopy) {
    struct Case {
        std::uint32_t rate;
        std::uint32_t copyRate;
        std::vector<int> samples;
        std::vector<int> copy;
    };
    const std::vector<Case> cases = {
        {96000, 48000, {-1, 0, 5, 6, 7}, {-1, 5, 7}},  // mean -0.5 floors to -1; a short last group
        {192000, 48000, {4, 4, 4, 5, -3, -3, -3, -4}, {4, -4}},
        {176400, 44100, {1, 2, 3, 4, 10, 10}, {2, 10}},
        {128000, 42666, {0, 3, 6, 1}, {3, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("fast.wav"), Mono16(c.rate, c.samples))));
        EXPECT_EQ(doc.WaveBytes(), c.samples.size() * 2);
        EXPECT_TRUE(doc.PlaysReducedCopy());
        EXPECT_EQ(doc.Player().Rate(), static_cast<int>(c.copyRate));
        EXPECT_EQ(doc.Player().Bits(), 16);
        EXPECT_EQ(doc.Player().Bytes(), c.copy.size() * 2);
        const QByteArray copy = ReadFile(SoundDocument::TempWavePath());
        EXPECT_EQ(U32At(copy, 24), c.copyRate);
        EXPECT_EQ(copy.right(static_cast<qsizetype>(c.copy.size() * 2)), Pcm16(c.copy));
    }
}

TEST_F(LoadWave, WidePcmAndFloatAreConvertedToSixteenBitAndTheUserIsToldOnce) {
    QByteArray pcm24;  // 0x123456 and -2 (0xFFFFFE)
    pcm24.append("\x56\x34\x12\xfe\xff\xff", 6);
    QByteArray pcm32;
    pcm32.append("\x00\x00\x00\x40\x00\x00\x00\x80", 8);  // 0x40000000 and INT_MIN
    QByteArray float32;
    const float values[] = {0.5f, -1.5f};
    float32.append(reinterpret_cast<const char*>(values), sizeof values);
    QByteArray float64;
    const double doubles[] = {-0.25, 2.0};
    float64.append(reinterpret_cast<const char*>(doubles), sizeof doubles);
    QByteArray stereoFloat;  // left 0.5, right -0.5
    const float frames[] = {0.5f, -0.5f};
    stereoFloat.append(reinterpret_cast<const char*>(frames), sizeof frames);
    struct Case {
        const char* name;
        QByteArray file;
        std::vector<double> expected;
        int message;
        int bits;
    };
    const std::vector<Case> cases = {
        {"24-bit",
         Riff(Chunk("fmt ", FmtBody(1, 1, 44100, 24)) + Chunk("data", pcm24)),
         {0x1234, -1},
         62000,
         24},
        {"32-bit",
         Riff(Chunk("fmt ", FmtBody(1, 1, 44100, 32)) + Chunk("data", pcm32)),
         {0x4000, -32768},
         62000,
         32},
        {"float",
         Riff(Chunk("fmt ", FmtBody(3, 1, 44100, 32, 0)) + Chunk("data", float32)),
         {16384, -32767},
         62001,
         32},
        {"double",
         Riff(Chunk("fmt ", FmtBody(3, 1, 44100, 64, 0)) + Chunk("data", float64)),
         {-8192, 32767},
         62001,
         64},
        {"extensible float",
         Riff(Chunk("fmt ", ExtensibleFmtBody(1, 44100, 32, 3)) + Chunk("data", float32)),
         {16384, -32767},
         62001,
         32},
        {"stereo float",
         Riff(Chunk("fmt ", FmtBody(3, 2, 44100, 32, 0)) + Chunk("data", stereoFloat)),
         {16384},
         62001,
         32},
        {"extensible 24-bit",
         Riff(Chunk("fmt ", ExtensibleFmtBody(1, 44100, 24, 1)) + Chunk("data", pcm24)),
         {0x1234, -1},
         62000,
         24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        ui.channels.push_back(1);
        const QString path = Write(QStringLiteral("wide.wav"), c.file);
        ASSERT_TRUE(doc.OpenSoundFile(path));
        ui.channels.clear();
        EXPECT_EQ(Samples(), c.expected);
        EXPECT_EQ(doc.BitsPerSample(), 16);
        EXPECT_EQ(doc.FullScale(), 32767.0);
        ASSERT_EQ(ui.messages.size(), 1u);
        // The whole text: both messages begin alike, and only the right one names the sample kind.
        EXPECT_EQ(ui.messages[0].text, Str(c.message, path, c.bits));
    }
}

TEST_F(LoadWave, CopyWaveFileKeepsTheFormatAndSetsFactToZero) {
    const QString source = Write(QStringLiteral("src.wav"), Wave(1, 11025, 8, QByteArray("\x01\x02\x03", 3)));
    const QString target = Path(QStringLiteral("copy.wav"));
    ASSERT_TRUE(doc.CopyWaveFile(target, source));
    const QByteArray copy = ReadFile(target);
    EXPECT_EQ(copy.mid(20, 16), ReadFile(source).mid(20, 16));  // the format record
    EXPECT_EQ(U32At(copy, 44), 0u);
    EXPECT_EQ(copy.mid(56, 3), QByteArray("\x01\x02\x03", 3));

    EXPECT_FALSE(doc.CopyWaveFile(target, Path(QStringLiteral("missing.wav"))));
    EXPECT_TRUE(ui.Said(Str(StringId::CouldNotOpenSource_61500, Path(QStringLiteral("missing.wav")))));
    EXPECT_FALSE(doc.CopyWaveFile(Path(QStringLiteral("no/such/dir/x.wav")), source));
    EXPECT_TRUE(ui.Said(Str(StringId::CouldNotOpenFile)));
}

TEST_F(LoadWave, SavingARecordingReplacesTheTargetOnlyWhenTheCopyIsComplete) {
    const QString source = Write(QStringLiteral("rec.wav"), Mono16(8000, {1, 2, 3, 4}));
    const QString target = Write(QStringLiteral("kept.wav"), Mono16(8000, {9, 9}));
    // A second name for the old file: written in place, it would change too.
    const QString other = Path(QStringLiteral("other-name.wav"));
    ASSERT_EQ(::link(QFile::encodeName(target).constData(), QFile::encodeName(other).constData()), 0);
    ASSERT_TRUE(doc.OpenSoundFile(source));
    ui.saveFiles.push_back(target);
    doc.OnSaveRecording();
    EXPECT_EQ(ReadFile(target).mid(56), Pcm16({1, 2, 3, 4}));
    EXPECT_EQ(ReadFile(other), Mono16(8000, {9, 9}));
    EXPECT_EQ(QFileInfo(target).permissions() & QFile::ReadOther, QFile::ReadOther);
    // No part file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(LoadWave, TheOpenCommandOffersWaveFilesAndCancelDoesNothing) {
    ui.openFiles.push_back(std::nullopt);
    doc.OnFileOpen();
    ASSERT_EQ(ui.fileDialogs.size(), 1u);
    EXPECT_EQ(ui.fileDialogs[0].title, Str(StringId::ChooseMusicFile));
    EXPECT_TRUE(ui.fileDialogs[0].filter.contains(QStringLiteral("*.wav")));
    EXPECT_FALSE(doc.IsWaveLoaded());

    const QString path = Write(QStringLiteral("a.wav"), Mono16(8000, {1, 2, 3}));
    ui.openFiles.push_back(path);
    doc.OnFileOpen();
    EXPECT_TRUE(doc.IsWaveLoaded());
    EXPECT_EQ(ui.progressTexts.value(1), Str(StringId::PleaseWaitUntilWave));

    // Without an MP3 converter an MP3 file is refused in words, not misread.
    ui.messages.clear();
    EXPECT_FALSE(doc.OpenSoundFile(Write(QStringLiteral("song.mp3"), QByteArray("ID3"))));
    EXPECT_TRUE(ui.Said(Str(StringId::MP3FilesCannotOpened)));
    EXPECT_TRUE(doc.IsWaveLoaded());  // and the sound loaded before stays
    EXPECT_EQ(doc.FileName(), path);
}

TEST_F(LoadWave, ACancelledRefusedOrUnreadableFileKeepsTheLoadedSoundItsSelectionAndResults) {
    const QString path = Write(QStringLiteral("kept.wav"), Mono16(8000, Sine(440, 8000, 4096, 10000)));
    ASSERT_TRUE(doc.OpenSoundFile(path));
    doc.SetSelection(100, 1124);
    ASSERT_TRUE(doc.OnSelectionChanged(100, 1124));
    const std::vector<double> samples = Samples(), selected = doc.SelectedSamples(),
                              spectrum = doc.Spectrum();
    const QString title = doc.GetTitle();
    const auto unchanged = [&] {
        EXPECT_TRUE(doc.IsWaveLoaded());
        EXPECT_EQ(Samples(), samples);
        EXPECT_EQ(doc.FileName(), path);
        EXPECT_EQ(doc.GetTitle(), title);
        EXPECT_EQ(doc.SelectionStart(), 100u);
        EXPECT_EQ(doc.SelectionEnd(), 1124u);
        EXPECT_EQ(doc.SelectedSamples(), selected);
        EXPECT_EQ(doc.Spectrum(), spectrum);
        EXPECT_EQ(doc.SampleRate(), 8000);
    };
    {
        SCOPED_TRACE("the open dialog cancelled");
        ui.openFiles.push_back(std::nullopt);
        doc.OnFileOpen();
        unchanged();
    }
    {
        SCOPED_TRACE("the time series dialog cancelled");
        ui.openFiles.push_back(std::nullopt);
        doc.OnOpenTimeSeries();
        unchanged();
    }
    {
        SCOPED_TRACE("the channel dialog cancelled");
        ui.channels.push_back(std::nullopt);
        EXPECT_FALSE(
            doc.OpenSoundFile(Write(QStringLiteral("stereo.wav"), Wave(2, 8000, 16, Pcm16({1, 2, 3, 4})))));
        unchanged();
    }
    const std::vector<std::pair<const char*, QString>> refused = {
        {"text renamed .wav", Write(QStringLiteral("text.wav"), "just some text\r\n")},
        {"ADPCM", Write(QStringLiteral("adpcm.wav"),
                        Riff(Chunk("fmt ", FmtBody(2, 1, 8000, 4, 0)) + Chunk("data", Pcm16({1, 2}))))},
        {"no samples", Write(QStringLiteral("none.wav"),
                             Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16)) + Chunk("data", QByteArray())))},
        {"missing", Path(QStringLiteral("missing.wav"))},
        {"MP3 without a converter", Write(QStringLiteral("song.mp3"), QByteArray("ID3"))},
    };
    for (const auto& [name, file] : refused) {
        SCOPED_TRACE(name);
        ui.messages.clear();
        ui.openFiles.push_back(file);
        doc.OnFileOpen();
        EXPECT_EQ(ui.messages.size(), 1u);
        unchanged();
    }
    for (const auto& [name, file] : std::vector<std::pair<const char*, QString>>{
             {"missing series", Path(QStringLiteral("missing.txt"))},
             {"series without a number", Write(QStringLiteral("words.txt"), "no numbers here\n")}}) {
        SCOPED_TRACE(name);
        ui.messages.clear();
        EXPECT_FALSE(doc.OpenTimeSeriesFile(file));
        EXPECT_EQ(ui.messages.size(), 1u);
        unchanged();
    }
    // A file that reads well replaces the sound, its selection and its results.
    ui.openFiles.push_back(Write(QStringLiteral("new.wav"), Mono16(11025, {5, 6, 7})));
    doc.OnFileOpen();
    EXPECT_EQ(Samples(), (std::vector<double>{5, 6, 7}));
    EXPECT_EQ(doc.SampleRate(), 11025);
    EXPECT_LE(doc.SelectedSamples().size(), 1u);
}
