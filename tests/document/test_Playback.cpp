// Playback through the virtual output: positions, loops, and the spectrum that follows the music.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>
#include <chrono>
#include <cmath>

#include "document/PlaybackSound.h"
#include "document/RiffWave.h"
#include "platform/audio/AudioDevice.h"
#include "tests/support/DocFixture.h"
#include "tests/support/DocumentTestAccess.h"

using namespace test;

namespace {

class PlaybackTest : public DocFixture {
protected:
    void SetUp() override {
        DocFixture::SetUp();
        // The playback copies go to a temporary folder of this test's own.
        oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        QString error;
        output = AudioSystem::OpenOutput(QStringLiteral("virtual:output"), &error);
        ASSERT_TRUE(output) << error.toStdString();
        doc.SetSoundFactory(
            [this](const QString& path, QString*) { return PlaybackSound::Create(*output, path, nullptr); });
        DocumentTestAccess::FftPoints(doc) = 1024;
    }
    void TearDown() override {
        if (doc.IsPlaying()) doc.OnStopPlaying();
        if (oldTmp.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTmp);
        DocFixture::TearDown();
    }
    void Load(std::uint32_t rate, std::size_t samples) {
        std::vector<int> s(samples);
        for (std::size_t i = 0; i < samples; ++i) s[i] = static_cast<int>(i % 20000);
        ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("p.wav"), Mono16(rate, s))));
        ASSERT_NE(doc.Player().Sound(), nullptr);
    }
    std::uint32_t SoundPosition() {
        std::uint32_t p = 0;
        doc.Player().Sound()->GetCurrentPosition(&p);
        return p;
    }
    using Clock = std::chrono::steady_clock;
    // The position of a 44.1 kHz 16-bit mono sound that started playing at byte `from` after
    // `since`: not before it, nor further than the clock has run since (however busy the machine).
    ::testing::AssertionResult PlaysFrom(std::uint32_t from, Clock::time_point since) {
        const std::uint32_t position = SoundPosition();
        const double seconds = std::chrono::duration<double>(Clock::now() - since).count();
        const double furthest = from + 2.0 * std::ceil(seconds * 44100.0) + 2.0;
        if (position >= from && position <= furthest) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "position " << position << " outside [" << from << ", " << furthest << "]";
    }
    std::unique_ptr<AudioOutputDevice> output;
    QByteArray oldTmp;
};

}  // namespace

TEST_F(PlaybackTest, PlayStartsInsideTheSelectionAndTheLoopJumpsBackAtItsEnd) {
    Load(44100, 3 * 44100);
    doc.SetSelection(44100, 88200);
    doc.SetPlayPosition(2 * 100000);  // beyond the selection
    DocumentTestAccess::Activity(doc).SetLooping(true);
    recorder.hints.clear();
    const Clock::time_point play = Clock::now();
    doc.OnPlay();
    EXPECT_TRUE(doc.IsPlaying());
    EXPECT_EQ(recorder.hints.back(), kHintPlayStarted);
    EXPECT_TRUE(PlaysFrom(2u * 44100, play));

    doc.OnLoop();  // does nothing while playing
    EXPECT_TRUE(doc.IsLooping());

    const Clock::time_point jump = Clock::now();
    doc.PlaybackUpdate(2 * 88300);  // just past the end of the selection
    EXPECT_EQ(doc.Player().Position(), 44100u);
    EXPECT_TRUE(PlaysFrom(2u * 44100, jump));
    EXPECT_TRUE(doc.IsPlaying());
    EXPECT_EQ(recorder.hints.back(), kHintSpectrum);

    DocumentTestAccess::Activity(doc).SetLooping(false);
    doc.PlaybackUpdate(2 * 88300);  // without the loop playback stops there
    EXPECT_FALSE(doc.IsPlaying());
}

TEST_F(PlaybackTest, TheSpectrumFollowsThePlayPositionUntilTooFewSamplesRemain) {
    Load(44100, 44100);
    doc.OnPlay();
    doc.PlaybackUpdate(2 * 1000);
    ASSERT_EQ(doc.SelectedSamples().size(), 1024u);
    EXPECT_EQ(doc.SelectedSamples()[0], 1000.0);
    EXPECT_EQ(doc.Spectrum().size(), 513u);
    recorder.hints.clear();
    doc.PlaybackUpdate(2 * (44100 - 500));  // fewer than 1024 samples left: the sound plays on
    EXPECT_EQ(doc.SelectedSamples()[0], 1000.0);
    EXPECT_TRUE(recorder.hints.empty());
    EXPECT_TRUE(doc.IsPlaying());
}

TEST_F(PlaybackTest, FilesOutsideTheCardsRatesPlayACopyWhileTheSpectrumReadsEverySample) {
    // Sample counts that are not a multiple of the factor: the copy's last group is short.
    struct Case {
        std::uint32_t rate;
        std::size_t samples;
        std::uint32_t copyRate;
        std::uint32_t copySamples;
        std::uint32_t playSample;      // a position in the copy
        std::uint32_t analysedSample;  // the sample of the sound analysed there
    };
    for (const Case c :
         {Case{96000, 96001, 48000, 48001, 3000, 6000}, Case{192000, 192003, 48000, 48001, 3000, 12000},
          Case{4000, 4001, 8000, 8002, 3001, 1500}, Case{3000, 3100, 9000, 9300, 3001, 1000},
          Case{44100, 44101, 44100, 44101, 3000, 3000}}) {
        SCOPED_TRACE(c.rate);
        Load(c.rate, c.samples);
        DocumentTestAccess::FftPoints(doc) = 1024;  // each new sound takes the carried size again
        EXPECT_EQ(doc.SampleCount(), c.samples);    // the analysis keeps the file's own samples
        EXPECT_EQ(doc.SampleRate(), static_cast<int>(c.rate));
        EXPECT_EQ(doc.Player().Bytes(), 2 * c.copySamples);
        EXPECT_EQ(doc.Player().Sound()->Size(), doc.Player().Bytes());
        if (c.copyRate != c.rate) {
            EXPECT_TRUE(doc.PlaysReducedCopy());
            EXPECT_EQ(doc.Player().Rate(), static_cast<int>(c.copyRate));
        }
        doc.OnPlay();
        doc.PlaybackUpdate(2 * c.playSample);
        ASSERT_EQ(doc.SelectedSamples().size(), 1024u);
        EXPECT_EQ(doc.SelectedSamples()[0], double(c.analysedSample));
        doc.OnStopPlaying();
    }
}

TEST_F(PlaybackTest, ALowRateCopyRepeatsEachSample) {
    struct Case {
        QByteArray file;
        std::uint32_t copyRate;
        std::uint16_t bits;
        QByteArray copy;  // the data of the playback copy
    };
    for (const Case& c : {Case{Mono16(5000, {-3, 7, 100}), 10000, 16, Pcm16({-3, -3, 7, 7, 100, 100})},
                          Case{Wave(1, 2000, 8, QByteArray("\x80\x01", 2)), 8000, 8,
                               QByteArray("\x80\x80\x80\x80\x01\x01\x01\x01", 8)}}) {
        SCOPED_TRACE(c.copyRate);
        ASSERT_TRUE(doc.OpenSoundFile(Write(QStringLiteral("low.wav"), c.file)));
        RiffWave copy;
        WaveFormat format;
        ASSERT_EQ(copy.Open(SoundDocument::TempWavePath(), &format, RiffWave::Mode::Read),
                  RiffWave::Status::Success);
        EXPECT_EQ(format.samplesPerSec, c.copyRate);
        EXPECT_EQ(format.bitsPerSample, c.bits);
        QByteArray bytes(static_cast<qsizetype>(copy.GetSize()), '\0');
        std::uint32_t read = 0;
        copy.Read(bytes.data(), copy.GetSize(), &read);
        EXPECT_EQ(bytes, c.copy);
    }
}

TEST_F(PlaybackTest, ASoundNoOutputCanPlayStaysLoadedAndTheUserIsToldWhy) {
    struct Case {
        QString reason;  // what the factory says; empty: it only fails
        int message;     // the text that must be part of the explanation
    };
    for (const Case& c : {Case{QStringLiteral("The card refuses 8000 Hz."), 0}, Case{QString(), 63410}}) {
        ui.messages.clear();
        doc.SetSoundFactory([&c](const QString&, QString* why) {
            if (why) *why = c.reason;
            return std::unique_ptr<PlaybackSound>();
        });
        ASSERT_TRUE(
            doc.OpenSoundFile(Write(QStringLiteral("low.wav"), Mono16(4000, Sine(440, 4000, 4000, 8000)))));
        EXPECT_TRUE(doc.IsWaveLoaded());
        EXPECT_EQ(doc.SampleCount(), 4000u);
        EXPECT_EQ(doc.Player().Sound(), nullptr);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(SaidNumber(ui, 61459));
        EXPECT_TRUE(
            ui.messages[0].text.contains(c.message ? Str(c.message, QStringLiteral("low.wav")) : c.reason))
            << ui.messages[0].text.toStdString();
        doc.OnPlay();  // nothing to play: nothing pretends to
        EXPECT_FALSE(doc.IsPlaying());
    }
}

TEST_F(PlaybackTest, BackToStartWhilePlayingGoesOnFromTheStartOfTheMarkedStretch) {
    Load(44100, 3 * 44100);
    doc.SetSelection(44100, 2 * 44100);
    doc.OnPlay();
    doc.PlaybackUpdate(2 * 70000);
    recorder.hints.clear();
    doc.OnBackToStart();
    EXPECT_TRUE(doc.IsPlaying());
    EXPECT_TRUE(doc.Player().Sound()->IsPlaying());
    EXPECT_EQ(doc.Player().Position(), 44100u);
    EXPECT_NEAR(SoundPosition(), 2u * 44100, 2u * 4410);
    // The spectrum follows at once, and nothing tells the running displays to stop.
    EXPECT_EQ(doc.SelectedSamples()[0], double(44100 % 20000));
    EXPECT_EQ(recorder.hints, std::vector<int>{kHintSpectrum});

    doc.OnStopPlaying();
    doc.OnBackToStart();  // stopped: back to the very start
    EXPECT_EQ(SoundPosition(), 0u);
    EXPECT_EQ(recorder.hints.back(), kHintRebuild);
}

TEST_F(PlaybackTest, RemovingTheWaveWhilePlayingStopsThePlayback) {
    Load(44100, 44100);
    doc.OnPlay();
    doc.RemoveWave();
    EXPECT_FALSE(doc.IsPlaying());
    EXPECT_EQ(doc.Player().Sound(), nullptr);
    EXPECT_EQ(doc.Player().Position(), 0u);
}

TEST_F(PlaybackTest, FftSettingsWhilePlayingGoOnPlayingWithTheNewSize) {
    Load(44100, 3 * 44100);
    DocumentTestAccess::Activity(doc).SetLooping(true);
    for (const std::optional<int> answer :
         {std::optional<int>(0), std::optional<int>()}) {  // OK with 256, Cancel
        doc.OnPlay();
        doc.SetPlayPosition(2 * 50000);
        ui.fftSizes.push_back(answer);
        recorder.hints.clear();
        doc.OnFftSettings();
        EXPECT_TRUE(doc.IsPlaying());
        EXPECT_TRUE(doc.Player().Sound()->IsPlaying());
        EXPECT_NEAR(SoundPosition(), 2u * 50000, 2u * 4410);  // on from where it was
        EXPECT_EQ(doc.FftPoints(), 256);
        // The rebuild comes first; the start after it sets the running displays going again.
        ASSERT_GE(recorder.hints.size(), 2u);
        EXPECT_EQ(recorder.hints[recorder.hints.size() - 2], kHintRebuild);
        EXPECT_EQ(recorder.hints.back(), kHintPlayStarted);
        doc.PlaybackUpdate(2 * 50000);
        EXPECT_EQ(doc.Spectrum().size(), 129u);
        doc.OnStopPlaying();
    }
    ui.fftSizes.push_back(1);
    doc.OnFftSettings();  // not playing: nothing starts
    EXPECT_FALSE(doc.IsPlaying());
    EXPECT_FALSE(doc.Player().Sound()->IsPlaying());
}

TEST_F(PlaybackTest, TheTimerTickMovesWithTheSoundAndRewindsAtItsEnd) {
    Load(8000, 16000);  // two seconds: still playing at the first tick, even on a busy machine
    doc.OnPlay();
    std::uint32_t cursor = 0;
    EXPECT_TRUE(doc.PlaybackTick(&cursor));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !doc.PlaybackTick(&cursor); }, 30000));
    EXPECT_FALSE(doc.IsPlaying());
    EXPECT_EQ(SoundPosition(), 0u);
}
